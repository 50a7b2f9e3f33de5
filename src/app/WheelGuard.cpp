#include "app/WheelGuard.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace quillmark::app {

namespace {

class WheelGuard final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Wheel)
            return false;
        auto* box = static_cast<QWidget*>(watched);
        if (box->hasFocus())
            return false;
        for (QWidget* up = box->parentWidget(); up; up = up->parentWidget()) {
            if (auto* area = qobject_cast<QAbstractScrollArea*>(up)) {
                QCoreApplication::sendEvent(area->viewport(), event);
                break;
            }
        }
        return true;
    }
};

} // namespace

void keepWheelForFocusedBoxes(QWidget* window)
{
    static WheelGuard guard;
    const auto boxes = window->findChildren<QWidget*>();
    for (QWidget* box : boxes) {
        if (!qobject_cast<QComboBox*>(box) && !qobject_cast<QAbstractSpinBox*>(box))
            continue;
        // Wheel focus would make the box take the very turn that should scroll.
        box->setFocusPolicy(Qt::StrongFocus);
        box->installEventFilter(&guard);
    }
}

} // namespace quillmark::app
