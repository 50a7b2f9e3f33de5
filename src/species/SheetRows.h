#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

// What a table's sheet is made of, whatever its format: rows of named cells as read,
// rows of values to write, and the problems found, each with where it stood. The
// command line reads and writes them as CSV or JSON.
namespace quillmark::species {

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
    // The cell of `column`, if the row has one; where it stood, or the row's place.
    const Cell* cell(std::string_view column) const;
    std::string where(std::string_view column) const;
};

// A column or field name folded as every sheet matches it: any case, blanks or
// hyphens for underscores ("HP", "Sp-Attack" -> "hp", "sp_attack").
std::string columnKey(std::string_view name);

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

// A cell to write is a number (nothing: empty) or a text.
using SheetValue = std::variant<std::optional<long long>, std::string>;
// A sheet to write: its header, then its rows, a value per column.
struct SheetTable {
    std::vector<std::string> columns;
    std::vector<std::vector<SheetValue>> rows;
};

// Problems of an input, each with where it stood. Past 50, only counted.
class SheetErrors {
public:
    void add(const std::string& where, const std::string& message);
    // The same for problems that may come by the million: the words are made only
    // while they will be shown.
    template <class MakeWhere, class MakeMessage>
    void addLazily(MakeWhere makeWhere, MakeMessage makeMessage)
    {
        if (m_count >= kShown)
            ++m_count;
        else
            add(makeWhere(), makeMessage());
    }
    bool empty() const { return m_count == 0; }
    const std::vector<std::string>& lines() const { return m_lines; }
    std::size_t count() const { return m_count; }

private:
    static constexpr std::size_t kShown = 50;
    std::vector<std::string> m_lines;
    std::size_t m_count = 0;
};

} // namespace quillmark::species
