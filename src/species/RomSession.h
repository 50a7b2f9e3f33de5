#pragma once

#include <cstdint>
#include <string>

namespace quillmark::species {

// The main window's state from start-up to exit. What was read of the ROM is the
// document's (RomDocument), not cached here.
struct RomSession {
    std::string RomPath;          // the file the last completed Open ROM chose
    std::string GameCode;         // its bytes 12..15, supported or not
    std::int16_t SelectedIndex = -1;
    std::string TableBase;        // decimal table start of the last load
};

} // namespace quillmark::species
