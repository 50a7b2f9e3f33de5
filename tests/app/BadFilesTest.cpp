#include "EditorFixture.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillmark;
using namespace quillmark::test;

namespace {

// What happens to the ROM between Open ROM and a load or a save. Each case ends with
// a clear message, Save ROM disabled or the save refused, and no byte written.
class BadFiles : public EditorFixture {
protected:
    void openAndLoad(const std::string& path, int row)
    {
        open(path);
        list()->setCurrentRow(row);
        ASSERT_TRUE(window->mnuSave->isEnabled());
        messages.shown.clear();
    }
};

// Ways a ROM goes bad after Open ROM, with the warning a load and a save then give.
struct Spoiler {
    const char* what;
    void (*spoil)(const std::string& path);
    const char* onLoad;
    const char* onSave;
};

const Spoiler kSpoilers[] = {
    {"deleted", [](const std::string& p) { ::unlink(p.c_str()); },
     "The ROM file cannot be read: File not found. Nothing was read.",
     "The ROM file cannot be written: File not found. Nothing was written."},
    {"truncated", [](const std::string& p) { ASSERT_EQ(::truncate(p.c_str(), 4096), 0); },
     "The ROM file is no longer the one that was opened: another program has changed or replaced it. Nothing was read. Open the ROM again.",
     "The ROM file is too short to hold the Pokémon data table of this game. Nothing was written."},
    {"replaced by a directory",
     [](const std::string& p) { ::unlink(p.c_str()); ::mkdir(p.c_str(), 0755); },
     "The ROM file cannot be read: Path/File access error: this is not a file that can be edited. Nothing was read.",
     "The ROM file cannot be written: Path/File access error: this is not a file that can be edited. Nothing was written."},
};

TEST_F(BadFiles, ChangedBetweenOpenAndSave)
{
    int row = 100;
    for (const auto& c : kSpoilers) {
        SCOPED_TRACE(c.what);
        const auto path = makeRom(std::string("rom ") + c.what + ".nds", "APAE");
        openAndLoad(path, row++);
        c.spoil(path);
        const auto spoiled = std::filesystem::is_regular_file(path) ? readFile(path) : Bytes{};
        window->mnuSave_Click();
        EXPECT_EQ(messageTexts(), std::vector<std::string>{c.onSave});
        EXPECT_EQ(std::filesystem::is_regular_file(path) ? readFile(path) : Bytes{}, spoiled);
    }
}

TEST_F(BadFiles, ChangedBetweenOpenAndLoad)
{
    int row = 7;
    for (const auto& c : kSpoilers) {
        SCOPED_TRACE(c.what);
        const auto path = makeRom(std::string("rom ") + c.what + ".nds", "ADAI");
        openAndLoad(path, row);
        c.spoil(path);
        list()->setCurrentRow(row + 1);
        row += 2;
        EXPECT_EQ(messageTexts(), std::vector<std::string>{c.onLoad});
        EXPECT_FALSE(window->mnuSave->isEnabled());
        EXPECT_FALSE(std::filesystem::is_regular_file(path) && fileSize(path) > 4096);
    }
}

// Root ignores file permissions, so unreadable and unwritable come from the service.
TEST_F(BadFiles, MadeUnreadableOrUnwritable)
{
    const auto path = makeRom("locked.nds", "ADAS");
    openAndLoad(path, 3);
    const auto before = readFile(path);
    FaultyFileServices denied;
    denied.failOpenNumber = 1;
    denied.andAfter = true;
    {
        denied.failAccess = platform::FileAccess::ReadWrite;
        platform::ScopedFileServices scoped(denied);
        window->mnuSave_Click();
    }
    EXPECT_EQ(messageTexts(), std::vector<std::string>{
                                  "The ROM file cannot be written: Permission denied. Nothing was written."});
    {
        denied.failAccess = platform::FileAccess::Read;
        denied.opens = 0;
        platform::ScopedFileServices scoped(denied);
        list()->setCurrentRow(4);
    }
    EXPECT_EQ(messages.shown.back().text,
              "The ROM file cannot be read: Permission denied. Nothing was read.");
    EXPECT_FALSE(window->mnuSave->isEnabled());
    EXPECT_EQ(readFile(path), before);
}

TEST_F(BadFiles, PathsWithBlanksAndLettersBeyondAscii)
{
    const auto folder = dir.file("Pokémon Spiele/Grüße aus Köln ß");
    std::filesystem::create_directories(folder);
    romimage::ImageRecipe recipe;
    recipe.gameCode = "APAD";
    const auto path = folder + "/Perl (ü).nds";
    ASSERT_TRUE(romimage::writeRomImage(path, recipe, nullptr));
    const auto before = readFile(path);
    open(path);
    EXPECT_EQ(ctl<QLabel>("header")->text(), "Pokémon Perl");
    list()->setCurrentRow(9);
    text("txtSpeed")->setText("77");
    window->mnuSave_Click();
    EXPECT_EQ(messages.shown.back().text, "Pokémon Data Saved Successfully!");
    const auto changed = differingOffsets(before, readFile(path));
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0], 29421064 + 44 * 9 + 3);
}

// The dialog's buffer holds 254 bytes and a NUL: a path of 254 bytes opens, one of
// 255 is refused by the dialog and changes nothing.
TEST_F(BadFiles, PathsOf254And255Bytes)
{
    auto pathOfLength = [&](std::size_t length, const char* code) {
        std::string folder = dir.path();
        const std::string file = "/r.nds";
        while (folder.size() + file.size() < length) {
            const auto room = length - folder.size() - file.size() - 1;
            folder += "/" + std::string(std::min<std::size_t>(room, 100), 'd');
        }
        std::filesystem::create_directories(folder);
        const auto path = folder + file;
        EXPECT_EQ(path.size(), length);
        romimage::ImageRecipe recipe;
        recipe.gameCode = code;
        EXPECT_TRUE(romimage::writeRomImage(path, recipe, nullptr));
        return path;
    };
    const auto fits = pathOfLength(254, "ADAJ");
    open(fits);
    EXPECT_EQ(window->session().RomPath, fits);
    EXPECT_EQ(ctl<QLabel>("language")->text(), "Japanese");

    const auto tooLong = pathOfLength(255, "APAE");
    open(tooLong);
    EXPECT_EQ(window->session().RomPath, fits);
    EXPECT_EQ(ctl<QLabel>("language")->text(), "Japanese");
    EXPECT_TRUE(messages.shown.empty());
}

} // namespace
