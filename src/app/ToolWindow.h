#pragma once

#include <QDialog>

class QHBoxLayout;
class QPushButton;

#include <optional>
#include <vector>

namespace quillmark::app {

class DocumentController;
class EditorPage;

// A tool window of the main window (More Data, Moves and Evolutions): not modal, its
// pages' edits saved by Save ROM. Made with the controller, it makes its pages known
// to it and connects what it shows itself. Its title carries the pending mark ("[*]")
// while a page holds edits not yet saved; Escape puts back what was loaded and hides
// it, as Cancel would, while Close and the title bar's button hide it and keep the
// edits.
class ToolWindow : public QDialog {
    Q_OBJECT

public:
    ToolWindow(DocumentController& controller, QWidget* mainWindow);

    // Some page of the window holds edits that differ from what was loaded.
    bool holdsEdits() const;
    // What was loaded, back in every page.
    void revertPages();

    // Opens with its frame (title bar and borders included) at `frame`. Until the
    // window manager has framed the window, where its frame goes is a guess; the first
    // framed position is corrected once to `frame`'s corner.
    void placeFrame(const QRect& frame, const QSize& decoration, const QPoint& clientOffset);

    void cmdRevert_Click();
    void cmdClose_Click();

    QPushButton* cmdRevert = nullptr;
    QPushButton* cmdClose = nullptr;

signals:
    // The window came to hold edits not yet saved, or no longer does.
    void pendingChanged(bool pending);

protected:
    DocumentController& controller() const { return m_controller; }
    // The window's pages, made known to the controller (last, once the window shows
    // what a load gives): Save asks them, loads read what they want.
    void addPages(const std::vector<EditorPage*>& pages);
    // Revert and Close, at the right, for the bottom of the window.
    QHBoxLayout* revertAndCloseRow();
    // After any change of the editors.
    void updatePending();
    void keyPressEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Once framed after each opening: the frame, title bar included, moved whole onto
    // the screen if the window manager put any of it off (above the top, say).
    void keepFrameOnScreen();

    DocumentController& m_controller;
    std::vector<EditorPage*> m_pages;
    bool m_pending = false;
    std::optional<QPoint> m_frameCorner;  // where the frame was meant to go, until it is there
    bool m_checkOnScreen = false;         // opened, and not yet seen framed
};

} // namespace quillmark::app
