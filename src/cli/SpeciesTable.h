#pragma once

#include "platform/Result.h"
#include "species/SpeciesEditor.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillmark::cli {

// The table of all species as the command line sees it: one row per species, each
// field as the editor shows it, with list fields also as their raw codes.

// Column names of each field, by SpeciesField: "hp", "type1" (text) and
// "type1_code" (code), and so on.
struct FieldColumns {
    std::string text;
    std::string code;  // empty for number fields
};
const std::array<FieldColumns, species::kFieldCount>& fieldColumns();

// The columns of an export, in order: index, name, then each field's text and code.
std::vector<std::string> exportHeader();

struct SpeciesRow {
    int index = 0;
    species::SpeciesValues values;
};

// The cells of a row in the order of exportHeader().
std::vector<std::string> exportCells(const SpeciesRow& row);

// The text a list field shows for a code, or "" for a code that names no entry.
std::string listText(const species::FieldLayout& field, int code);
// The stored code of a field's value (list and item fields).
int storedCode(const species::FieldValue& value);

// A cell as read from a file, with where it stood for error messages.
struct Cell {
    std::string value;
    std::string where;  // "line 3, column 7 (type1)" or "row 3, field type1"
};
using InputRow = std::map<std::string, Cell>;  // by column name

struct InputError {
    std::string where;
    std::string message;
};

// Which species a row is for (by "index" or "name") and what it asks to change.
struct RowEdit {
    int index = 0;
    const InputRow* row = nullptr;  // its field columns; index and name are checked
};

// The field a row asks for: its text and code cells, where present.
std::optional<Cell> cellOf(const InputRow& row, const std::string& column);

// Checks the columns and the species of every row; nothing is read from a ROM here.
std::vector<RowEdit> parseRows(const std::vector<InputRow>& rows, std::vector<InputError>& errors);

// The value a cell asks for, given the value the ROM holds now. A list field may name
// its entry by text, by code, or both; where the two disagree, the one that differs
// from the ROM is the user's edit.
std::optional<species::FieldValue> resolveField(const species::FieldLayout& field,
                                                const std::optional<Cell>& text,
                                                const std::optional<Cell>& code,
                                                const species::FieldValue& current,
                                                std::vector<InputError>& errors);

// A field value for the command line's `set`: text or code in one.
std::optional<species::FieldValue> parseSetValue(const species::FieldLayout& field,
                                                 const std::string& value,
                                                 const species::FieldValue& current,
                                                 std::vector<InputError>& errors);

// One changed field of one species, as the summary reports it.
struct FieldChange {
    int index;
    species::SpeciesField field;
    std::string before;
    std::string after;
    std::vector<std::pair<std::int64_t, std::uint8_t>> bytes;  // offset, new value
};

// The bytes that differ between what the ROM holds and what is wanted.
std::vector<FieldChange> diffSpecies(const std::string& tableBase, int index,
                                     const species::SpeciesValues& current,
                                     const species::SpeciesValues& wanted);

// How a value reads in the summary: "Grass", "?? (code 200)", "108".
std::string describe(const species::FieldLayout& field, const species::FieldValue& value);

} // namespace quillmark::cli
