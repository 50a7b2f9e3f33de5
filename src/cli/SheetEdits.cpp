#include "cli/SheetEdits.h"

#include "cli/CliRom.h"
#include "species/LookupLists.h"

#include <algorithm>
#include <map>

namespace quillmark::cli {

namespace {

std::optional<int> speciesOfRow(const SheetRow& row, int count, ErrorList& errors)
{
    const Cell* byIndex = nullptr;
    const Cell* byName = nullptr;
    for (const auto& [column, cell] : row.cells) {
        if (column == "index")
            byIndex = &cell;
        else if (column == "name")
            byName = &cell;
    }
    std::optional<int> index, named;
    if (byIndex) {
        if (const auto number = species::parseWholeNumber(byIndex->value, static_cast<unsigned>(count - 1)))
            index = static_cast<int>(*number);
        else
            errors.add(byIndex->where, "no species has the index " + species::quoteCell(byIndex->value) +
                                           " (list indices are 0 to " + std::to_string(count - 1) + ")");
    }
    if (byName) {
        // By name only: a name cell holding a number is no name.
        if (!species::parseWholeNumber(byName->value, 0xFFFF))
            named = findSpecies(byName->value, count);
        if (!named)
            errors.add(byName->where, "no species is named " + species::quoteCell(byName->value));
    }
    if ((byIndex && !index) || (byName && !named))
        return std::nullopt;
    if (index && named && *index != *named) {
        errors.add(byName->where, species::quoteCell(byName->value) + " is not species " +
                                      std::to_string(*index) + " (" + speciesLabel(*index) + ")");
        return std::nullopt;
    }
    if (!index && !named) {
        errors.add(row.where, "names no species (give an \"index\" or a \"name\" column)");
        return std::nullopt;
    }
    return index ? index : named;
}

} // namespace

std::vector<species::RecordBytes> applySheet(const std::vector<SheetRow>& rows,
                                             const std::vector<species::RecordBytes>& current,
                                             rom::Game game, ErrorList& errors)
{
    auto wanted = current;
    std::map<int, std::string> rowOf;
    for (const auto& row : rows) {
        const auto index = speciesOfRow(row, static_cast<int>(current.size()), errors);
        if (!index)
            continue;
        if (const auto [first, added] = rowOf.emplace(*index, row.where); !added) {
            errors.add(row.where, speciesLabel(*index) + " is also in " + first->second +
                                      "; give each species once");
            continue;
        }
        auto& record = wanted[static_cast<std::size_t>(*index)];
        for (const auto& column : species::recordColumns()) {
            const Cell* text = nullptr;
            const Cell* code = nullptr;
            const auto codeName = species::codeColumnName(column);
            for (const auto& [name, cell] : row.cells) {
                if (name == column.name)
                    text = &cell;
                else if (column.hasList() && name == codeName)
                    code = &cell;
            }
            auto byText = record, byCode = record;
            bool ok = true;
            if (text) {
                if (auto error = species::applyCell(column, text->value, byText, game)) {
                    errors.add(text->where, *error);
                    ok = false;
                }
            }
            if (code) {
                if (auto error = species::applyCodeCell(column, code->value, byCode)) {
                    errors.add(code->where, *error);
                    ok = false;
                }
            }
            if (!ok)
                continue;
            if (text && code && byText != byCode) {
                errors.add(text->where, species::quoteCell(text->value) + " and " + code->where + " " +
                                            species::quoteCell(code->value) +
                                            " name different entries; keep one of the two columns");
                continue;
            }
            if (text)
                record = byText;
            else if (code)
                record = byCode;
        }
    }
    return wanted;
}

} // namespace quillmark::cli
