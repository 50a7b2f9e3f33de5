#pragma once

#include <QDialog>
#include <QPointer>

class QPushButton;

namespace quillmark::app {

// The About window. It has no owner; while it is open the main window is disabled,
// and closing it in any way enables the main window again and destroys it.
class Form2 : public QDialog {
    Q_OBJECT

public:
    // mainWindow is enabled again when this window closes; it is not a parent.
    explicit Form2(QWidget* mainWindow);

    void Command1_Click();
    QPushButton* Command1 = nullptr;

private:
    QPointer<QWidget> m_mainWindow;
};

} // namespace quillmark::app
