#pragma once

#include <QPushButton>

namespace quillmark::app {

// A dialog makes its first button the default, which Return in any box then presses:
// typing a value and Return would act on the whole window (tick all 100 machines).
// The tool windows' buttons act only when pressed: a click, Space or their access key.
inline QPushButton* pressOnlyButton(const char* caption, const char* name, const char* accessibleName,
                                    QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(accessibleName);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace quillmark::app
