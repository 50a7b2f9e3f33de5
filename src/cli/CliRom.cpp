#include "cli/CliRom.h"

#include "cli/CliErrors.h"
#include "species/LookupLists.h"
#include "species/SpeciesEditor.h"
#include "species/SpeciesMessages.h"
#include "species/SpeciesTableFile.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace quillmark::cli {

std::string unsupportedRomMessage(std::string_view gameCode)
{
    return std::string(species::kUnsupportedRom) + ": " + species::unsupportedRomReason(gameCode);
}

CliRom openCliRom(const std::string& path, Access access)
{
    CliRom rom;
    rom.path = path;
    auto file = platform::fileServices().open(
        path, access == Access::Write ? platform::FileAccess::ReadWrite : platform::FileAccess::Read);
    // A file that reads but does not open for writing is read-only: say so, and how
    // to change it, rather than call it unreadable.
    if (!file && access == Access::Write && file.error() == platform::FileError::PermissionDenied &&
        platform::fileServices().open(path, platform::FileAccess::Read)) {
        if (const auto owner = platform::ownerOtherThanUser(path))
            fail(BadRom, path + " belongs to another user (" + *owner +
                             "), and only that user or an administrator may make it writable, so "
                             "nothing was written. Copy it into a folder of your own and edit the "
                             "copy.");
        fail(BadRom, path + " is read-only, so nothing was written. Make it writable first (on "
                            "Linux: chmod u+w, or copy it somewhere you may write; on Windows: "
                            "clear \"Read-only\" in the file's Properties), then run the command "
                            "again.");
    }
    if (!file)
        fail(BadRom, path + ": " + std::string(platform::errorDescription(file.error())));
    auto& opened = **file;
    if (access == Access::Write) {
        if (auto locked = opened.lockForWriting(species::kLockWait); !locked)
            fail(BadRom, path + ": " + std::string(platform::errorDescription(locked.error())));
    }
    auto code = rom::readGameCode(opened);
    if (!code) {
        if (code.error() == platform::FileError::PastEndOfFile)
            fail(BadRom, std::string(species::kUnsupportedRom) + ": " + std::string(species::kTooShortForARom));
        fail(BadRom, path + ": " + std::string(platform::errorDescription(code.error())));
    }
    rom.gameCode = *code;
    rom.edition = rom::findEdition(*code);
    if (!rom.edition)
        fail(BadRom, unsupportedRomMessage(*code));
    auto table = species::locateSpeciesTable(opened, *code);
    if (!table) {
        fail(BadRom, species::userMessage(table.error(), access == Access::Write
                                                             ? species::SpeciesOperation::Save
                                                             : species::SpeciesOperation::Load));
    }
    rom.table = *table;
    rom.document.emplace(path, species::RomFingerprint{*code, *table}, std::move(*file));
    auto records = rom.document->readRecords();
    if (!records)
        fail(BadRom, species::userMessage(records.error(), species::SpeciesOperation::Load));
    rom.records = **records;
    return rom;
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::optional<int> speciesByDex(std::string_view text)
{
    if (lowered(text.substr(0, 4)) != "dex:")
        return std::nullopt;
    const auto number = species::parseWholeNumber(text.substr(4), species::kSpeciesCount);
    if (!number || *number == 0)
        return std::nullopt;
    return static_cast<int>(*number) - 1;
}

std::optional<int> findSpecies(std::string_view text, int count)
{
    if (const auto index = species::parseWholeNumber(text, static_cast<unsigned>(count - 1)))
        return static_cast<int>(*index);
    if (const auto index = speciesByDex(text))
        return index;
    return species::findRecordByName(text, count);
}

std::string nearestSpecies(std::string_view text, int count)
{
    return species::nearestPhrase(species::nearestRecordNames(text, count));
}

int speciesIndex(std::string_view text, int count)
{
    if (const auto index = findSpecies(text, count))
        return *index;
    fail(BadInput, "no species has the index or name " + species::quoteCell(text) +
                       nearestSpecies(text, count) + " (list indices are 0 to " +
                       std::to_string(count - 1) +
                       ": Bulbasaur is 0, Garchomp 444; dex:445 is Garchomp by its National Dex "
                       "number; quillmark-cli list species)");
}

std::string speciesLabel(int index) { return species::recordLabel(index); }

} // namespace quillmark::cli
