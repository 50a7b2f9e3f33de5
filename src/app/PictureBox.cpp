#include "app/PictureBox.h"

#include <QPainter>

namespace quillmark::app {

PictureBox::PictureBox(QPixmap picture, QWidget* parent)
    : QWidget(parent), m_picture(std::move(picture))
{
}

void PictureBox::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

} // namespace quillmark::app
