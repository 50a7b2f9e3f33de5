#pragma once

#include <QScrollArea>

namespace quillmark::app {

// A tool window's editors, scrolled when a small screen gives the window less than
// their natural size; at that size or more it asks for exactly what they need, so the
// window opens as large as its content where there is room.
class ContentScrollArea : public QScrollArea {
public:
    explicit ContentScrollArea(QWidget* content, QWidget* parent) : QScrollArea(parent)
    {
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(true);
        setWidget(content);
    }
    QSize sizeHint() const override { return widget()->sizeHint(); }
    QSize minimumSizeHint() const override { return {160, 120}; }
};

} // namespace quillmark::app
