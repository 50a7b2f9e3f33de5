#include "app/LevelUpMovesModel.h"

#include "app/QtText.h"
#include "species/MoveNames.h"

#include <QBrush>
#include <QColor>

#include <algorithm>

namespace quillmark::app {

LevelUpMovesModel::LevelUpMovesModel(QObject* parent) : QAbstractTableModel(parent) {}

QString LevelUpMovesModel::moveText(int move)
{
    if (move > 0 && move < species::kMoveCount)
        return qs(species::MoveNames[static_cast<std::size_t>(move)]);
    return "#" + QString::number(move);
}

void LevelUpMovesModel::setMoves(const species::LevelUpMoves& moves)
{
    beginResetModel();
    m_rows.clear();
    for (const auto& entry : moves)
        m_rows.push_back({entry, {}});
    endResetModel();
    emit entriesChanged();
}

species::LevelUpMoves LevelUpMovesModel::moves() const
{
    species::LevelUpMoves moves;
    for (const auto& row : m_rows)
        moves.push_back(row.entry);
    return moves;
}

std::optional<LevelUpMovesModel::InvalidRow> LevelUpMovesModel::firstInvalidRow() const
{
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (!m_rows[i].invalidText.isNull())
            return InvalidRow{static_cast<int>(i), m_rows[i].invalidText};
    }
    return std::nullopt;
}

std::vector<LevelUpMovesModel::InvalidRow> LevelUpMovesModel::invalidRows() const
{
    std::vector<InvalidRow> rows;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (!m_rows[i].invalidText.isNull())
            rows.push_back(InvalidRow{static_cast<int>(i), m_rows[i].invalidText});
    }
    return rows;
}

void LevelUpMovesModel::insertEntry(int row, species::LevelUpMove move)
{
    row = std::clamp(row, 0, rowCount());
    beginInsertRows({}, row, row);
    Row added{move, {}};
    // A new entry names no move yet: it must get one before Save takes it.
    if (move.move == 0)
        added.invalidText = "";
    m_rows.insert(m_rows.begin() + row, added);
    endInsertRows();
    emit entriesChanged();
}

void LevelUpMovesModel::removeEntry(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
    // The rows after it are renumbered: their accessible names change.
    if (row < rowCount())
        emit dataChanged(index(row, 0), index(rowCount() - 1, ColumnCount - 1));
    emit entriesChanged();
}

void LevelUpMovesModel::swapEntries(int a, int b)
{
    if (a < 0 || b < 0 || a >= rowCount() || b >= rowCount() || a == b)
        return;
    std::swap(m_rows[static_cast<std::size_t>(a)], m_rows[static_cast<std::size_t>(b)]);
    emit dataChanged(index(std::min(a, b), 0), index(std::max(a, b), ColumnCount - 1));
    emit entriesChanged();
}

void LevelUpMovesModel::sortByLevel()
{
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [](const Row& x, const Row& y) { return x.entry.level < y.entry.level; });
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
    emit entriesChanged();
}

int LevelUpMovesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int LevelUpMovesModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant LevelUpMovesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const auto& row = m_rows[static_cast<std::size_t>(index.row())];
    const bool level = index.column() == LevelColumn;
    const bool invalid = !level && !row.invalidText.isNull();
    const QString shown = level ? QString::number(row.entry.level) : invalid ? row.invalidText : moveText(row.entry.move);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleDescriptionRole:
        return shown;
    case Qt::EditRole:
        return level ? QVariant(row.entry.level) : QVariant(shown);
    case Qt::AccessibleTextRole:
        return QString("Entry %1 %2").arg(index.row() + 1).arg(level ? "Level" : "Move");
    case Qt::BackgroundRole:
        return invalid ? QVariant(QBrush(QColor(255, 215, 215))) : QVariant();
    case Qt::ToolTipRole:
        if (invalid)
            return row.invalidText.isEmpty() ? QString("Pick a move for this entry")
                                             : QString("\"%1\" is no move").arg(row.invalidText);
        return {};
    default:
        return {};
    }
}

QVariant LevelUpMovesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    return section == LevelColumn ? QString("Level") : QString("Move");
}

bool LevelUpMovesModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.row() >= rowCount() || role != Qt::EditRole)
        return false;
    auto& row = m_rows[static_cast<std::size_t>(index.row())];
    if (index.column() == LevelColumn) {
        bool number = false;
        const int level = value.toString().trimmed().toInt(&number);
        if (!number || level < 1 || level > species::kMaxLevel)
            return false;
        if (level == row.entry.level)
            return true;
        row.entry.level = level;
    } else {
        std::optional<int> move;
        if (value.typeId() == QMetaType::Int) {
            move = value.toInt();
        } else {
            const auto text = value.toString().trimmed();
            // What the cell already shows, a stored "#500" among them, is no change.
            if (row.invalidText.isNull() && text == moveText(row.entry.move))
                return true;
            move = species::findMove(text.toStdString());
            if (!move) {
                row.invalidText = text;
                emit dataChanged(index, index);
                emit entriesChanged();
                return true;
            }
        }
        if (*move == row.entry.move && row.invalidText.isNull())
            return true;
        row.entry.move = *move;
        row.invalidText = QString();
    }
    emit dataChanged(index, index);
    emit entriesChanged();
    return true;
}

Qt::ItemFlags LevelUpMovesModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

} // namespace quillmark::app
