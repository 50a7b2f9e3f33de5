#pragma once

#include "rom/RomIdentification.h"
#include "species/Evolutions.h"
#include "species/LevelUpMoves.h"

#include <QDialog>

#include <array>
#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTableWidget;

namespace quillmark::app {

// Moves and Evolutions: the level-up moves of the species the main window has loaded,
// as a table in stored order, and its seven evolution slots. A tool window of the
// main window, not modal, like More Data; Save ROM writes what it holds.
class Form4 : public QDialog {
    Q_OBJECT

public:
    explicit Form4(QWidget* mainWindow);

    // The species' lists as read; `freeBytes` is the room the ROM leaves after the
    // level-up archive.
    void showMoves(const species::LevelUpMoves& moves, const species::Evolutions& evolutions, rom::Game game,
                   const QString& name, std::int64_t freeBytes);
    // Nothing loaded (or the archives could not be read: `why` says so).
    void clearMoves(const QString& why = {});

    species::LevelUpMoves editedLevelUpMoves() const;
    species::Evolutions editedEvolutions() const;

    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdUp_Click();
    void cmdDown_Click();
    void cmdSort_Click();
    void cmdClose_Click();

    QTableWidget* grdMoves = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdRemove = nullptr;
    QPushButton* cmdUp = nullptr;
    QPushButton* cmdDown = nullptr;
    QPushButton* cmdSort = nullptr;
    QPushButton* cmdClose = nullptr;
    QLabel* lblCount = nullptr;
    QLabel* lblRoom = nullptr;
    std::array<QComboBox*, species::kEvolutionSlots> cmbMethod{};
    std::array<QStackedWidget*, species::kEvolutionSlots> stkParameter{};
    std::array<QSpinBox*, species::kEvolutionSlots> spnParameter{};    // a level or a beauty value
    std::array<QComboBox*, species::kEvolutionSlots> cmbParameter{};   // an item, a move or a species
    std::array<QComboBox*, species::kEvolutionSlots> cmbTarget{};

private:
    void addRow(const species::LevelUpMove& move);
    void swapRows(int a, int b);
    void updateCount();
    void showParameterKind(int slot, int parameter);
    void setEditorsEnabled(bool enabled);

    rom::Game m_game = rom::Game::Diamond;
    std::int64_t m_freeBytes = 0;
    std::size_t m_loadedBytes = 0;  // the size of the list as read, in the archive
};

} // namespace quillmark::app
