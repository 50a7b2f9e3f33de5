#pragma once

#include "app/EditorPage.h"
#include "rom/RomIdentification.h"

#include <QString>

#include <functional>
#include <vector>

class QWidget;

namespace quillmark::app {

// A page of Moves and Evolutions beside the level-up moves and the evolutions (Egg
// Moves, Tutors): a tab that the window hosts without knowing its table. It shows its
// part of a load, is cleared with the lists, and says when its editors change.
class MovesTab : public EditorPage {
public:
    virtual QWidget* widget() = 0;
    virtual QString tabTitle() const = 0;  // "Egg &Moves"
    // What `load` holds of its part, in the words of `game`; a load without it leaves
    // the tab as it is.
    virtual void showFrom(const species::SpeciesLoad& load, rom::Game game) = 0;
    virtual void clearTab() = 0;
    // `changed` runs whenever its editors change.
    virtual void whenEdited(std::function<void()> changed) = 0;
};

// The tabs, made into `parent`, in the order the window shows them.
std::vector<MovesTab*> makeMovesTabs(QWidget* parent);

} // namespace quillmark::app
