#include "app/ToolWindow.h"

#include <QKeyEvent>

namespace quillmark::app {

void ToolWindow::updatePending()
{
    const bool pending = hasPendingEdits();
    setWindowModified(pending);
    if (pending != m_pending) {
        m_pending = pending;
        emit pendingChanged(pending);
    }
}

void ToolWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        revertEdits();
        hide();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace quillmark::app
