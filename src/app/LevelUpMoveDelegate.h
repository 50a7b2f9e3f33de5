#pragma once

#include <QStyledItemDelegate>

namespace quillmark::app {

// The editors of the level-up table, which exist only while a cell is edited (so the
// wheel over the table scrolls it): a level box that takes 1 to 100, and a move box
// that searches the names as you type. Leaving the editor (Tab, Return, a click, focus
// elsewhere) hands its text to the model, which resolves it as the command line does;
// a cell left as it was shown changes nothing, a stored odd value included. Return in
// the list of matches takes the highlighted one, or the first.
class LevelUpMoveDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace quillmark::app
