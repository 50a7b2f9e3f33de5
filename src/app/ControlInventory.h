#pragma once

#include "species/SpeciesRecord.h"

#include <array>
#include <string_view>

namespace quillmark::app {

enum class ControlKind { Frame, Label, TextBox, ComboBox, ListBox, Image };

// One control of a fixed-layout window, positions in twips (15 to the pixel at
// 96 dpi) from the top-left corner of its container.
struct ControlDesign {
    std::string_view name;
    ControlKind kind;
    std::string_view container;
    std::string_view caption;
    int left, top, width, height;
    bool enabled;
    int tabIndex;  // -1: the control has none
    species::LookupList list;
};

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int pixels(int twips) { return twips / kTwipsPerPixel; }

// Main window: client area 11535 x 7080 twips (769 x 472 pixels).
inline constexpr int kForm1ClientWidth = 11535;
inline constexpr int kForm1ClientHeight = 7080;

// The main window's controls in the order of its design, which is also the
// stacking order: a control lies above every control after it.
extern const std::array<ControlDesign, 49> Form1Controls;

} // namespace quillmark::app
