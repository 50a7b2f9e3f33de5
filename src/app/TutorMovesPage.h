#pragma once

#include "app/MovesTab.h"
#include "species/MoveTutors.h"

#include <QWidget>

#include <optional>
#include <vector>

class QCheckBox;
class QGridLayout;
class QLabel;
class QPushButton;

namespace quillmark::app {

// The Tutors page of Moves and Evolutions: a check box per tutor move of the game,
// named by the move, its teacher and cost as a tooltip; All and None as in More Data.
// Diamond and Pearl teach no moves from a table: the page says so.
class TutorMovesPage : public QWidget, public MovesTab {
    Q_OBJECT

public:
    explicit TutorMovesPage(QWidget* parent = nullptr);

    // `learns`: nothing for a record without tutor moves (an egg); `problem` says why
    // they cannot be read or written.
    void showTutors(const std::vector<species::TutorMove>& moves, const std::optional<std::vector<int>>& learns,
                    const QString& problem, bool writable, rom::Game game);
    void clearTutors(const QString& why = {});
    // The list moves ticked; nothing when none are shown.
    std::optional<std::vector<int>> editedTutorLearns() const;
    bool hasPendingEdits() const override;
    void revertEdits() override;
    // Check boxes take a click at once: nothing to take in, nothing to refuse.
    std::optional<QString> commitTyped(const QString&) override { return std::nullopt; }
    void giveEdits(species::SpeciesChanges& changes) const override { changes.tutorLearns = editedTutorLearns(); }
    species::PartSet wants() const override { return species::partsOf<species::TutorMovesPart>(); }
    QWidget* widget() override { return this; }
    QString tabTitle() const override { return "&Tutors"; }
    void showFrom(const species::SpeciesLoad& load, rom::Game game) override;
    void clearTab() override { clearTutors(); }
    void whenEdited(std::function<void()> changed) override;

    std::vector<QCheckBox*> chkTutor;
    QPushButton* cmdAllTutors = nullptr;
    QPushButton* cmdNoTutors = nullptr;
    QLabel* lblTutors = nullptr;

signals:
    void tutorsEdited();

private:
    void setTicked(const std::vector<int>& learns);

    QGridLayout* m_grid = nullptr;
    std::optional<std::vector<int>> m_loaded;
};

} // namespace quillmark::app
