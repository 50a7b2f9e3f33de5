#pragma once

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace quillmark::app {

// The first of the families that is installed, at the given size. Asking fontconfig
// for a missing family silently gives its default face, whose wider letters would
// overflow a layout measured in the classic Windows fonts; so check first.
inline QFont classicFont(const QStringList& families, qreal pointSize)
{
    QFont font;
    for (const auto& family : families) {
#ifdef Q_OS_WIN
        // The raster "MS Sans Serif" loses glyphs in Qt's DirectWrite engine; the
        // next family, its TrueType successor "Microsoft Sans Serif", has its metrics.
        if (family == QLatin1String("MS Sans Serif"))
            continue;
#endif
        if (QFontDatabase::hasFamily(family)) {
            font.setFamily(family);
            break;
        }
    }
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace quillmark::app
