#include "cli/CliRom.h"

#include "cli/CliErrors.h"
#include "species/LookupLists.h"
#include "species/SpeciesEditor.h"
#include "species/SpeciesMessages.h"
#include "species/SpeciesTableFile.h"
#include "species/Suggestions.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace quillmark::cli {

std::string unsupportedRomMessage(std::string_view gameCode)
{
    return std::string(species::kUnsupportedRom) + ": " + species::unsupportedRomReason(gameCode);
}

void failToOpen(const std::string& path, const species::OpenRefusal& refusal, species::SpeciesOperation operation,
                bool namePath)
{
    const std::string named = namePath ? path + ": " : "";
    switch (refusal.kind) {
    case species::OpenRefusal::CannotOpen:
        fail(BadRom, path + ": " + std::string(platform::errorDescription(*refusal.fileError)));
    case species::OpenRefusal::TooShort:
        fail(BadRom, named + std::string(species::kUnsupportedRom) + ": " + std::string(species::kTooShortForARom));
    case species::OpenRefusal::Unsupported:
        fail(BadRom, named + unsupportedRomMessage(refusal.gameCode));
    case species::OpenRefusal::NoTable:
        break;
    }
    fail(BadRom, named + species::userMessage(*refusal.tableError, operation));
}

CliRom openCliRom(const std::string& path, Access access)
{
    CliRom rom;
    rom.path = path;
    auto opened = species::RomDocument::open(path, access == Access::Write ? species::DocumentAccess::HeldForWriting
                                                                           : species::DocumentAccess::HeldForReading);
    if (!opened) {
        const auto& refusal = opened.error();
        // A file that reads but does not open for writing is read-only: say so, and how
        // to change it, rather than call it unreadable.
        if (refusal.kind == species::OpenRefusal::CannotOpen && access == Access::Write &&
            refusal.fileError == platform::FileError::PermissionDenied &&
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
        failToOpen(path, refusal, access == Access::Write ? species::SpeciesOperation::Save
                                                          : species::SpeciesOperation::Load);
    }
    rom.document.emplace(std::move(*opened));
    auto records = rom.document->read<species::SpeciesRecordsPart>();
    if (!records)
        fail(BadRom, species::userMessage(records.error(), species::SpeciesOperation::Load));
    return rom;
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

int speciesIndex(const species::Vocabulary& words, std::string_view text, int count)
{
    if (const auto index = findSpecies(words, text, count))
        return *index;
    fail(BadInput, "no species has the index or name " + species::quoteCell(text) +
                       nearestSpecies(words, text, count) + " (list indices are 0 to " +
                       std::to_string(count - 1) +
                       ": Bulbasaur is 0, Garchomp 444; dex:445 is Garchomp by its National Dex "
                       "number; quillmark-cli list species)");
}


} // namespace quillmark::cli
