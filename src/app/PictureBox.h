#pragma once

#include <QPixmap>
#include <QWidget>

namespace quillmark::app {

// A picture drawn at its natural size from the top-left corner, the same whether
// the widget is enabled or not: the banner must not grey out while the About window
// disables the main window. Serves as the main window's client area (the banner as
// background picture) and as its image controls.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    PictureBox(QPixmap picture, QWidget* parent);
    const QPixmap& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
};

} // namespace quillmark::app
