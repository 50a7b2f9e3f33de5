#pragma once

#include "cli/CliErrors.h"
#include "species/RecordCodec.h"

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

// A cell as read, with where it stood ("line 5, column 11 (type1)", "row 3, hp").
struct Cell {
    std::string value;
    std::string where;
};
struct SheetRow {
    std::string where;  // "line 5", "row 3"
    std::vector<std::pair<std::string, Cell>> cells;  // by column name, in file order
};

// At most 16 MiB from a file or standard input ("-"); exit 1 beyond.
std::string readInput(const std::string& file);

// Rows of a CSV sheet (header line first) or a JSON array of objects. Problems of the
// header, of a key given twice, of a JSON value of the wrong type go to errors.
std::vector<SheetRow> readSheet(std::string_view text, SheetFormat format, ErrorList& errors);

struct SheetOptions {
    SheetFormat format = SheetFormat::Csv;
    rom::Game game = rom::Game::Diamond;  // whose item names and machine moves
    bool codes = false;  // list fields as their codes, in "<field>_code" columns
    bool bom = true;     // CSV only
};

// The records of the given list indices, one row each: index, name, every column.
std::string writeSheet(const std::vector<species::RecordBytes>& records,
                       const std::vector<int>& indices, const SheetOptions& options);

} // namespace quillmark::cli
