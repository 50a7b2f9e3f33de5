#pragma once

#include <QRect>
#include <QSize>

#include <functional>
#include <vector>

namespace quillmark::app {

// Where a tool window opens: the frame rectangle it gets, within the screen's
// available area `screen`. Never over `editors` (the main window's editors) while the
// screen leaves any room: at its natural size beside the main window `main` (right,
// left, below, above) or in the free area past it, where it covers none of `others`
// (the tool windows already open) if it can; else shrunk to the largest free area
// beside the main window, its height as `heightFor` gives it for that width, but not
// below `minimum`; only on a screen too small for that, where it covers the least.
QRect toolWindowFrame(const QRect& main, const QRect& editors, const QSize& natural, const QSize& minimum,
                      const std::function<int(int width)>& heightFor, const std::vector<QRect>& others,
                      const QRect& screen);

// Where the main window opens: at the left of the screen, so that the tool windows
// have the room to its right; vertically centred.
QRect mainWindowFrame(const QSize& size, const QRect& screen);

} // namespace quillmark::app
