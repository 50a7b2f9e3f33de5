#include "species/MoveArchivesPart.h"

#include "species/DocumentParts.h"
#include "species/ListChanges.h"
#include "species/LookupLists.h"
#include "species/MoveNames.h"
#include "species/RecordCodec.h"
#include "species/RomDocument.h"
#include "species/SheetCells.h"
#include "species/SheetTexts.h"
#include "species/SpeciesOfRow.h"
#include "species/TableSheet.h"

#include <map>
#include <set>

namespace quillmark::species {

Result<Done, SpeciesError> MoveArchivesPart::readTable(PartSource& source)
{
    m_game = source.game();
    m_words = source.words();
    auto fs = source.fileSystem();
    if (!fs)
        return fs.error();
    auto layout = source.layout();
    if (!layout)
        return layout.error();
    auto read = readMoveArchives(source.file(), **fs, **layout, source.rom().gameCode, *m_words);
    if (!read)
        return read.error();
    m_archives = std::move(*read);
    return Done{};
}

Result<bool, SpeciesError> MoveArchivesPart::load(PartSource& source, int listIndex, SpeciesLoad& load)
{
    (void)read(source);
    showSpecies(listIndex, load);
    return load.moves && *load.moves;
}

void MoveArchivesPart::showSpecies(int listIndex, SpeciesLoad& load) const
{
    if (!m_archives) {
        load.moves = readError().value_or(SpeciesError{SpeciesFailure::RomChanged});
        return;
    }
    const auto member = static_cast<std::size_t>(memberOfRecord(listIndex));
    if (member >= m_archives->levelUpMoves.size() || member >= m_archives->evolutions.size()) {
        load.moves = tableNotFound("its level-up and evolution archives hold nothing for " + m_words->recordLabel(listIndex));
        return;
    }
    SpeciesMoves moves{m_archives->levelUpMoves[member], m_archives->evolutions[member], m_archives->growthRoom(),
                       std::nullopt};
    if (auto readable = m_archives->levelUpReadable(); !readable)
        moves.levelUpDamage = readable.error();
    load.moves = std::move(moves);
}

void MoveArchivesPart::takeSpeciesEdits(int listIndex, const SpeciesChanges& changes, DocumentEdits& edits) const
{
    if (!m_archives)
        return;
    const int member = memberOfRecord(listIndex);
    const auto k = static_cast<std::size_t>(member);
    if (changes.levelUp && k < m_archives->levelUpMoves.size() && *changes.levelUp != m_archives->levelUpMoves[k])
        edits.moves.levelUp[member] = *changes.levelUp;
    if (changes.evolutions && k < m_archives->evolutions.size() && *changes.evolutions != m_archives->evolutions[k])
        edits.moves.evolutions[member] = *changes.evolutions;
}

Result<Done, SpeciesError> MoveArchivesPart::plan(const DocumentEdits& edits, WritePlan& plan) const
{
    if (edits.moves.empty())
        return Done{};
    if (!m_archives)
        return SpeciesError{SpeciesFailure::RomChanged};
    const auto& read = *m_archives;
    auto archive = editedLevelUpArchive(read, edits.moves, m_game, *m_words);
    if (!archive)
        return archive.error();
    // Only what differs is written: an edit equal to what was read leaves its bytes.
    WriteStep step;
    for (const auto& [member, slots] : edits.moves.evolutions) {
        const auto k = static_cast<std::size_t>(member);
        if (slots == read.evolutions[k])
            continue;
        const auto bytes = encodeEvolutionSlots(slots);
        for (auto& run : rom::differingRuns(read.evolutionMembers[k], read.evolutionArchive.memberBytes(member), bytes))
            step.runs.push_back(std::move(run));
    }
    if (archive->bytes != read.levelUpArchive.bytes || archive->placement.usedSize)
        step.rewrite = FileRewrite{"the level-up archive", read.levelUp(), read.levelUpArchive.bytes, read.levelUpFatEntry(),
                                   std::move(archive->bytes), std::move(archive->placement)};
    if (!step.rewrite && step.runs.empty())
        return Done{};
    // Both archives, and all that decided how far the level-up one may grow: another
    // program that moved a file into its room, or a table of the header, moved the end.
    step.owner = this;
    step.expected = {{read.levelUp().start, read.levelUpArchive.bytes}, {read.evolution().start, read.evolutionArchive.bytes}};
    step.layout = &read.layout;
    step.progressFrom = kFieldCount;
    plan.steps.push_back(std::move(step));
    return Done{};
}

namespace {

std::string slotText(const EvolutionSlot& slot, rom::Game game, const Vocabulary& words)
{
    if (slot.method == 0 && slot.parameter == 0 && slot.target == 0)
        return "None";
    std::string text = methodText(slot.method);
    if (const auto parameter = parameterText(slot, game, words); !parameter.empty())
        text += " / " + parameter;
    return text + " / " + memberText(slot.target, words);
}

} // namespace

std::vector<std::string> MoveArchivesPart::comparedParts() const { return {"learnset", "evolutions"}; }

bool MoveArchivesPart::holdsTable() const { return m_archives.has_value(); }

void MoveArchivesPart::notComparable(const std::string& path, std::vector<UncomparedTable>& uncompared) const
{
    // The evolutions are compared all the same.
    if (m_archives && m_archives->levelUpDamage)
        uncompared.push_back({"learnset", path + ": " + *m_archives->levelUpDamage});
}

void MoveArchivesPart::compareRecord(const DocumentPart& before, const RecordToCompare& record,
                                     std::vector<RomChange>& changes) const
{
    const auto& was = *static_cast<const MoveArchivesPart&>(before).m_archives;
    const auto& now = *m_archives;
    const auto member = static_cast<std::size_t>(memberOfRecord(record.base.index));
    auto base = record.base;
    if (!was.levelUpDamage && !now.levelUpDamage && member < was.levelUpMoves.size() &&
        member < now.levelUpMoves.size()) {
        base.part = "learnset";
        compareLists(was.levelUpMoves[member], now.levelUpMoves[member],
                     [](const LevelUpMove& entry) { return std::to_string(entry.level) + " " + moveText(entry.move); },
                     base, changes);
    }
    if (member >= was.evolutions.size() || member >= now.evolutions.size())
        return;
    const auto& slotsWere = was.evolutions[member];
    const auto& slotsAre = now.evolutions[member];
    for (std::size_t slot = 0; slot < slotsWere.size(); ++slot) {
        if (slotsWere[slot] != slotsAre[slot])
            changes.push_back({base.index, base.dex, base.name, "evolutions", "slot " + std::to_string(slot + 1),
                               slotText(slotsWere[slot], record.game, record.words),
                               slotText(slotsAre[slot], record.game, record.words)});
    }
}

void MoveArchivesPart::comparedBytes(const DocumentPart& before, std::vector<ComparedBytes>& bytes) const
{
    // The level-up archive only where both lists were compared: else it is a file like
    // any other.
    const auto& other = static_cast<const MoveArchivesPart&>(before).m_archives;
    if (!m_archives->levelUpDamage && !other->levelUpDamage)
        bytes.push_back({m_archives->levelUpPath()});
    bytes.push_back({m_archives->evolutionPath()});
}

// Its sheet: how the command line writes, reads and names it.
namespace {

const std::vector<std::string> kLevelUpColumns = {"index", "dex", "name", "entry", "level", "move"};
const std::vector<std::string> kEvolutionColumns = {"index", "dex", "name", "slot", "method", "parameter", "target"};

const MoveArchives& archivesOf(const RomDocument& document) { return *document.part<MoveArchivesPart>().value(); }

// Both sheets are read from the archives, each list of a record in the record's row
// order: the sheet's k-th row of a species stands for its k-th stored entry.
class MovesReader : public SheetReader {
public:
    MovesReader(const RomDocument& document, SheetErrors& errors, const std::vector<std::string>& names,
                std::string rows)
        : m_stored(archivesOf(document)), m_words(document.vocabulary()), m_game(document.game()),
          m_records(static_cast<int>(document.fingerprint().table.recordCount)), m_errors(errors),
          m_columns(moveSheetColumns(names, std::move(rows)))
    {
    }
    const SheetColumns& columns() const override { return m_columns; }
    const DocumentEdits& edits() const override { return m_edits; }
    std::vector<std::string> changes() const override;

protected:
    // The row's record and member, or nothing (the problem said).
    std::optional<int> memberOf(const SheetRow& row)
    {
        const auto index = speciesOfRow(m_words, row, m_records, m_errors);
        return index ? std::optional(memberOfRecord(*index)) : std::nullopt;
    }
    const Cell* need(const SheetRow& row, const char* column)
    {
        const auto* cell = row.cell(column);
        if (!cell)
            m_errors.add(row.where(), "has no " + std::string(column));
        return cell;
    }

    const MoveArchives& m_stored;
    const Vocabulary& m_words;
    rom::Game m_game;
    int m_records;
    SheetErrors& m_errors;
    SheetColumns m_columns;
    DocumentEdits m_edits;
};

std::string slotChangeText(const EvolutionSlot& slot, rom::Game game, const Vocabulary& words)
{
    if (slot == EvolutionSlot{})
        return "(none)";
    const auto parameter = parameterText(slot, game, words);
    return methodText(slot.method) + (parameter.empty() ? "" : " " + parameter) + " -> " + memberText(slot.target, words);
}

std::vector<std::string> MovesReader::changes() const
{
    std::vector<std::string> lines;
    auto entryText = [](const LevelUpMove& m) { return moveText(m.move) + " at " + std::to_string(m.level); };
    for (const auto& [member, moves] : m_edits.moves.levelUp) {
        const auto& was = m_stored.levelUpMoves[static_cast<std::size_t>(member)];
        if (moves == was)
            continue;
        const auto text = listChangeText(was, moves, entryText);
        lines.push_back(m_words.recordLabel(recordOfMember(member)) + ": level-up moves" +
                        (text.empty() ? " in another order" : text));
    }
    for (const auto& [member, slots] : m_edits.moves.evolutions) {
        const auto& was = m_stored.evolutions[static_cast<std::size_t>(member)];
        for (std::size_t i = 0; i < slots.size(); ++i) {
            if (slots[i] != was[i])
                lines.push_back(m_words.recordLabel(recordOfMember(member)) + ": evolution " + std::to_string(i + 1) +
                                " " + slotChangeText(slots[i], m_game, m_words) + " (was " +
                                slotChangeText(was[i], m_game, m_words) + ")");
        }
    }
    return lines;
}

class LevelUpReader final : public MovesReader {
public:
    LevelUpReader(const RomDocument& document, SheetErrors& errors)
        : MovesReader(document, errors, kLevelUpColumns, "level-up move")
    {
    }
    void row(const SheetRow& row) override;
};

void LevelUpReader::row(const SheetRow& row)
{
    const auto member = memberOf(row);
    if (!member)
        return;
    auto& list = m_edits.moves.levelUp[*member];  // present: exactly what the sheet lists
    const auto* level = need(row, "level");
    const auto* move = need(row, "move");
    if (!level || !move)
        return;
    const auto& storedList = m_stored.levelUpMoves.at(static_cast<std::size_t>(*member));
    const auto* storedEntry = list.size() < storedList.size() ? &storedList[list.size()] : nullptr;
    auto levelValue = numberIn(level->value, 1, kMaxLevel);
    if (!levelValue && storedEntry)
        levelValue = asStored(level->value, storedEntry->level, std::to_string(storedEntry->level));
    if (!levelValue)
        m_errors.add(row.where("level"),
                     quoteCell(level->value) + " is no level (1 to " + std::to_string(kMaxLevel) + ")");
    std::optional<int> moveValue =
        parseWholeNumber(move->value, 0xFFFF) ? numberIn(move->value, 1, kMoveCount - 1) : findMove(move->value);
    if (!moveValue && storedEntry)
        moveValue = asStored(move->value, storedEntry->move, moveText(storedEntry->move));
    if (!moveValue)
        m_errors.add(row.where("move"), quoteCell(move->value) + " is no move (1 to " + std::to_string(kMoveCount - 1) +
                                            ", or its name)" + nearestMoves(move->value));
    if (levelValue && moveValue)
        list.push_back({*levelValue, *moveValue});
}

class EvolutionReader final : public MovesReader {
public:
    EvolutionReader(const RomDocument& document, SheetErrors& errors)
        : MovesReader(document, errors, kEvolutionColumns, "evolution slot")
    {
    }
    void row(const SheetRow& row) override;

private:
    std::optional<int> slotOf(const SheetRow& row, const Cell& slot, int member, int index);
    std::optional<int> methodOf(const SheetRow& row, const Cell& method, const EvolutionSlot& stored);
    std::optional<int> parameterOf(const SheetRow& row, int method, const EvolutionSlot& stored);
    std::optional<int> targetOf(const SheetRow& row, const EvolutionSlot& stored);

    std::map<int, std::set<int>> m_slotsGiven;
};

std::optional<int> EvolutionReader::slotOf(const SheetRow& row, const Cell& slot, int member, int index)
{
    const auto value = numberIn(slot.value, 1, kEvolutionSlots);
    if (!value) {
        m_errors.add(row.where("slot"),
                     quoteCell(slot.value) + " is no slot (1 to " + std::to_string(kEvolutionSlots) + ")");
        return std::nullopt;
    }
    if (!m_slotsGiven[member].insert(*value).second) {
        m_errors.add(row.where("slot"), m_words.recordLabel(index) + " has slot " + slot.value + " twice");
        return std::nullopt;
    }
    return value;
}

std::optional<int> EvolutionReader::methodOf(const SheetRow& row, const Cell& method, const EvolutionSlot& stored)
{
    auto value = parseWholeNumber(method.value, 0xFFFF) ? numberIn(method.value, 0, kEvolutionMethodCount - 1)
                                                         : findEvolutionMethod(method.value);
    if (!value)
        value = asStored(method.value, stored.method, methodText(stored.method));
    if (!value)
        m_errors.add(row.where("method"),
                     quoteCell(method.value) + " is no evolution method (quillmark-cli list evolution-methods)");
    return value;
}

std::optional<int> EvolutionReader::parameterOf(const SheetRow& row, int method, const EvolutionSlot& stored)
{
    const auto* parameter = row.cell("parameter");
    const std::string cell = parameter ? parameter->value : "";
    std::optional<int> value = 0;
    if (!cell.empty() && method >= kEvolutionMethodCount) {
        value = numberIn(cell, 0, 0xFFFF);
    } else if (!cell.empty()) {
        switch (EvolutionMethods[static_cast<std::size_t>(method)].parameter) {
        case EvolutionParameter::Item: value = itemOfCell(cell, m_game); break;
        case EvolutionParameter::Move:
            value = parseWholeNumber(cell, 0xFFFF) ? numberIn(cell, 0, 0xFFFF) : findMove(cell);
            break;
        case EvolutionParameter::Species: value = memberOfCell(m_words, cell); break;
        case EvolutionParameter::None:
        case EvolutionParameter::Level:
        case EvolutionParameter::Beauty: value = numberIn(cell, 0, 0xFFFF); break;
        }
    }
    if (!value && method == stored.method)
        value = asStored(cell, stored.parameter, parameterText(stored, m_game, m_words));
    if (!value)
        m_errors.add(row.where("parameter"), quoteCell(cell) + " does not fit the method " + methodText(method));
    return value;
}

std::optional<int> EvolutionReader::targetOf(const SheetRow& row, const EvolutionSlot& stored)
{
    const auto* target = row.cell("target");
    auto value = target ? memberOfCell(m_words, target->value) : std::optional<int>(0);
    if (!value)
        value = asStored(target->value, stored.target, memberText(stored.target, m_words));
    if (!value)
        m_errors.add(row.where("target"),
                     quoteCell(target->value) + " is no species" + nearestSpecies(m_words, target->value, kSpeciesCount));
    return value;
}

void EvolutionReader::row(const SheetRow& row)
{
    const auto member = memberOf(row);
    if (!member)
        return;
    auto& slots = m_edits.moves.evolutions.try_emplace(*member).first->second;
    const auto* slot = need(row, "slot");
    const auto* method = need(row, "method");
    if (!slot || !method)
        return;
    const auto slotValue = slotOf(row, *slot, *member, recordOfMember(*member));
    if (!slotValue)
        return;
    const auto& stored = m_stored.evolutions.at(static_cast<std::size_t>(*member))[static_cast<std::size_t>(*slotValue - 1)];
    const auto methodValue = methodOf(row, *method, stored);
    if (!methodValue)
        return;
    const auto parameterValue = parameterOf(row, *methodValue, stored);
    if (!parameterValue)
        return;
    const auto targetValue = targetOf(row, stored);
    if (!targetValue)
        return;
    slots[static_cast<std::size_t>(*slotValue - 1)] = {*methodValue, *parameterValue, *targetValue};
}

// What both sheets share: the archives read once, and only the level-up lists refused
// when damaged.
class MovesSheet : public TableSheet {
public:
    std::string_view writtenWhat() const override { return "the level-up moves and evolutions"; }
    Result<bool, SpeciesError> read(RomDocument& document) const override
    {
        if (!document.part<MoveArchivesPart>().value()) {
            if (auto read = document.read<MoveArchivesPart>(); !read)
                return read.error();
        }
        return true;
    }
};

class LevelUpSheet final : public MovesSheet {
public:
    std::string_view name() const override { return "learnset"; }
    std::string_view flag() const override { return "learnsets"; }
    std::string_view help() const override
    {
        return "the level-up moves instead: index,dex,name,entry,level,move, a row per entry in stored order";
    }
    std::vector<std::string_view> aliases() const override { return {"moves", "level-up moves", "levelup"}; }
    std::string_view sheetWords() const override { return "level-up moves"; }
    std::string changeWords(const RomChange& change) const override
    {
        return change.field == "order" ? "learnset order" : "learnset";
    }
    Result<bool, SpeciesError> read(RomDocument& document) const override
    {
        auto read = MovesSheet::read(document);
        if (!read)
            return read;
        if (auto readable = archivesOf(document).levelUpReadable(); !readable)
            return readable.error();
        return true;
    }
    bool isSheetOf(const std::vector<std::string>& header) const override
    {
        return std::find(header.begin(), header.end(), "level") != header.end();
    }
    SheetTable write(const RomDocument& document, const SheetStyle& style) const override;
    std::unique_ptr<SheetReader> reader(const RomDocument& document, SheetErrors& errors) const override
    {
        return std::make_unique<LevelUpReader>(document, errors);
    }
    std::string recordText(const RomDocument& document, int listIndex) const override;
};

SheetTable LevelUpSheet::write(const RomDocument& document, const SheetStyle& style) const
{
    const auto& read = archivesOf(document);
    const auto& words = document.vocabulary();
    const int records = style.forms ? document.fingerprint().table.recordCount : kSpeciesCount;
    SheetTable sheet{kLevelUpColumns, {}};
    for (int index = 0; index < records && memberOfRecord(index) < static_cast<int>(read.levelUpMoves.size()); ++index) {
        const auto& moves = read.levelUpMoves[static_cast<std::size_t>(memberOfRecord(index))];
        for (std::size_t entry = 0; entry < moves.size(); ++entry) {
            const auto& m = moves[entry];
            sheet.rows.push_back({index, dexOf(index), words.recordName(index), static_cast<long long>(entry + 1),
                                  m.level, style.codes ? SheetValue(m.move) : SheetValue(moveText(m.move))});
        }
    }
    return sheet;
}

std::string LevelUpSheet::recordText(const RomDocument& document, int listIndex) const
{
    const auto& moves = archivesOf(document).levelUpMoves.at(static_cast<std::size_t>(memberOfRecord(listIndex)));
    std::string text;
    for (std::size_t i = 0; i < moves.size(); ++i)
        text += std::to_string(i + 1) + ": level " + std::to_string(moves[i].level) + " " + moveText(moves[i].move) + "\n";
    return text;
}

class EvolutionSheet final : public MovesSheet {
public:
    std::string_view name() const override { return "evolutions"; }
    std::string_view flag() const override { return "evolutions"; }
    std::string_view help() const override
    {
        return "the evolutions instead: index,dex,name,slot,method,parameter,target, a row per used slot";
    }
    std::vector<std::string_view> aliases() const override { return {"evolution"}; }
    std::string changeWords(const RomChange& change) const override { return "evolution " + change.field; }
    bool isSheetOf(const std::vector<std::string>& header) const override
    {
        return std::any_of(header.begin(), header.end(), [](const std::string& column) {
            return column == "slot" || column == "method" || column == "parameter" || column == "target";
        });
    }
    SheetTable write(const RomDocument& document, const SheetStyle& style) const override;
    std::unique_ptr<SheetReader> reader(const RomDocument& document, SheetErrors& errors) const override
    {
        return std::make_unique<EvolutionReader>(document, errors);
    }
    std::string recordText(const RomDocument& document, int listIndex) const override;
};

SheetTable EvolutionSheet::write(const RomDocument& document, const SheetStyle& style) const
{
    const auto& read = archivesOf(document);
    const auto& words = document.vocabulary();
    const auto game = document.game();
    const int records = style.forms ? document.fingerprint().table.recordCount : kSpeciesCount;
    SheetTable sheet{kEvolutionColumns, {}};
    for (int index = 0; index < records && memberOfRecord(index) < static_cast<int>(read.evolutions.size()); ++index) {
        const auto& slots = read.evolutions[static_cast<std::size_t>(memberOfRecord(index))];
        for (std::size_t slot = 0; slot < slots.size(); ++slot) {
            const auto& s = slots[slot];
            if (s == EvolutionSlot{})
                continue;
            const auto parameter = parameterText(s, game, words);
            sheet.rows.push_back({index, dexOf(index), words.recordName(index), static_cast<long long>(slot + 1),
                                  style.codes ? SheetValue(s.method) : SheetValue(methodText(s.method)),
                                  style.codes ? SheetValue(s.parameter)
                                  : parameter.empty() ? SheetValue(std::nullopt)
                                                      : SheetValue(parameter),
                                  style.codes ? SheetValue(s.target)
                                  : s.target == 0 ? SheetValue(std::nullopt)
                                                  : SheetValue(memberText(s.target, words))});
        }
    }
    return sheet;
}

std::string EvolutionSheet::recordText(const RomDocument& document, int listIndex) const
{
    const auto& slots = archivesOf(document).evolutions.at(static_cast<std::size_t>(memberOfRecord(listIndex)));
    std::string text;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (slots[i] == EvolutionSlot{})
            continue;
        const auto parameter = parameterText(slots[i], document.game(), document.vocabulary());
        text += std::to_string(i + 1) + ": " + methodText(slots[i].method) + (parameter.empty() ? "" : " " + parameter) +
                " -> " + memberText(slots[i].target, document.vocabulary()) + "\n";
    }
    return text;
}

} // namespace

std::vector<const TableSheet*> MoveArchivesPart::sheets() const
{
    static const LevelUpSheet levelUp;
    static const EvolutionSheet evolutions;
    return {&levelUp, &evolutions};
}

} // namespace quillmark::species
