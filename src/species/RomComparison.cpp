#include "species/RomComparison.h"

#include "platform/FileServices.h"
#include "rom/ImageComparison.h"
#include "rom/NitroFs.h"
#include "species/LookupLists.h"
#include "species/RecordCodec.h"
#include "species/SheetTexts.h"
#include "species/SpeciesMessages.h"
#include "species/TableSheet.h"

#include <algorithm>

namespace quillmark::species {

namespace {

std::string reasonOf(const SpeciesError& error)
{
    if (!error.detail.empty())
        return error.detail;
    if (error.fileError)
        return std::string(platform::errorDescription(*error.fileError));
    return userMessage(error, SpeciesOperation::Load);
}

// The parts read in both documents (and that both games have); those that either cannot
// read are added to `uncompared`, naming the ROM and why.
std::vector<bool> comparableParts(RomDocument& before, RomDocument& after, std::vector<UncomparedTable>& uncompared)
{
    for (auto* document : {&before, &after}) {
        forEachPart(document->parts(), [&](const DocumentPart& part) {
            if (part.readError()) {
                for (const auto& name : part.comparedParts())
                    uncompared.push_back({name, document->path() + ": " + reasonOf(*part.readError())});
            } else {
                part.notComparable(document->path(), uncompared);
            }
        });
    }
    std::vector<bool> both;
    forEachPartPair(before.parts(), after.parts(), [&](const DocumentPart& a, const DocumentPart& b) {
        both.push_back(!a.readError() && !b.readError() && a.holdsTable() && b.holdsTable());
    });
    return both;
}

// The bytes the parts compared in both cover in `document`'s image: left out of the
// comparison of its files. A table read in neither ROM or only in one is compared as
// the file it lies in.
rom::ComparedElsewhere comparedElsewhere(const RomDocument& document, const RomDocument& other,
                                         const std::vector<bool>& both, platform::OpenFile& file,
                                         const rom::NitroFs& fs)
{
    std::vector<ComparedBytes> covered;
    std::size_t i = 0;
    forEachPartPair(document.parts(), other.parts(), [&](const DocumentPart& part, const DocumentPart& otherPart) {
        if (both[i++])
            part.comparedBytes(otherPart, covered);
    });
    rom::ComparedElsewhere skipped;
    const auto parts = rom::imageParts(file, fs);
    for (const auto& bytes : covered) {
        const auto part = parts.find(bytes.where);
        if (!bytes.offset || part == parts.end() || bytes.where.find('/') != std::string::npos) {
            skipped[bytes.where] = {};
            continue;
        }
        const auto start = *bytes.offset - part->second.start;
        skipped[bytes.where].push_back({start, start + bytes.size});
    }
    return skipped;
}

// Both held files' file systems, as their opens read them.
Result<std::pair<const rom::NitroFs*, const rom::NitroFs*>, SpeciesError> fileSystemsOf(RomDocument& before,
                                                                                          RomDocument& after)
{
    auto fsBefore = before.heldFileSystem();
    if (!fsBefore)
        return fsBefore.error();
    auto fsAfter = after.heldFileSystem();
    if (!fsAfter)
        return fsAfter.error();
    return std::pair{*fsBefore, *fsAfter};
}

// Every other part of the two images whose bytes differ, the tables compared aside.
Result<Done, SpeciesError> compareFiles(RomDocument& before, RomDocument& after, const std::vector<bool>& both,
                                        std::vector<RomChange>& changes)
{
    auto fileSystems = fileSystemsOf(before, after);
    if (!fileSystems)
        return fileSystems.error();
    const auto& fsBefore = *fileSystems->first;
    const auto& fsAfter = *fileSystems->second;
    auto& fileBefore = *before.heldFile();
    auto& fileAfter = *after.heldFile();
    auto parts = rom::differingParts(fileBefore, fsBefore, comparedElsewhere(before, after, both, fileBefore, fsBefore),
                                     fileAfter, fsAfter, comparedElsewhere(after, before, both, fileAfter, fsAfter));
    if (!parts)
        return SpeciesError{SpeciesFailure::FileUnavailable, parts.error()};
    for (const auto& part : *parts) {
        auto size = [](std::int64_t bytes) { return bytes < 0 ? std::string() : std::to_string(bytes); };
        changes.push_back({-1, std::nullopt, "", "file", part.name, size(part.sizeBefore), size(part.sizeAfter)});
    }
    return Done{};
}

} // namespace

Result<RomDocument, SpeciesError> openRomToCompare(const std::string& path)
{
    auto opened = RomDocument::open(path, DocumentAccess::HeldForReading);
    if (opened)
        return std::move(*opened);
    const auto& refusal = opened.error();
    switch (refusal.kind) {
    case OpenRefusal::CannotOpen:
        return SpeciesError{SpeciesFailure::FileUnavailable, refusal.fileError};
    case OpenRefusal::TooShort:
        return SpeciesError{SpeciesFailure::UnsupportedRom, std::nullopt, 0, std::string(kTooShortForARom)};
    case OpenRefusal::Unsupported:
        return SpeciesError{SpeciesFailure::UnsupportedRom, std::nullopt, 0, unsupportedRomReason(refusal.gameCode)};
    case OpenRefusal::NoTable:
        break;
    }
    return *refusal.tableError;
}

Result<RomComparison, SpeciesError> compareRoms(RomDocument& before, RomDocument& after)
{
    if (before.fingerprint().gameCode != after.fingerprint().gameCode)
        return SpeciesError{SpeciesFailure::UnsupportedRom, std::nullopt, 0,
                            before.path() + " is " + std::string(before.edition().title) + " (" +
                                before.fingerprint().gameCode + ") and " + after.path() + " is " +
                                std::string(after.edition().title) + " (" + after.fingerprint().gameCode +
                                "): only ROMs of one game can be compared"};
    for (auto* document : {&before, &after}) {
        if (auto read = document->readEach(); !read)
            return read.error();
    }
    RomComparison comparison;
    const auto both = comparableParts(before, after, comparison.uncompared);
    const auto game = before.game();
    const int records = std::min(before.fingerprint().table.recordCount, after.fingerprint().table.recordCount);
    // Every record of the game, whichever tables could be read: each part says for
    // itself which records it has.
    for (int index = 0; index < std::max(records, recordCountOf(game)); ++index) {
        RecordToCompare record{{index, std::nullopt, after.vocabulary().recordName(index), "species", "", "", ""},
                               after.vocabulary(), game};
        if (const auto species = baseSpeciesOf(index))
            record.base.dex = dexOfSpecies(*species);
        std::size_t i = 0;
        forEachPartPair(before.parts(), after.parts(), [&](const DocumentPart& was, const DocumentPart& now) {
            if (both[i++])
                now.compareRecord(was, record, comparison.changes);
        });
    }
    if (auto files = compareFiles(before, after, both, comparison.changes); !files)
        return files.error();
    return comparison;
}

Result<std::vector<std::uint8_t>, SpeciesError> patchBetween(RomDocument& before, RomDocument& after)
{
    auto fileSystems = fileSystemsOf(before, after);
    if (!fileSystems)
        return fileSystems.error();
    auto& fileBefore = *before.heldFile();
    auto& fileAfter = *after.heldFile();
    auto patch = rom::makeBpsPatch(fileBefore, fileAfter,
                                   rom::movedParts(fileBefore, *fileSystems->first, fileAfter, *fileSystems->second));
    if (!patch)
        return SpeciesError{SpeciesFailure::FileUnavailable, patch.error()};
    return std::move(*patch);
}

Result<bool, SpeciesError> stillAsPatched(const std::string& beforePath, const std::string& afterPath,
                                          std::span<const std::uint8_t> patch)
{
    const auto sums = rom::bpsFileSums(patch);
    if (!sums)
        return false;
    for (const auto& [path, crc] : {std::pair{beforePath, sums->first}, std::pair{afterPath, sums->second}}) {
        auto file = platform::fileServices().open(path, platform::FileAccess::Read);
        if (!file)
            return SpeciesError{SpeciesFailure::FileUnavailable, file.error()};
        auto now = rom::crc32OfFile(**file);
        if (!now)
            return SpeciesError{SpeciesFailure::FileUnavailable, now.error()};
        if (*now != crc)
            return false;
    }
    return true;
}

std::vector<std::vector<std::string>> comparisonRows(const std::vector<RomChange>& changes)
{
    std::vector<std::vector<std::string>> rows = {{"index", "dex", "name", "part", "field", "before", "after"}};
    for (const auto& change : changes)
        rows.push_back({change.index < 0 ? "" : std::to_string(change.index), change.dex ? std::to_string(*change.dex) : "",
                        change.name, change.part, change.field, change.before, change.after});
    return rows;
}

const TableSheet* sheetOfPart(const std::string& part)
{
    for (const auto* sheet : tableSheets()) {
        if (sheet->name() == part)
            return sheet;
    }
    return nullptr;
}

std::string partWords(const std::string& part)
{
    if (const auto* sheet = sheetOfPart(part))
        return std::string(sheet->words());
    return part == "species" ? "species records" : part;
}

std::string uncomparedText(const std::vector<UncomparedTable>& uncompared)
{
    std::string text;
    for (const auto& table : uncompared)
        text += "Not compared: " + partWords(table.part) + ", " + table.why + ".\n";
    return text;
}

std::string comparisonText(const RomComparison& comparison)
{
    auto shown = [](const std::string& text) { return text.empty() ? std::string("(none)") : text; };
    std::string text, files;
    int lastIndex = -1;
    for (const auto& change : comparison.changes) {
        if (change.part == "file") {
            files += "  " + change.field + ": " + shown(change.before) + " -> " + shown(change.after) + " bytes\n";
            continue;
        }
        if (change.index != lastIndex) {
            text += change.name + " (" + std::to_string(change.index) + "):\n";
            lastIndex = change.index;
        }
        const auto* sheet = sheetOfPart(change.part);
        const auto what = sheet ? sheet->changeWords(change) : change.field;
        text += "  " + what + ": " + shown(change.before) + " -> " + shown(change.after) + "\n";
    }
    // Without every table, "no differences" is only said of those compared.
    if (text.empty())
        text = comparison.uncompared.empty() ? "No differences in the species data.\n"
                                             : "No differences in the tables compared.\n";
    if (!files.empty())
        text += "Other files that differ:\n" + files;
    return text + uncomparedText(comparison.uncompared);
}

} // namespace quillmark::species
