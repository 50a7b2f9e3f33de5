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
    ASSERT_EQ(rom::SupportedEditions.size(), 14u);
    EXPECT_EQ(rom::findEdition("ADAE")->title, "Pokémon Diamond");
    EXPECT_EQ(rom::findEdition("APAF")->title, "Pokémon Perla");
    EXPECT_EQ(rom::findEdition("APAF")->language, "Français");
    EXPECT_EQ(rom::findEdition("ADAF")->title, "Pokémon Diamant");
    EXPECT_EQ(rom::findEdition("APAJ")->language, "Japanese");
    EXPECT_EQ(rom::findEdition("adae"), nullptr);
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
