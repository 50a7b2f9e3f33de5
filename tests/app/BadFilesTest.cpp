#include "EditorFixture.h"

#include <filesystem>
#include <functional>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace quillmark;
using namespace quillmark::test;

namespace {

// What happens to the ROM between Open ROM and a load or a save. Each case ends with
// a clear message, Save ROM disabled or the save refused, and no byte written.
class BadFiles : public EditorFixture {
protected:
    void openAndLoad(const std::string& path, int row)
    {
        list()->setCurrentRow(-1);
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
    {"deleted", [](const std::string& p) { std::filesystem::remove(platform::nativePath(p)); },
     "The ROM file cannot be read: File not found. Nothing was read.",
     "The ROM file cannot be written: File not found. Nothing was written."},
    {"truncated", [](const std::string& p) { std::filesystem::resize_file(platform::nativePath(p), 4096); },
     "The ROM file is no longer the one that was opened: another program has changed or replaced it. Nothing was read. Open the ROM again.",
     "The ROM file is too short to hold the Pokémon data table of this game. Nothing was written."},
    {"replaced by a directory",
     [](const std::string& p) {
         std::filesystem::remove(platform::nativePath(p));
         std::filesystem::create_directory(platform::nativePath(p));
     },
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

TEST_F(BadFiles, RebuiltRomsAreReadWhereTheirFileSystemSaysAndDamagedOnesRefused)
{
    romimage::ImageLayout made;
    const auto rebuilt = makeRom("rebuilt.nds", "ADAE", realRecords(), 0, romimage::Layout::Rebuilt, &made);
    const auto before = readFile(rebuilt);
    open(rebuilt);
    list()->setCurrentRow(444);
    const char* garchomp[][2] = {{"txtHP", "108"}, {"txtAttack", "130"}, {"txtDefense", "95"},
                                 {"txtSpeed", "102"}, {"txtSpAttack", "80"}, {"txtSpDefense", "85"}};
    for (const auto& [name, value] : garchomp)
        EXPECT_EQ(text(name)->text().toStdString(), value) << name;
    EXPECT_EQ(combo("cmbType2")->currentText().toStdString(), "Ground");
    text("txtHP")->setText("110");
    window->mnuSave_Click();
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Pokémon Data Saved Successfully!"});
    EXPECT_EQ(differingOffsets(before, readFile(rebuilt)),
              std::vector<std::int64_t>{made.tableBase + 444 * 44});

    // A second ROM whose species archive is damaged: refused at Open, nothing to save,
    // and a species picked afterwards shows nothing of the first file.
    messages.shown.clear();
    romimage::ImageLayout damagedLayout;
    const auto damaged = makeRom("damaged.nds", "ADAE", {}, 0, romimage::Layout::Retail, &damagedLayout);
    patchFile(damaged, damagedLayout.narcStart, {'N', 'A', 'R', 'X'});
    const auto damagedBytes = readFile(damaged);
    open(damaged);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "The Pokémon data could not be found in this ROM's file table: "
              "poketool/personal/personal.narc is not a NARC archive. Nothing was read or written.");
    EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Warning);
    EXPECT_FALSE(messages.shown[0].title.has_value());
    EXPECT_FALSE(window->mnuSave->isEnabled());
    list()->setCurrentRow(445);
    EXPECT_TRUE(text("txtHP")->text().isEmpty());
    EXPECT_FALSE(window->mnuSave->isEnabled());
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(readFile(damaged), damagedBytes);
}

TEST_F(BadFiles, ASaveIntoAReplacedOrChangedFileWritesNothing)
{
    const auto path = makeRom("rom.nds", "ADAE");
    const auto japanese = makeRom("japanese.nds", "APAJ");
    const auto original = readFile(path);
    const struct {
        const char* what;
        std::function<void()> change;
    } changes[] = {
        {"replaced by another edition", [&] { writeFile(path, readFile(japanese)); }},
        {"replaced by a file of another code", [&] { patchFile(path, 12, {'X', 'X', 'X', 'X'}); }},
        {"an edited copy moved over it", [&] {
             const auto copy = dir.file("copy.nds");
             writeFile(copy, original);
             patchFile(copy, 29448712 + 5 * 44 + 1, {99});
             std::filesystem::rename(copy, path);
         }},
        {"changed by another writer", [&] { patchFile(path, 29448712 + 5 * 44 + 7, {9}); }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.what);
        writeFile(path, original);
        openAndLoad(path, 5);
        text("txtHP")->setText("50");
        c.change();
        const auto changed = readFile(path);
        window->mnuSave_Click();
        EXPECT_EQ(messageTexts(), std::vector<std::string>{
            "The ROM was changed by another program since this Pokémon was loaded. Nothing was "
            "written. Pick the Pokémon again to load the current values."});
        EXPECT_EQ(readFile(path), changed);
        EXPECT_TRUE(window->mnuSave->isEnabled());
    }
    // Picking the Pokémon again, as the message asks, shows what the file holds now.
    auto* item = list()->item(5);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(item).center());
    EXPECT_EQ(text("txtHP")->text().toStdString(), std::to_string(readFile(path)[29448712 + 5 * 44]));
    EXPECT_EQ(combo("cmbType2")->currentIndex(), 9);
}

TEST_F(BadFiles, AFifoIsRefusedAtOnce)
{
    SKIP_ON_WINDOWS("no FIFOs");
#ifndef _WIN32
    const auto fifo = dir.file("fifo.nds");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    open(fifo);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{
        "The ROM file could not be opened: Path/File access error: this is not a file that can be edited."});

    // A ROM that becomes a FIFO after Open ROM.
    const auto path = makeRom("rom.nds", "ADAE");
    openAndLoad(path, 3);
    ::unlink(path.c_str());
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    list()->setCurrentRow(4);
    EXPECT_FALSE(window->mnuSave->isEnabled());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("not a file that can be edited"), std::string::npos);
#endif
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
    std::filesystem::create_directories(platform::nativePath(folder));
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
            folder += '/';
            folder.append(std::min<std::size_t>(room, 100), 'd');
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
    // Not taken for a cancel: the user hears why nothing was opened.
    EXPECT_EQ(messageTexts(), std::vector<std::string>{
        "Nothing was opened: the path of the chosen file is 255 bytes long, and Open ROM takes "
        "paths of at most 254 bytes. Move the file to a folder with a shorter path, or give it "
        "a shorter name, then open it again."});
    messages.shown.clear();
    open("");
    EXPECT_TRUE(messages.shown.empty()) << "a cancel says nothing";
}

} // namespace
