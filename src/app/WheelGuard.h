#pragma once

class QWidget;

namespace quillmark::app {

// The wheel over a drop-down or a number box that the user has not clicked into
// scrolls what holds it, and changes no value: a wheel turned to scroll a window must
// not edit what the pointer happens to pass over. Applied to every such box inside
// `window` now; boxes made later are editors that open focused.
void keepWheelForFocusedBoxes(QWidget* window);

} // namespace quillmark::app
