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

using species::Cell;
using species::CellType;
using species::columnKey;
using species::NamedCell;
using species::SheetColumns;
using species::SheetRow;

// A species column name as the program writes it ("index", "hp", "type1_code"), from
// any spelling columnKey folds; nothing for a name that is none of them.
std::optional<std::string> canonicalColumn(std::string_view name);
// "; nearest: hp, ..." for an unknown name, or "".
std::string nearestColumns(std::string_view name);
// Every column name an import takes, in export order.
const std::vector<std::string>& columnNames();

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

// A table's sheet as CSV or JSON: the header, then each row, numbers as numbers.
std::string formatSheet(const species::SheetTable& sheet, const SheetOptions& options);

// The records of the given list indices, one row each: index, name, every column.
std::string writeSheet(const std::vector<species::RecordBytes>& records,
                       const std::vector<int>& indices, const SheetOptions& options);

} // namespace quillmark::cli
