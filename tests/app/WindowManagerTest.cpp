#include "EditorFixture.h"

#include <QGuiApplication>

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

} // namespace
