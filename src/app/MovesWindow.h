#pragma once

#include "rom/RomIdentification.h"
#include "species/Evolutions.h"
#include "species/LevelUpMoves.h"
#include "species/RomDocument.h"

#include "app/EditorPage.h"
#include "app/ToolWindow.h"

#include <array>
#include <cstdint>
#include <optional>

class QBoxLayout;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTableView;
class QTabWidget;

namespace quillmark::app {

class LevelUpMovesModel;
class MovesTab;

// Moves and Evolutions: the level-up moves of the species the main window has loaded,
// as a table in stored order, and its seven evolution slots. A tool window of the
// main window, not modal, like More Data; Save ROM writes what it holds. Its title
// carries the pending mark while it holds edits not yet saved; Escape puts back what
// was loaded and hides it (as Cancel would), Close hides it and keeps the edits.
class MovesWindow : public ToolWindow, public EditorPage {
    Q_OBJECT

public:
    MovesWindow(DocumentController& controller, QWidget* mainWindow);

    // The species' lists as read; `freeBytes` is the room the ROM leaves after the
    // level-up archive.
    // `levelUpProblem`, if not empty, says why the level-up moves cannot be shown; the
    // evolutions can still be edited.
    void showMoves(const species::LevelUpMoves& moves, const species::Evolutions& evolutions, rom::Game game,
                   const QString& name, std::int64_t freeBytes, const QString& levelUpProblem = {});
    // What the load holds for the tabs beside the lists.
    void showTeaching(const species::SpeciesLoad& load);
    // What was read of a species: its lists and, with them, its tabs' parts; or
    // why the lists cannot be shown.
    void showLists(const Result<species::SpeciesMoves, species::SpeciesError>& moves,
                   const species::SpeciesLoad& load, rom::Game game, const QString& name);
    // Nothing loaded (or the archives could not be read: `why` says so).
    void clearMoves(const QString& why = {});

    species::LevelUpMoves editedLevelUpMoves() const;
    species::Evolutions editedEvolutions() const;
    // Why Save must refuse what the window holds, naming the species and the row or
    // slot: a move cell that names no move, a slot whose method still needs its
    // parameter. Nothing when it can be saved.
    std::optional<QString> problem() const;
    // The level-up list and the evolutions (the other tabs are pages of their own).
    bool hasPendingEdits() const override;
    void revertEdits() override;
    // The level-up moves and the evolutions as a page: the cell being edited and the
    // evolution boxes typed into are taken in, then problem() names what cannot be saved.
    std::optional<QString> commitTyped(const QString& species) override;
    void giveEdits(species::SpeciesChanges& changes) const override;
    species::PartSet wants() const override { return species::partsOf<species::MoveArchivesPart>(); }
    // The text in a cell being edited goes into the table, as leaving the cell would.
    void commitOpenEditor();

    // The window's height at a width, its panes one above the other when narrower
    // than they need side by side.
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

    void cmdAdd_Click();
    void cmdRemove_Click();
    // Remove, Up and Down: enabled while a row is picked (Up and Down where it can move).
    void updateRowButtons();
    void cmdUp_Click();
    void cmdDown_Click();
    void cmdSort_Click();

    QTableView* grdMoves = nullptr;
    LevelUpMovesModel* movesModel = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdRemove = nullptr;
    QPushButton* cmdUp = nullptr;
    QPushButton* cmdDown = nullptr;
    QPushButton* cmdSort = nullptr;
    QLabel* lblCount = nullptr;
    QLabel* lblRoom = nullptr;
    std::array<QComboBox*, species::kEvolutionSlots> cmbMethod{};
    std::array<QStackedWidget*, species::kEvolutionSlots> stkParameter{};
    std::array<QSpinBox*, species::kEvolutionSlots> spnParameter{};    // a level or a beauty value
    std::array<QComboBox*, species::kEvolutionSlots> cmbParameter{};   // an item, a move or a species
    std::array<QComboBox*, species::kEvolutionSlots> cmbTarget{};
    // The evolutions and the other tabs, beside the level-up moves.
    QTabWidget* tabMoves = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // What the controller says of the species shown, shown here; the window's pages.
    void wireToController();
    // The window's parts, made once by the constructor.
    QGroupBox* buildMovesFrame();
    QGroupBox* buildEvolutionFrame();
    void fitParameterBoxes();
    void showEvolutions(const species::Evolutions& evolutions);
    void methodChosen(int slot, int method);
    void showParameter(int slot, int parameter);
    int shownMethod(int slot) const;
    std::optional<int> shownParameter(int slot) const;
    void updateCount();
    void setEditorsEnabled(bool enabled);

    QBoxLayout* m_panes = nullptr;  // the level-up moves and the evolutions
    rom::Game m_game = rom::Game::Diamond;
    QString m_name;
    std::int64_t m_freeBytes = 0;
    std::size_t m_loadedBytes = 0;  // the size of the list as read, in the archive
    species::LevelUpMoves m_loadedMoves;
    species::Evolutions m_loadedEvolutions{};
    std::array<species::EvolutionParameter, species::kEvolutionSlots> m_parameterKind{};
    bool m_loaded = false;
    std::vector<MovesTab*> m_tabs;  // beside the evolutions, each a page of its own
};

} // namespace quillmark::app
