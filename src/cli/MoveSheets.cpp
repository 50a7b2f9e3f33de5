#include "cli/MoveSheets.h"

#include "cli/CliRom.h"
#include "cli/Csv.h"
#include "cli/SheetEdits.h"
#include "species/LookupLists.h"
#include "species/MoveNames.h"
#include "species/SheetTexts.h"
#include "species/SpeciesRecord.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <map>
#include <set>
#include <variant>

namespace quillmark::cli {

using species::EvolutionParameter;

namespace {

const std::vector<std::string> kLevelUpColumns = {"index", "dex", "name", "entry", "level", "move"};
const std::vector<std::string> kEvolutionColumns = {"index", "dex", "name", "slot", "method", "parameter", "target"};
const std::vector<std::string> kEggMoveColumns = {"index", "dex", "name", "entry", "move"};

// The columns of a sheet of moves: the numbers are numbers; a move, method, parameter
// or species may be a name or its number.
SheetColumns moveSheetColumns(const std::vector<std::string>& names, std::string rows)
{
    return {&names,
            [&names](const std::string& column) {
                if (std::find(names.begin(), names.end(), column) == names.end())
                    return CellType::Unknown;
                const bool number = column == "index" || column == "dex" || column == "entry" || column == "level" ||
                                    column == "slot";
                return number ? CellType::Number : CellType::Text;
            },
            std::move(rows)};
}

const SheetColumns kLevelUpSheet = moveSheetColumns(kLevelUpColumns, "level-up move");
const SheetColumns kEvolutionSheet = moveSheetColumns(kEvolutionColumns, "evolution slot");
const SheetColumns kEggMoveSheet = moveSheetColumns(kEggMoveColumns, "egg move");

// A tutor move's column: its name as columnKey folds it ("mud_slap").
std::string tutorColumn(int move) { return columnKey(species::MoveNames[static_cast<std::size_t>(move)]); }

// The move a column header names, its name written as people write it ("Thunder
// Punch", "thunderpunch", "Mud Slap"): the games' name with case, blanks, hyphens
// and dots folded away, whole (no prefix of a name: a header is a whole name).
std::optional<int> moveOfHeader(std::string_view header)
{
    const auto key = species::nameKey(header);
    for (int move = 1; move < species::kMoveCount; ++move) {
        if (species::nameKey(species::MoveNames[static_cast<std::size_t>(move)]) == key)
            return move;
    }
    return std::nullopt;
}

bool isMoveColumn(const std::string& column) { return moveOfHeader(column).has_value(); }

const Cell* cellOf(const SheetRow& row, std::string_view column)
{
    for (const auto& [name, cell] : row.cells) {
        if (name == column)
            return &cell;
    }
    return nullptr;
}

std::string where(const SheetRow& row, std::string_view column)
{
    for (const auto& cell : row.cells) {
        if (cell.first == column)
            return row.where(cell);
    }
    return row.where();
}

std::optional<int> number(std::string_view text, int low, int high)
{
    const auto value = species::parseWholeNumber(text, 0xFFFF);
    if (!value || static_cast<int>(*value) < low || static_cast<int>(*value) > high)
        return std::nullopt;
    return static_cast<int>(*value);
}

using species::itemText;
using species::memberText;
using species::methodText;
using species::moveText;
using species::numberedCode;
using species::parameterText;

// Rows of either sheet, for CSV and JSON alike: the cells in order, numbers where
// they are numbers.
struct SheetWriter {
    const SheetOptions& options;
    const std::vector<std::string>& columns;
    std::string csv;
    nlohmann::ordered_json json = nlohmann::ordered_json::array();

    SheetWriter(const SheetOptions& o, const std::vector<std::string>& c) : options(o), columns(c)
    {
        if (options.format == SheetFormat::Csv) {
            csv = options.bom ? std::string(kCsvByteOrderMark) : "";
            for (std::size_t i = 0; i < columns.size(); ++i)
                (csv += columns[i]) += i + 1 < columns.size() ? std::string(1, options.separator) : "\r\n";
        }
    }
    // A cell is a number (nothing: empty) or a text.
    using Value = std::variant<std::optional<long long>, std::string>;
    void row(const std::vector<Value>& cells)
    {
        if (options.format == SheetFormat::Json) {
            nlohmann::ordered_json object;
            for (std::size_t i = 0; i < cells.size(); ++i) {
                if (const auto* text = std::get_if<std::string>(&cells[i]))
                    object[columns[i]] = *text;
                else if (const auto& value = std::get<0>(cells[i]))
                    object[columns[i]] = *value;
            }
            json.push_back(std::move(object));
            return;
        }
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (const auto* text = std::get_if<std::string>(&cells[i]))
                appendCsvField(csv, *text, options.separator);
            else if (const auto& value = std::get<0>(cells[i]))
                csv += std::to_string(*value);
            csv += i + 1 < cells.size() ? std::string(1, options.separator) : "\r\n";
        }
    }
    std::string text() const { return options.format == SheetFormat::Json ? json.dump(2) + "\n" : csv; }
};

std::optional<long long> dexOf(int index)
{
    const auto base = species::baseSpeciesOf(index);
    return base ? std::optional<long long>(species::dexOfSpecies(*base)) : std::nullopt;
}

// A species given by name or by its member number (its National Dex number); an empty
// cell is none (0), as an empty parameter is, so that `None` with empty cells clears
// a slot.
std::optional<int> memberOfCell(const species::Vocabulary& words, std::string_view text)
{
    if (text.empty())
        return 0;
    if (species::parseWholeNumber(text, 0xFFFF))
        return number(text, 1, species::kSpeciesCount);
    const auto index = findSpecies(words, text, species::kSpeciesCount);
    return index ? std::optional<int>(species::memberOfRecord(*index)) : std::nullopt;
}

std::optional<int> itemOfCell(std::string_view text, rom::Game game)
{
    if (species::parseWholeNumber(text, 0xFFFF))
        return number(text, 0, 0xFFFF);
    species::RecordBytes scratch{};
    const auto* column = species::findColumn("item1");
    if (species::applyCell(*column, text, scratch, game))
        return std::nullopt;
    return static_cast<int>(species::codeOf(*column, scratch));
}

} // namespace

SheetKind sheetKindOf(std::string_view text, SheetFormat format)
{
    // Any column that only one kind of sheet has tells it, so that a sheet with one
    // misspelt column is still checked against its own columns.
    const auto header = headerColumns(text, format);
    const std::set<std::string> columns(header.begin(), header.end());
    const auto any = [&](std::initializer_list<const char*> names) {
        return std::any_of(names.begin(), names.end(), [&](const char* name) { return columns.count(name) > 0; });
    };
    if (any({"level"}))
        return SheetKind::LevelUpMoves;
    if (any({"slot", "method", "parameter", "target"}))
        return SheetKind::Evolutions;
    if (any({"entry", "move"}))
        return SheetKind::EggMoves;
    if (std::any_of(header.begin(), header.end(), isMoveColumn))
        return SheetKind::Tutors;
    return SheetKind::Species;
}

std::string writeLevelUpSheet(const species::MoveArchives& read, int records, const SheetOptions& options)
{
    SheetWriter sheet(options, kLevelUpColumns);
    for (int index = 0; index < records && species::memberOfRecord(index) < static_cast<int>(read.levelUpMoves.size()); ++index) {
        const auto& moves = read.levelUpMoves[static_cast<std::size_t>(species::memberOfRecord(index))];
        for (std::size_t entry = 0; entry < moves.size(); ++entry) {
            const auto& m = moves[entry];
            sheet.row({index, dexOf(index), options.words->recordName(index), static_cast<long long>(entry + 1),
                       m.level, options.codes ? SheetWriter::Value(m.move) : SheetWriter::Value(moveText(m.move))});
        }
    }
    return sheet.text();
}

std::string writeEvolutionSheet(const species::MoveArchives& read, int records, const SheetOptions& options)
{
    SheetWriter sheet(options, kEvolutionColumns);
    for (int index = 0; index < records && species::memberOfRecord(index) < static_cast<int>(read.evolutions.size()); ++index) {
        const auto& slots = read.evolutions[static_cast<std::size_t>(species::memberOfRecord(index))];
        for (std::size_t slot = 0; slot < slots.size(); ++slot) {
            const auto& s = slots[slot];
            if (s == species::EvolutionSlot{})
                continue;
            const auto parameter = parameterText(s, options.game, *options.words);
            sheet.row({index, dexOf(index), options.words->recordName(index), static_cast<long long>(slot + 1),
                       options.codes ? SheetWriter::Value(s.method) : SheetWriter::Value(methodText(s.method)),
                       options.codes ? SheetWriter::Value(s.parameter)
                       : parameter.empty() ? SheetWriter::Value(std::nullopt)
                                           : SheetWriter::Value(parameter),
                       options.codes ? SheetWriter::Value(s.target)
                       : s.target == 0 ? SheetWriter::Value(std::nullopt)
                                       : SheetWriter::Value(memberText(s.target, *options.words))});
        }
    }
    return sheet.text();
}

species::MoveEdits readMoveSheet(const species::Vocabulary& words, std::string_view text, SheetFormat format, SheetKind kind, int records,
                                 rom::Game game, const species::MoveArchives& stored, ErrorList& errors)
{
    // The cell as the export writes the stored value there: then it is that value.
    auto asStored = [](std::string_view cell, int value, const std::string& written) -> std::optional<int> {
        const auto number = species::parseWholeNumber(cell, 0xFFFF);
        if (cell == written || (number && *number == static_cast<unsigned>(value)))
            return value;
        return std::nullopt;
    };
    species::MoveEdits edits;
    std::map<int, std::set<int>> slotsGiven;
    const auto& columns = kind == SheetKind::LevelUpMoves ? kLevelUpSheet : kEvolutionSheet;
    forEachSheetRow(text, format, columns, errors, [&](const SheetRow& row) {
        const auto index = speciesOfRow(words, row, records, errors);
        if (!index)
            return;
        const int member = species::memberOfRecord(*index);
        auto need = [&](const char* column) -> const Cell* {
            const auto* cell = cellOf(row, column);
            if (!cell)
                errors.add(row.where(), "has no " + std::string(column));
            return cell;
        };
        if (kind == SheetKind::LevelUpMoves) {
            auto& list = edits.levelUp[member];  // present: exactly what the sheet lists
            const auto* level = need("level");
            const auto* move = need("move");
            if (!level || !move)
                return;
            // The sheet's k-th row of this species stands for its k-th stored entry.
            const auto& storedList = stored.levelUpMoves.at(static_cast<std::size_t>(member));
            const auto* storedEntry = list.size() < storedList.size() ? &storedList[list.size()] : nullptr;
            auto levelValue = number(level->value, 1, species::kMaxLevel);
            if (!levelValue && storedEntry)
                levelValue = asStored(level->value, storedEntry->level, std::to_string(storedEntry->level));
            if (!levelValue)
                errors.add(where(row, "level"), species::quoteCell(level->value) + " is no level (1 to " +
                                                    std::to_string(species::kMaxLevel) + ")");
            std::optional<int> moveValue = species::parseWholeNumber(move->value, 0xFFFF)
                                               ? number(move->value, 1, species::kMoveCount - 1)
                                               : species::findMove(move->value);
            if (!moveValue && storedEntry)
                moveValue = asStored(move->value, storedEntry->move, moveText(storedEntry->move));
            if (!moveValue)
                errors.add(where(row, "move"), species::quoteCell(move->value) + " is no move (1 to " +
                                                   std::to_string(species::kMoveCount - 1) + ", or its name)" +
                                                   species::nearestMoves(move->value));
            if (levelValue && moveValue)
                list.push_back({*levelValue, *moveValue});
            return;
        }
        auto& slots = edits.evolutions.try_emplace(member).first->second;
        const auto* slot = need("slot");
        const auto* method = need("method");
        if (!slot || !method)
            return;
        const auto slotValue = number(slot->value, 1, species::kEvolutionSlots);
        if (!slotValue) {
            errors.add(where(row, "slot"), species::quoteCell(slot->value) + " is no slot (1 to " +
                                               std::to_string(species::kEvolutionSlots) + ")");
            return;
        }
        if (!slotsGiven[member].insert(*slotValue).second) {
            errors.add(where(row, "slot"), words.recordLabel(*index) + " has slot " + slot->value + " twice");
            return;
        }
        const auto& storedSlot =
            stored.evolutions.at(static_cast<std::size_t>(member))[static_cast<std::size_t>(*slotValue - 1)];
        auto methodValue = species::parseWholeNumber(method->value, 0xFFFF)
                               ? number(method->value, 0, species::kEvolutionMethodCount - 1)
                               : species::findEvolutionMethod(method->value);
        if (!methodValue)
            methodValue = asStored(method->value, storedSlot.method, methodText(storedSlot.method));
        if (!methodValue) {
            errors.add(where(row, "method"), species::quoteCell(method->value) +
                                                 " is no evolution method (quillmark-cli list evolution-methods)");
            return;
        }
        const auto* parameter = cellOf(row, "parameter");
        const std::string parameterCell = parameter ? parameter->value : "";
        std::optional<int> parameterValue = 0;
        const bool knownMethod = *methodValue < species::kEvolutionMethodCount;
        if (!parameterCell.empty() && !knownMethod) {
            parameterValue = number(parameterCell, 0, 0xFFFF);
        } else if (!parameterCell.empty()) {
            switch (species::EvolutionMethods[static_cast<std::size_t>(*methodValue)].parameter) {
            case EvolutionParameter::Item: parameterValue = itemOfCell(parameterCell, game); break;
            case EvolutionParameter::Move:
                parameterValue = species::parseWholeNumber(parameterCell, 0xFFFF) ? number(parameterCell, 0, 0xFFFF)
                                                                                   : species::findMove(parameterCell);
                break;
            case EvolutionParameter::Species: parameterValue = memberOfCell(words, parameterCell); break;
            case EvolutionParameter::None:
            case EvolutionParameter::Level:
            case EvolutionParameter::Beauty: parameterValue = number(parameterCell, 0, 0xFFFF); break;
            }
        }
        if (!parameterValue && *methodValue == storedSlot.method)
            parameterValue = asStored(parameterCell, storedSlot.parameter, parameterText(storedSlot, game, words));
        if (!parameterValue) {
            errors.add(where(row, "parameter"), species::quoteCell(parameterCell) + " does not fit the method " +
                                                    methodText(*methodValue));
            return;
        }
        const auto* target = cellOf(row, "target");
        auto targetValue = target ? memberOfCell(words, target->value) : std::optional<int>(0);
        if (!targetValue)
            targetValue = asStored(target->value, storedSlot.target, memberText(storedSlot.target, words));
        if (!targetValue) {
            errors.add(where(row, "target"), species::quoteCell(target->value) + " is no species" +
                                                 nearestSpecies(words, target->value, species::kSpeciesCount));
            return;
        }
        slots[static_cast<std::size_t>(*slotValue - 1)] = {*methodValue, *parameterValue, *targetValue};
    });
    return edits;
}

std::vector<std::string> describeMoveEdits(const species::Vocabulary& words, const species::MoveArchives& read, const species::MoveEdits& edits,
                                           rom::Game game)
{
    std::vector<std::string> lines;
    auto entryText = [](const species::LevelUpMove& m) { return moveText(m.move) + " at " + std::to_string(m.level); };
    for (const auto& [member, moves] : edits.levelUp) {
        const auto& was = read.levelUpMoves[static_cast<std::size_t>(member)];
        if (moves == was)
            continue;
        std::string text;
        auto left = was;
        for (const auto& m : moves) {
            if (const auto it = std::find(left.begin(), left.end(), m); it != left.end())
                left.erase(it);
            else
                text += " +" + entryText(m);
        }
        for (const auto& m : left)
            text += " -" + entryText(m);
        lines.push_back(words.recordLabel(species::recordOfMember(member)) + ": level-up moves" + (text.empty() ? " in another order" : text));
    }
    for (const auto& [member, slots] : edits.evolutions) {
        const auto& was = read.evolutions[static_cast<std::size_t>(member)];
        for (std::size_t i = 0; i < slots.size(); ++i) {
            if (slots[i] == was[i])
                continue;
            auto slotText = [&](const species::EvolutionSlot& s) {
                if (s == species::EvolutionSlot{})
                    return std::string("(none)");
                const auto parameter = parameterText(s, game, words);
                return methodText(s.method) + (parameter.empty() ? "" : " " + parameter) + " -> " + memberText(s.target, words);
            };
            lines.push_back(words.recordLabel(species::recordOfMember(member)) + ": evolution " + std::to_string(i + 1) + " " +
                            slotText(slots[i]) + " (was " + slotText(was[i]) + ")");
        }
    }
    return lines;
}

std::string writeEggMoveSheet(const species::EggMoveTable& table, const SheetOptions& options)
{
    SheetWriter sheet(options, kEggMoveColumns);
    for (const auto& [dex, moves] : table.moves) {
        const int index = species::speciesOfDex(dex);
        for (std::size_t entry = 0; entry < moves.size(); ++entry)
            sheet.row({index, static_cast<long long>(dex), options.words->recordName(index),
                       static_cast<long long>(entry + 1),
                       options.codes ? SheetWriter::Value(moves[entry]) : SheetWriter::Value(moveText(moves[entry]))});
    }
    return sheet.text();
}

species::EggMoves readEggMoveSheet(const species::Vocabulary& words, std::string_view text, SheetFormat format, int records,
                                   const species::EggMoveTable& stored, ErrorList& errors)
{
    species::EggMoves edits;
    forEachSheetRow(text, format, kEggMoveSheet, errors, [&](const SheetRow& row) {
        const auto index = speciesOfRow(words, row, records, errors);
        if (!index)
            return;
        if (*index >= species::kSpeciesCount) {
            errors.add(row.where(), words.recordLabel(*index) + " has no egg moves: only the 493 species do");
            return;
        }
        const int dex = species::dexOfSpecies(*index);
        auto& list = edits[dex];  // present: exactly what the sheet lists
        const auto* move = cellOf(row, "move");
        if (!move) {
            errors.add(row.where(), "has no move");
            return;
        }
        // A row with no move (an empty cell, or None) lists none: alone, it clears the
        // species' egg moves.
        if (const auto key = species::nameKey(move->value); key.empty() || key == "none")
            return;
        // The sheet's k-th row of this species stands for its k-th stored move.
        const auto storedList = stored.moves.count(dex) ? stored.moves.at(dex) : std::vector<int>{};
        std::optional<int> value = species::parseWholeNumber(move->value, 0xFFFF)
                                       ? number(move->value, 1, species::kLastEggMove)
                                       : species::findMove(move->value);
        if (!value && list.size() < storedList.size() &&
            (move->value == moveText(storedList[list.size()]) ||
             species::parseWholeNumber(move->value, 0xFFFF) == static_cast<unsigned>(storedList[list.size()])))
            value = storedList[list.size()];
        if (!value || *value == 0) {
            errors.add(where(row, "move"), species::quoteCell(move->value) + " is no move (1 to " +
                                               std::to_string(species::kLastEggMove) + ", or its name)" +
                                               species::nearestMoves(move->value));
            return;
        }
        list.push_back(*value);
    });
    return edits;
}

std::vector<std::string> describeEggMoveEdits(const species::Vocabulary& words, const species::EggMoveTable& read, const species::EggMoves& edits)
{
    std::vector<std::string> lines;
    for (const auto& [dex, moves] : edits) {
        const auto was = read.moves.count(dex) ? read.moves.at(dex) : std::vector<int>{};
        if (moves == was)
            continue;
        std::string text;
        auto left = was;
        for (const int m : moves) {
            if (const auto it = std::find(left.begin(), left.end(), m); it != left.end())
                left.erase(it);
            else
                text += " +" + moveText(m);
        }
        for (const int m : left)
            text += " -" + moveText(m);
        lines.push_back(words.recordLabel(species::speciesOfDex(dex)) + ": egg moves" + (text.empty() ? " in another order" : text));
    }
    return lines;
}

namespace {

std::vector<std::string> tutorColumns(const species::MoveTutorTables& tutors)
{
    std::vector<std::string> columns = {"index", "dex", "name"};
    for (const auto& move : tutors.moves)
        columns.push_back(tutorColumn(move.move));
    return columns;
}

} // namespace

std::string writeTutorSheet(const species::MoveTutorTables& tutors, bool forms, const SheetOptions& options)
{
    // The header names the moves as the games write them; a reader folds them back.
    std::vector<std::string> header = {"index", "dex", "name"};
    for (const auto& move : tutors.moves)
        header.push_back(moveText(move.move));
    SheetWriter sheet(options, header);
    const int records = forms ? species::kTutorRecords : species::kSpeciesCount;
    for (int record = 0; record < records; ++record) {
        const int index = species::listIndexOfTutorRecord(record);
        std::vector<SheetWriter::Value> row = {index, dexOf(index), options.words->recordName(index)};
        for (int move = 0; move < static_cast<int>(tutors.moves.size()); ++move)
            row.push_back(std::string(tutors.compatibility.learns(record, move) ? "x" : ""));
        sheet.row(row);
    }
    return sheet.text();
}

std::map<int, std::vector<int>> readTutorSheet(const species::Vocabulary& words, std::string_view text, SheetFormat format, int records,
                                               const species::MoveTutorTables& stored, ErrorList& errors)
{
    const auto names = tutorColumns(stored);
    const SheetColumns columns{&names,
                               [&](const std::string& column) {
                                   if (column == "index" || column == "dex")
                                       return CellType::Number;
                                   return std::find(names.begin(), names.end(), column) != names.end()
                                              ? CellType::Text
                                              : CellType::Unknown;
                               },
                               "tutor move",
                               [&](std::string_view header) -> std::optional<std::string> {
                                   const auto key = columnKey(header);
                                   if (key == "index" || key == "dex" || key == "name")
                                       return key;
                                   const auto move = moveOfHeader(header);
                                   if (move && std::find(names.begin() + 3, names.end(), tutorColumn(*move)) != names.end())
                                       return tutorColumn(*move);
                                   return std::nullopt;
                               },
                               [&](std::string_view header) -> std::optional<std::string> {
                                   const auto move = moveOfHeader(header);
                                   if (!move)
                                       return std::nullopt;
                                   std::string taught;
                                   for (const auto& tutor : stored.moves)
                                       taught += (taught.empty() ? "" : ", ") + moveText(tutor.move);
                                   return moveText(*move) + " is a move no tutor of this game teaches (they teach " +
                                          taught + ")";
                               }};
    std::map<int, std::vector<int>> edits;
    forEachSheetRow(text, format, columns, errors, [&](const SheetRow& row) {
        const auto index = speciesOfRow(words, row, records, errors);
        if (!index)
            return;
        const auto record = species::tutorRecordOf(*index);
        if (!record) {
            errors.add(row.where(), words.recordLabel(*index) + " has no tutor moves");
            return;
        }
        auto learns = stored.compatibility.movesOf(*record);
        for (const auto& named : row.cells) {
            const auto& [name, cell] = named;
            const auto at = std::find(names.begin() + 3, names.end(), name);
            if (at == names.end())
                continue;
            const int move = static_cast<int>(at - names.begin()) - 3;
            const auto value = lowered(cell.value);
            const bool on = value == "x" || value == "1" || value == "yes" || value == "true";
            const bool off = value.empty() || value == "0" || value == "no" || value == "false";
            if (!on && !off) {
                errors.add(row.where(named), species::quoteCell(cell.value) + " is neither x (or 1, yes, true) nor empty (or 0, no, false)");
                continue;
            }
            learns.erase(std::remove(learns.begin(), learns.end(), move), learns.end());
            if (on)
                learns.push_back(move);
        }
        std::sort(learns.begin(), learns.end());
        edits[*record] = learns;
    });
    return edits;
}

std::vector<std::string> describeTutorEdits(const species::Vocabulary& words, const species::MoveTutorTables& read,
                                            const std::map<int, std::vector<int>>& edits)
{
    std::vector<std::string> lines;
    for (const auto& [record, moves] : edits) {
        const auto was = read.compatibility.movesOf(record);
        if (moves == was)
            continue;
        std::string text;
        for (const int m : moves) {
            if (std::find(was.begin(), was.end(), m) == was.end())
                text += " +" + moveText(read.moves[static_cast<std::size_t>(m)].move);
        }
        for (const int m : was) {
            if (std::find(moves.begin(), moves.end(), m) == moves.end())
                text += " -" + moveText(read.moves[static_cast<std::size_t>(m)].move);
        }
        lines.push_back(words.recordLabel(species::listIndexOfTutorRecord(record)) + ": tutor moves" + text);
    }
    return lines;
}

std::string levelUpMovesText(const species::LevelUpMoves& moves)
{
    std::string text;
    for (std::size_t i = 0; i < moves.size(); ++i)
        text += std::to_string(i + 1) + ": level " + std::to_string(moves[i].level) + " " + moveText(moves[i].move) + "\n";
    return text;
}

std::string evolutionsText(const species::Vocabulary& words, const species::Evolutions& slots, rom::Game game)
{
    std::string text;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (slots[i] == species::EvolutionSlot{})
            continue;
        const auto parameter = parameterText(slots[i], game, words);
        text += std::to_string(i + 1) + ": " + methodText(slots[i].method) + (parameter.empty() ? "" : " " + parameter) +
                " -> " + memberText(slots[i].target, words) + "\n";
    }
    return text;
}

} // namespace quillmark::cli
