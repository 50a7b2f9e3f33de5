#include "species/TutorMovesPart.h"

#include "species/DocumentParts.h"
#include "species/LookupLists.h"
#include "species/MoveNames.h"
#include "species/RecordCodec.h"
#include "species/RomDocument.h"
#include "species/SheetCells.h"
#include "species/SheetTexts.h"
#include "species/SpeciesOfRow.h"
#include "species/TableSheet.h"

#include <algorithm>
#include <cctype>

namespace quillmark::species {

Result<Done, SpeciesError> TutorMovesPart::readTable(PartSource& source)
{
    m_game = source.game();
    auto fs = source.fileSystem();
    if (!fs)
        return fs.error();
    auto read = readMoveTutors(source.file(), **fs, source.game(), source.overlays());
    if (!read)
        return read.error();
    m_tables = std::move(*read);
    return Done{};
}

void TutorMovesPart::showSpecies(int listIndex, SpeciesLoad& load) const
{
    auto& shown = load.tutors.emplace();
    if (!m_tables) {
        shown.problem = readError() ? readError()->detail : std::string();
        return;
    }
    if (!*m_tables)
        return;
    const auto& tables = **m_tables;
    shown.moves = tables.moves;
    shown.writable = tables.writable;
    shown.problem = tables.readOnlyReason;
    if (const auto record = tutorRecordOf(listIndex))
        shown.learns = tables.compatibility.movesOf(*record);
}

void TutorMovesPart::takeSpeciesEdits(int listIndex, const SpeciesChanges& changes, DocumentEdits& edits) const
{
    const auto* tables = value();
    if (!changes.tutorLearns || !tables)
        return;
    if (const auto record = tutorRecordOf(listIndex);
        record && *changes.tutorLearns != tables->compatibility.movesOf(*record))
        edits.tutors[*record] = *changes.tutorLearns;
}

Result<Done, SpeciesError> TutorMovesPart::plan(const DocumentEdits& edits, WritePlan& plan) const
{
    if (edits.tutors.empty())
        return Done{};
    if (!m_tables)
        return SpeciesError{SpeciesFailure::RomChanged};
    if (!*m_tables)
        return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0,
                            std::string(rom::gameName(m_game)) + " teaches no moves from a tutor table"};
    const auto& tutors = **m_tables;
    for (const auto& [record, list] : edits.tutors) {
        if (record < 0 || record >= kTutorRecords)
            return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0,
                                "tutor record " + std::to_string(record) + " does not exist"};
        for (const int move : list) {
            if (move < 0 || move >= tutors.compatibility.moves)
                return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0,
                                    "the tutors teach " + std::to_string(tutors.compatibility.moves) +
                                        " moves; there is no tutor move " + std::to_string(move + 1)};
        }
    }
    auto after = editedTutorCompatibility(tutors.compatibility, edits.tutors);
    if (after == tutors.compatibility.bytes)
        return Done{};
    if (!tutors.writable)
        return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0,
                            "the tutor moves cannot be written: " + tutors.readOnlyReason};
    plan.steps.push_back(inPlaceStep(this, tutors.compatibilityOffset, tutors.compatibility.bytes, after));
    return Done{};
}

std::vector<std::string> TutorMovesPart::comparedParts() const { return {"tutors"}; }

bool TutorMovesPart::holdsTable() const { return value() != nullptr; }

void TutorMovesPart::compareRecord(const DocumentPart& before, const RecordToCompare& record,
                                   std::vector<RomChange>& changes) const
{
    const auto& base = record.base;
    const auto tutorRecord = tutorRecordOf(base.index);
    if (!tutorRecord)
        return;
    const auto& was = *static_cast<const TutorMovesPart&>(before).value();
    const auto had = was.compatibility.movesOf(*tutorRecord);
    const auto has = value()->compatibility.movesOf(*tutorRecord);
    for (int move = 0; move < static_cast<int>(was.moves.size()); ++move) {
        const bool learnt = std::find(had.begin(), had.end(), move) != had.end();
        const bool learns = std::find(has.begin(), has.end(), move) != has.end();
        if (learnt != learns)
            changes.push_back({base.index, base.dex, base.name, "tutors",
                               moveText(was.moves[static_cast<std::size_t>(move)].move), learnt ? "x" : "",
                               learns ? "x" : ""});
    }
}

void TutorMovesPart::comparedBytes(const DocumentPart&, std::vector<ComparedBytes>& bytes) const
{
    bytes.push_back({value()->where, value()->compatibilityOffset,
                     static_cast<std::int64_t>(value()->compatibility.bytes.size())});
}

// Its sheet: how the command line writes, reads and names it.
namespace {

const MoveTutorTables& tutorsOf(const RomDocument& document) { return *document.part<TutorMovesPart>().value(); }

// A tutor move's column: its name as columnKey folds it ("mud_slap").
std::string tutorColumn(int move) { return columnKey(MoveNames[static_cast<std::size_t>(move)]); }

std::vector<std::string> tutorColumns(const MoveTutorTables& tutors)
{
    std::vector<std::string> columns = {"index", "dex", "name"};
    for (const auto& move : tutors.moves)
        columns.push_back(tutorColumn(move.move));
    return columns;
}

class TutorsReader final : public SheetReader {
public:
    TutorsReader(const RomDocument& document, SheetErrors& errors);
    const SheetColumns& columns() const override { return m_columns; }
    const DocumentEdits& edits() const override { return m_edits; }
    void row(const SheetRow& row) override;
    std::vector<std::string> changes() const override;

private:
    const MoveTutorTables& m_stored;
    const Vocabulary& m_words;
    int m_records;
    SheetErrors& m_errors;
    std::vector<std::string> m_names;
    SheetColumns m_columns;
    DocumentEdits m_edits;
};

TutorsReader::TutorsReader(const RomDocument& document, SheetErrors& errors)
    : m_stored(tutorsOf(document)), m_words(document.vocabulary()),
      m_records(document.fingerprint().table.recordCount), m_errors(errors), m_names(tutorColumns(m_stored))
{
    const auto& names = m_names;
    const auto& stored = m_stored;
    m_columns = {&m_names,
                 [&names](const std::string& column) {
                     if (column == "index" || column == "dex")
                         return CellType::Number;
                     return std::find(names.begin(), names.end(), column) != names.end() ? CellType::Text
                                                                                        : CellType::Unknown;
                 },
                 "tutor move",
                 [&names](std::string_view header) -> std::optional<std::string> {
                     const auto key = columnKey(header);
                     if (key == "index" || key == "dex" || key == "name")
                         return key;
                     const auto move = moveOfHeader(header);
                     if (move && std::find(names.begin() + 3, names.end(), tutorColumn(*move)) != names.end())
                         return tutorColumn(*move);
                     return std::nullopt;
                 },
                 [&stored](std::string_view header) -> std::optional<std::string> {
                     const auto move = moveOfHeader(header);
                     if (!move)
                         return std::nullopt;
                     std::string taught;
                     for (const auto& tutor : stored.moves)
                         taught += (taught.empty() ? "" : ", ") + moveText(tutor.move);
                     return moveText(*move) + " is a move no tutor of this game teaches (they teach " + taught + ")";
                 }};
}

void TutorsReader::row(const SheetRow& row)
{
    const auto index = speciesOfRow(m_words, row, m_records, m_errors);
    if (!index)
        return;
    const auto record = tutorRecordOf(*index);
    if (!record) {
        m_errors.add(row.where(), m_words.recordLabel(*index) + " has no tutor moves");
        return;
    }
    auto learns = m_stored.compatibility.movesOf(*record);
    for (const auto& named : row.cells) {
        const auto& [name, cell] = named;
        const auto at = std::find(m_names.begin() + 3, m_names.end(), name);
        if (at == m_names.end())
            continue;
        const int move = static_cast<int>(at - m_names.begin()) - 3;
        std::string value = cell.value;
        std::transform(value.begin(), value.end(), value.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const bool on = value == "x" || value == "1" || value == "yes" || value == "true";
        const bool off = value.empty() || value == "0" || value == "no" || value == "false";
        if (!on && !off) {
            m_errors.add(row.where(named),
                         quoteCell(cell.value) + " is neither x (or 1, yes, true) nor empty (or 0, no, false)");
            continue;
        }
        learns.erase(std::remove(learns.begin(), learns.end(), move), learns.end());
        if (on)
            learns.push_back(move);
    }
    std::sort(learns.begin(), learns.end());
    m_edits.tutors[*record] = learns;
}

std::vector<std::string> TutorsReader::changes() const
{
    std::vector<std::string> lines;
    auto name = [&](int move) { return moveText(m_stored.moves[static_cast<std::size_t>(move)].move); };
    for (const auto& [record, moves] : m_edits.tutors) {
        const auto was = m_stored.compatibility.movesOf(record);
        if (moves == was)
            continue;
        std::string text;
        for (const int m : moves) {
            if (std::find(was.begin(), was.end(), m) == was.end())
                text += " +" + name(m);
        }
        for (const int m : was) {
            if (std::find(moves.begin(), moves.end(), m) == moves.end())
                text += " -" + name(m);
        }
        lines.push_back(m_words.recordLabel(listIndexOfTutorRecord(record)) + ": tutor moves" + text);
    }
    return lines;
}

class TutorsSheet final : public TableSheet {
public:
    std::string_view name() const override { return "tutors"; }
    std::string_view flag() const override { return "tutors"; }
    std::string_view help() const override
    {
        return "the tutor moves instead (Platinum, HeartGold, SoulSilver): index,dex,name, then a column per tutor "
               "move, x where the species learns it";
    }
    std::vector<std::string_view> aliases() const override { return {"tutor", "tutor moves", "tutor-moves"}; }
    std::string_view words() const override { return "tutor moves"; }
    std::string changeWords(const RomChange& change) const override { return "tutor " + change.field; }
    std::string_view writtenWhat() const override { return "the table"; }
    Result<bool, SpeciesError> read(RomDocument& document) const override
    {
        if (!document.part<TutorMovesPart>().holdsTable()) {
            auto read = document.read<TutorMovesPart>();
            if (!read)
                return read.error();
        }
        return document.part<TutorMovesPart>().holdsTable();
    }
    std::string absentText(rom::Game game) const override
    {
        return std::string(rom::gameName(game)) +
               " teaches no moves from a tutor table (only Platinum, HeartGold and SoulSilver do)";
    }
    bool isSheetOf(const std::vector<std::string>& header) const override
    {
        return std::any_of(header.begin(), header.end(), [](const std::string& column) { return moveOfHeader(column).has_value(); });
    }
    SheetTable write(const RomDocument& document, const SheetStyle& style) const override;
    std::unique_ptr<SheetReader> reader(const RomDocument& document, SheetErrors& errors) const override
    {
        return std::make_unique<TutorsReader>(document, errors);
    }
    std::string recordText(const RomDocument& document, int listIndex) const override
    {
        const auto& tutors = tutorsOf(document);
        std::string text;
        if (const auto record = tutorRecordOf(listIndex)) {
            for (const int move : tutors.compatibility.movesOf(*record))
                text += std::string(MoveNames[static_cast<std::size_t>(tutors.moves[static_cast<std::size_t>(move)].move)]) + "\n";
        }
        return text;
    }
};

SheetTable TutorsSheet::write(const RomDocument& document, const SheetStyle& style) const
{
    const auto& tutors = tutorsOf(document);
    // The header names the moves as the games write them; a reader folds them back.
    SheetTable sheet{{"index", "dex", "name"}, {}};
    for (const auto& move : tutors.moves)
        sheet.columns.push_back(moveText(move.move));
    const int records = style.forms ? kTutorRecords : kSpeciesCount;
    for (int record = 0; record < records; ++record) {
        const int index = listIndexOfTutorRecord(record);
        std::vector<SheetValue> row = {index, dexOf(index), document.vocabulary().recordName(index)};
        for (int move = 0; move < static_cast<int>(tutors.moves.size()); ++move)
            row.push_back(std::string(tutors.compatibility.learns(record, move) ? "x" : ""));
        sheet.rows.push_back(std::move(row));
    }
    return sheet;
}

} // namespace

std::vector<const TableSheet*> TutorMovesPart::sheets() const
{
    static const TutorsSheet sheet;
    return {&sheet};
}

} // namespace quillmark::species
