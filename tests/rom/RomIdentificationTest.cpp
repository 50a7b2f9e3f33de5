#include "rom/RomIdentification.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quillmark;
using namespace quillmark::test;

namespace {

Bytes headerWithCode(const std::string& code, std::size_t size = 512)
{
    Bytes bytes(size, 0);
    for (std::size_t i = 0; i < code.size() && 12 + i < size; ++i)
        bytes[12 + i] = static_cast<std::uint8_t>(code[i]);
    return bytes;
}

TEST(RomIdentification, FindsEachEditionByItsExactCode)
{
    // Every edition's title and language caption, as the window shows them. French
    // Pearl is "Perle": "Perla" is the Spanish and Italian name.
    const char* editions[][3] = {
        {"ADAE", "Pokémon Diamond", "English"},    {"APAE", "Pokémon Pearl", "English"},
        {"ADAS", "Pokémon Diamante", "Español"},   {"APAS", "Pokémon Perla", "Español"},
        {"ADAD", "Pokémon Diamant", "Deutsch"},    {"APAD", "Pokémon Perl", "Deutsch"},
        {"ADAF", "Pokémon Diamant", "Français"},   {"APAF", "Pokémon Perle", "Français"},
        {"ADAI", "Pokémon Diamante", "Italiano"},  {"APAI", "Pokémon Perla", "Italiano"},
        {"ADAK", "Pokémon Diamond", "Korean"},     {"APAK", "Pokémon Pearl", "Korean"},
        {"ADAJ", "Pokémon Diamond", "Japanese"},   {"APAJ", "Pokémon Pearl", "Japanese"},
        {"CPUE", "Pokémon Platinum", "English"},   {"CPUS", "Pokémon Platino", "Español"},
        {"CPUD", "Pokémon Platin", "Deutsch"},     {"CPUF", "Pokémon Platine", "Français"},
        {"CPUI", "Pokémon Platino", "Italiano"},   {"CPUK", "Pokémon Platinum", "Korean"},
        {"CPUJ", "Pokémon Platinum", "Japanese"},  {"IPKE", "Pokémon HeartGold", "English"},
        {"IPKS", "Pokémon HeartGold", "Español"},  {"IPKD", "Pokémon HeartGold", "Deutsch"},
        {"IPKF", "Pokémon HeartGold", "Français"}, {"IPKI", "Pokémon HeartGold", "Italiano"},
        {"IPKK", "Pokémon HeartGold", "Korean"},   {"IPKJ", "Pokémon HeartGold", "Japanese"},
        {"IPGE", "Pokémon SoulSilver", "English"}, {"IPGS", "Pokémon SoulSilver", "Español"},
        {"IPGD", "Pokémon SoulSilver", "Deutsch"}, {"IPGF", "Pokémon SoulSilver", "Français"},
        {"IPGI", "Pokémon SoulSilver", "Italiano"}, {"IPGK", "Pokémon SoulSilver", "Korean"},
        {"IPGJ", "Pokémon SoulSilver", "Japanese"},
    };
    for (const auto& [code, title, language] : editions) {
        const auto* edition = rom::findEdition(code);
        ASSERT_NE(edition, nullptr) << code;
        EXPECT_EQ(edition->title, title) << code;
        EXPECT_EQ(edition->language, language) << code;
    }
    EXPECT_EQ(rom::SupportedEditions.size(), std::size(editions));
    for (const char* other : {"adae", "ADAX", "CPU", "BPEE", "IRBO"})
        EXPECT_EQ(rom::findEdition(other), nullptr) << other;
    EXPECT_EQ(rom::findEdition(std::string_view("ADAE\0", 5)), nullptr);
}

TEST(RomIdentification, ReadsTheCodeAndLeavesTheFileAsItWas)
{
    TempDir dir;
    const auto path = dir.file("rom.nds");
    writeFile(path, headerWithCode("APAF"));
    ::chmod(path.c_str(), 0444);
    auto identity = rom::identifyRom(path);
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->gameCode, "APAF");
    EXPECT_EQ(identity->edition->language, "Français");
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0444u);

    writeFile(path, headerWithCode("adae"));
    identity = rom::identifyRom(path);
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->gameCode, "adae");
    EXPECT_EQ(identity->edition, nullptr);

    // Bytes above 0x7F are kept as they are and match nothing.
    writeFile(path, headerWithCode("AD\xC1\xFF"));
    EXPECT_EQ(rom::identifyRom(path)->gameCode, "AD\xC1\xFF");
}

TEST(RomIdentification, ShortOrMissingFilesHaveNoCode)
{
    TempDir dir;
    const auto path = dir.file("short.nds");
    writeFile(path, headerWithCode("ADAE", 15));
    auto identity = rom::identifyRom(path);
    ASSERT_FALSE(identity);
    EXPECT_EQ(identity.error(), platform::FileError::PastEndOfFile);
    EXPECT_EQ(fileSize(path), 15);
    EXPECT_FALSE(rom::identifyRom(dir.file("missing.nds")));
    EXPECT_EQ(fileSize(dir.file("missing.nds")), -1);
}

} // namespace
