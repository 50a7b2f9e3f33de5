#include "cli/SheetEdits.h"

#include "cli/CliRom.h"
#include "species/LookupLists.h"

#include <algorithm>
#include <map>

namespace quillmark::cli {

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
