// A document is called what its ROM calls it: the names bank of the game's text archive,
// found by its number in a US edition and by its shape elsewhere, shown as the list
// writes names; the built-in names where no bank can be found or trusted.
#include "romimage/RomImage.h"
#include "species/RomDocument.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace quillmark;
using namespace quillmark::test;

namespace {

class RomNames : public ::testing::Test {
protected:
    species::RomDocument open(const char* code, std::vector<std::string> names, bool texts = true, int copy = -1)
    {
        romimage::ImageRecipe recipe;
        recipe.gameCode = code;
        recipe.textArchive = texts;
        recipe.namesBankCopy = copy;
        recipe.speciesNames = std::move(names);
        path = dir.file(std::string(code) + ".nds");
        EXPECT_TRUE(romimage::writeRomImage(path, recipe, nullptr, nullptr));
        auto document = species::RomDocument::open(path, species::DocumentAccess::HeldForReading);
        EXPECT_TRUE(document);
        return std::move(*document);
    }
    static std::vector<std::string> column(const char* name)
    {
        std::vector<std::string> names;
        const auto rows = sampleCsv("species_names.csv");
        for (std::size_t dex = 1; dex < rows.size(); ++dex)
            names.push_back(rows[dex].at(name));
        return names;
    }

    TempDir dir;
    std::string path;
};

// A US ROM reads as the built-in list does; a renamed species is shown by its new name
// and still found by its old one.
TEST_F(RomNames, AUsRomReadsAsTodayAndARenamedSpeciesByItsNewName)
{
    auto names = column("name_en");
    auto us = open("CPUE", names);
    EXPECT_EQ(us.namesSource(), "msgdata/pl_msg.narc, bank 412");
    // NIDORAN♀, MR. MIME, FARFETCH’D: the same names as the list's, shown as it writes them.
    for (int index = 0; index < 493; ++index)
        ASSERT_EQ(us.vocabulary().recordName(index), species::Vocabulary::builtIn().recordName(index)) << index;
    EXPECT_EQ(us.vocabulary().recordName(444), "Garchomp");
    EXPECT_EQ(us.vocabulary().recordName(502), "Rotom (Heat)") << "the forms keep their names";

    names[444] = "SHARKOMP";
    auto hack = open("IPKE", names);
    EXPECT_EQ(hack.namesSource(), "a/0/2/7, bank 237");
    EXPECT_EQ(hack.vocabulary().recordName(444), "Sharkomp");
    EXPECT_EQ(hack.vocabulary().recordLabel(444), "Sharkomp (444)");
    EXPECT_EQ(hack.vocabulary().findRecord("SHARKOMP", 493), 444);
    EXPECT_EQ(hack.vocabulary().findRecord("Garchomp", 493), 444) << "a sheet written before the rename";
}

// A French ROM has no bank number known here: its names bank is found by its shape, and
// its names are shown in title case.
TEST_F(RomNames, AnEditionWithNoKnownNumberIsFoundByShape)
{
    auto french = open("CPUF", column("name_fr"));
    EXPECT_EQ(french.namesSource(), "msgdata/pl_msg.narc, bank 412");
    EXPECT_EQ(french.vocabulary().recordName(0), "Bulbizarre");
    EXPECT_EQ(french.vocabulary().recordName(5), "Dracaufeu");
    EXPECT_EQ(french.vocabulary().findRecord("dracaufeu", 493), 5);
    EXPECT_EQ(french.vocabulary().findRecord("Charizard", 493), 5);

    auto japanese = open("IPKJ", column("name_jp"));
    EXPECT_EQ(japanese.vocabulary().recordName(0), "フシギダネ");
}

// No text archive, or none to be trusted: the built-in names, and why.
TEST_F(RomNames, WithoutATrustedBankTheBuiltInNamesStand)
{
    auto none = open("ADAE", {}, false);
    EXPECT_EQ(none.vocabulary().recordName(444), "Garchomp");
    EXPECT_EQ(none.namesSource(), "built in (msgdata/msg.narc cannot be read as the game's text archive)");

    // Two banks of the names' shape in an edition whose number is not known: neither is
    // guessed. In a US edition the known number is checked and taken.
    auto names = column("name_fr");
    names[444] = "REQUINOMP";
    auto twice = open("CPUF", names, true, 500);
    EXPECT_EQ(twice.vocabulary().recordName(444), "Garchomp");
    EXPECT_EQ(twice.namesSource(), "built in (2 banks of msgdata/pl_msg.narc (412 and 500) could hold the species names)");
    auto us = open("CPUE", column("name_en"), true, 500);
    EXPECT_EQ(us.namesSource(), "msgdata/pl_msg.narc, bank 412");
}

} // namespace
