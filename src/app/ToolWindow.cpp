#include "app/ToolWindow.h"

#include "app/DocumentController.h"
#include "app/PressOnlyButton.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace quillmark::app {

ToolWindow::ToolWindow(DocumentController& controller, QWidget* mainWindow)
    : QDialog(mainWindow), m_controller(controller)
{
    connect(this, &ToolWindow::pendingChanged, &m_controller, &DocumentController::updatePending);
    // Exit ends the program, whatever the windows hold: none of them stays on screen to
    // save values of a main window that is gone.
    connect(&m_controller, &DocumentController::quitting, this, &QWidget::hide);
}

void ToolWindow::addPages(const std::vector<EditorPage*>& pages)
{
    m_pages.insert(m_pages.end(), pages.begin(), pages.end());
    m_controller.addPages(pages);
}

bool ToolWindow::holdsEdits() const
{
    return std::any_of(m_pages.begin(), m_pages.end(), [](const EditorPage* page) { return page->hasPendingEdits(); });
}

void ToolWindow::revertPages()
{
    for (EditorPage* page : m_pages)
        page->revertEdits();
    updatePending();
}

QHBoxLayout* ToolWindow::revertAndCloseRow()
{
    cmdRevert = pressOnlyButton("Re&vert", "cmdRevert", "Revert", this);
    cmdClose = pressOnlyButton("Close", "cmdClose", "Close", this);
    connect(cmdRevert, &QPushButton::clicked, this, &ToolWindow::cmdRevert_Click);
    connect(cmdClose, &QPushButton::clicked, this, &ToolWindow::cmdClose_Click);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(cmdRevert);
    row->addWidget(cmdClose);
    return row;
}

void ToolWindow::cmdRevert_Click() { revertPages(); }

// Hidden with its edits, which Save ROM still writes.
void ToolWindow::cmdClose_Click() { hide(); }

void ToolWindow::updatePending()
{
    const bool pending = holdsEdits();
    setWindowModified(pending);
    if (pending != m_pending) {
        m_pending = pending;
        emit pendingChanged(pending);
    }
}

void ToolWindow::placeFrame(const QRect& frame, const QSize& decoration, const QPoint& clientOffset)
{
    m_frameCorner = frame.topLeft();
    setGeometry(QRect(frame.topLeft() + clientOffset, frame.size() - decoration));
}

void ToolWindow::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    // Framed now (a title bar above the client): put the frame where it was meant to be,
    // once, whatever the window manager made of the first request.
    if (m_frameCorner && isVisible() && frameGeometry().height() > height()) {
        const QPoint corner = *m_frameCorner;
        m_frameCorner.reset();
        if (frameGeometry().topLeft() != corner) {
            move(corner);
            return;
        }
    }
    keepFrameOnScreen();
}

void ToolWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_checkOnScreen = true;
    // A window manager that maps the window where it was asked sends no move: look once
    // the frame is there.
    QTimer::singleShot(300, this, &ToolWindow::keepFrameOnScreen);
}

void ToolWindow::keepFrameOnScreen()
{
    if (!m_checkOnScreen || m_frameCorner || !isVisible() || frameGeometry().height() <= height() || !screen())
        return;
    m_checkOnScreen = false;
    const QRect room = screen()->availableGeometry();
    const QRect frame = frameGeometry();
    const QPoint corner(std::clamp(frame.x(), room.left(), std::max(room.left(), room.right() + 1 - frame.width())),
                        std::clamp(frame.y(), room.top(), std::max(room.top(), room.bottom() + 1 - frame.height())));
    if (corner != frame.topLeft())
        move(corner);
}

void ToolWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        revertPages();
        hide();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace quillmark::app
