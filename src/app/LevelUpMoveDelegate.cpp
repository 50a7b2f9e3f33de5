#include "app/LevelUpMoveDelegate.h"

#include "app/LevelUpMovesModel.h"
#include "app/QtText.h"
#include "species/LevelUpMoves.h"
#include "species/MoveNames.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSpinBox>

namespace quillmark::app {

namespace {

// What the editor showed when it opened: leaving it unchanged changes nothing.
constexpr const char* kShown = "quillmarkShown";

} // namespace

QWidget* LevelUpMoveDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    QWidget* editor = nullptr;
    if (index.column() == LevelUpMovesModel::LevelColumn) {
        auto* level = new QSpinBox(parent);
        level->setRange(1, species::kMaxLevel);
        editor = level;
    } else {
        auto* move = new QComboBox(parent);
        move->setEditable(true);
        move->setInsertPolicy(QComboBox::NoInsert);
        for (int id = 1; id < species::kMoveCount; ++id)
            move->addItem(qs(species::MoveNames[static_cast<std::size_t>(id)]), id);
        auto* completer = move->completer();
        completer->setFilterMode(Qt::MatchContains);
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        completer->setCompletionMode(QCompleter::PopupCompletion);
        completer->popup()->installEventFilter(const_cast<LevelUpMoveDelegate*>(this));
        // A pick from the list of matches is the user's answer: it goes into the cell.
        connect(completer, qOverload<const QString&>(&QCompleter::activated), this, [this, move](const QString& name) {
            move->setEditText(name);
            emit const_cast<LevelUpMoveDelegate*>(this)->commitData(move);
            emit const_cast<LevelUpMoveDelegate*>(this)->closeEditor(move);
        });
        editor = move;
    }
    editor->setAccessibleName(index.data(Qt::AccessibleTextRole).toString());
    return editor;
}

void LevelUpMoveDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* level = qobject_cast<QSpinBox*>(editor)) {
        level->setValue(index.data(Qt::EditRole).toInt());
        level->setProperty(kShown, level->value());
        level->selectAll();
    } else if (auto* move = qobject_cast<QComboBox*>(editor)) {
        const auto text = index.data(Qt::EditRole).toString();
        move->setCurrentIndex(move->findText(text, Qt::MatchExactly));
        move->setEditText(text);
        move->setProperty(kShown, text);
        move->lineEdit()->selectAll();
    }
}

void LevelUpMoveDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (auto* level = qobject_cast<QSpinBox*>(editor)) {
        level->interpretText();
        if (level->value() != level->property(kShown).toInt())
            model->setData(index, level->value());
    } else if (auto* move = qobject_cast<QComboBox*>(editor)) {
        const auto text = move->currentText();
        if (text != move->property(kShown).toString())
            model->setData(index, text);
    }
}

bool LevelUpMoveDelegate::eventFilter(QObject* watched, QEvent* event)
{
    // Return in the list of matches with none highlighted takes the first, as the list
    // shows it first; the completer then activates it.
    // The popup is no editor: nothing of it goes to the editors' handling below.
    if (auto* popup = qobject_cast<QAbstractItemView*>(watched)) {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !popup->currentIndex().isValid() &&
            popup->model()->rowCount() > 0)
            popup->setCurrentIndex(popup->model()->index(0, 0));
        return false;
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

} // namespace quillmark::app
