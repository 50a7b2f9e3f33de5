// The tool windows on a real screen with a window manager, at the sizes people have:
// never over the main window's editors, beside it where there is room, and not over
// each other where the screen has room for both. CTest runs these under Xvfb with
// openbox at 1366x768 and at 1920x1080; elsewhere they are skipped.
#include "EditorFixture.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWindow>

#include <cstdio>
#include <cstdlib>

using namespace quillmark;
using namespace quillmark::test;

namespace {

class ToolWindows : public EditorFixture {
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != "xcb" || !qEnvironmentVariableIsSet("QUILLMARK_WINDOW_MANAGER"))
            GTEST_SKIP() << "needs an X server with a window manager";
        EditorFixture::SetUp();
    }

    // Every editor of the main window, in screen coordinates.
    std::vector<std::pair<QString, QRect>> editors() const
    {
        std::vector<std::pair<QString, QRect>> rects;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (w->window() != window.get() || !w->isVisible())
                continue;
            if ((qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w->parentWidget())) ||
                qobject_cast<QComboBox*>(w) || qobject_cast<QListWidget*>(w))
                rects.emplace_back(w->objectName(), QRect(w->mapToGlobal(QPoint(0, 0)), w->size()));
        }
        return rects;
    }

    // The main window framed, and HeartGold's Garchomp loaded: its 52 tutor moves make
    // Moves and Evolutions the tallest it gets.
    void showHeartGoldsGarchomp()
    {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        // Until the window manager has framed it at its size: a loaded machine is slow to.
        QTRY_VERIFY_WITH_TIMEOUT(window->frameGeometry().height() > window->height() && window->width() > 100, 5000);
        romimage::ImageRecipe recipe;
        recipe.gameCode = "IPKE";
        recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/hgss_personal.csv", nullptr);
        ASSERT_TRUE(romimage::writeRomImage(dir.file("rom.nds"), recipe, nullptr));
        open(dir.file("rom.nds"));
        list()->setCurrentRow(444);
        QTest::qWait(200);
    }

    // The frame as the window manager placed it: the client's place as the X server
    // has it (xwininfo) and the frame's extents the manager gives it (_NET_FRAME_EXTENTS),
    // not what Qt believes.
    static QRect placedFrame(const QWidget* w)
    {
        auto output = [](const std::string& command) {
            std::string text;
            if (FILE* pipe = ::popen(command.c_str(), "r")) {
                char buffer[512];
                while (const auto n = std::fread(buffer, 1, sizeof buffer, pipe))
                    text.append(buffer, n);
                ::pclose(pipe);
            }
            return text;
        };
        const auto id = std::to_string(w->winId());
        const auto info = output("xwininfo -id " + id);
        auto field = [&](const std::string& name) {
            const auto at = info.find(name);
            return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + name.size());
        };
        int left = 0, right = 0, top = 0, bottom = 0;
        const auto extents = output("xprop -id " + id + " _NET_FRAME_EXTENTS");
        if (const auto eq = extents.find('='); eq != std::string::npos)
            std::sscanf(extents.c_str() + eq + 1, " %d, %d, %d, %d", &left, &right, &top, &bottom);
        return QRect(field("Absolute upper-left X:") - left, field("Absolute upper-left Y:") - top,
                     field("Width:") + left + right, field("Height:") + top + bottom);
    }

    static std::string describe(const QRect& r)
    {
        return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
               std::to_string(r.height());
    }

    // The window's own content needs no scrolling: every control it names is in view.
    static bool wholeWithoutScrolling(const QWidget* tool)
    {
        for (const auto* area : tool->findChildren<QScrollArea*>()) {
            if (area->parentWidget() == tool &&
                (area->verticalScrollBar()->maximum() > 0 || area->horizontalScrollBar()->maximum() > 0))
                return false;
        }
        return true;
    }

    static void xdotool(const std::string& arguments)
    {
        const auto command = "xdotool " + arguments;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        QTest::qWait(200);
    }
};

TEST_F(ToolWindows, NeverCoverTheMainWindowsEditors)
{
    showHeartGoldsGarchomp();
    xdotool("windowfocus --sync " + std::to_string(window->winId()));

    // Ctrl+E with the cursor in the HP box, as a person presses it.
    auto* hp = window->control<QLineEdit>("txtHP");
    hp->setFocus();
    QTest::qWait(100);
    xdotool("key ctrl+e");
    auto* moves = window->movesWindow();
    ASSERT_NE(moves, nullptr) << "Ctrl+E from the HP box";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(moves));
    xdotool("windowfocus --sync " + std::to_string(window->winId()));
    hp->setFocus();
    xdotool("key ctrl+m");
    auto* more = window->moreDataWindow();
    ASSERT_NE(more, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(more));
    QTest::qWait(300);
    for (QWidget* tool : std::initializer_list<QWidget*>{moves, more})
        QTRY_VERIFY_WITH_TIMEOUT(tool->frameGeometry().height() > tool->height(), 5000);

    const QRect screen = window->screen()->availableGeometry();
    for (QWidget* tool : std::initializer_list<QWidget*>{moves, more}) {
        const QRect frame = placedFrame(tool);
        SCOPED_TRACE("main " + std::to_string(window->frameGeometry().x()) + "," + std::to_string(window->frameGeometry().y()) + " " + std::to_string(window->frameGeometry().width()) + "x" + std::to_string(window->frameGeometry().height()) + "; " + tool->objectName().toStdString() + " at " + std::to_string(frame.x()) + "," +
                     std::to_string(frame.y()) + " " + std::to_string(frame.width()) + "x" +
                     std::to_string(frame.height()) + " on " + std::to_string(screen.width()) + "x" +
                     std::to_string(screen.height()));
        EXPECT_TRUE(screen.contains(frame));
        for (const auto& [name, rect] : editors())
            EXPECT_FALSE(frame.intersects(rect)) << name.toStdString();
        EXPECT_EQ(tool->windowHandle()->transientParent(), nullptr) << "the main window can come in front";
    }
    if (screen.width() >= 1920) {
        EXPECT_FALSE(placedFrame(moves).intersects(placedFrame(more))) << "room for both";
    }
    // More Data, opened last, shows every control without scrolling, whatever it covers
    // of the other tool where the screen has no room for both.
    EXPECT_TRUE(wholeWithoutScrolling(more));
}

// Compare with ROM opens beside the main window, over none of its editors, like the
// other tools: a double-click in it never picks a species the user cannot see.
TEST_F(ToolWindows, CompareOpensBesideTheMainWindow)
{
    showHeartGoldsGarchomp();
    dialog.answers.push_back(dir.file("rom.nds"));
    window->mnuCompare_Click();
    auto* compare = window->compareWindow();
    ASSERT_NE(compare, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(compare));
    QTRY_VERIFY_WITH_TIMEOUT(compare->frameGeometry().height() > compare->height(), 5000);
    QTest::qWait(300);
    const QRect frame = placedFrame(compare);
    SCOPED_TRACE(describe(frame));
    EXPECT_TRUE(window->screen()->availableGeometry().contains(frame));
    for (const auto& [name, rect] : editors())
        EXPECT_FALSE(frame.intersects(rect)) << name.toStdString();
}

// HeartGold's Moves and Evolutions, the tallest it gets, opened 20 times in a row: its
// frame, title bar included, is whole on the screen every time, the first and the later.
TEST_F(ToolWindows, ATallToolWindowIsWholeOnTheScreenEveryTimeItOpens)
{
    showHeartGoldsGarchomp();
    const QRect screen = window->screen()->availableGeometry();
    for (int opening = 1; opening <= 20; ++opening) {
        SCOPED_TRACE(opening);
        window->mnuMoves_Click();
        auto* moves = window->movesWindow();
        ASSERT_NE(moves, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(moves));
        QTRY_VERIFY_WITH_TIMEOUT(moves->frameGeometry().height() > moves->height(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(screen.contains(placedFrame(moves)), 2000);
        const QRect frame = placedFrame(moves);
        EXPECT_TRUE(screen.contains(frame)) << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                                            << frame.height() << " on " << screen.width() << "x" << screen.height();
        moves->close();
        QTRY_VERIFY_WITH_TIMEOUT(!moves->isVisible(), 2000);
    }
}

} // namespace
