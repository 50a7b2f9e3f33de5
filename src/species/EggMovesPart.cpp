#include "species/EggMovesPart.h"

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



namespace quillmark::species {

namespace {

std::vector<std::uint8_t> wordBytes(const std::vector<std::uint16_t>& words)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(words.size() * 2);
    for (const auto word : words) {
        bytes.push_back(static_cast<std::uint8_t>(word));
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    return bytes;
}

} // namespace

Result<Done, SpeciesError> EggMovesPart::readTable(PartSource& source)
{
    auto fs = source.fileSystem();
    if (!fs)
        return fs.error();
    m_words = source.words();
    auto read = readEggMoveTable(source.file(), **fs, source.rom().gameCode, *m_words, source.overlays());
    if (!read)
        return read.error();
    m_table = std::move(*read);
    return Done{};
}

std::vector<int> EggMovesPart::movesOf(int dex) const
{
    const auto found = m_table->table.moves.find(dex);
    return found == m_table->table.moves.end() ? std::vector<int>{} : found->second;
}

void EggMovesPart::showSpecies(int listIndex, SpeciesLoad& load) const
{
    auto& shown = load.eggMoves.emplace();
    if (!m_table) {
        shown.problem = readError() ? readError()->detail : std::string();
        return;
    }
    shown.wordsFree = m_table->table.freeWords();
    shown.writable = m_table->writable;
    shown.problem = m_table->readOnlyReason;
    if (listIndex >= 0 && listIndex < kSpeciesCount)
        shown.moves = movesOf(dexOfSpecies(listIndex));
}

void EggMovesPart::takeSpeciesEdits(int listIndex, const SpeciesChanges& changes, DocumentEdits& edits) const
{
    if (!changes.eggMoves || !m_table || listIndex < 0 || listIndex >= kSpeciesCount)
        return;
    const int dex = dexOfSpecies(listIndex);
    if (*changes.eggMoves != movesOf(dex))
        edits.eggMoves[dex] = *changes.eggMoves;
}

Result<Done, SpeciesError> EggMovesPart::plan(const DocumentEdits& edits, WritePlan& plan) const
{
    if (edits.eggMoves.empty())
        return Done{};
    if (!m_table)
        return SpeciesError{SpeciesFailure::RomChanged};
    auto words = editedEggMoveTable(m_table->table, edits.eggMoves, *m_words);
    if (!words)
        return words.error();
    auto before = wordBytes(m_table->table.words), after = wordBytes(*words);
    if (before == after)
        return Done{};
    if (!m_table->writable)
        return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0,
                            "the egg moves cannot be written: " + m_table->readOnlyReason};
    plan.steps.push_back(inPlaceStep(this, m_table->offset, std::move(before), after));
    return Done{};
}

std::vector<std::string> EggMovesPart::comparedParts() const { return {"eggmoves"}; }

bool EggMovesPart::holdsTable() const { return m_table.has_value(); }

void EggMovesPart::compareRecord(const DocumentPart& before, const RecordToCompare& record,
                                 std::vector<RomChange>& changes) const
{
    // Only the species have egg moves of their own.
    if (record.base.index >= kSpeciesCount)
        return;
    auto base = record.base;
    base.part = "eggmoves";
    const int dex = dexOfSpecies(base.index);
    compareLists(static_cast<const EggMovesPart&>(before).movesOf(dex), movesOf(dex),
                 [](int move) { return moveText(move); }, base, changes);
}

void EggMovesPart::comparedBytes(const DocumentPart&, std::vector<ComparedBytes>& bytes) const
{
    bytes.push_back({m_table->where, m_table->offset, static_cast<std::int64_t>(m_table->table.words.size() * 2)});
}

// Its sheet: how the command line writes, reads and names it.
namespace {

const std::vector<std::string> kEggMoveColumns = {"index", "dex", "name", "entry", "move"};

const EggMoveTable& tableOf(const RomDocument& document) { return document.part<EggMovesPart>().value()->table; }

std::vector<int> storedMoves(const EggMoveTable& table, int dex)
{
    const auto found = table.moves.find(dex);
    return found == table.moves.end() ? std::vector<int>{} : found->second;
}

class EggMovesReader final : public SheetReader {
public:
    EggMovesReader(const RomDocument& document, SheetErrors& errors)
        : m_stored(tableOf(document)), m_words(document.vocabulary()),
          m_records(document.fingerprint().table.recordCount), m_errors(errors),
          m_columns(moveSheetColumns(kEggMoveColumns, "egg move"))
    {
    }
    const SheetColumns& columns() const override { return m_columns; }
    const DocumentEdits& edits() const override { return m_edits; }
    void row(const SheetRow& row) override;
    std::vector<std::string> changes() const override;

private:
    const EggMoveTable& m_stored;
    const Vocabulary& m_words;
    int m_records;
    SheetErrors& m_errors;
    SheetColumns m_columns;
    DocumentEdits m_edits;
};

void EggMovesReader::row(const SheetRow& row)
{
    const auto index = speciesOfRow(m_words, row, m_records, m_errors);
    if (!index)
        return;
    if (*index >= kSpeciesCount) {
        m_errors.add(row.where(), m_words.recordLabel(*index) + " has no egg moves: only the 493 species do");
        return;
    }
    const int dex = dexOfSpecies(*index);
    auto& list = m_edits.eggMoves[dex];  // present: exactly what the sheet lists
    const auto* move = row.cell("move");
    if (!move) {
        m_errors.add(row.where(), "has no move");
        return;
    }
    // A row with no move (an empty cell, or None) lists none: alone, it clears the
    // species' egg moves.
    if (const auto key = nameKey(move->value); key.empty() || key == "none")
        return;
    // The sheet's k-th row of this species stands for its k-th stored move.
    const auto stored = storedMoves(m_stored, dex);
    std::optional<int> value =
        parseWholeNumber(move->value, 0xFFFF) ? numberIn(move->value, 1, kLastEggMove) : findMove(move->value);
    if (!value && list.size() < stored.size())
        value = asStored(move->value, stored[list.size()], moveText(stored[list.size()]));
    if (!value || *value == 0) {
        m_errors.add(row.where("move"), quoteCell(move->value) + " is no move (1 to " + std::to_string(kLastEggMove) +
                                            ", or its name)" + nearestMoves(move->value));
        return;
    }
    list.push_back(*value);
}

std::vector<std::string> EggMovesReader::changes() const
{
    std::vector<std::string> lines;
    for (const auto& [dex, moves] : m_edits.eggMoves) {
        const auto was = storedMoves(m_stored, dex);
        if (moves == was)
            continue;
        const auto text = listChangeText(was, moves, [](int move) { return moveText(move); });
        lines.push_back(m_words.recordLabel(speciesOfDex(dex)) + ": egg moves" + (text.empty() ? " in another order" : text));
    }
    return lines;
}

class EggMovesSheet final : public TableSheet {
public:
    std::string_view name() const override { return "eggmoves"; }
    std::string_view flag() const override { return "eggmoves"; }
    std::string_view help() const override { return "the egg moves instead: index,dex,name,entry,move, a row per move"; }
    std::vector<std::string_view> aliases() const override { return {"egg moves", "egg-moves", "eggmove"}; }
    std::string_view words() const override { return "egg moves"; }
    std::string_view listWords() const override { return "egg moves"; }
    std::string changeWords(const RomChange& change) const override
    {
        return change.field == "order" ? "egg move order" : "egg moves";
    }
    std::string_view writtenWhat() const override { return "the table"; }
    Result<bool, SpeciesError> read(RomDocument& document) const override
    {
        if (!document.part<EggMovesPart>().value()) {
            if (auto read = document.read<EggMovesPart>(); !read)
                return read.error();
        }
        return true;
    }
    bool isSheetOf(const std::vector<std::string>& header) const override
    {
        return std::any_of(header.begin(), header.end(),
                           [](const std::string& column) { return column == "entry" || column == "move"; });
    }
    SheetTable write(const RomDocument& document, const SheetStyle& style) const override
    {
        SheetTable sheet{kEggMoveColumns, {}};
        for (const auto& [dex, moves] : tableOf(document).moves) {
            const int index = speciesOfDex(dex);
            for (std::size_t entry = 0; entry < moves.size(); ++entry)
                sheet.rows.push_back({index, static_cast<long long>(dex), document.vocabulary().recordName(index),
                                      static_cast<long long>(entry + 1),
                                      style.codes ? SheetValue(moves[entry]) : SheetValue(moveText(moves[entry]))});
        }
        return sheet;
    }
    std::unique_ptr<SheetReader> reader(const RomDocument& document, SheetErrors& errors) const override
    {
        return std::make_unique<EggMovesReader>(document, errors);
    }
    std::string recordText(const RomDocument& document, int listIndex) const override
    {
        std::string text;
        if (listIndex >= kSpeciesCount)
            return text;
        const auto moves = storedMoves(tableOf(document), dexOfSpecies(listIndex));
        for (std::size_t i = 0; i < moves.size(); ++i)
            text += std::to_string(i + 1) + ": " + std::string(MoveNames[static_cast<std::size_t>(moves[i])]) + "\n";
        return text;
    }
};

} // namespace

std::vector<const TableSheet*> EggMovesPart::sheets() const
{
    static const EggMovesSheet sheet;
    return {&sheet};
}

} // namespace quillmark::species
