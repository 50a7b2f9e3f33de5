// The games' text and back, against the names of every species as the US, French,
// German, Italian, Spanish and Japanese banks spell them, and the notes' units.
#include "platform/FileServices.h"
#include "rom/ArchiveFile.h"
#include "rom/MessageBank.h"
#include "rom/NitroFs.h"
#include "romimage/RomImage.h"
#include "species/GameText.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace quillmark;
using namespace quillmark::test;

namespace {

using Units = std::vector<std::uint16_t>;

// Every name of six languages encodes to units that decode to the same text.
TEST(GameText, EverySpeciesNameOfEveryLanguageRoundTrips)
{
    const auto rows = sampleCsv("species_names.csv");
    ASSERT_EQ(rows.size(), 494u);
    int names = 0;
    for (const auto& row : rows) {
        for (const char* column : {"name_en", "name_fr", "name_de", "name_it", "name_es", "name_jp"}) {
            const auto& name = row.at(column);
            const auto units = species::encodeGameText(name);
            ASSERT_TRUE(units) << column << " " << name << ": " << units.error().character;
            EXPECT_EQ(units->back(), 0xFFFF);
            EXPECT_EQ(species::decodeGameText(*units), name) << column;
            ++names;
        }
    }
    EXPECT_EQ(names, 494 * 6);
    // BULBASAUR as the notes' HeartGold bank 237 holds it.
    EXPECT_EQ(*species::encodeGameText("BULBASAUR"),
              (Units{0x12C, 0x13F, 0x136, 0x12C, 0x12B, 0x13D, 0x12B, 0x13F, 0x13C, 0xFFFF}));
    EXPECT_EQ(*species::encodeGameText("NIDORAN♀"), (Units{0x138, 0x133, 0x12E, 0x139, 0x13C, 0x12B, 0x138, 0x1BC, 0xFFFF}));
}

// What the table lacks, the commands, the line controls and the compressed form: read
// without failing, and written back to the same units.
TEST(GameText, UnknownCodesCommandsAndControlsAreKept)
{
    const Units kept = {0x012B, 0x0000, 0xFFFE, 0xFF00, 0x0001, 0x0001, 0x012C, 0xE000, 0x012D, 0xFFFF};
    const auto text = species::decodeGameText(kept);
    EXPECT_EQ(text, "A{0000}{FFFE FF00 0001 0001}B\nC");
    EXPECT_EQ(*species::encodeGameText(text), kept);
    EXPECT_EQ(species::decodeGameText(Units{0x25BC, 0x25BD, 0xFFFF}), "\r\f");
    // An unused entry: spaces, then the end; or the end alone.
    EXPECT_EQ(species::decodeGameText(Units{0x01DE, 0x01DE, 0x01DE, 0xFFFF}), "   ");
    EXPECT_EQ(species::decodeGameText(Units{0xFFFF}), "");
    // "ABC" compressed: 9-bit codes 0x12B 0x12C 0x12D and the end 0x1FF, least
    // significant bit first in 15-bit units, the rest of the last unit ones.
    EXPECT_EQ(species::decodeGameText(Units{0xF100, 0x592B, 0x796C, 0x7FFF, 0xFFFF}), "ABC");
    // A command cut short by the end of its units is kept as far as it goes.
    EXPECT_EQ(species::decodeGameText(Units{0xFFFE, 0xFF00, 0x0003, 0x0001}), "{FFFE FF00 0003 0001}");
}

// A character no code stands for is named, with where it stands; nothing is made.
TEST(GameText, WhatTheGamesCannotWriteIsRefused)
{
    const auto euro = species::encodeGameText("Land€shark");
    ASSERT_FALSE(euro);
    EXPECT_EQ(euro.error().character, "€");
    EXPECT_EQ(euro.error().at, 4u);
    const auto brace = species::encodeGameText("Sharkomp{zz}");
    ASSERT_FALSE(brace);
    EXPECT_EQ(brace.error().character, "{") << "braces hold units in hex, nothing else";
    const auto tab = species::encodeGameText("A\tB");
    ASSERT_FALSE(tab);
    EXPECT_EQ(tab.error().character, "\t");
}

// The names bank of each game's text archive, as an image lays it: every entry decodes to
// the name of its Dex number, in English, French and Japanese, and the name encodes back
// to the entry's units.
TEST(GameText, TheNamesBankOfEveryGameReadsAsItsNames)
{
    const auto rows = sampleCsv("species_names.csv");
    const struct {
        const char* code;
        const char* column;
    } images[] = {{"ADAE", "name_en"}, {"CPUE", "name_en"}, {"IPKE", "name_en"}, {"CPUF", "name_fr"}, {"IPKJ", "name_jp"}};
    for (const auto& image : images) {
        SCOPED_TRACE(image.code);
        TempDir dir;
        const auto path = dir.file("texts.nds");
        romimage::ImageRecipe recipe;
        recipe.gameCode = image.code;
        recipe.textArchive = true;
        for (std::size_t dex = 1; dex < rows.size(); ++dex)
            recipe.speciesNames.push_back(rows[dex].at(image.column));
        ASSERT_TRUE(romimage::writeRomImage(path, recipe, nullptr, nullptr));

        auto file = platform::fileServices().open(path, platform::FileAccess::Read);
        const auto fs = rom::NitroFs::read(**file);
        ASSERT_TRUE(fs);
        const auto archive = rom::readArchiveFile(**file, *fs, romimage::textArchivePathOf(image.code));
        ASSERT_TRUE(archive);
        const auto bank = rom::decodeMessageBank(archive->memberBytes(romimage::namesBankOf(image.code)));
        ASSERT_TRUE(bank);
        ASSERT_EQ(bank->entries.size(), 496u);
        EXPECT_EQ(bank->key, 0x782C);
        for (std::size_t dex = 1; dex <= 493; ++dex) {
            const auto& name = rows[dex].at(image.column);
            ASSERT_EQ(species::decodeGameText(bank->entries[dex]), name) << dex;
            ASSERT_EQ(*species::encodeGameText(name), bank->entries[dex]) << dex;
        }
    }
}

} // namespace
