// Quillmark: the editor starts straight into its main window.
#include "app/Form1.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillmark");
    QApplication::setApplicationVersion("1.2.0.0");
    QApplication::setOrganizationName("Quillmark");
    QApplication::setDesktopFileName("quillmark");
    QApplication::setWindowIcon(QIcon(":/quillmark/icon.png"));

    quillmark::app::Form1 window;
    window.show();
    return QApplication::exec();
}
