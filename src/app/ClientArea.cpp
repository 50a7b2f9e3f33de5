#include "app/ClientArea.h"

#include <QPainter>

namespace quillmark::app {

ClientArea::ClientArea(QPixmap background, QWidget* parent)
    : QWidget(parent), m_background(std::move(background))
{
}

void ClientArea::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
}

} // namespace quillmark::app
