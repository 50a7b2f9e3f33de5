#pragma once

#include "species/LevelUpMoves.h"

#include <QAbstractTableModel>
#include <QString>

#include <optional>
#include <vector>

namespace quillmark::app {

// One species' level-up moves as the Moves and Evolutions window edits them: a row per
// entry in stored order, a level and a move. A cell holds what is stored in the edit,
// never only a text: a move typed that names no move keeps its text, and the row is
// invalid (shown as such, and named when Save is refused) until the user gives a move.
// A stored value the game would not take (level 0 or 127, move #500) shows as stored
// and stays so until the user changes that cell.
class LevelUpMovesModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { LevelColumn, MoveColumn, ColumnCount };

    explicit LevelUpMovesModel(QObject* parent = nullptr);

    void setMoves(const species::LevelUpMoves& moves);
    // The entries as they stand; an invalid row keeps the move it had before.
    species::LevelUpMoves moves() const;
    // The first row whose move cell names no move, and the text typed there.
    struct InvalidRow {
        int row;
        QString text;
    };
    std::optional<InvalidRow> firstInvalidRow() const;
    // Every row a Save would refuse, in order.
    std::vector<InvalidRow> invalidRows() const;

    void insertEntry(int row, species::LevelUpMove move);
    void removeEntry(int row);
    // Swaps two rows, codes and all (also a stored code that no list names).
    void swapEntries(int a, int b);
    // By level, equal levels in their order.
    void sortByLevel();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // A level 1..100 (a number or its text); a move by its code or as typed, through
    // the same name matching as the command line.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The text a move cell shows for a code: its name, or "#N".
    static QString moveText(int move);

signals:
    // After any change of the entries, by an edit or a button.
    void entriesChanged();

private:
    struct Row {
        species::LevelUpMove entry;
        QString invalidText;  // empty unless the move cell holds a text that names no move
    };
    std::vector<Row> m_rows;
};

} // namespace quillmark::app
