#include "SpeciesEditing.h"

namespace quillmark::test {

Result<species::LoadedSpecies, species::SpeciesError> loadSpecies(const std::string& romPath,
                                                                  const species::RomFingerprint& rom, int index)
{
    species::RomDocument document(romPath, rom);
    auto loaded = document.load(index, species::partsOf<species::SpeciesRecordsPart>());
    if (!loaded)
        return loaded.error();
    return std::move(loaded->record);
}

Result<species::RecordBytes, species::SpeciesError>
saveSpecies(const std::string& romPath, const std::string& tableBase, int index, const species::SpeciesValues& values,
            const platform::NumberFormat& format, const SaveGuard& guard,
            const std::optional<species::RecordBytes>& moreData)
{
    // The table start of the last load; the guard is what that load checked.
    if (species::tableStart(tableBase) != guard.rom.table.tableBase)
        return species::SpeciesError{species::SpeciesFailure::RomChanged};
    // The record as the file holds it now must be the one the test's load read.
    species::RomDocument document(romPath, guard.rom);
    auto now = document.load(index, species::partsOf<species::SpeciesRecordsPart>());
    if (!now)
        return now.error();
    if (now->record.record != guard.loaded)
        return species::SpeciesError{species::SpeciesFailure::RomChanged};
    if (auto saved = document.save(index, species::SpeciesChanges{values, format, moreData, std::nullopt, std::nullopt});
        !saved)
        return saved.error();
    return *document.part<species::SpeciesRecordsPart>().recordRead(index);
}

} // namespace quillmark::test
