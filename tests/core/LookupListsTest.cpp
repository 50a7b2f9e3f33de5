#include "species/GenderRatioTexts.h"
#include "species/LookupLists.h"

#include <gtest/gtest.h>

#include <set>

using namespace quillmark::species;
using quillmark::platform::NumberFormat;

namespace {

template <class List>
void expectNoBlankOrDuplicate(const List& list)
{
    std::set<std::string_view> seen;
    for (const auto& text : list) {
        EXPECT_FALSE(text.empty());
        EXPECT_TRUE(seen.insert(text).second) << text;
    }
}

TEST(LookupLists, EndsAndSpotChecks)
{
    EXPECT_EQ(SpeciesNames.front(), "Bulbasaur");
    EXPECT_EQ(SpeciesNames.back(), "Arceus");
    EXPECT_EQ(SpeciesNames[28], "Nidoran-F");
    EXPECT_EQ(SpeciesNames[31], "Nidoran-M");
    EXPECT_EQ(SpeciesNames[82], "Farfetch'd");
    EXPECT_EQ(SpeciesNames[121], "Mr.Mime");
    EXPECT_EQ(SpeciesNames[249], "Ho-oh");
    EXPECT_EQ(SpeciesNames[259], "Swampert");
    EXPECT_EQ(SpeciesNames[371], "Shellgon");
    expectNoBlankOrDuplicate(SpeciesNames);

    EXPECT_EQ(TypeNames[9], "???");
    EXPECT_EQ(TypeNames[12], "Grass");
    EXPECT_EQ(TypeNames[17], "Dark");

    EXPECT_EQ(ItemNames[0], "-No Item-");
    EXPECT_EQ(ItemNames[4], "Poke Ball");
    EXPECT_EQ(ItemNames[221], "King\u2019s Rock");
    EXPECT_EQ(ItemNames[452], "Oak\u2019s Letter");
    EXPECT_EQ(ItemNames[308], "Insect Plate");
    EXPECT_EQ(ItemNames[328], "TM01");
    EXPECT_EQ(ItemNames[419], "TM92");
    EXPECT_EQ(ItemNames[420], "HM01");
    EXPECT_EQ(ItemNames[427], "HM08");
    EXPECT_EQ(ItemNames[464], "SecretPotion");
    for (std::size_t i = 0; i < ItemNames.size(); ++i)
        EXPECT_EQ(ItemNames[i] == "???", i >= 112 && i <= 134) << i;

    EXPECT_EQ(AbilityNames[0], "-No Ability-");
    EXPECT_EQ(AbilityNames[4], "Battle Armour");
    EXPECT_EQ(AbilityNames[123], "Bad Dreams");
    expectNoBlankOrDuplicate(AbilityNames);

    // The games' own egg-group codes.
    EXPECT_EQ(EggGroupNames[0], "---");
    EXPECT_EQ(EggGroupNames[8], "Human-Like");
    EXPECT_EQ(EggGroupNames[12], "Water 2");
    EXPECT_EQ(EggGroupNames[13], "Ditto (Can breed with anything.)");
    EXPECT_EQ(EggGroupNames[14], "Dragon");
    EXPECT_EQ(EggGroupNames[15], "Can't Breed");
    expectNoBlankOrDuplicate(EggGroupNames);

    const auto& hatch = HatchStepTexts();
    EXPECT_EQ(hatch[0], "0");
    EXPECT_EQ(hatch[1], "256");
    EXPECT_EQ(hatch[20], "5120");
    EXPECT_EQ(hatch[254], "65024");
    EXPECT_EQ(hatch[255], "65280");
}

TEST(LookupLists, OnlyTheTwoItemNamesLeaveAscii)
{
    auto ascii = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
    };
    for (const auto name : SpeciesNames)
        EXPECT_TRUE(ascii(name)) << name;
    for (std::size_t i = 0; i < ItemNames.size(); ++i)
        EXPECT_EQ(ascii(ItemNames[i]), i != 221 && i != 452) << i;
}

TEST(GenderRatioTexts, WorkedEntries)
{
    const auto texts = makeGenderRatioTexts(NumberFormat{"."});
    ASSERT_EQ(texts.size(), 256u);
    const std::pair<int, const char*> worked[] = {
        {0, "100% M 0% F "},        {1, "99.60% M 0.393% F "}, {2, "99.21% M 0.787% F "},
        {31, "87.79% M 12.20% F "}, {64, "74.80% M 25.19% F "}, {127, "50% M 50% F "},
        {128, "49.60% M 50.39% F "}, {191, "24.80% M 75.19% F "}, {253, "0.393% M 99.60% F "},
        {254, "0% M 100% F "},      {255, "None"},
    };
    for (const auto& [k, text] : worked)
        EXPECT_EQ(texts[static_cast<std::size_t>(k)], text) << k;
    for (std::size_t k = 0; k < 255; ++k) {
        EXPECT_EQ(texts[k].back(), ' ') << k;
        EXPECT_NE(texts[k][texts[k].size() - 2], ' ') << k;
    }
}

TEST(GenderRatioTexts, UseTheUsersDecimalSeparator)
{
    const auto german = makeGenderRatioTexts(NumberFormat{","});
    EXPECT_EQ(german[1], "99,60% M 0,393% F ");
    EXPECT_EQ(german[127], "50% M 50% F ");
    // A separator of more than one byte still counts as one character.
    const auto arabic = makeGenderRatioTexts(NumberFormat{"\u066B"});
    EXPECT_EQ(arabic[1], "99\u066B60% M 0\u066B393% F ");
}

} // namespace
