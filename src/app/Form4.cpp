#include "app/Form4.h"

#include "app/ClassicFont.h"
#include "app/FrameStyle.h"
#include "app/PressOnlyButton.h"
#include "species/LookupLists.h"
#include "species/MoveNames.h"
#include "species/SpeciesRecord.h"

#include <QCompleter>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace quillmark::app {

namespace {

using species::EvolutionParameter;

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// A drop-down of codes, each entry's code in its data: the move names from 1, the
// species by their member, the game's items.
void fillCodes(QComboBox* box, EvolutionParameter kind, rom::Game game)
{
    box->clear();
    switch (kind) {
    case EvolutionParameter::Item: {
        const auto& items = species::itemNamesOf(game);
        for (std::size_t id = 1; id < items.size(); ++id)
            box->addItem(qs(items[id]), static_cast<int>(id));
        break;
    }
    case EvolutionParameter::Move:
        for (int id = 1; id < species::kMoveCount; ++id)
            box->addItem(qs(species::MoveNames[static_cast<std::size_t>(id)]), id);
        break;
    case EvolutionParameter::Species:
        for (int member = 1; member <= species::kSpeciesCount; ++member)
            box->addItem(qs(species::recordName(member - 1)), member);
        break;
    case EvolutionParameter::None:
    case EvolutionParameter::Level:
    case EvolutionParameter::Beauty: break;
    }
}

// The entry whose data is `code`, adding "#N" for a code the list does not name.
void selectCode(QComboBox* box, int code)
{
    int at = box->findData(code);
    if (at < 0) {
        box->addItem("#" + QString::number(code), code);
        at = box->count() - 1;
    }
    box->setCurrentIndex(at);
}

// Typing searches the names anywhere in them ("quake" finds Earthquake).
QComboBox* searchableBox(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->completer()->setFilterMode(Qt::MatchContains);
    box->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    box->completer()->setCompletionMode(QCompleter::PopupCompletion);
    return box;
}

// Bytes a member of n entries takes: the entries, the end mark, padding to 4.
std::int64_t memberBytes(std::size_t entries) { return static_cast<std::int64_t>((entries * 2 + 2 + 3) / 4 * 4); }

} // namespace

Form4::Form4(QWidget* mainWindow) : QDialog(mainWindow)
{
    setObjectName("Form4");
    setWindowTitle("Moves and Evolutions");
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(false);
    setFont(classicFont({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial"}, 8.25));
    setStyleSheet(kFrameStyleSheet);

    auto* movesFrame = new QGroupBox("Level-up Moves", this);
    movesFrame->setProperty("captioned", true);
    grdMoves = new QTableWidget(0, 2, movesFrame);
    grdMoves->setObjectName("grdMoves");
    grdMoves->setAccessibleName("Level-up Moves");
    grdMoves->setHorizontalHeaderLabels({"Level", "Move"});
    grdMoves->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    grdMoves->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    grdMoves->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdMoves->setSelectionMode(QAbstractItemView::SingleSelection);
    grdMoves->verticalHeader()->setDefaultSectionSize(24);
    grdMoves->setMinimumSize(250, 330);
    cmdAdd = pressOnlyButton("&Add", "cmdAdd", "Add Move", movesFrame);
    cmdRemove = pressOnlyButton("&Remove", "cmdRemove", "Remove Move", movesFrame);
    cmdUp = pressOnlyButton("&Up", "cmdUp", "Move Up", movesFrame);
    cmdDown = pressOnlyButton("&Down", "cmdDown", "Move Down", movesFrame);
    cmdSort = pressOnlyButton("&Sort by level", "cmdSort", "Sort by level", movesFrame);
    lblCount = new QLabel(movesFrame);
    lblCount->setObjectName("lblCount");
    lblRoom = new QLabel(movesFrame);
    lblRoom->setObjectName("lblRoom");
    lblRoom->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    for (auto* button : {cmdAdd, cmdRemove, cmdUp, cmdDown, cmdSort})
        buttons->addWidget(button);
    auto* movesBox = new QVBoxLayout(movesFrame);
    movesBox->addWidget(grdMoves);
    movesBox->addLayout(buttons);
    movesBox->addWidget(lblCount);
    movesBox->addWidget(lblRoom);

    auto* evolutionFrame = new QGroupBox("Evolutions", this);
    evolutionFrame->setProperty("captioned", true);
    auto* grid = new QGridLayout(evolutionFrame);
    grid->addWidget(new QLabel("Method", evolutionFrame), 0, 1);
    grid->addWidget(new QLabel("Parameter", evolutionFrame), 0, 2);
    grid->addWidget(new QLabel("Evolves into", evolutionFrame), 0, 3);
    for (int slot = 0; slot < species::kEvolutionSlots; ++slot) {
        const auto i = static_cast<std::size_t>(slot);
        const QString prefix = QString("Evolution %1 ").arg(slot + 1);
        grid->addWidget(new QLabel(QString::number(slot + 1), evolutionFrame), slot + 1, 0);
        cmbMethod[i] = new QComboBox(evolutionFrame);
        cmbMethod[i]->setObjectName(QString("cmbMethod%1").arg(slot));
        cmbMethod[i]->setAccessibleName(prefix + "Method");
        for (const auto& method : species::EvolutionMethods)
            cmbMethod[i]->addItem(qs(method.name));
        stkParameter[i] = new QStackedWidget(evolutionFrame);
        spnParameter[i] = new QSpinBox(stkParameter[i]);
        spnParameter[i]->setRange(0, 0xFFFF);
        spnParameter[i]->setAccessibleName(prefix + "Parameter");
        cmbParameter[i] = searchableBox(stkParameter[i]);
        cmbParameter[i]->setAccessibleName(prefix + "Parameter");
        stkParameter[i]->addWidget(spnParameter[i]);
        stkParameter[i]->addWidget(cmbParameter[i]);
        cmbTarget[i] = searchableBox(evolutionFrame);
        cmbTarget[i]->setObjectName(QString("cmbTarget%1").arg(slot));
        cmbTarget[i]->setAccessibleName(prefix + "Target");
        cmbTarget[i]->addItem("-", 0);
        for (int member = 1; member <= species::kSpeciesCount; ++member)
            cmbTarget[i]->addItem(qs(species::recordName(member - 1)), member);
        grid->addWidget(cmbMethod[i], slot + 1, 1);
        grid->addWidget(stkParameter[i], slot + 1, 2);
        grid->addWidget(cmbTarget[i], slot + 1, 3);
        connect(cmbMethod[i], &QComboBox::activated, this, [this, slot, i](int method) {
            // Another method: its kind of parameter, from nothing; no method empties the slot.
            showParameterKind(slot, 0);
            if (method == 0)
                cmbTarget[i]->setCurrentIndex(0);
        });
    }
    grid->setRowStretch(species::kEvolutionSlots + 1, 1);

    cmdClose = pressOnlyButton("Close", "cmdClose", "Close", this);
    auto* top = new QHBoxLayout;
    top->addWidget(movesFrame);
    top->addWidget(evolutionFrame, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(cmdClose);
    auto* window = new QVBoxLayout(this);
    window->addLayout(top);
    window->addLayout(bottom);
    for (auto* child : findChildren<QWidget*>())
        child->setFont(font());

    connect(cmdAdd, &QPushButton::clicked, this, &Form4::cmdAdd_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &Form4::cmdRemove_Click);
    connect(cmdUp, &QPushButton::clicked, this, &Form4::cmdUp_Click);
    connect(cmdDown, &QPushButton::clicked, this, &Form4::cmdDown_Click);
    connect(cmdSort, &QPushButton::clicked, this, &Form4::cmdSort_Click);
    connect(cmdClose, &QPushButton::clicked, this, &Form4::cmdClose_Click);
    clearMoves();
}

void Form4::addRow(const species::LevelUpMove& move)
{
    const int row = grdMoves->rowCount();
    grdMoves->insertRow(row);
    auto* level = new QSpinBox(grdMoves);
    level->setRange(0, 127);  // what 7 bits hold: a stored level is shown as it is
    level->setValue(move.level);
    level->setAccessibleName(QString("Entry %1 Level").arg(row + 1));
    auto* name = searchableBox(grdMoves);
    for (int id = 1; id < species::kMoveCount; ++id)
        name->addItem(qs(species::MoveNames[static_cast<std::size_t>(id)]), id);
    if (move.move > 0)
        selectCode(name, move.move);
    else
        name->setCurrentIndex(-1);
    name->setAccessibleName(QString("Entry %1 Move").arg(row + 1));
    for (QWidget* cell : {static_cast<QWidget*>(level), static_cast<QWidget*>(name)})
        cell->setFont(font());
    grdMoves->setCellWidget(row, 0, level);
    grdMoves->setCellWidget(row, 1, name);
    connect(name, &QComboBox::currentIndexChanged, this, &Form4::updateCount);
}

void Form4::showMoves(const species::LevelUpMoves& moves, const species::Evolutions& evolutions, rom::Game game,
                      const QString& name, std::int64_t freeBytes)
{
    setWindowTitle("Moves and Evolutions - " + name);
    m_game = game;
    m_freeBytes = freeBytes;
    m_loadedBytes = static_cast<std::size_t>(memberBytes(moves.size()));
    grdMoves->setRowCount(0);
    for (const auto& move : moves)
        addRow(move);
    for (std::size_t i = 0; i < evolutions.size(); ++i) {
        const auto method = evolutions[i].method;
        if (method >= 0 && method < cmbMethod[i]->count())
            cmbMethod[i]->setCurrentIndex(method);
        else
            selectCode(cmbMethod[i], method);
        showParameterKind(static_cast<int>(i), evolutions[i].parameter);
        selectCode(cmbTarget[i], evolutions[i].target);
    }
    setEditorsEnabled(true);
    updateCount();
}

void Form4::clearMoves(const QString& why)
{
    setWindowTitle("Moves and Evolutions");
    grdMoves->setRowCount(0);
    for (std::size_t i = 0; i < cmbMethod.size(); ++i) {
        cmbMethod[i]->setCurrentIndex(0);
        showParameterKind(static_cast<int>(i), 0);
        cmbTarget[i]->setCurrentIndex(0);
    }
    m_freeBytes = 0;
    m_loadedBytes = 0;
    setEditorsEnabled(false);
    lblCount->clear();
    lblRoom->setText(why);
}

void Form4::setEditorsEnabled(bool enabled)
{
    for (QWidget* editor : std::initializer_list<QWidget*>{grdMoves, cmdAdd, cmdRemove, cmdUp, cmdDown, cmdSort})
        editor->setEnabled(enabled);
    for (std::size_t i = 0; i < cmbMethod.size(); ++i) {
        cmbMethod[i]->setEnabled(enabled);
        stkParameter[i]->setEnabled(enabled);
        cmbTarget[i]->setEnabled(enabled);
    }
}

void Form4::showParameterKind(int slot, int parameter)
{
    const auto i = static_cast<std::size_t>(slot);
    const int method = cmbMethod[i]->currentIndex();
    const auto kind = method >= 0 && method < species::kEvolutionMethodCount
                          ? species::EvolutionMethods[static_cast<std::size_t>(method)].parameter
                          : EvolutionParameter::Level;
    const bool listed = kind == EvolutionParameter::Item || kind == EvolutionParameter::Move ||
                        kind == EvolutionParameter::Species;
    stkParameter[i]->setCurrentIndex(listed ? 1 : 0);
    if (listed) {
        fillCodes(cmbParameter[i], kind, m_game);
        if (parameter > 0)
            selectCode(cmbParameter[i], parameter);
        else
            cmbParameter[i]->setCurrentIndex(0);
    } else {
        spnParameter[i]->setValue(parameter);
        // No parameter: the box shows what is stored (0) and takes nothing else.
        spnParameter[i]->setReadOnly(kind == EvolutionParameter::None);
    }
}

species::LevelUpMoves Form4::editedLevelUpMoves() const
{
    species::LevelUpMoves moves;
    for (int row = 0; row < grdMoves->rowCount(); ++row) {
        const auto* level = static_cast<QSpinBox*>(grdMoves->cellWidget(row, 0));
        const auto* name = static_cast<QComboBox*>(grdMoves->cellWidget(row, 1));
        moves.push_back({level->value(), name->currentIndex() < 0 ? 0 : name->currentData().toInt()});
    }
    return moves;
}

species::Evolutions Form4::editedEvolutions() const
{
    species::Evolutions evolutions{};
    for (std::size_t i = 0; i < evolutions.size(); ++i) {
        const auto* parameter = cmbParameter[i];
        const int value = stkParameter[i]->currentIndex() == 1
                              ? (parameter->currentIndex() < 0 ? 0 : parameter->currentData().toInt())
                              : spnParameter[i]->value();
        const int method = cmbMethod[i]->currentIndex() < species::kEvolutionMethodCount
                               ? cmbMethod[i]->currentIndex()
                               : cmbMethod[i]->currentText().mid(1).toInt();
        evolutions[i] = {method, value, cmbTarget[i]->currentIndex() < 0 ? 0 : cmbTarget[i]->currentData().toInt()};
    }
    return evolutions;
}

void Form4::updateCount()
{
    const auto count = static_cast<std::size_t>(grdMoves->rowCount());
    lblCount->setText(QString("%1 of %2").arg(count).arg(species::kMaxLevelUpMoves));
    // What is left of the room once this list is written, in moves.
    const std::int64_t left = m_freeBytes - (memberBytes(count) - static_cast<std::int64_t>(m_loadedBytes));
    int more = 0;
    while (more < 1000 && memberBytes(count + static_cast<std::size_t>(more) + 1) - memberBytes(count) <= left)
        ++more;
    lblRoom->setText(left < 0 ? QString("%1 bytes more than this ROM has room for").arg(-left)
                              : QString("room for %1 more moves in this ROM").arg(more));
    cmdAdd->setEnabled(grdMoves->isEnabled() && count < static_cast<std::size_t>(species::kMaxLevelUpMoves));
}

void Form4::cmdAdd_Click()
{
    const auto moves = editedLevelUpMoves();
    addRow({moves.empty() ? 1 : moves.back().level, 0});
    grdMoves->setCurrentCell(grdMoves->rowCount() - 1, 1);
    grdMoves->cellWidget(grdMoves->rowCount() - 1, 1)->setFocus();
    updateCount();
}

void Form4::cmdRemove_Click()
{
    const int row = grdMoves->currentRow();
    if (row < 0)
        return;
    grdMoves->removeRow(row);
    for (int r = row; r < grdMoves->rowCount(); ++r) {
        grdMoves->cellWidget(r, 0)->setAccessibleName(QString("Entry %1 Level").arg(r + 1));
        grdMoves->cellWidget(r, 1)->setAccessibleName(QString("Entry %1 Move").arg(r + 1));
    }
    updateCount();
}

void Form4::swapRows(int a, int b)
{
    auto* levelA = static_cast<QSpinBox*>(grdMoves->cellWidget(a, 0));
    auto* levelB = static_cast<QSpinBox*>(grdMoves->cellWidget(b, 0));
    auto* moveA = static_cast<QComboBox*>(grdMoves->cellWidget(a, 1));
    auto* moveB = static_cast<QComboBox*>(grdMoves->cellWidget(b, 1));
    const int level = levelA->value(), move = moveA->currentIndex();
    levelA->setValue(levelB->value());
    moveA->setCurrentIndex(moveB->currentIndex());
    levelB->setValue(level);
    moveB->setCurrentIndex(move);
    grdMoves->setCurrentCell(b, grdMoves->currentColumn() < 0 ? 0 : grdMoves->currentColumn());
}

void Form4::cmdUp_Click()
{
    const int row = grdMoves->currentRow();
    if (row > 0)
        swapRows(row, row - 1);
}

void Form4::cmdDown_Click()
{
    const int row = grdMoves->currentRow();
    if (row >= 0 && row + 1 < grdMoves->rowCount())
        swapRows(row, row + 1);
}

void Form4::cmdSort_Click()
{
    const auto sorted = species::sortedByLevel(editedLevelUpMoves());
    grdMoves->setRowCount(0);
    for (const auto& move : sorted)
        addRow(move);
    updateCount();
}

void Form4::cmdClose_Click() { close(); }

} // namespace quillmark::app
