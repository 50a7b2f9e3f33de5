#include "species/LookupLists.h"
#include "species/SpeciesRecord.h"

#include <gtest/gtest.h>

using namespace quillmark::species;

namespace {

TEST(SpeciesTableLocations, EveryCodeOfALanguageSharesItsTable)
{
    const std::pair<const char*, const char*> expected[] = {
        {"ADAS", "29257224"}, {"APAS", "29257224"}, {"ADAE", "29448712"}, {"APAE", "29448712"},
        {"ADAD", "29421064"}, {"APAD", "29421064"}, {"ADAF", "29368840"}, {"APAF", "29368840"},
        {"ADAI", "29316104"}, {"APAI", "29316104"}, {"ADAK", "28315656"}, {"APAK", "28315656"},
        {"ADAJ", "29817352"}, {"APAJ", "29817352"},
    };
    for (const auto& [code, base] : expected)
        EXPECT_EQ(tableBaseFor(code), base) << code;
    for (const char* unknown : {"adae", "Adae", "ADA", "ADAE ", "ADAX", "", "BPEE"})
        EXPECT_FALSE(tableBaseFor(unknown)) << unknown;
}

TEST(SpeciesFieldMap, PositionsFollowTheRecordLayout)
{
    const auto base = *tableBaseFor("APAE");
    EXPECT_EQ(fieldPosition(base, 0, fieldLayout(SpeciesField::HP)), 29448712);
    EXPECT_EQ(fieldPosition(base, 492, fieldLayout(SpeciesField::Ability2)), 0x1C1AEAF);
    EXPECT_EQ(fieldPosition(*tableBaseFor("ADAK"), 0, fieldLayout(SpeciesField::HP)), 28315656);
    EXPECT_EQ(fieldPosition(*tableBaseFor("APAJ"), 0, fieldLayout(SpeciesField::HP)), 29817352);
    EXPECT_EQ(fieldPosition(base, 1, fieldLayout(SpeciesField::Item2)), 29448712 + 44 + 14);
    EXPECT_FALSE(fieldPosition(base, -1, fieldLayout(SpeciesField::HP)));
    EXPECT_FALSE(fieldPosition(base, 493, fieldLayout(SpeciesField::HP)));
    EXPECT_FALSE(fieldPosition("", 0, fieldLayout(SpeciesField::HP)));
    EXPECT_FALSE(fieldPosition("12a", 0, fieldLayout(SpeciesField::HP)));
}

TEST(SpeciesFieldMap, TouchesExactlyTheTwentyTwoEditedBytes)
{
    std::array<int, kRecordSize> owners{};
    for (int i = 0; i < kFieldCount; ++i) {
        const auto& field = SpeciesFieldMap[static_cast<std::size_t>(i)];
        EXPECT_EQ(static_cast<int>(field.field), i) << "map out of processing order";
        EXPECT_EQ(field.width, field.kind == FieldKind::Item ? 2 : 1);
        for (int b = 0; b < field.width; ++b)
            ++owners[static_cast<std::size_t>(field.offset + b)];
    }
    for (int b = 0; b < kRecordSize; ++b) {
        const bool untouched = b == 10 || b == 11 || b == 19 || b >= 25;
        EXPECT_EQ(owners[static_cast<std::size_t>(b)], untouched ? 0 : 1) << "record byte " << b;
    }
    // Processing order is not offset order: base XP is read before the catch rate.
    EXPECT_EQ(SpeciesFieldMap[6].offset, 9);
    EXPECT_EQ(SpeciesFieldMap[7].offset, 8);
    EXPECT_EQ(SpeciesFieldMap[17].offset, 24);
    EXPECT_EQ(SpeciesFieldMap[18].offset, 22);
}

} // namespace
