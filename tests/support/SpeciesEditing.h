#pragma once

#include "species/RomDocument.h"
#include "species/SpeciesEditor.h"

#include <optional>
#include <string>

namespace quillmark::test {

// What a save must find in the file before it writes: the ROM that was opened, and
// the species' 44 bytes as the load that showed them read them (or the last save
// left them).
struct SaveGuard {
    species::RomFingerprint rom;
    species::RecordBytes loaded{};
};

// One load as the window makes it, through a document opened for it alone.
Result<species::LoadedSpecies, species::SpeciesError> loadSpecies(const std::string& romPath,
                                                                  const species::RomFingerprint& rom, int index);
// One save as the window makes it, for a test that keeps the loaded record itself:
// the document checks the guard's ROM and record under the writers' lock before it
// writes the 20 fields and, where `moreData` differs, the rest of the record.
Result<species::RecordBytes, species::SpeciesError>
saveSpecies(const std::string& romPath, const std::string& tableBase, int index, const species::SpeciesValues& values,
            const platform::NumberFormat& format, const SaveGuard& guard,
            const std::optional<species::RecordBytes>& moreData = std::nullopt);

} // namespace quillmark::test
