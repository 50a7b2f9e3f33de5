#include "app/ClassicFont.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // gtest_discover_tests runs this binary while building, where there is no display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillmark");
    quillmark::app::setApplicationFont();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
