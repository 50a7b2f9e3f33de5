#include "app/ClassicFont.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHash>
#include <QImage>
#include <QPainter>

#ifdef QUILLMARK_BUNDLED_FONTS
// The fonts live in a static library: make sure their resources are registered (at
// global scope, where the resource's initialiser is declared).
static void initFontResources() { Q_INIT_RESOURCE(fonts); }
#endif

namespace quillmark::app {

namespace {

// The fonts the Windows build carries, registered once before the first look-up.
void registerBundledFonts()
{
#ifdef QUILLMARK_BUNDLED_FONTS
    static const bool registered = [] {
        initFontResources();
        QFontDatabase::addApplicationFont(":/quillmark/fonts/LiberationSans-Regular.ttf");
        QFontDatabase::addApplicationFont(":/quillmark/fonts/LiberationSans-Bold.ttf");
        return true;
    }();
    (void)registered;
#endif
}

} // namespace

bool drawsEveryLetter(const QFont& font)
{
    static const QString letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QImage image(64, 64, QImage::Format_Grayscale8);
    for (const QChar letter : letters) {
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setFont(font);
            painter.setPen(Qt::black);
            painter.drawText(QRect(0, 0, 64, 64), Qt::AlignCenter, QString(letter));
        }
        bool ink = false;
        for (int y = 0; y < image.height() && !ink; ++y) {
            const uchar* row = image.constScanLine(y);
            for (int x = 0; x < image.width() && !ink; ++x)
                ink = row[x] < 128;
        }
        if (!ink)
            return false;
    }
    return true;
}

void setApplicationFont()
{
#ifdef Q_OS_WIN
    QApplication::setFont(classicFont({"Microsoft Sans Serif", "Tahoma", "Arial"}, 8.25));
#endif
}

QFont classicFont(const QStringList& families, qreal pointSize)
{
    registerBundledFonts();
    // Each family is judged once: the windows ask for the same few.
    static QHash<QString, bool> usable;
    QFont font;
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    for (const auto& family : families + QStringList{"Liberation Sans"}) {
#ifdef Q_OS_WIN
        // The raster "MS Sans Serif" loses glyphs in Qt's engines; the next family,
        // its TrueType successor "Microsoft Sans Serif", has its metrics.
        if (family == QLatin1String("MS Sans Serif"))
            continue;
#endif
        if (!QFontDatabase::hasFamily(family))
            continue;
        font.setFamily(family);
        auto known = usable.find(family);
        if (known == usable.end())
            known = usable.insert(family, drawsEveryLetter(font));
        if (*known)
            return font;
    }
    return font;
}

} // namespace quillmark::app
