#include "species/SheetRows.h"

#include <cctype>

namespace quillmark::species {

std::string SheetRow::where() const
{
    return (json ? "row " : "line ") + std::to_string(number);
}

std::string SheetRow::where(const NamedCell& cell) const
{
    if (json)
        return where() + ", " + cell.first;
    return where() + ", column " + std::to_string(cell.second.column) + " (" + cell.first + ")";
}

const Cell* SheetRow::cell(std::string_view column) const
{
    for (const auto& [name, cell] : cells) {
        if (name == column)
            return &cell;
    }
    return nullptr;
}

std::string SheetRow::where(std::string_view column) const
{
    for (const auto& named : cells) {
        if (named.first == column)
            return where(named);
    }
    return where();
}

std::string columnKey(std::string_view name)
{
    std::string key;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        key += c == ' ' || c == '-' ? '_' : static_cast<char>(std::tolower(u));
    }
    return key;
}

void SheetErrors::add(const std::string& where, const std::string& message)
{
    if (++m_count <= kShown)
        m_lines.push_back(where.empty() ? message : where + ": " + message);
}

} // namespace quillmark::species
