#pragma once

#include "cli/CliErrors.h"
#include "species/RecordCodec.h"
#include "species/Vocabulary.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillmark::cli {

enum class SheetFormat { Csv, Json };

// --format wins (any case); then the file's extension; then, for input only, what
// the content looks like. An unknown --format is exit 1.
SheetFormat outputFormat(const std::string& option, const std::string& path);
SheetFormat inputFormat(const std::string& option, const std::string& path, std::string_view content);

struct Cell {
    std::string value;
    int column = 0;  // CSV: the 1-based column; JSON: 0
};
using NamedCell = std::pair<std::string, Cell>;  // by column name

// One row as read. Where a row or cell stood is put into words only for a message:
// a sheet may have millions of rows.
struct SheetRow {
    bool json = false;
    int number = 0;  // CSV: the 1-based line; JSON: the 1-based row
    std::vector<NamedCell> cells;  // in file order
    std::string where() const;                      // "line 5", "row 3"
    std::string where(const NamedCell& cell) const;  // "line 5, column 11 (type1)", "row 3, hp"
};

// A column or field name folded as every sheet matches it: any case, blanks or
// hyphens for underscores ("HP", "Sp-Attack" -> "hp", "sp_attack").
std::string columnKey(std::string_view name);
// A species column name as the program writes it ("index", "hp", "type1_code"), from
// any spelling columnKey folds; nothing for a name that is none of them.
std::optional<std::string> canonicalColumn(std::string_view name);
// "; nearest: hp, ..." for an unknown name, or "".
std::string nearestColumns(std::string_view name);
// Every column name an import takes, in export order.
const std::vector<std::string>& columnNames();

// How a cell of a column is given: a whole number, a text (which may also be a whole
// number: a code), or machine names.
enum class CellType { Number, Text, Machines, Unknown };

// The columns one kind of sheet takes, for the one reader of every kind.
struct SheetColumns {
    const std::vector<std::string>* names;  // in export order
    std::function<CellType(const std::string& column)> typeOf;
    std::string rows;  // what a row is, for messages: "species", "level-up move"
    // A header as one of `names`, when columnKey's folding is not enough (a move's
    // name written with or without blanks); nothing: columnKey alone.
    std::function<std::optional<std::string>(std::string_view header)> canonical = {};
    // Why a header is no column of this kind, where more can be said than "unknown"
    // (a move that no tutor of the game teaches); nothing: the nearest columns.
    std::function<std::optional<std::string>(std::string_view header)> whyUnknown = {};
};
const SheetColumns& speciesSheetColumns();

// At most 16 MiB from a file or standard input ("-"); exit 1 beyond.
std::string readInput(const std::string& file);

using RowHandler = std::function<void(const SheetRow&)>;

// The rows of a CSV sheet (header line first) or a JSON array of objects, handed to
// onRow one at a time as they are read, so that memory does not grow with the number
// of rows. Problems of the header, of a key given twice (that row is not handed on),
// of a JSON value of the wrong type go to errors.
void forEachSheetRow(std::string_view text, SheetFormat format, ErrorList& errors,
                     const RowHandler& onRow);
// The same for a sheet of other columns (a learnset or evolution sheet).
void forEachSheetRow(std::string_view text, SheetFormat format, const SheetColumns& columns, ErrorList& errors,
                     const RowHandler& onRow);
// The column names of a sheet's header row (CSV) or first row (JSON), folded by
// columnKey: the kind of sheet it is. A JSON sheet is read only to its first row's end.
std::vector<std::string> headerColumns(std::string_view text, SheetFormat format);

struct SheetOptions {
    SheetFormat format = SheetFormat::Csv;
    rom::Game game = rom::Game::Diamond;  // whose item names and machine moves
    bool codes = false;  // list fields as their codes, in "<field>_code" columns
    bool bom = true;     // CSV only
    char separator = ',';  // CSV only
    // What the sheet calls each species: the ROM's words.
    const species::Vocabulary* words = &species::Vocabulary::builtIn();
};

// The records of the given list indices, one row each: index, name, every column.
std::string writeSheet(const std::vector<species::RecordBytes>& records,
                       const std::vector<int>& indices, const SheetOptions& options);

} // namespace quillmark::cli
