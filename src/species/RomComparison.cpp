#include "species/RomComparison.h"

#include "platform/FileServices.h"
#include "rom/ImageComparison.h"
#include "rom/NitroFs.h"
#include "species/LookupLists.h"
#include "species/RecordCodec.h"
#include "species/SheetTexts.h"
#include "species/SpeciesMessages.h"

#include <algorithm>

namespace quillmark::species {

namespace {

// What one list loses and gains, entries matched one for one whatever their order:
// the removed in the old order, the added in the new; nothing either way and yet
// another list: the same entries in another order.
template <typename Entry, typename Text>
void compareLists(const std::vector<Entry>& was, const std::vector<Entry>& now, Text text, const RomChange& base,
                  std::vector<RomChange>& changes)
{
    if (was == now)
        return;
    // The entries of `list` that `other` does not match one for one, in list's order.
    auto unmatchedIn = [](const std::vector<Entry>& list, std::vector<Entry> other) {
        std::vector<Entry> left;
        for (const auto& entry : list) {
            if (const auto found = std::find(other.begin(), other.end(), entry); found != other.end())
                other.erase(found);
            else
                left.push_back(entry);
        }
        return left;
    };
    const auto removed = unmatchedIn(was, now), added = unmatchedIn(now, was);
    for (const auto& entry : removed)
        changes.push_back({base.index, base.dex, base.name, base.part, "move", text(entry), ""});
    for (const auto& entry : added)
        changes.push_back({base.index, base.dex, base.name, base.part, "move", "", text(entry)});
    if (removed.empty() && added.empty()) {
        auto joined = [&](const std::vector<Entry>& list) {
            std::string all;
            for (const auto& entry : list)
                all += (all.empty() ? "" : ", ") + text(entry);
            return all;
        };
        changes.push_back({base.index, base.dex, base.name, base.part, "order", joined(was), joined(now)});
    }
}

std::string slotText(const EvolutionSlot& slot, rom::Game game, const Vocabulary& words)
{
    if (slot.method == 0 && slot.parameter == 0 && slot.target == 0)
        return "None";
    std::string text = methodText(slot.method);
    if (const auto parameter = parameterText(slot, game, words); !parameter.empty())
        text += " / " + parameter;
    return text + " / " + memberText(slot.target, words);
}

// Every table a comparison covers, read through the document; nothing for a table
// that cannot be read (and no tutors for Diamond and Pearl).
struct Tables {
    const std::vector<RecordBytes>* records = nullptr;
    const MoveArchives* evolutions = nullptr;  // the level-up lists too where `levelUp`
    bool levelUp = false;
    const EggMoveTableFile* eggs = nullptr;
    const MoveTutorTables* tutors = nullptr;
};

std::string reasonOf(const SpeciesError& error)
{
    if (!error.detail.empty())
        return error.detail;
    if (error.fileError)
        return std::string(platform::errorDescription(*error.fileError));
    return userMessage(error, SpeciesOperation::Load);
}

// The tables of one document; those it cannot read are added to `uncompared`.
Result<Tables, SpeciesError> tablesOf(RomDocument& document, std::vector<UncomparedTable>& uncompared)
{
    if (auto read = document.readEach(); !read)
        return read.error();
    const auto& name = document.path();
    auto readable = [&](const DocumentPart& part, std::initializer_list<const char*> names) {
        if (!part.readError())
            return true;
        for (const char* what : names)
            uncompared.push_back(UncomparedTable{what, name + ": " + reasonOf(*part.readError())});
        return false;
    };
    Tables tables;
    if (const auto& part = document.part<SpeciesRecordsPart>(); readable(part, {"species"}))
        tables.records = part.value();
    if (const auto& part = document.part<MoveArchivesPart>(); readable(part, {"learnset", "evolutions"})) {
        tables.evolutions = part.value();
        if (auto levelUp = tables.evolutions->levelUpReadable(); levelUp)
            tables.levelUp = true;
        else
            uncompared.push_back(UncomparedTable{"learnset", name + ": " + reasonOf(levelUp.error())});
    }
    if (const auto& part = document.part<EggMovesPart>(); readable(part, {"eggmoves"}))
        tables.eggs = part.value();
    if (const auto& part = document.part<TutorMovesPart>(); readable(part, {"tutors"}))
        tables.tutors = part.value();
    return tables;
}

// The parts whose bytes the species, move, egg and tutor comparisons cover: left out
// of the comparison of the image's other parts. A table read in neither ROM or only in
// one is compared as the file it lies in.
rom::ComparedElsewhere comparedElsewhere(const RomDocument& document, const Tables& tables, platform::OpenFile& file,
                                         const rom::NitroFs& fs)
{
    rom::ComparedElsewhere skipped;
    if (tables.records && !document.fingerprint().table.narcPath.empty())
        skipped[document.fingerprint().table.narcPath] = {};
    const auto paths = moveArchivePaths(document.fingerprint().gameCode);
    if (tables.levelUp)
        skipped[std::string(paths.levelUp)] = {};
    if (tables.evolutions)
        skipped[std::string(paths.evolutions)] = {};
    const auto parts = rom::imageParts(file, fs);
    auto within = [&](const std::string& where, std::int64_t offset, std::int64_t size) {
        const auto part = parts.find(where);
        if (part == parts.end() || where.find('/') != std::string::npos) {
            skipped[where] = {};
            return;
        }
        skipped[where].push_back({offset - part->second.start, offset - part->second.start + size});
    };
    if (tables.eggs)
        within(tables.eggs->where, tables.eggs->offset, static_cast<std::int64_t>(tables.eggs->table.words.size() * 2));
    if (tables.tutors)
        within(tables.tutors->where, tables.tutors->compatibilityOffset,
               static_cast<std::int64_t>(tables.tutors->compatibility.bytes.size()));
    return skipped;
}

// A table compared only where both ROMs read it: the other's reading forgotten.
void keepOnlyCommon(Tables& a, Tables& b)
{
    auto both = [](auto*& x, auto*& y) {
        if (!x || !y)
            x = y = nullptr;
    };
    both(a.records, b.records);
    both(a.evolutions, b.evolutions);
    both(a.eggs, b.eggs);
    both(a.tutors, b.tutors);
    a.levelUp = b.levelUp = a.levelUp && b.levelUp && a.evolutions;
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

// The record's fields, machines one by one.
void compareFields(const RecordBytes& a, const RecordBytes& b, rom::Game game, const RomChange& base,
                   std::vector<RomChange>& changes)
{
    auto add = [&](std::string field, std::string was, std::string now) {
        changes.push_back({base.index, base.dex, base.name, "species", std::move(field), std::move(was), std::move(now)});
    };
    for (const auto& column : recordColumns()) {
        if (column.kind == ColumnKind::Machines) {
            const auto had = machinesOf(a), has = machinesOf(b);
            for (const int bit : had) {
                if (std::find(has.begin(), has.end(), bit) == has.end())
                    add("machines", machineName(bit), "");
            }
            for (const int bit : has) {
                if (std::find(had.begin(), had.end(), bit) == had.end())
                    add("machines", "", machineName(bit));
            }
        } else if (codeOf(column, a) != codeOf(column, b)) {
            add(std::string(column.name), cellText(column, a, game), cellText(column, b, game));
        }
    }
}

// The level-up list and the evolution slots of one record's member.
void compareMoves(const Tables& was, const Tables& now, rom::Game game, const Vocabulary& words, RomChange base,
                  std::vector<RomChange>& changes)
{
    if (!was.evolutions)
        return;
    const auto member = static_cast<std::size_t>(memberOfRecord(base.index));
    const auto& before = *was.evolutions;
    const auto& after = *now.evolutions;
    if (was.levelUp && member < before.levelUpMoves.size() && member < after.levelUpMoves.size()) {
        base.part = "learnset";
        compareLists(before.levelUpMoves[member], after.levelUpMoves[member],
                     [](const LevelUpMove& entry) { return std::to_string(entry.level) + " " + moveText(entry.move); },
                     base, changes);
    }
    if (member < before.evolutions.size() && member < after.evolutions.size()) {
        const auto& slotsWere = before.evolutions[member];
        const auto& slotsAre = after.evolutions[member];
        for (std::size_t slot = 0; slot < slotsWere.size(); ++slot) {
            if (slotsWere[slot] != slotsAre[slot])
                changes.push_back({base.index, base.dex, base.name, "evolutions", "slot " + std::to_string(slot + 1),
                                   slotText(slotsWere[slot], game, words), slotText(slotsAre[slot], game, words)});
        }
    }
}

// Egg moves (species only) and tutor moves (the records tutors teach).
void compareTeaching(const Tables& was, const Tables& now, RomChange base, std::vector<RomChange>& changes)
{
    const int index = base.index;
    if (was.eggs && index < kSpeciesCount) {
        base.part = "eggmoves";
        auto listOf = [&](const EggMoveTableFile& file) {
            const auto found = file.table.moves.find(dexOfSpecies(index));
            return found == file.table.moves.end() ? std::vector<int>{} : found->second;
        };
        compareLists(listOf(*was.eggs), listOf(*now.eggs), [](int move) { return moveText(move); }, base, changes);
    }
    const auto record = tutorRecordOf(index);
    if (!record || !was.tutors || !now.tutors)
        return;
    const auto had = was.tutors->compatibility.movesOf(*record);
    const auto has = now.tutors->compatibility.movesOf(*record);
    for (int move = 0; move < static_cast<int>(was.tutors->moves.size()); ++move) {
        const bool learnt = std::find(had.begin(), had.end(), move) != had.end();
        const bool learns = std::find(has.begin(), has.end(), move) != has.end();
        if (learnt != learns)
            changes.push_back({index, base.dex, base.name, "tutors",
                               moveText(was.tutors->moves[static_cast<std::size_t>(move)].move), learnt ? "x" : "",
                               learns ? "x" : ""});
    }
}

// Every other part of the two images whose bytes differ, the tables compared aside.
Result<Done, SpeciesError> compareFiles(RomDocument& before, RomDocument& after, const Tables& was, const Tables& now,
                                        std::vector<RomChange>& changes)
{
    auto fileSystems = fileSystemsOf(before, after);
    if (!fileSystems)
        return fileSystems.error();
    const auto& fsBefore = *fileSystems->first;
    const auto& fsAfter = *fileSystems->second;
    auto& fileBefore = *before.heldFile();
    auto& fileAfter = *after.heldFile();
    auto parts = rom::differingParts(fileBefore, fsBefore, comparedElsewhere(before, was, fileBefore, fsBefore),
                                     fileAfter, fsAfter, comparedElsewhere(after, now, fileAfter, fsAfter));
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
    RomComparison comparison;
    auto tablesBefore = tablesOf(before, comparison.uncompared);
    if (!tablesBefore)
        return tablesBefore.error();
    auto tablesAfter = tablesOf(after, comparison.uncompared);
    if (!tablesAfter)
        return tablesAfter.error();
    keepOnlyCommon(*tablesBefore, *tablesAfter);
    const auto game = before.game();
    const auto records = tablesBefore->records
                             ? static_cast<int>(std::min(tablesBefore->records->size(), tablesAfter->records->size()))
                             : 0;
    // Every record of the game, whichever tables could be read: each table says for
    // itself which records it has.
    for (int index = 0; index < std::max(records, recordCountOf(game)); ++index) {
        RomChange base{index, std::nullopt, after.vocabulary().recordName(index), "species", "", "", ""};
        if (const auto species = baseSpeciesOf(index))
            base.dex = dexOfSpecies(*species);
        if (index < records)
            compareFields((*tablesBefore->records)[static_cast<std::size_t>(index)],
                          (*tablesAfter->records)[static_cast<std::size_t>(index)], game, base, comparison.changes);
        compareMoves(*tablesBefore, *tablesAfter, game, after.vocabulary(), base, comparison.changes);
        compareTeaching(*tablesBefore, *tablesAfter, base, comparison.changes);
    }
    if (auto files = compareFiles(before, after, *tablesBefore, *tablesAfter, comparison.changes); !files)
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

std::string partWords(const std::string& part)
{
    if (part == "eggmoves")
        return "egg moves";
    if (part == "tutors")
        return "tutor moves";
    if (part == "species")
        return "species records";
    return part;
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
        std::string what = change.field;
        if (change.part == "learnset")
            what = change.field == "order" ? "learnset order" : "learnset";
        else if (change.part == "evolutions")
            what = "evolution " + change.field;
        else if (change.part == "eggmoves")
            what = change.field == "order" ? "egg move order" : "egg moves";
        else if (change.part == "tutors")
            what = "tutor " + change.field;
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
