// Every letter of the windows is drawn, in the face the windows ask for. Under wine
// without the classic Windows faces, the face the system fell back to drew no capital
// I ("Wild Hold  tems") and message boxes came out in a serif face; the test runs
// there on the real Windows platform too (scripts/windows-window-test.sh).
#include "EditorFixture.h"

#include <QFontInfo>
#include <QImage>
#include <QPainter>

using namespace quillmark;
using namespace quillmark::test;

namespace {

// Columns of a line of text that hold ink, as `font` draws it.
int inkColumns(const QFont& font, const QString& text)
{
    QImage image(400, 40, QImage::Format_RGB32);  // as a window is drawn: subpixel text where the system smooths so
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRect(4, 0, 396, 40), Qt::AlignVCenter | Qt::AlignLeft, text);
    }
    int columns = 0;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixelColor(x, y).lightness() < 128) {
                ++columns;
                break;
            }
        }
    }
    return columns;
}

class Fonts : public EditorFixture {};

TEST_F(Fonts, TheCapitalIOfWildHoldItemsIsDrawn)
{
    window->mnuMoves_Click();
    window->mnuMoreData_Click();
#ifdef Q_OS_WIN
    constexpr bool applicationFontIsOurs = true;
#else
    constexpr bool applicationFontIsOurs = false;  // the desktop's, as fontconfig names it
#endif
    const struct {
        const char* whose;
        QFont font;
        bool ours;  // picked by this program, not by the system
    } fonts[] = {
        {"main window", window->font(), true},
        {"More Data", window->moreDataWindow()->font(), true},
        {"Moves and Evolutions", window->movesWindow()->font(), true},
        {"message boxes", QApplication::font(), applicationFontIsOurs},
    };
    for (const auto& f : fonts) {
        SCOPED_TRACE(std::string(f.whose) + ": " + f.font.family().toStdString());
        // The face asked for is the face drawn: no fallback the system picks (under
        // wine without the classic faces, one that drew no I, or a serif one).
        if (f.ours) {
            EXPECT_FALSE(f.font.family().isEmpty());
            EXPECT_EQ(QFontInfo(f.font).family(), f.font.family());
        }
        // The I has a stem: with it the caption has more ink than without.
        EXPECT_GT(inkColumns(f.font, "Wild Hold Items"), inkColumns(f.font, "Wild Hold tems"));
        EXPECT_GT(inkColumns(f.font, "-No Item-"), inkColumns(f.font, "-No tem-"));
        EXPECT_GT(inkColumns(f.font, "TM23 Iron Tail"), inkColumns(f.font, "TM23 ron Tail"));
    }
}

} // namespace
