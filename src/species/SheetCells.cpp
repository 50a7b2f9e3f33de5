#include "species/SheetCells.h"

#include "species/LookupLists.h"
#include "species/MoveNames.h"
#include "species/RecordCodec.h"
#include "species/SpeciesOfRow.h"
#include "species/SpeciesRecord.h"

#include <algorithm>

namespace quillmark::species {

SheetColumns moveSheetColumns(const std::vector<std::string>& names, std::string rows)
{
    return {&names,
            [&names](const std::string& column) {
                if (std::find(names.begin(), names.end(), column) == names.end())
                    return CellType::Unknown;
                const bool number = column == "index" || column == "dex" || column == "entry" || column == "level" ||
                                    column == "slot";
                return number ? CellType::Number : CellType::Text;
            },
            std::move(rows)};
}

std::optional<int> numberIn(std::string_view text, int low, int high)
{
    const auto value = parseWholeNumber(text, 0xFFFF);
    if (!value || static_cast<int>(*value) < low || static_cast<int>(*value) > high)
        return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<long long> dexOf(int listIndex)
{
    const auto base = baseSpeciesOf(listIndex);
    return base ? std::optional<long long>(dexOfSpecies(*base)) : std::nullopt;
}

std::optional<int> memberOfCell(const Vocabulary& words, std::string_view text)
{
    if (text.empty())
        return 0;
    if (parseWholeNumber(text, 0xFFFF))
        return numberIn(text, 1, kSpeciesCount);
    const auto index = findSpecies(words, text, kSpeciesCount);
    return index ? std::optional<int>(memberOfRecord(*index)) : std::nullopt;
}

std::optional<int> itemOfCell(std::string_view text, rom::Game game)
{
    if (parseWholeNumber(text, 0xFFFF))
        return numberIn(text, 0, 0xFFFF);
    RecordBytes scratch{};
    const auto* column = findColumn("item1");
    if (applyCell(*column, text, scratch, game))
        return std::nullopt;
    return static_cast<int>(codeOf(*column, scratch));
}

std::optional<int> moveOfHeader(std::string_view header)
{
    const auto key = nameKey(header);
    for (int move = 1; move < kMoveCount; ++move) {
        if (nameKey(MoveNames[static_cast<std::size_t>(move)]) == key)
            return move;
    }
    return std::nullopt;
}

std::optional<int> asStored(std::string_view cell, int value, const std::string& written)
{
    const auto number = parseWholeNumber(cell, 0xFFFF);
    if (cell == written || (number && *number == static_cast<unsigned>(value)))
        return value;
    return std::nullopt;
}

} // namespace quillmark::species
