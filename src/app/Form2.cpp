#include "app/Form2.h"

#include "app/ClassicFont.h"
#include "app/ControlInventory.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>

namespace quillmark::app {

namespace {

QRect twips(int left, int top, int width, int height)
{
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

} // namespace

Form2::Form2(QWidget* mainWindow) : QDialog(nullptr), m_mainWindow(mainWindow)
{
    setObjectName("Form2");
    setWindowTitle("About");
    setWindowIcon(QIcon(":/quillmark/icon.png"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(pixels(5340), pixels(1785));
    setModal(false);

    // Arial where it exists, else its metric twin.
    const QFont labelFont = classicFont({"Arial", "Liberation Sans"}, 8.25);

    Command1 = new QPushButton("OK", this);
    Command1->setObjectName("Command1");
    Command1->setGeometry(twips(3960, 360, 1215, 375));
    Command1->setDefault(true);

    auto* image = new QLabel(this);
    image->setObjectName("Image1");
    image->setPixmap(QPixmap(":/quillmark/icon.png"));
    image->setGeometry(twips(240, 360, 480, 480));
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    struct LabelDesign {
        const char* name;
        const char* caption;
        QRect rect;
    } labels[] = {
        {"Label3",
         "A tool to edit the base stats of Pokémon in Diamond and Pearl ROMs.  This program is "
         "based on Brannock's tutorial for basic Hex editing in Diamond and Pearl.",
         twips(120, 1080, 5295, 615)},
        {"Label2", "\u00A9 2008 Quillmark Team", twips(1440, 600, 1815, 255)},
        {"Label1", "Quillmark v1.2", twips(1680, 240, 1335, 255)},
    };
    for (const auto& design : labels) {
        auto* label = new QLabel(QString::fromUtf8(design.caption), this);
        label->setObjectName(design.name);
        label->setFont(labelFont);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setGeometry(design.rect);
    }

    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    // OK, Escape and the close control all end here.
    connect(this, &QDialog::finished, this, [this] {
        if (m_mainWindow)
            m_mainWindow->setEnabled(true);
        deleteLater();
    });
    Command1->setFocus();
}

void Form2::Command1_Click() { accept(); }

} // namespace quillmark::app
