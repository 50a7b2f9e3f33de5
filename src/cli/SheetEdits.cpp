#include "cli/SheetEdits.h"

#include "cli/CliRom.h"
#include "species/LookupLists.h"

#include <algorithm>
#include <map>

namespace quillmark::cli {

// Every message here may come once per row of a sheet of millions: they are put
// into words only while they will be shown.
std::optional<int> speciesOfRow(const species::Vocabulary& words, const SheetRow& row, int count, ErrorList& errors)
{
    const NamedCell* byIndex = nullptr;
    const NamedCell* byName = nullptr;
    const NamedCell* byDex = nullptr;
    for (const auto& cell : row.cells) {
        if (cell.first == "index")
            byIndex = &cell;
        else if (cell.first == "name")
            byName = &cell;
        else if (cell.first == "dex")
            byDex = &cell;
    }
    // The National Dex number counts only where the row has neither index nor name.
    if (byDex && !byIndex && !byName) {
        const auto& text = byDex->second.value;
        const auto number = species::parseWholeNumber(text, species::kSpeciesCount);
        if (number && *number > 0)
            return static_cast<int>(*number) - 1;
        errors.addLazily([&] { return row.where(*byDex); }, [&] {
            return "no species has the National Dex number " + species::quoteCell(text) +
                   " (1 to " + std::to_string(species::kSpeciesCount) + ")";
        });
        return std::nullopt;
    }
    const auto at = [&](const NamedCell* cell) { return [&row, cell] { return row.where(*cell); }; };
    std::optional<int> index, named;
    if (byIndex) {
        const auto& text = byIndex->second.value;
        if (const auto number = species::parseWholeNumber(text, static_cast<unsigned>(count - 1)))
            index = static_cast<int>(*number);
        else
            errors.addLazily(at(byIndex), [&] {
                return "no species has the index " + species::quoteCell(text) +
                       " (list indices are 0 to " + std::to_string(count - 1) + ")";
            });
    }
    if (byName) {
        const auto& text = byName->second.value;
        // By name only: a name cell holding a number is no name.
        if (!species::parseWholeNumber(text, 0xFFFF))
            named = findSpecies(words, text, count);
        if (!named)
            errors.addLazily(at(byName), [&] {
                return "no species is named " + species::quoteCell(text) + nearestSpecies(words, text, count);
            });
    }
    if ((byIndex && !index) || (byName && !named))
        return std::nullopt;
    if (index && named && *index != *named) {
        errors.addLazily(at(byName), [&] {
            return species::quoteCell(byName->second.value) + " is not species " +
                   std::to_string(*index) + " (" + words.recordLabel(*index) + ")";
        });
        return std::nullopt;
    }
    if (!index && !named) {
        errors.addLazily([&] { return row.where(); },
                         [] { return "names no species (give an \"index\", \"name\" or \"dex\" column)"; });
        return std::nullopt;
    }
    return index ? index : named;
}

SheetEdits::SheetEdits(const species::Vocabulary& words, const std::vector<species::RecordBytes>& current,
                       rom::Game game, ErrorList& errors)
    : m_words(words), m_wanted(current), m_game(game), m_errors(errors)
{
}

void SheetEdits::apply(const SheetRow& row)
{
    const auto index = speciesOfRow(m_words, row, static_cast<int>(m_wanted.size()), m_errors);
    if (!index)
        return;
    if (const auto first = m_rowOf.find(*index); first != m_rowOf.end()) {
        m_errors.addLazily([&] { return row.where(); }, [&] {
            return m_words.recordLabel(*index) + " is also in " + first->second + "; give each species once";
        });
        return;
    }
    m_rowOf.emplace(*index, row.where());
    // Each cell to its column once; a sheet may have millions of rows.
    const auto& columns = species::recordColumns();
    struct Given {
        const species::RecordColumn* column;
        const NamedCell* text = nullptr;
        const NamedCell* code = nullptr;
    };
    std::vector<Given> given;
    auto entry = [&](const species::RecordColumn* column) -> Given& {
        for (auto& g : given) {
            if (g.column == column)
                return g;
        }
        return given.emplace_back(Given{column});
    };
    for (const auto& cell : row.cells) {
        if (const auto* column = species::findColumn(cell.first))
            entry(column).text = &cell;
        else if (const auto* coded = species::findCodeColumn(cell.first))
            entry(coded).code = &cell;
    }
    // In the order of the columns, as the messages have always come.
    std::sort(given.begin(), given.end(), [&](const Given& a, const Given& b) {
        return a.column - columns.data() < b.column - columns.data();
    });
    auto& record = m_wanted[static_cast<std::size_t>(*index)];
    for (const auto& [column, text, code] : given) {
        auto byText = record, byCode = record;
        bool ok = true;
        if (text) {
            if (auto error = species::applyCell(*column, text->second.value, byText, m_game)) {
                m_errors.add(row.where(*text), *error);
                ok = false;
            }
        }
        if (code) {
            if (auto error = species::applyCodeCell(*column, code->second.value, byCode)) {
                m_errors.add(row.where(*code), *error);
                ok = false;
            }
        }
        if (!ok)
            continue;
        if (text && code && byText != byCode) {
            m_errors.add(row.where(*text), species::quoteCell(text->second.value) + " and " +
                                               row.where(*code) + " " +
                                               species::quoteCell(code->second.value) +
                                          " name different entries; keep one of the two columns");
            continue;
        }
        if (text)
            record = byText;
        else if (code)
            record = byCode;
    }
}

} // namespace quillmark::cli
