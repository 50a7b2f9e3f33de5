#include "app/ToolWindowPlacement.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace quillmark::app {

namespace {

constexpr int kGap = 8;

std::int64_t area(const QRect& rect)
{
    return rect.isEmpty() ? 0 : std::int64_t{rect.width()} * rect.height();
}

// The top-left corner that keeps a window of `size` on the screen, as near `at` as it can.
QPoint onScreen(QPoint at, const QSize& size, const QRect& screen)
{
    at.setX(std::clamp(at.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - size.width())));
    at.setY(std::clamp(at.y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - size.height())));
    return at;
}

} // namespace

QPoint toolWindowPosition(const QRect& main, const QRect& keepClear, const QSize& size,
                          const QRect& screen)
{
    const int w = size.width(), h = size.height();
    const QPoint beside[] = {
        {main.right() + 1 + kGap, main.top()},
        {main.left() - kGap - w, main.top()},
        {main.left(), main.bottom() + 1 + kGap},
        {main.left(), main.top() - kGap - h},
    };
    for (const QPoint& at : beside) {
        if (screen.contains(QRect(at, size)))
            return at;
    }

    // No room beside it: of the places along the screen's edges and the main window's,
    // the one that covers the least of the main window, the species list never.
    const int xs[] = {screen.left(), screen.right() + 1 - w, main.right() + 1 + kGap,
                      main.left() - kGap - w, keepClear.right() + 1 + kGap};
    const int ys[] = {screen.top(), screen.bottom() + 1 - h, main.top(), main.bottom() + 1 + kGap,
                      main.top() - kGap - h};
    QPoint best = onScreen(beside[0], size, screen);
    auto bestCost = std::make_pair(std::numeric_limits<std::int64_t>::max(),
                                   std::numeric_limits<std::int64_t>::max());
    for (const int x : xs) {
        for (const int y : ys) {
            const QPoint at = onScreen({x, y}, size, screen);
            const QRect frame(at, size);
            const auto cost = std::make_pair(area(frame & keepClear), area(frame & main));
            if (cost < bestCost) {
                bestCost = cost;
                best = at;
            }
        }
    }
    return best;
}

} // namespace quillmark::app
