#include "species/SpeciesRecord.h"

#include "EditorFixture.h"

#include <filesystem>
#include <sys/stat.h>

// The file's permission bits; on Windows only the read-only attribute stands behind
// them (tested as such by the command line's Windows tests).
[[maybe_unused]] static unsigned fileMode(const std::string& path)
{
#ifdef _WIN32
    (void)path;
    return 0;
#else
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 0777;
#endif
}

using namespace quillmark;
using namespace quillmark::test;
using platform::MessageIcon;
using species::FieldKind;

namespace {

class EditCycle : public EditorFixture {
protected:
    // Every editor shows what the file holds for species index.
    void expectControlsMatchFile(const std::string& path, int index)
    {
        const auto bytes = readFile(path);
        const auto base = std::stoll(*species::tableBaseFor(window->session().GameCode));
        for (const auto& field : species::SpeciesFieldMap) {
            const auto at = static_cast<std::size_t>(base + 44 * index + field.offset);
            const std::string name(field.control);
            if (field.kind == FieldKind::Number) {
                EXPECT_EQ(text(name.c_str())->text().toInt(), bytes[at]) << name << " of " << index;
                EXPECT_EQ(text(name.c_str())->text(), QString::number(bytes[at]));
            } else {
                const int code = field.kind == FieldKind::Item ? bytes[at] | bytes[at + 1] << 8 : bytes[at];
                if (code < field.entryCount)
                    EXPECT_EQ(combo(name.c_str())->currentIndex(), code) << name << " of " << index;
                else
                    EXPECT_EQ(combo(name.c_str())->currentText(), "#" + QString::number(code))
                        << name << " of " << index;
            }
        }
    }

    void clickSpecies(int row)
    {
        auto* item = list()->item(row);
        list()->scrollToItem(item);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                          list()->visualItemRect(item).center());
    }

    const platform::MessageIcon* lastIcon() const
    {
        return messages.shown.empty() ? nullptr : &messages.shown.back().icon;
    }
};

TEST_F(EditCycle, OpenRecognisesTheEditionAndEnablesTheSpeciesList)
{
    const auto diamond = makeRom("diamond.nds", "ADAE");
    open(diamond);
    ASSERT_EQ(dialog.calls.size(), 1u);
    const auto& call = dialog.calls[0];
    EXPECT_EQ(call.lpstrTitle, std::string("Open Pokémon ROM...") + '\0');
    EXPECT_EQ(call.lpstrFilter, std::string("NDS ROMs (*.nds)") + '\0' + "*.nds" + '\0' + '\0');
    EXPECT_EQ(call.Flags, 6148u);
    EXPECT_EQ(call.lpstrInitialDir, std::string(1, '\0'));
    EXPECT_NE(call.hwndOwner, 0u);
    EXPECT_EQ(ctl<QLabel>("header")->text(), "Pokémon Diamond");
    EXPECT_EQ(ctl<QLabel>("language")->text(), "English");
    for (const char* name : {"frameLoaded", "framePkmn", "pkmnlst", "frameLanguage"})
        EXPECT_TRUE(ctl(name)->isEnabled()) << name;
    EXPECT_FALSE(ctl("frameBaseStats")->isEnabled());
    EXPECT_EQ(window->session().RomPath, diamond);
    EXPECT_EQ(window->session().GameCode, "ADAE");
    EXPECT_TRUE(messages.shown.empty());

    // A load makes every editor, its panel and caption, and Save ROM usable.
    list()->setCurrentRow(3);
    for (const char* name :
         {"frameBaseStats", "txtHP", "txtAttack", "txtDefense", "txtSpeed", "txtSpAttack",
          "txtSpDefense", "txtBaseXP", "txtCatchRate", "frameType", "cmbType1", "cmbType2",
          "frameRun", "txtRunChance", "frameHappiness", "txtBaseHappiness", "frameBreeding",
          "cmbEggType1", "cmbEggType2", "cmbHatch", "frameGender", "cmbGender", "frameItems",
          "cmbItem1", "cmbItem2", "Label2", "Label3", "Label4", "Label5", "Label6", "Label7",
          "Label8", "Label9", "Label10", "Label11", "Label12", "frameAbilities", "cmbAbility1",
          "cmbAbility2"})
        EXPECT_TRUE(ctl(name)->isEnabled()) << name;
    EXPECT_TRUE(window->mnuSave->isEnabled());

    open(makeRom("perle.nds", "APAF"));
    EXPECT_EQ(ctl<QLabel>("header")->text(), "Pokémon Perle");
    EXPECT_EQ(ctl<QLabel>("language")->text(), "Français");
    EXPECT_EQ(dialog.calls[1].lpstrInitialDir, std::string(1, '\0')) << "a new dialog each time";
}

TEST_F(EditCycle, UnsupportedFilesAreNamedAndNothingIsSavedIntoThem)
{
    const auto diamond = makeRom("diamond.nds", "ADAE");
    open(diamond);
    list()->setCurrentRow(5);
    ASSERT_TRUE(window->mnuSave->isEnabled());

    const auto lower = makeRom("lower.nds", "adae");
#ifndef _WIN32
    ::chmod(lower.c_str(), 0444);
#endif
    const auto lowerBefore = readFile(lower);
    open(lower);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Unsupported ROM");
    EXPECT_EQ(messages.shown[0].details,
              "The game code is \"adae\", not one of Diamond, Pearl, Platinum, HeartGold or SoulSilver.");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Warning);
    EXPECT_FALSE(messages.shown[0].title) << "the application's own title";
    EXPECT_EQ(ctl<QLabel>("header")->text(), "Pokémon Diamond") << "captions stay";
    EXPECT_TRUE(list()->isEnabled());
    EXPECT_EQ(window->session().RomPath, lower);
    EXPECT_EQ(window->session().GameCode, "adae");
    EXPECT_FALSE(window->mnuSave->isEnabled()) << "the table on screen is not this file's";
#ifndef _WIN32
    EXPECT_EQ(fileMode(lower), 0444u) << "looking at a file must not make it writable";
#endif

    // A species picked now is refused before anything is read, and the values of
    // the earlier file leave the screen.
    {
        FaultyFileServices counting;
        counting.failAccess = platform::FileAccess::Read;
        platform::ScopedFileServices scoped(counting);
        clickSpecies(6);
        EXPECT_EQ(counting.opens, 0);
    }
    EXPECT_EQ(messages.shown.back().text, "Unsupported ROM");
    EXPECT_EQ(messages.shown.size(), 2u) << "one click, one message";
    EXPECT_NE(messages.shown.back().details.find("\"adae\""), std::string::npos);
    EXPECT_FALSE(window->mnuSave->isEnabled());
    EXPECT_TRUE(text("txtHP")->text().isEmpty());
    EXPECT_EQ(combo("cmbType1")->currentIndex(), -1);
    window->mnuSave->trigger();
    EXPECT_EQ(readFile(lower), lowerBefore);

    // The supported ROM the user will save into is made writable by Open ROM.
#ifndef _WIN32
    ::chmod(diamond.c_str(), 0444);
    open(diamond);
    EXPECT_EQ(fileMode(diamond), 0644u);
#endif
}

TEST_F(EditCycle, CancelAndFailedOpensLeaveEverythingAsItWas)
{
    const auto diamond = makeRom("diamond.nds", "ADAE");
    open(diamond);
    list()->setCurrentRow(3);
    open("");  // cancelled
    EXPECT_EQ(window->session().RomPath, diamond);
    EXPECT_TRUE(window->mnuSave->isEnabled());
    EXPECT_TRUE(messages.shown.empty());

    const auto tiny = dir.file("tiny.nds");
    writeFile(tiny, Bytes(15, 'A'));
    open(tiny);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Unsupported ROM"});
    EXPECT_EQ(messages.shown[0].details, "The file is too short to be a ROM.");
    EXPECT_EQ(window->session().RomPath, diamond);
    EXPECT_EQ(window->session().GameCode, "ADAE");
    EXPECT_EQ(fileSize(tiny), 15);

    // A supported ROM that cannot be made writable can still be looked at; the save
    // says why it cannot write.
    FaultyFileServices faulty;
    faulty.failAttributes = true;
    {
        platform::ScopedFileServices scoped(faulty);
        open(makeRom("locked.nds", "APAE"));
    }
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(window->session().RomPath, dir.file("locked.nds"));
    EXPECT_EQ(ctl<QLabel>("header")->text(), "Pokémon Pearl");
}

// Open, pick species by mouse and keyboard, check every editor against the bytes,
// edit one field of each kind, save, and compare the whole file.
TEST_F(EditCycle, WholeCycleOnTwoEditions)
{
    struct Edition {
        const char* code;
        const char* data;
    } editions[] = {{"ADAE", "dp_personal.csv"}, {"APAJ", "dp_personal_pearl.csv"}};
    for (const auto& edition : editions) {
        SCOPED_TRACE(edition.code);
        const auto path = makeRom(std::string(edition.code) + ".nds", edition.code,
                                  realRecords(edition.data));
        const auto before = readFile(path);
        showActive();
        open(path);

        clickSpecies(0);
        expectControlsMatchFile(path, 0);
        EXPECT_EQ(text("txtHP")->text(), "45");
        EXPECT_EQ(combo("cmbType1")->currentText(), "Grass");
        list()->setFocus();
        // Typed letters add up within the input interval; start a fresh search.
        QTest::qWait(QApplication::keyboardInputInterval() + 50);
        const std::pair<Qt::Key, int> keys[] = {
            {Qt::Key_Down, 1}, {Qt::Key_End, 499}, {Qt::Key_Home, 0},
            {Qt::Key_PageDown, -1}, {Qt::Key_M, -1},
        };
        for (const auto& [key, row] : keys) {
            QTest::keyClick(list(), key);
            if (row >= 0) {
                EXPECT_EQ(list()->currentRow(), row);
            }
            EXPECT_EQ(window->session().SelectedIndex, list()->currentRow());
            expectControlsMatchFile(path, list()->currentRow());
        }
        EXPECT_TRUE(list()->currentItem()->text().startsWith('M'));

        clickSpecies(150);  // Mew: genderless
        EXPECT_FALSE(combo("cmbGender")->isEnabled());
        EXPECT_TRUE(ctl("frameGender")->isEnabled());
        EXPECT_EQ(combo("cmbGender")->currentText(), "None");
        clickSpecies(392);  // Piplup
        EXPECT_TRUE(combo("cmbGender")->isEnabled());
        expectControlsMatchFile(path, 392);
        EXPECT_EQ(window->session().TableBase, *species::tableBaseFor(edition.code));

        // In the user's own spelling: "2,5" in a German session.
        text("txtHP")->setText(QString("2") + QLocale().decimalPoint() + "5");
        combo("cmbType2")->setCurrentIndex(12);
        combo("cmbItem2")->setCurrentIndex(308);
        combo("cmbHatch")->setCurrentIndex(20);
        QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
        ASSERT_FALSE(messages.shown.empty());
        EXPECT_EQ(messages.shown.back().text, "Pokémon Data Saved Successfully!");
        EXPECT_EQ(messages.shown.back().icon, MessageIcon::Information);

        const auto record = std::stoll(window->session().TableBase) + 44 * 392;
        auto expected = before;
        expected[static_cast<std::size_t>(record + 0)] = 0x02;
        expected[static_cast<std::size_t>(record + 7)] = 0x0C;
        expected[static_cast<std::size_t>(record + 14)] = 0x34;
        expected[static_cast<std::size_t>(record + 15)] = 0x01;
        expected[static_cast<std::size_t>(record + 17)] = 0x14;
        EXPECT_EQ(differingOffsets(expected, readFile(path)), std::vector<std::int64_t>{});
        messages.shown.clear();
        window->hide();
    }
}

TEST_F(EditCycle, ANewFileNeedsALoadBeforeASave)
{
    const auto diamond = makeRom("diamond.nds", "ADAE");
    const auto korean = makeRom("korean.nds", "ADAK");
    const auto koreanBefore = readFile(korean);
    open(diamond);
    list()->setCurrentRow(12);
    open(korean);
    EXPECT_FALSE(window->mnuSave->isEnabled());
    window->mnuSave->trigger();
    EXPECT_EQ(readFile(korean), koreanBefore);
    EXPECT_TRUE(messages.shown.empty());

    // Picking the species that is still selected loads it from the new file.
    clickSpecies(12);
    EXPECT_TRUE(window->mnuSave->isEnabled());
    EXPECT_EQ(window->session().TableBase, "28315656");
    expectControlsMatchFile(korean, 12);
}

TEST_F(EditCycle, TheFileChangingUnderneathIsRefusedWithoutWriting)
{
    const auto path = makeRom("diamond.nds", "ADAE");
    open(path);
    list()->setCurrentRow(20);

    // Cut short between the load and the save.
    const auto base = std::stoll(window->session().TableBase);
    std::filesystem::resize_file(platform::nativePath(path), static_cast<std::uintmax_t>(base + 1000));
    const auto cut = readFile(path);
    window->mnuSave_Click();
    EXPECT_EQ(messages.shown.back().text,
              "The ROM file is too short to hold the Pokémon data table of this game. Nothing was written.");
    EXPECT_EQ(messages.shown.back().icon, MessageIcon::Warning);
    EXPECT_EQ(readFile(path), cut);

    // Deleted before the next load: nothing is created, nothing stays to be saved.
    std::filesystem::remove(platform::nativePath(path));
    list()->setCurrentRow(21);
    EXPECT_EQ(messages.shown.back().text, "The ROM file cannot be read: File not found. Nothing was read.");
    EXPECT_FALSE(window->mnuSave->isEnabled());
    EXPECT_TRUE(text("txtHP")->text().isEmpty());
    EXPECT_EQ(fileSize(path), -1);
}

TEST_F(EditCycle, AFailedWriteIsNeverReportedAsSuccess)
{
    const auto path = makeRom("diamond.nds", "ADAE");
    open(path);
    list()->setCurrentRow(30);
    text("txtHP")->setText("1");
    text("txtAttack")->setText("2");
    text("txtDefense")->setText("3");
    const auto before = readFile(path);
    FaultyFileServices faulty;
    faulty.failWriteNumber = 3;  // HP, Attack, then Defense fails
    faulty.ioError = platform::FileError::PermissionDenied;
    {
        platform::ScopedFileServices scoped(faulty);
        window->mnuSave_Click();
    }
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].title, "Error: 70");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
    EXPECT_NE(messages.shown[1].text.find("only partly saved: 2 of 20"), std::string::npos);
    EXPECT_EQ(messages.shown[1].icon, MessageIcon::Warning);
    const auto record = std::stoll(window->session().TableBase) + 44 * 30;
    EXPECT_EQ(differingOffsets(before, readFile(path)),
              (std::vector<std::int64_t>{record, record + 1}));
}

// Another program saves the ROM by rename between the save's check and its first
// write: the window must not call that a success.
TEST_F(EditCycle, ASaveIntoAFileReplacedMeanwhileIsNotASuccess)
{
    SKIP_ON_WINDOWS("Windows refuses to rename over a file that is open without delete sharing");
    const auto path = makeRom("diamond.nds", "ADAE");
    const auto pearl = makeRom("pearl.nds", "APAE");
    const auto pearlBytes = readFile(pearl);
    open(path);
    list()->setCurrentRow(444);
    text("txtAttack")->setText("1");
    FaultyFileServices replacing;
    replacing.beforeFirstWrite = [&] { std::rename(pearl.c_str(), path.c_str()); };
    {
        platform::ScopedFileServices scoped(replacing);
        window->mnuSave_Click();
    }
    EXPECT_EQ(readFile(path), pearlBytes);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text, "Pokémon Data Saved Successfully!");
    EXPECT_NE(messages.shown[0].text.find("is not in the file now at this path"), std::string::npos);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Warning);
}

// After a save that found the file changed or replaced, the species on screen is not
// what the file holds: a click on the same name loads it again, from the file now at
// the path, and the save after it writes there.
TEST_F(EditCycle, AClickOnTheSameSpeciesAfterAChangedFileLoadsItAgain)
{
    SKIP_ON_WINDOWS("Windows refuses to rename over a file that is open without delete sharing");
    const auto path = makeRom("diamond.nds", "ADAE");
    open(path);
    clickSpecies(444);
    const auto record = std::stoll(window->session().TableBase) + 44 * 444;

    // Replaced while the save wrote: the edit went into the old file.
    const auto other = makeRom("other.nds", "ADAE", realRecords());
    text("txtAttack")->setText("1");
    FaultyFileServices replacing;
    replacing.beforeFirstWrite = [&] { std::rename(other.c_str(), path.c_str()); };
    {
        platform::ScopedFileServices scoped(replacing);
        window->mnuSave_Click();
    }
    clickSpecies(444);
    expectControlsMatchFile(path, 444);
    EXPECT_EQ(text("txtAttack")->text(), "130") << "Garchomp's own Attack, in the file now there";

    // Changed by another program between load and save: refused, then loaded again.
    auto bytes = readFile(path);
    bytes[static_cast<std::size_t>(record)] = 77;
    writeFile(path, bytes);
    text("txtHP")->setText("2");
    window->mnuSave_Click();
    EXPECT_NE(messages.shown.back().text.find("Nothing was written"), std::string::npos);
    clickSpecies(444);
    EXPECT_EQ(text("txtHP")->text(), "77");
    text("txtHP")->setText("3");
    window->mnuSave_Click();
    EXPECT_EQ(messages.shown.back().text, "Pokémon Data Saved Successfully!");
    EXPECT_EQ(readFile(path)[static_cast<std::size_t>(record)], 3);
}

TEST_F(EditCycle, AFailedReadLeavesNothingToSave)
{
    const auto path = makeRom("diamond.nds", "ADAE");
    open(path);
    list()->setCurrentRow(40);
    FaultyFileServices faulty;
    faulty.failReadNumber = 10;
    {
        platform::ScopedFileServices scoped(faulty);
        list()->setCurrentRow(41);
    }
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Error: 57");
    EXPECT_FALSE(window->mnuSave->isEnabled());
    EXPECT_TRUE(text("txtHP")->text().isEmpty());
    EXPECT_EQ(combo("cmbType1")->currentIndex(), -1);
    list()->setCurrentRow(42);
    EXPECT_TRUE(window->mnuSave->isEnabled()) << "a later load that succeeds enables it";
}

TEST_F(EditCycle, NumbersMustBeFromZeroTo255)
{
    const auto path = makeRom("diamond.nds", "ADAE");
    open(path);
    list()->setCurrentRow(50);
    const auto before = readFile(path);
    for (const char* bad : {"256", "-1", "", "abc", "1,,"}) {
        text("txtRunChance")->setText(bad);
        window->mnuSave_Click();
        EXPECT_EQ(messages.shown.back().text, "Please enter Base Stat values between 0 and 255.") << bad;
        EXPECT_EQ(messages.shown.back().icon, MessageIcon::Warning);
        EXPECT_EQ(text("txtRunChance")->text(), bad) << "the user's text stays";
    }
    EXPECT_EQ(readFile(path), before);

    text("txtRunChance")->setText("255");
    text("txtHP")->setText("0");
    window->mnuSave_Click();
    EXPECT_EQ(messages.shown.back().text, "Pokémon Data Saved Successfully!");
}

TEST_F(EditCycle, PlatinumShowsItsOwnItemsAndFormRecords)
{
    romimage::ImageRecipe recipe;
    recipe.gameCode = "CPUE";
    recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/pt_personal.csv", nullptr);
    recipe.members[1][12] = 466 & 0xFF;  // Bulbasaur holds Gracidea, an item Diamond lacks
    recipe.members[1][13] = 466 >> 8;
    const auto platinum = dir.file("platinum.nds");
    ASSERT_TRUE(romimage::writeRomImage(platinum, recipe, nullptr));
    const auto before = readFile(platinum);
    open(platinum);
    EXPECT_EQ(ctl<QLabel>("header")->text(), "Pokémon Platinum");
    for (const char* items : {"cmbItem1", "cmbItem2"}) {
        EXPECT_EQ(combo(items)->count(), 468) << items;
        EXPECT_EQ(combo(items)->itemText(112), "Griseous Orb") << items;
        EXPECT_EQ(combo(items)->itemText(467), "Secret Key") << items;
    }
    // The 493 species, then Egg, Bad Egg and the twelve form records.
    EXPECT_EQ(list()->count(), 507);
    EXPECT_EQ(list()->item(493)->text(), "Egg");
    EXPECT_EQ(list()->item(506)->text(), "Rotom (Mow)");
    list()->setCurrentRow(486);
    const char* giratina[][2] = {{"txtHP", "150"}, {"txtAttack", "100"}, {"txtDefense", "120"},
                                 {"txtSpeed", "90"}, {"txtSpAttack", "100"}, {"txtSpDefense", "120"}};
    for (const auto& [name, value] : giratina)
        EXPECT_EQ(text(name)->text().toStdString(), value) << name;
    list()->setCurrentRow(0);
    EXPECT_EQ(combo("cmbItem1")->currentText(), "Gracidea");
    window->mnuSave_Click();
    EXPECT_EQ(readFile(platinum), before) << "a save of what was loaded changes nothing";

    open(makeRom("diamond.nds", "ADAE"));
    EXPECT_EQ(list()->count(), 500) << "Diamond has the forms up to Wormadam's";
    EXPECT_EQ(combo("cmbItem1")->count(), 465);
    EXPECT_EQ(combo("cmbItem1")->itemText(112), "???");
}

} // namespace
