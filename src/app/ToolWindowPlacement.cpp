#include "app/ToolWindowPlacement.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <tuple>

namespace quillmark::app {

namespace {

constexpr int kGap = 8;

std::int64_t area(const QRect& rect)
{
    return rect.isEmpty() ? 0 : std::int64_t{rect.width()} * rect.height();
}

} // namespace

QRect toolWindowFrame(const QRect& main, const QRect& editors, const QSize& natural, const QSize& minimum,
                      const std::function<int(int width)>& heightFor, const std::vector<QRect>& others,
                      const QRect& screen)
{
    // Every place along the edges of the screen, the main window and the other tools.
    auto best = [&](const QSize& size, bool mayCoverEditors) -> std::optional<QRect> {
        const int w = size.width(), h = size.height();
        std::vector<int> xs = {main.right() + 1 + kGap, main.left() - kGap - w, screen.left(),
                               screen.right() + 1 - w, main.left()};
        std::vector<int> ys = {main.top(), main.bottom() + 1 + kGap, main.top() - kGap - h, screen.top(),
                               screen.bottom() + 1 - h};
        for (const QRect& other : others) {
            xs.insert(xs.end(), {other.right() + 1 + kGap, other.left() - kGap - w, other.left()});
            ys.insert(ys.end(), {other.bottom() + 1 + kGap, other.top() - kGap - h, other.top()});
        }
        std::optional<QRect> chosen;
        auto cost = std::make_tuple(std::numeric_limits<std::int64_t>::max(), std::int64_t{0}, std::int64_t{0},
                                    std::int64_t{0});
        for (const int x : xs) {
            for (const int y : ys) {
                const QRect frame(x, y, w, h);
                if (!screen.contains(frame))
                    continue;
                const auto overEditors = area(frame & editors);
                if (overEditors > 0 && !mayCoverEditors)
                    continue;
                std::int64_t overOthers = 0;
                for (const QRect& other : others)
                    overOthers += area(frame & other);
                // Near the main window's side, from the top of the screen down: the next
                // tool window then finds the room below.
                const auto distance = std::int64_t{std::abs(x - main.right())} + std::abs(y - screen.top());
                const auto here = std::make_tuple(overEditors, area(frame & main), overOthers, distance);
                if (!chosen || here < cost) {
                    cost = here;
                    chosen = frame;
                }
            }
        }
        return chosen;
    };
    if (const auto whole = best(natural, false))
        return *whole;

    // Shrunk into the largest free area beside the main window.
    const QRect sides[] = {
        QRect(QPoint(main.right() + 1 + kGap, screen.top()), screen.bottomRight()),
        QRect(screen.topLeft(), QPoint(main.left() - 1 - kGap, screen.bottom())),
        QRect(QPoint(screen.left(), main.bottom() + 1 + kGap), screen.bottomRight()),
        QRect(screen.topLeft(), QPoint(screen.right(), main.top() - 1 - kGap)),
    };
    std::optional<QRect> roomiest;
    for (const QRect& side : sides) {
        if (side.width() < minimum.width() || side.height() < minimum.height())
            continue;
        const int w = std::min(natural.width(), side.width());
        const int h = std::clamp(heightFor(w), minimum.height(), side.height());
        if (!roomiest || area(QRect(0, 0, w, h)) > area(*roomiest))
            roomiest = QRect(0, 0, w, h);
    }
    if (roomiest) {
        if (const auto shrunk = best(roomiest->size(), false))
            return *shrunk;
    }
    return best(natural, true).value_or(QRect(screen.topLeft(), natural));
}

QRect mainWindowFrame(const QSize& size, const QRect& screen)
{
    const int y = screen.top() + std::max(0, (screen.height() - size.height()) / 2);
    return QRect(QPoint(screen.left(), y), size);
}

} // namespace quillmark::app
