#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace quillmark::app {

// Where a tool window whose frame is `size` opens beside the main window's frame
// `main`, within the screen's available area `screen`: to its right when the screen
// has room, else to its left, below or above it; else where it covers the least of
// the main window, and never any of `keepClear` (the species list) unless the screen
// is too small to keep it clear.
QPoint toolWindowPosition(const QRect& main, const QRect& keepClear, const QSize& size,
                          const QRect& screen);

} // namespace quillmark::app
