// Edits not yet saved are never dropped without a word: picking another species, Open
// ROM, Exit and a double-click in the Compare window first ask "Save changes to
// Garchomp?", and each answer does what it says, checked against the file's bytes.
#include "EditorFixture.h"
#include "app/CompareWindow.h"
#include "app/MoreDataWindow.h"
#include "cli/Commands.h"

#include "../cli/InProcess.h"

#include <QApplication>
#include <QSpinBox>
#include <QTableView>

#include <functional>

using namespace quillmark;
using namespace quillmark::test;
using platform::SaveChoice;

namespace {

constexpr int kGarchomp = 444, kGible = 442;

class UnsavedEdits : public EditorFixture {
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        rom = makeRom("diamond.nds", "ADAE", realRecords());
        other = makeRom("pearl.nds", "APAE", realRecords());
        pristine = readFile(rom);
        // The original a hack is compared with: Gible's HP differs.
        original = dir.file("original.nds");
        writeFile(original, pristine);
        EXPECT_EQ(runInProcess([&] { return cli::runSet(original, "Gible", {"hp=1"}, false); }).status, cli::Ok);
        for (const auto& row : sampleCsv("dp_personal.csv")) {
            if (row.at("name") == "GARCHOMP")
                garchompHp = row.at("hp");
        }
    }

    // The ROM open, Garchomp picked, its HP typed as 123 and not saved.
    void editGarchomp()
    {
        writeFile(rom, pristine);
        showActive();
        open(rom);
        pick(kGarchomp);
        text("txtHP")->setText("123");
        ASSERT_TRUE(window->isWindowModified());
        messages.shown.clear();
        messages.asked.clear();
    }

    void pick(int row)
    {
        auto* item = list()->item(row);
        list()->scrollToItem(item);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(item).center());
    }

    std::uint8_t garchompHpInFile() const
    {
        const auto base = std::stoll(*species::tableBaseFor("ADAE"));
        return readFile(rom).at(static_cast<std::size_t>(base + 44 * kGarchomp));
    }

    TempDir dir;
    std::string rom, other, original, garchompHp;
    Bytes pristine;
};

// For each way an edit could be dropped, the three answers: Save writes it and goes on,
// Discard goes on without it, Cancel leaves everything as it was, the list's selection
// and the typed value included.
TEST_F(UnsavedEdits, EveryWayToDropAnEditAsksAndEachAnswerDoesWhatItSays)
{
    const struct {
        const char* what;
        std::function<void()> act;
        // Where the window stands once it went on.
        std::function<void()> wentOn;
    } ways[] = {
        {"a click on another species", [&] { pick(kGible); },
         [&] {
             EXPECT_EQ(list()->currentRow(), kGible);
             EXPECT_EQ(window->session().SelectedIndex, kGible);
         }},
        {"the arrow key in the list",
         [&] {
             list()->setFocus();
             QTest::keyClick(list(), Qt::Key_Down);
         },
         [&] { EXPECT_EQ(window->session().SelectedIndex, kGarchomp + 1); }},
        {"Open ROM", [&] { open(other); }, [&] { EXPECT_EQ(window->session().RomPath, other); }},
        {"Exit", [&] { window->mnuExit_Click(); }, [&] { EXPECT_FALSE(window->isVisible()); }},
        {"Ctrl+Q while a drop-down list is open",
         [&] {
             combo("cmbType1")->showPopup();
             auto* popup = QApplication::activePopupWidget();
             ASSERT_NE(popup, nullptr);
             QTest::keyClick(popup, Qt::Key_Q, Qt::ControlModifier);
         },
         [&] { EXPECT_FALSE(window->isVisible()); }},
        {"a double-click in the Compare window",
         [&] {
             dialog.answers.push_back(original);
             window->mnuCompare_Click();
             auto* compare = window->compareWindow();
             ASSERT_NE(compare, nullptr);
             ASSERT_EQ(compare->shownRows().at(1).at(0), "Gible (442)");
             emit compare->grdChanges->doubleClicked(compare->grdChanges->model()->index(0, 2));
         },
         [&] { EXPECT_EQ(window->session().SelectedIndex, kGible); }},
    };
    for (const auto& way : ways) {
        for (const auto answer : {SaveChoice::Save, SaveChoice::Discard, SaveChoice::Cancel}) {
            SCOPED_TRACE(std::string(way.what) + (answer == SaveChoice::Save      ? ", Save"
                                                  : answer == SaveChoice::Discard ? ", Discard"
                                                                                  : ", Cancel"));
            editGarchomp();
            messages.answers = {answer};
            way.act();
            QCoreApplication::processEvents();
            EXPECT_EQ(messages.asked, std::vector<std::string>{"Save changes to Garchomp?"});
            EXPECT_EQ(garchompHpInFile(), answer == SaveChoice::Save ? 123 : std::stoi(garchompHp));
            if (answer == SaveChoice::Cancel) {
                EXPECT_TRUE(window->isVisible());
                EXPECT_EQ(window->session().RomPath, rom);
                EXPECT_EQ(window->session().SelectedIndex, kGarchomp);
                EXPECT_EQ(list()->currentRow(), kGarchomp);
                ASSERT_EQ(list()->selectedItems().size(), 1);
                EXPECT_EQ(list()->row(list()->selectedItems().front()), kGarchomp);
                EXPECT_EQ(text("txtHP")->text(), "123");
                EXPECT_TRUE(window->isWindowModified());
            } else {
                way.wentOn();
            }
            if (auto* compare = window->compareWindow())
                compare->close();
            window = std::make_unique<app::Form1>(&messages, dialog.functions());
        }
    }
}

// Nothing pending, nothing asked; an edit in More Data asks too; a Save that is refused
// (a number the game cannot take) goes nowhere and keeps the edit.
TEST_F(UnsavedEdits, OnlyPendingEditsAskAndARefusedSaveStays)
{
    writeFile(rom, pristine);
    showActive();
    open(rom);
    pick(kGarchomp);
    pick(kGible);
    open(other);
    EXPECT_TRUE(messages.asked.empty()) << messages.asked.front();

    open(rom);
    pick(kGarchomp);
    QTest::keyClick(window.get(), Qt::Key_M, Qt::ControlModifier);
    auto* more = window->moreDataWindow();
    ASSERT_NE(more, nullptr);
    more->spnEV[0]->setValue(more->spnEV[0]->value() == 3 ? 2 : 3);
    ASSERT_TRUE(window->isWindowModified());
    messages.answers = {SaveChoice::Cancel};
    pick(kGible);
    QCoreApplication::processEvents();
    EXPECT_EQ(messages.asked, std::vector<std::string>{"Save changes to Garchomp?"});
    EXPECT_EQ(window->session().SelectedIndex, kGarchomp);
    EXPECT_EQ(readFile(rom), pristine);

    more->close();
    text("txtHP")->setText("300");
    messages.asked.clear();
    messages.answers = {SaveChoice::Save};
    pick(kGible);
    QCoreApplication::processEvents();
    EXPECT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(readFile(rom), pristine) << "the save was refused";
    EXPECT_EQ(window->session().SelectedIndex, kGarchomp);
    EXPECT_EQ(list()->currentRow(), kGarchomp);
    EXPECT_EQ(text("txtHP")->text(), "300");
}

} // namespace
