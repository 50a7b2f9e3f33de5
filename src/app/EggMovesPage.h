#pragma once

#include "app/MovesTab.h"

#include <QWidget>

#include <QString>

#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace quillmark::app {

// The Egg Moves page of Moves and Evolutions: the loaded species' egg moves as a list
// in stored order, a move box that finds moves as the level-up list's does, Add and
// Remove, and the words the ROM's egg table has free (the games read a fixed number
// of words: a move can be added only where the table has room).
class EggMovesPage : public QWidget, public MovesTab {
    Q_OBJECT

public:
    explicit EggMovesPage(QWidget* parent = nullptr);

    // `moves`: nothing for a record without egg moves of its own (a form); `problem`
    // says why they cannot be read or written.
    void showEggMoves(const std::optional<std::vector<int>>& moves, int wordsFree, const QString& problem,
                      bool writable);
    void clearEggMoves(const QString& why = {});
    // The list as shown; nothing when none is.
    std::optional<std::vector<int>> editedEggMoves() const;
    bool hasPendingEdits() const override;
    void revertEdits() override;
    // A move typed into the box and not yet added is added, as Add would; a text that
    // names no move, or one that cannot be added, stays in the box and is named.
    std::optional<QString> commitTyped(const QString& species) override;
    void giveEdits(species::SpeciesChanges& changes) const override { changes.eggMoves = editedEggMoves(); }
    species::PartSet wants() const override { return species::partsOf<species::EggMovesPart>(); }
    QWidget* widget() override { return this; }
    QString tabTitle() const override { return "Egg &Moves"; }
    void showFrom(const species::SpeciesLoad& load, rom::Game game) override;
    void clearTab() override { clearEggMoves(); }
    void whenEdited(std::function<void()> changed) override;

    void cmdAddEggMove_Click();
    void cmdRemoveEggMove_Click();

    QListWidget* lstEggMoves = nullptr;
    QComboBox* cmbEggMove = nullptr;
    QPushButton* cmdAddEggMove = nullptr;
    QPushButton* cmdRemoveEggMove = nullptr;
    QLabel* lblEggRoom = nullptr;

signals:
    void eggMovesEdited();

private:
    void showList(const std::vector<int>& moves);
    void updateRoom();
    int wordsLeft() const;
    // The move the box names (its pick, or the typed text as the move cells take it); 0.
    int typedMove() const;

    std::optional<std::vector<int>> m_loaded;
    int m_wordsFree = 0;
    bool m_writable = false;
    QString m_problem;
};

} // namespace quillmark::app
