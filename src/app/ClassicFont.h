#pragma once

#include <QFont>
#include <QStringList>

namespace quillmark::app {

// The first of the families that is installed and draws every letter and digit, at
// the given size; else Liberation Sans, which the Windows build carries inside the
// executable. Asking fontconfig for a missing family silently gives its default face,
// whose wider letters would overflow a layout measured in the classic Windows fonts;
// and a face that is present can still draw a letter blank (under wine, the face
// behind "Microsoft Sans Serif" and "Tahoma" draws no capital I): so check both.
QFont classicFont(const QStringList& families, qreal pointSize);

// The font of message boxes and dialogs, which take the application's: on Windows,
// Qt's default ("MS Shell Dlg 2") is missing under wine and falls back to a serif face.
void setApplicationFont();

// Whether every letter and digit of `font` leaves ink, as this program's windows
// render it.
bool drawsEveryLetter(const QFont& font);

} // namespace quillmark::app
