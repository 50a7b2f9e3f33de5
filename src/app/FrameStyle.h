#pragma once

namespace quillmark::app {

// Frames draw their caption across the top line, so that controls placed just below
// the caption sit inside the frame; captions are pure blue when enabled. Shared by
// the windows so that their frames look alike.
inline constexpr const char* kFrameStyleSheet =
    "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
    " left: 6px; padding: 0 2px; }"
    "QGroupBox[captioned=\"true\"]:enabled { color: #0000ff; }"
    // The Windows styles draw the title from its own sub-control's colour.
    "QGroupBox[captioned=\"true\"]::title:enabled { color: #0000ff; }";

} // namespace quillmark::app
