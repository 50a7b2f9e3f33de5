#include "app/EggMovesPage.h"
#include "app/MovesTab.h"
#include "app/TutorMovesPage.h"

namespace quillmark::app {

std::vector<MovesTab*> makeMovesTabs(QWidget* parent)
{
    return {new EggMovesPage(parent), new TutorMovesPage(parent)};
}

} // namespace quillmark::app
