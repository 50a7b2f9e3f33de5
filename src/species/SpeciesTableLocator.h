#pragma once

#include "platform/Result.h"
#include "rom/NitroFs.h"
#include "species/SpeciesError.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::platform {
class OpenFile;
}

namespace quillmark::species {

// Where the species table of one ROM lies: list index 0's record and the file of
// the ROM's file system that holds it.
struct SpeciesTable {
    std::int64_t tableBase = 0;
    std::string narcPath;  // empty: an image without a file system, at the fixed start
    // Records from tableBase on, back to back: the 493 species, then the egg and form
    // records the archive holds (as many as the game has).
    int recordCount = 0;
    bool operator==(const SpeciesTable&) const = default;
};

// A file-system error in the words of a species operation: a failed read as
// FileUnavailable, anything else as TableNotFound with its detail.
SpeciesError speciesErrorOf(const rom::RomFsError& error);
SpeciesError tableNotFound(const std::string& why);

// The files the game itself reads its species data from, in the order tried.
std::vector<std::string_view> speciesNarcPaths(std::string_view gameCode);

// The table of a supported game code, found through the ROM's own file system: the
// start of member 1 of the species NARC, whose members 1..493 must be 44-byte records
// back to back. Only an image whose header names no file system at all falls back to
// the fixed start of its language (Diamond and Pearl only: the later games have none);
// a damaged one is refused (TableNotFound).
Result<SpeciesTable, SpeciesError> locateSpeciesTable(platform::OpenFile& file,
                                                      std::string_view gameCode);
// The same with the file system already read (nothing: the header names none, or it
// could not be read, and the same error comes again).
Result<SpeciesTable, SpeciesError> locateSpeciesTable(platform::OpenFile& file, const rom::NitroFs* fs,
                                                      std::string_view gameCode);
// The same with one open and close of the file at path.
Result<SpeciesTable, SpeciesError> locateSpeciesTable(const std::string& path,
                                                      std::string_view gameCode);

// What Open ROM saw of a file, so that a later load or save can tell whether the
// file at the path is still that one before it reads or writes anything.
struct RomFingerprint {
    std::string gameCode;
    SpeciesTable table;
};

// RomChanged unless the file still has this game code and this table location.
Result<Done, SpeciesError> checkFingerprint(platform::OpenFile& file,
                                            const RomFingerprint& expected,
                                            const rom::NitroFs* fs = nullptr);

} // namespace quillmark::species
