#include "app/EggMovesPage.h"

#include "app/PressOnlyButton.h"
#include "app/QtText.h"
#include "species/EggMoves.h"
#include "species/MoveNames.h"

#include <QComboBox>
#include <QCompleter>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillmark::app {

namespace {

// A marker and the moves: what a species' list takes of the table.
int wordsOf(const std::vector<int>& moves) { return moves.empty() ? 0 : 1 + static_cast<int>(moves.size()); }

} // namespace

EggMovesPage::EggMovesPage(QWidget* parent) : QWidget(parent)
{
    lstEggMoves = new QListWidget(this);
    lstEggMoves->setObjectName("lstEggMoves");
    lstEggMoves->setAccessibleName("Egg Moves");
    cmbEggMove = new QComboBox(this);
    cmbEggMove->setObjectName("cmbEggMove");
    cmbEggMove->setAccessibleName("Egg move to add");
    cmbEggMove->setEditable(true);
    cmbEggMove->setInsertPolicy(QComboBox::NoInsert);
    cmbEggMove->completer()->setFilterMode(Qt::MatchContains);
    cmbEggMove->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    cmbEggMove->completer()->setCompletionMode(QCompleter::PopupCompletion);
    for (int move = 1; move <= species::kLastEggMove; ++move)
        cmbEggMove->addItem(qs(species::MoveNames[static_cast<std::size_t>(move)]), move);
    cmbEggMove->setCurrentIndex(-1);
    cmdAddEggMove = pressOnlyButton("Add", "cmdAddEggMove", "Add Egg Move", this);
    cmdRemoveEggMove = pressOnlyButton("Remove", "cmdRemoveEggMove", "Remove Egg Move", this);
    lblEggRoom = new QLabel(this);
    lblEggRoom->setObjectName("lblEggRoom");
    lblEggRoom->setWordWrap(true);
    auto* adding = new QHBoxLayout;
    adding->addWidget(cmbEggMove, 1);
    adding->addWidget(cmdAddEggMove);
    adding->addWidget(cmdRemoveEggMove);
    // The move box and the room above the list: on a small screen, where the window
    // scrolls, they are in sight with the first moves.
    auto* page = new QVBoxLayout(this);
    page->addLayout(adding);
    page->addWidget(lblEggRoom);
    page->addWidget(lstEggMoves, 1);
    connect(cmdAddEggMove, &QPushButton::clicked, this, &EggMovesPage::cmdAddEggMove_Click);
    connect(cmdRemoveEggMove, &QPushButton::clicked, this, &EggMovesPage::cmdRemoveEggMove_Click);
    // Return in the move box adds what it names, as the level-up list's cells take it.
    connect(cmbEggMove->lineEdit(), &QLineEdit::returnPressed, this, &EggMovesPage::cmdAddEggMove_Click);
    connect(cmbEggMove, &QComboBox::editTextChanged, this, &EggMovesPage::eggMovesEdited);
    connect(lstEggMoves, &QListWidget::itemSelectionChanged, this, &EggMovesPage::updateRoom);
    clearEggMoves();
}

void EggMovesPage::showEggMoves(const std::optional<std::vector<int>>& moves, int wordsFree, const QString& problem,
                                bool writable)
{
    m_loaded = moves;
    m_wordsFree = wordsFree;
    m_writable = writable && problem.isEmpty();
    m_problem = problem;
    showList(moves.value_or(std::vector<int>{}));
}

void EggMovesPage::clearEggMoves(const QString& why)
{
    m_loaded.reset();
    m_wordsFree = 0;
    m_writable = false;
    m_problem = why;
    showList({});
}

void EggMovesPage::showList(const std::vector<int>& moves)
{
    // What was typed belongs to the list shown before.
    cmbEggMove->setCurrentIndex(-1);
    cmbEggMove->clearEditText();
    lstEggMoves->clear();
    for (const int move : moves) {
        auto* item = new QListWidgetItem(qs(species::MoveNames[static_cast<std::size_t>(move)]), lstEggMoves);
        item->setData(Qt::UserRole, move);
    }
    updateRoom();
}

std::optional<std::vector<int>> EggMovesPage::editedEggMoves() const
{
    if (!m_loaded)
        return std::nullopt;
    std::vector<int> moves;
    for (int row = 0; row < lstEggMoves->count(); ++row)
        moves.push_back(lstEggMoves->item(row)->data(Qt::UserRole).toInt());
    return moves;
}

bool EggMovesPage::hasPendingEdits() const
{
    // A move typed and not yet added counts: Save adds it or names it.
    return m_loaded && (editedEggMoves() != m_loaded || !cmbEggMove->currentText().trimmed().isEmpty());
}

int EggMovesPage::typedMove() const
{
    const auto typed = cmbEggMove->currentText().trimmed();
    const int move = cmbEggMove->currentIndex() >= 0 && cmbEggMove->itemText(cmbEggMove->currentIndex()) == typed
                         ? cmbEggMove->currentData().toInt()
                         : 0;
    return move ? move : species::findMove(typed.toStdString()).value_or(0);
}

std::optional<QString> EggMovesPage::commitTyped(const QString& name)
{
    if (!cmbEggMove->currentText().trimmed().isEmpty() && typedMove() && cmdAddEggMove->isEnabled())
        cmdAddEggMove_Click();
    const auto typed = cmbEggMove->currentText().trimmed();
    if (!m_loaded || typed.isEmpty())
        return std::nullopt;
    if (!typedMove()) {
        return QString("%1, egg moves: \"%2\" is no move%3").arg(name, typed, qs(species::nearestMoves(typed.toStdString())));
    }
    return QString("%1, egg moves: \"%2\" cannot be added: %3").arg(name, typed, cmdAddEggMove->toolTip());
}

void EggMovesPage::revertEdits()
{
    if (m_loaded)
        showList(*m_loaded);
}

int EggMovesPage::wordsLeft() const
{
    if (!m_loaded)
        return 0;
    return m_wordsFree - (wordsOf(*editedEggMoves()) - wordsOf(*m_loaded));
}

void EggMovesPage::updateRoom()
{
    const bool editable = m_loaded && m_writable;
    const int count = lstEggMoves->count();
    const int left = wordsLeft();
    // A first move takes a word for the species' marker too.
    const int addCost = count == 0 ? 2 : 1;
    lstEggMoves->setEnabled(m_loaded.has_value());
    cmbEggMove->setEnabled(editable);
    const bool full = count >= species::kMaxEggMoves, room = left >= addCost;
    cmdAddEggMove->setEnabled(editable && !full && room);
    cmdAddEggMove->setToolTip(!editable ? m_problem
                              : full    ? QString("the games read at most %1 egg moves").arg(species::kMaxEggMoves)
                              : !room   ? QString("this ROM's egg table has no words free; remove egg moves elsewhere first")
                                        : QString());
    // Remove takes the move picked, never one the user did not pick.
    cmdRemoveEggMove->setEnabled(editable && lstEggMoves->currentRow() >= 0 && lstEggMoves->currentItem() &&
                                 lstEggMoves->currentItem()->isSelected());
    if (!m_loaded)
        lblEggRoom->setText(m_problem);
    else if (!m_writable)
        lblEggRoom->setText(m_problem);
    else
        lblEggRoom->setText(QString("%1 of %2 egg moves; words free in this ROM's egg table: %3%4")
                                .arg(count)
                                .arg(species::kMaxEggMoves)
                                .arg(left)
                                .arg(left < addCost ? " (remove egg moves elsewhere to add one here)" : ""));
}

void EggMovesPage::cmdAddEggMove_Click()
{
    // The typed text as the move it names, as the level-up list takes it.
    const int move = typedMove();
    if (!move || !cmdAddEggMove->isEnabled())
        return;
    auto* item = new QListWidgetItem(qs(species::MoveNames[static_cast<std::size_t>(move)]), lstEggMoves);
    item->setData(Qt::UserRole, move);
    lstEggMoves->setCurrentItem(item);
    cmbEggMove->setCurrentIndex(-1);
    cmbEggMove->clearEditText();
    updateRoom();
    emit eggMovesEdited();
}

void EggMovesPage::cmdRemoveEggMove_Click()
{
    const int row = lstEggMoves->currentRow();
    if (row < 0 || !cmdRemoveEggMove->isEnabled())
        return;
    delete lstEggMoves->takeItem(row);
    updateRoom();
    emit eggMovesEdited();
}

void EggMovesPage::showFrom(const species::SpeciesLoad& load, rom::Game)
{
    const auto& eggs = load.eggMoves;
    if (!eggs)
        return;
    // A form or an egg record has no egg moves of its own: the page says so.
    const auto problem = !eggs->moves && eggs->problem.empty() ? QString("This record has no egg moves of its own.")
                                                               : qs(eggs->problem);
    showEggMoves(eggs->moves, eggs->wordsFree, problem, eggs->writable);
}

void EggMovesPage::whenEdited(std::function<void()> changed)
{
    connect(this, &EggMovesPage::eggMovesEdited, this, std::move(changed));
}

} // namespace quillmark::app
