#include "EditorFixture.h"

#include <QApplication>
#include <QGuiApplication>
#include <QSpinBox>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>

using namespace quillmark;
using namespace quillmark::test;

namespace {

// Focus moved by a real X server, as a window manager moves it (xdotool sets the input
// focus the way a window manager does). CTest runs these under a private Xvfb; on the
// offscreen platform they are skipped.
class WindowManager : public EditorFixture {
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != "xcb") {
            if (qEnvironmentVariableIsSet("QUILLMARK_EXPECT_X"))
                FAIL() << "expected the xcb platform, got " << QGuiApplication::platformName().toStdString();
            GTEST_SKIP() << "needs an X server";
        }
        EditorFixture::SetUp();
    }

    static void focus(QWidget* widget)
    {
        const auto command = "xdotool windowfocus --sync " + std::to_string(widget->winId());
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        QTest::qWait(150);
    }

    // Keys and clicks through the X server, as a person's keyboard and mouse give them.
    static void xdotool(const std::string& arguments)
    {
        const auto command = "xdotool " + arguments;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        QTest::qWait(150);
    }
    static void clickAt(QWidget* widget, QPoint local)
    {
        const QPoint at = widget->mapToGlobal(local);
        xdotool("mousemove " + std::to_string(at.x()) + " " + std::to_string(at.y()) + " click 1");
    }
    void clickSpecies(int row)
    {
        list()->scrollToItem(list()->item(row));
        QTest::qWait(50);
        clickAt(list()->viewport(), list()->visualItemRect(list()->item(row)).center());
    }
    void showFocused()
    {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        focus(window.get());
    }
};

TEST_F(WindowManager, FocusComingBackAfterTheFileDialogLoadsNothing)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    focus(window.get());
    open(makeRom("rom.nds", "ADAE"));

    // The file dialog had the focus; closing it gives the focus back to the window.
    QWidget dialogStandIn;
    dialogStandIn.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialogStandIn));
    focus(&dialogStandIn);
    dialogStandIn.close();
    focus(window.get());

    EXPECT_TRUE(list()->hasFocus());
    EXPECT_TRUE(list()->selectedItems().isEmpty());
    EXPECT_TRUE(text("txtHP")->text().isEmpty());
    EXPECT_FALSE(window->mnuSave->isEnabled());
}

TEST_F(WindowManager, MoreDataTakesReturnAsACommitAndEscapeAsClose)
{
    showFocused();
    open(makeRom("rom.nds", "ADAE", realRecords()));
    clickSpecies(444);
    ASSERT_EQ(text("txtHP")->text(), "108");
    xdotool("key ctrl+m");
    auto* more = window->moreDataWindow();
    ASSERT_NE(more, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(more));
    EXPECT_EQ(more->windowTitle().remove("[*]"), "More Data - Garchomp");
    const QRect species(list()->mapToGlobal(QPoint(0, 0)), list()->size());
    EXPECT_FALSE(more->frameGeometry().intersects(species))
        << "More Data at " << more->frameGeometry().x() << "," << more->frameGeometry().y();

    focus(more);
    std::vector<bool> machines;
    for (auto* box : more->chkMachine)
        machines.push_back(box->isChecked());
    clickAt(more->spnEV[0], more->spnEV[0]->rect().center());
    xdotool("key ctrl+a");
    xdotool("type 2");
    xdotool("key Return");
    EXPECT_EQ(more->spnEV[0]->value(), 2);
    std::vector<bool> after;
    for (auto* box : more->chkMachine)
        after.push_back(box->isChecked());
    EXPECT_EQ(after, machines) << "Return pressed no button";
    EXPECT_TRUE(more->isVisible());

    xdotool("key Escape");
    EXPECT_FALSE(more->isVisible());

    // Moves and Evolutions opens beside the main window too.
    focus(window.get());
    xdotool("key ctrl+e");
    auto* moves = window->movesWindow();
    ASSERT_NE(moves, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(moves));
    EXPECT_EQ(moves->windowTitle().remove("[*]"), "Moves and Evolutions - Garchomp");
    EXPECT_FALSE(moves->frameGeometry().intersects(species))
        << "Moves and Evolutions at " << moves->frameGeometry().x() << "," << moves->frameGeometry().y();
}

TEST_F(WindowManager, AfterOpenTheNameSelectedBeforeLoadsFromTheNewFile)
{
    showFocused();
    open(makeRom("first.nds", "ADAE"));
    clickSpecies(444);
    ASSERT_TRUE(window->mnuSave->isEnabled());
    const auto second = makeRom("second.nds", "ADAE", realRecords());
    open(second);
    focus(window.get());
    EXPECT_TRUE(list()->selectedItems().isEmpty());
    clickSpecies(444);
    EXPECT_EQ(text("txtHP")->text(), "108") << "Garchomp of the second file";
    EXPECT_TRUE(window->mnuSave->isEnabled());
}

TEST_F(WindowManager, ARefusedSaveLeavesTheCursorInTheFirstBoxThatFails)
{
    showFocused();
    open(makeRom("rom.nds", "ADAE"));
    clickSpecies(30);
    // Catch Rate comes after Attack in tab order, though typed first.
    for (const auto& [box, typed] : {std::pair{"txtCatchRate", "300"}, std::pair{"txtAttack", "999"}}) {
        clickAt(text(box), text(box)->rect().center());
        xdotool("key ctrl+a");
        xdotool(std::string("type ") + typed);
    }
    clickAt(text("txtHP"), text("txtHP")->rect().center());
    const auto before = readFile(dir.file("rom.nds"));
    xdotool("key ctrl+s");
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Please enter Base Stat values between 0 and 255."});
    EXPECT_EQ(QApplication::focusWidget(), text("txtAttack"));
    EXPECT_EQ(text("txtAttack")->selectedText(), "999");
    EXPECT_EQ(readFile(dir.file("rom.nds")), before);
}

// Ctrl+Q pressed in Moves and Evolutions, and the main window closed as its title bar's
// button closes it, each while both windows hold edits: the question is asked once, and
// answered Discard the event loop ends (the program with it), no window of it stays on
// screen, and the ROM is as it was.
TEST_F(WindowManager, ExitEndsTheProgramWhateverTheToolWindowsHold)
{
    for (const bool byKey : {true, false}) {
        SCOPED_TRACE(byKey ? "Ctrl+Q in Moves and Evolutions" : "the main window closed");
        window = std::make_unique<app::Form1>(&messages, dialog.functions());
        const auto path = makeRom("rom.nds", "ADAE", realRecords());
        const auto before = readFile(path);
        showFocused();
        open(path);
        clickSpecies(444);
        text("txtHP")->setText("99");
        window->mnuMoves_Click();
        auto* moves = window->movesWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(moves));
        moves->cmdAdd->click();
        ASSERT_TRUE(moves->hasPendingEdits());
        focus(moves);
        QTimer::singleShot(0, [&] {
            if (byKey)
                xdotool("key --clearmodifiers ctrl+q");
            else
                window->close();
        });
        // What the program's main does after showing the window; a program that did not
        // end is stopped here after 5 s and the test fails.
        bool ended = false;
        QTimer::singleShot(5000, [&] { if (!ended) QCoreApplication::exit(1); });
        messages.asked.clear();
        messages.answers = {platform::SaveChoice::Discard};
        EXPECT_EQ(QApplication::exec(), 0);
        ended = true;
        EXPECT_EQ(messages.asked, std::vector<std::string>{"Save changes to Garchomp?"});
        for (QWidget* top : QApplication::topLevelWidgets())
            EXPECT_FALSE(top->isVisible()) << top->objectName().toStdString();
        EXPECT_EQ(readFile(path), before);
    }
}

} // namespace
