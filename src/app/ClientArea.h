#pragma once

#include <QPixmap>
#include <QWidget>

namespace quillmark::app {

// The main window's client area: a fixed canvas with the banner as background picture.
class ClientArea : public QWidget {
    Q_OBJECT

public:
    ClientArea(QPixmap background, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_background;
};

} // namespace quillmark::app
