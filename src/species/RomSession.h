#pragma once

#include "species/RecordCodec.h"
#include "species/SpeciesRecord.h"
#include "species/SpeciesTableLocator.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace quillmark::species {

// The main window's state from start-up to exit. The ROM file itself is the only
// other state: nothing of it is cached here.
struct RomSession {
    std::string RomPath;          // the file the last completed Open ROM chose
    std::string GameCode;         // its bytes 12..15, supported or not
    std::int16_t SelectedIndex = -1;
    std::string TableBase;        // decimal table start of the last load
    // Where Open ROM found the table of RomPath; nothing when it was refused. Every
    // load and save first checks that the file still matches it.
    std::optional<RomFingerprint> OpenedRom;
    // The species' 44 bytes as the last load read them (or the last save left them):
    // a save writes only over these.
    RecordBytes LoadedRecord{};
    // Per field, a stored code of the last load that names no list entry; written
    // back by a save unless the user picked an entry instead.
    std::array<std::optional<std::uint16_t>, kFieldCount> UnlistedCodes{};
};

} // namespace quillmark::species
