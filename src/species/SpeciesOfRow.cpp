#include "species/SpeciesOfRow.h"

#include "species/LookupLists.h"
#include "species/RecordCodec.h"
#include "species/SpeciesRecord.h"
#include "species/Suggestions.h"

namespace quillmark::species {

std::optional<int> speciesByDex(std::string_view text)
{
    if (text.size() < 4 || columnKey(text.substr(0, 4)) != "dex:")
        return std::nullopt;
    const auto number = parseWholeNumber(text.substr(4), kSpeciesCount);
    if (!number || *number == 0)
        return std::nullopt;
    return speciesOfDex(static_cast<int>(*number));
}

std::optional<int> findSpecies(const Vocabulary& words, std::string_view text, int count)
{
    if (const auto index = parseWholeNumber(text, static_cast<unsigned>(count - 1)))
        return static_cast<int>(*index);
    if (const auto index = speciesByDex(text))
        return index;
    return words.findRecord(text, count);
}

std::string nearestSpecies(const Vocabulary& words, std::string_view text, int count)
{
    std::vector<std::string_view> names;
    for (int i = 0; i < count; ++i)
        names.push_back(words.recordName(i));
    return didYouMean(text, names);
}

// Every message here may come once per row of a sheet of millions: they are put
// into words only while they will be shown.
std::optional<int> speciesOfRow(const Vocabulary& words, const SheetRow& row, int count, SheetErrors& errors)
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
        const auto number = parseWholeNumber(text, kSpeciesCount);
        if (number && *number > 0)
            return static_cast<int>(*number) - 1;
        errors.addLazily([&] { return row.where(*byDex); }, [&] {
            return "no species has the National Dex number " + quoteCell(text) +
                   " (1 to " + std::to_string(kSpeciesCount) + ")";
        });
        return std::nullopt;
    }
    const auto at = [&](const NamedCell* cell) { return [&row, cell] { return row.where(*cell); }; };
    std::optional<int> index, named;
    if (byIndex) {
        const auto& text = byIndex->second.value;
        if (const auto number = parseWholeNumber(text, static_cast<unsigned>(count - 1)))
            index = static_cast<int>(*number);
        else
            errors.addLazily(at(byIndex), [&] {
                return "no species has the index " + quoteCell(text) +
                       " (list indices are 0 to " + std::to_string(count - 1) + ")";
            });
    }
    if (byName) {
        const auto& text = byName->second.value;
        // By name only: a name cell holding a number is no name.
        if (!parseWholeNumber(text, 0xFFFF))
            named = findSpecies(words, text, count);
        if (!named)
            errors.addLazily(at(byName), [&] {
                return "no species is named " + quoteCell(text) + nearestSpecies(words, text, count);
            });
    }
    if ((byIndex && !index) || (byName && !named))
        return std::nullopt;
    if (index && named && *index != *named) {
        errors.addLazily(at(byName), [&] {
            return quoteCell(byName->second.value) + " is not species " +
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

} // namespace quillmark::species
