// Quillmark: the editor starts straight into its main window.
#include "app/ClassicFont.h"
#include "app/Form1.h"

#include <QApplication>

#include <cstdio>

namespace {

// Qt aborts with its own words when there is no display to connect to; a user who
// started the editor over ssh or from a bare console deserves a plain sentence.
bool hasGraphicalSession()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

} // namespace

int main(int argc, char** argv)
{
    if (!hasGraphicalSession()) {
        std::fputs("quillmark: the editor needs a graphical session, and none was found "
                   "(DISPLAY and WAYLAND_DISPLAY are not set). quillmark-cli edits the same "
                   "ROMs without one.\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillmark");
    QApplication::setApplicationVersion("1.2.0.0");
    QApplication::setOrganizationName("Quillmark");
    QApplication::setDesktopFileName("quillmark");
    QApplication::setWindowIcon(QIcon(":/quillmark/icon.png"));
    quillmark::app::setApplicationFont();

    quillmark::app::Form1 window;
    window.show();
    return QApplication::exec();
}
