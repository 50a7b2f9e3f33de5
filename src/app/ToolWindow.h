#pragma once

#include <QDialog>

namespace quillmark::app {

// A tool window of the main window (More Data, Moves and Evolutions): not modal, its
// edits saved by Save ROM. Its title carries the pending mark ("[*]") while it holds
// edits not yet saved; Escape puts back what was loaded and hides it, as Cancel would,
// while Close and the title bar's button hide it and keep the edits.
class ToolWindow : public QDialog {
    Q_OBJECT

public:
    explicit ToolWindow(QWidget* mainWindow) : QDialog(mainWindow) {}

    // Edits differ from what was loaded.
    virtual bool hasPendingEdits() const = 0;
    // What was loaded, back in the editors.
    virtual void revertEdits() = 0;

signals:
    // The window came to hold edits not yet saved, or no longer does.
    void pendingChanged(bool pending);

protected:
    // After any change of the editors.
    void updatePending();
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_pending = false;
};

} // namespace quillmark::app
