#include "species/SpeciesRecord.h"

#include "species/LookupLists.h"

#include <algorithm>
#include <charconv>

namespace quillmark::species {

using enum FieldKind;
using enum SpeciesField;

const std::array<FieldLayout, kFieldCount> SpeciesFieldMap = {{
    {HP, 0, 1, Number, "txtHP", "HP", LookupList::None, 0},
    {Attack, 1, 1, Number, "txtAttack", "Attack", LookupList::None, 0},
    {Defense, 2, 1, Number, "txtDefense", "Defense", LookupList::None, 0},
    {Speed, 3, 1, Number, "txtSpeed", "Speed", LookupList::None, 0},
    {SpAttack, 4, 1, Number, "txtSpAttack", "Sp Attack", LookupList::None, 0},
    {SpDefense, 5, 1, Number, "txtSpDefense", "Sp Defense", LookupList::None, 0},
    {BaseXP, 9, 1, Number, "txtBaseXP", "Base XP", LookupList::None, 0},
    {CatchRate, 8, 1, Number, "txtCatchRate", "Catch Rate", LookupList::None, 0},
    {Type1, 6, 1, List, "cmbType1", "Type 1", LookupList::Types, 18},
    {Type2, 7, 1, List, "cmbType2", "Type 2", LookupList::Types, 18},
    {Item1, 12, 2, Item, "cmbItem1", "Wild Hold Item 1", LookupList::Items, 465},
    {Item2, 14, 2, Item, "cmbItem2", "Wild Hold Item 2", LookupList::Items, 465},
    {Gender, 16, 1, List, "cmbGender", "Gender Ratio", LookupList::GenderRatios, 256},
    {HatchSteps, 17, 1, List, "cmbHatch", "Steps to Hatch Egg", LookupList::HatchSteps, 256},
    {BaseHappiness, 18, 1, Number, "txtBaseHappiness", "Base Happiness", LookupList::None, 0},
    {EggType1, 20, 1, List, "cmbEggType1", "Egg Type 1", LookupList::EggGroups, 16},
    {EggType2, 21, 1, List, "cmbEggType2", "Egg Type 2", LookupList::EggGroups, 16},
    {RunChance, 24, 1, Number, "txtRunChance", "Great Marsh Run Chance", LookupList::None, 0},
    {Ability1, 22, 1, List, "cmbAbility1", "Special Ability 1", LookupList::Abilities, 124},
    {Ability2, 23, 1, List, "cmbAbility2", "Special Ability 2", LookupList::Abilities, 124},
}};

const FieldLayout& fieldLayout(SpeciesField field) { return SpeciesFieldMap[static_cast<int>(field)]; }

const std::array<TableLocation, 7> SpeciesTableLocations = {{
    {{"ADAS", "APAS"}, "Español", 0x1BE6E08},
    {{"ADAE", "APAE"}, "English", 0x1C15A08},
    {{"ADAD", "APAD"}, "Deutsch", 0x1C0EE08},
    {{"ADAF", "APAF"}, "Français", 0x1C02208},
    {{"ADAI", "APAI"}, "Italiano", 0x1BF5408},
    {{"ADAK", "APAK"}, "Korean", 0x1B01008},
    {{"ADAJ", "APAJ"}, "Japanese", 0x1C6FA08},
}};

std::optional<std::string> tableBaseFor(std::string_view gameCode)
{
    for (const auto& location : SpeciesTableLocations) {
        for (const auto code : location.gameCodes) {
            if (code == gameCode)
                return std::to_string(location.tableStart);
        }
    }
    return std::nullopt;
}

std::optional<std::int64_t> tableStart(std::string_view tableBase)
{
    std::int64_t base = 0;
    const auto* end = tableBase.data() + tableBase.size();
    const auto [ptr, ec] = std::from_chars(tableBase.data(), end, base);
    if (ec != std::errc() || ptr != end || tableBase.empty() || base < 0)
        return std::nullopt;
    return base;
}

std::optional<std::int64_t> fieldPosition(std::string_view tableBase, int index,
                                          const FieldLayout& field, int recordCount)
{
    const auto base = tableStart(tableBase);
    if (!base || index < 0 || index >= recordCount)
        return std::nullopt;
    return *base + field.offset + std::int64_t{kRecordSize} * index;
}

const std::array<std::uint16_t, 51> GenderlessSpecies = {
    80,  81,  99,  100, 119, 120, 131, 136, 143, 144, 145, 149, 150, 200, 232, 242, 243,
    244, 248, 249, 250, 336, 337, 342, 343, 373, 374, 375, 376, 377, 378, 381, 382, 383,
    384, 385, 435, 436, 461, 478, 479, 480, 481, 482, 483, 485, 486, 488, 489, 491, 492,
};

bool isGenderless(int index)
{
    const auto species = baseSpeciesOf(index);
    return species && std::binary_search(GenderlessSpecies.begin(), GenderlessSpecies.end(), *species);
}

} // namespace quillmark::species
