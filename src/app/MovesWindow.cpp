#include "app/MovesWindow.h"

#include "app/ClassicFont.h"
#include "app/ContentScrollArea.h"
#include "app/DocumentController.h"
#include "app/MovesTab.h"
#include "app/FrameStyle.h"
#include "app/LevelUpMoveDelegate.h"
#include "app/LevelUpMovesModel.h"
#include "app/PressOnlyButton.h"
#include "app/QtText.h"
#include "app/WheelGuard.h"
#include "species/LookupLists.h"
#include "platform/Quantity.h"
#include "species/MoveNames.h"
#include "species/SpeciesMessages.h"
#include "species/SpeciesRecord.h"
#include "species/Suggestions.h"

#include <QCompleter>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QResizeEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace quillmark::app {

namespace {

using species::EvolutionParameter;

constexpr int kEmpty = -1;  // a parameter the user has still to give

EvolutionParameter kindOf(int method)
{
    return method >= 0 && method < species::kEvolutionMethodCount
               ? species::EvolutionMethods[static_cast<std::size_t>(method)].parameter
               : EvolutionParameter::Level;
}

bool listed(EvolutionParameter kind)
{
    return kind == EvolutionParameter::Item || kind == EvolutionParameter::Move || kind == EvolutionParameter::Species;
}

// A drop-down of codes, each entry's code in its data: the move names from 1, the
// species by their member, the game's items.
void fillCodes(QComboBox* box, EvolutionParameter kind, rom::Game game, const species::Vocabulary& words)
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
            box->addItem(qs(words.recordName(species::recordOfMember(member))), member);
        break;
    case EvolutionParameter::None:
    case EvolutionParameter::Level:
    case EvolutionParameter::Beauty: break;
    }
}

// The entry whose data is `code`; a code the list does not name is added as it is
// stored ("#468", "0 - none") and stays the selection until the user picks another.
void selectCode(QComboBox* box, int code)
{
    int at = box->findData(code);
    if (at < 0) {
        box->addItem(code == 0 ? QString("0 - none") : "#" + QString::number(code), code);
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

// The entries of a searchable box whose names start with what was typed, case, blanks
// and hyphens aside ("dragon sc" for Dragon Scale, "garch" for Garchomp); a whole name
// alone when one is typed whole.
std::vector<int> entriesStartingWith(const QComboBox* box, const QString& text)
{
    const auto key = species::nameKey(text.toStdString());
    std::vector<int> found;
    if (key.empty())
        return found;
    for (int i = 0; i < box->count(); ++i) {
        const auto name = species::nameKey(box->itemText(i).toStdString());
        if (name == key)
            return {i};
        if (name.starts_with(key))
            found.push_back(i);
    }
    return found;
}

// The typed text of a searchable box taken as the entry it names: the whole name in any
// case, or the start of one name alone. A text that names none, or several, stays in
// the box as typed, without a selection, for Save to quote.
void commitTypedEntry(QComboBox* box)
{
    const auto text = box->currentText().trimmed();
    if (box->currentIndex() >= 0 && box->itemText(box->currentIndex()) == text)
        return;
    const auto found = entriesStartingWith(box, text);
    if (found.size() == 1) {
        box->setCurrentIndex(found.front());
        return;
    }
    box->setCurrentIndex(-1);
    box->setEditText(text);
}

// A box whose typed text names none of its entries is marked as a bad move cell is, so
// that every problem shows before Save names them.
void markUnnamed(QComboBox* box)
{
    const bool unnamed = box->currentIndex() < 0 && !box->currentText().trimmed().isEmpty();
    if (box->property("unnamed").toBool() == unnamed)
        return;
    box->setProperty("unnamed", unnamed);
    box->setStyleSheet(unnamed ? "QComboBox { background-color: rgb(255, 215, 215); }" : QString());
}

// "; did you mean Dragon Fang, Dragon Scale?" by the one rule of every box that takes a
// name: the box's own entries.
QString namesLike(const QComboBox* box, const QString& text)
{
    std::vector<std::string> entries;
    for (int i = 0; i < box->count(); ++i)
        entries.push_back(box->itemText(i).toStdString());
    const std::vector<std::string_view> names(entries.begin(), entries.end());
    return qs(species::didYouMean(text.toStdString(), names));
}

// Bytes a member of n entries takes: the entries, the end mark, padding to 4.
std::int64_t memberBytes(std::size_t entries) { return static_cast<std::int64_t>((entries * 2 + 2 + 3) / 4 * 4); }

QString parameterWords(EvolutionParameter kind)
{
    switch (kind) {
    case EvolutionParameter::Item: return "an item";
    case EvolutionParameter::Move: return "a move";
    case EvolutionParameter::Species: return "a species";
    case EvolutionParameter::Beauty: return "a beauty value";
    case EvolutionParameter::Level:
    case EvolutionParameter::None: break;
    }
    return "a level";
}

} // namespace

MovesWindow::MovesWindow(DocumentController& controller, QWidget* mainWindow)
    : ToolWindow(controller, mainWindow)
{
    setObjectName("Form4");
    setWindowTitle("Moves and Evolutions[*]");
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(false);
    setFont(classicFont({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial"}, 8.25));
    setStyleSheet(kFrameStyleSheet);

    auto* movesFrame = buildMovesFrame();
    auto* evolutionFrame = buildEvolutionFrame();

    auto* content = new QWidget(this);
    m_panes = new QBoxLayout(QBoxLayout::LeftToRight, content);
    m_panes->setContentsMargins(0, 0, 0, 0);
    tabMoves = new QTabWidget(content);
    tabMoves->setObjectName("tabMoves");
    tabMoves->addTab(evolutionFrame, "&Evolutions");
    m_tabs = makeMovesTabs(tabMoves);
    QString tabs = "Evolutions";
    for (std::size_t i = 0; i < m_tabs.size(); ++i) {
        auto* tab = m_tabs[i];
        tabMoves->addTab(tab->widget(), tab->tabTitle());
        tab->whenEdited([this] { updatePending(); });
        tabs += (i + 1 < m_tabs.size() ? ", " : " and ") + QString(tab->tabTitle()).remove('&');
    }
    tabMoves->setAccessibleName(tabs);
    m_panes->addWidget(movesFrame, 2);
    m_panes->addWidget(tabMoves, 3);
    auto* bottom = revertAndCloseRow();
    auto* window = new QVBoxLayout(this);
    window->addWidget(new ContentScrollArea(content, this), 1);
    window->addLayout(bottom);
    for (auto* child : findChildren<QWidget*>())
        child->setFont(font());

    fitParameterBoxes();

    connect(cmdAdd, &QPushButton::clicked, this, &MovesWindow::cmdAdd_Click);
    // Remove, Up and Down act on the row picked, and only on one: a click on a row's
    // number picks that row.
    connect(grdMoves->verticalHeader(), &QHeaderView::sectionClicked, this,
            [this](int row) { grdMoves->setCurrentIndex(movesModel->index(row, LevelUpMovesModel::MoveColumn)); });
    connect(grdMoves->selectionModel(), &QItemSelectionModel::selectionChanged, this, &MovesWindow::updateRowButtons);
    connect(grdMoves->selectionModel(), &QItemSelectionModel::currentChanged, this, &MovesWindow::updateRowButtons);
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(movesModel, signal, this, &MovesWindow::updateRowButtons);
    connect(movesModel, &QAbstractItemModel::modelReset, this, &MovesWindow::updateRowButtons);
    connect(movesModel, &QAbstractItemModel::dataChanged, this, &MovesWindow::updateRowButtons);
    connect(cmdRemove, &QPushButton::clicked, this, &MovesWindow::cmdRemove_Click);
    connect(cmdUp, &QPushButton::clicked, this, &MovesWindow::cmdUp_Click);
    connect(cmdDown, &QPushButton::clicked, this, &MovesWindow::cmdDown_Click);
    connect(cmdSort, &QPushButton::clicked, this, &MovesWindow::cmdSort_Click);
    connect(movesModel, &LevelUpMovesModel::entriesChanged, this, [this] {
        updateCount();
        updatePending();
    });
    keepWheelForFocusedBoxes(this);
    clearMoves();
    wireToController();
}

void MovesWindow::wireToController()
{
    auto& shown = controller();
    connect(&shown, &DocumentController::cleared, this, [this] { clearMoves(); });
    connect(&shown, &DocumentController::loaded, this, [this](int listIndex, const species::SpeciesLoad& load) {
        if (load.moves)
            showLists(*load.moves, load, controller().game(), controller().speciesName(listIndex));
    });
    connect(&shown, &DocumentController::partsFailed, this,
            [this](const species::PartSet& parts, const species::SpeciesError& error) {
                if ((parts & wants()).any())
                    clearMoves(qs(species::userMessage(error, species::SpeciesOperation::Load)));
            });
    // Made while a species is loaded: the controller reads what the pages want of it.
    std::vector<EditorPage*> pages = {this};
    pages.insert(pages.end(), m_tabs.begin(), m_tabs.end());
    addPages(pages);
}

QGroupBox* MovesWindow::buildMovesFrame()
{
    auto* movesFrame = new QGroupBox("Level-up Moves", this);
    movesFrame->setProperty("captioned", true);
    movesModel = new LevelUpMovesModel(this);
    grdMoves = new QTableView(movesFrame);
    grdMoves->setObjectName("grdMoves");
    grdMoves->setAccessibleName("Level-up Moves");
    grdMoves->setModel(movesModel);
    grdMoves->setItemDelegate(new LevelUpMoveDelegate(grdMoves));
    grdMoves->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                              QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    grdMoves->horizontalHeader()->setSectionResizeMode(LevelUpMovesModel::LevelColumn, QHeaderView::ResizeToContents);
    grdMoves->horizontalHeader()->setSectionResizeMode(LevelUpMovesModel::MoveColumn, QHeaderView::Stretch);
    grdMoves->setSelectionBehavior(QAbstractItemView::SelectItems);
    grdMoves->setSelectionMode(QAbstractItemView::SingleSelection);
    grdMoves->verticalHeader()->setDefaultSectionSize(22);
    grdMoves->setMinimumSize(230, 300);
    cmdAdd = pressOnlyButton("&Add", "cmdAdd", "Add Move", movesFrame);
    cmdRemove = pressOnlyButton("&Remove", "cmdRemove", "Remove Move", movesFrame);
    cmdUp = pressOnlyButton("&Up", "cmdUp", "Move Up", movesFrame);
    cmdDown = pressOnlyButton("&Down", "cmdDown", "Move Down", movesFrame);
    // Alt+S is the main window's Species menu.
    cmdSort = pressOnlyButton("S&ort by level", "cmdSort", "Sort by level", movesFrame);
    lblCount = new QLabel(movesFrame);
    lblCount->setObjectName("lblCount");
    lblRoom = new QLabel(movesFrame);
    lblRoom->setObjectName("lblRoom");
    lblRoom->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    for (auto* button : {cmdAdd, cmdRemove, cmdUp, cmdDown, cmdSort})
        buttons->addWidget(button);
    auto* movesBox = new QVBoxLayout(movesFrame);
    movesBox->addWidget(grdMoves, 1);
    movesBox->addLayout(buttons);
    movesBox->addWidget(lblCount);
    movesBox->addWidget(lblRoom);

    return movesFrame;
}

QGroupBox* MovesWindow::buildEvolutionFrame()
{
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
        stkParameter[i]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        spnParameter[i] = new QSpinBox(stkParameter[i]);
        // -1 shows empty: a method whose parameter the user has still to give.
        spnParameter[i]->setRange(kEmpty, 0xFFFF);
        spnParameter[i]->setSpecialValueText(" ");
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
            cmbTarget[i]->addItem(qs(controller().words().recordName(species::recordOfMember(member))), member);
        grid->addWidget(cmbMethod[i], slot + 1, 1);
        grid->addWidget(stkParameter[i], slot + 1, 2);
        grid->addWidget(cmbTarget[i], slot + 1, 3);
        connect(cmbMethod[i], &QComboBox::activated, this, [this, slot](int method) { methodChosen(slot, method); });
        for (QComboBox* box : {cmbParameter[i], cmbTarget[i]}) {
            connect(box->lineEdit(), &QLineEdit::editingFinished, this, [this, box] {
                commitTypedEntry(box);
                markUnnamed(box);
                updatePending();
            });
            connect(box, &QComboBox::currentIndexChanged, this, [this, box] {
                markUnnamed(box);
                updatePending();
            });
        }
        connect(spnParameter[i], &QSpinBox::valueChanged, this, &MovesWindow::updatePending);
    }
    // Extra width goes to the methods and the species, not to the parameters.
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(species::kEvolutionSlots + 1, 1);

    return evolutionFrame;
}

void MovesWindow::fitParameterBoxes()
{
    // The parameter boxes as wide as the longest name they can hold, whole.
    int widest = 0;
    const QFontMetrics metrics(font());
    for (const auto game : {rom::Game::Diamond, rom::Game::Platinum, rom::Game::HeartGold}) {
        for (const auto& item : species::itemNamesOf(game))
            widest = std::max(widest, metrics.horizontalAdvance(qs(item)));
    }
    for (const auto move : species::MoveNames)
        widest = std::max(widest, metrics.horizontalAdvance(qs(move)));
    QStyleOptionComboBox option;
    option.initFrom(cmbParameter[0]);
    option.editable = true;
    const int boxWidth =
        style()->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(widest, metrics.height()), cmbParameter[0]).width();
    for (auto* stack : stkParameter)
        stack->setFixedWidth(boxWidth);

}

QSize MovesWindow::sizeHint() const
{
    // Side by side, whichever way the panes lie now: what the window asks for where
    // the screen has room.
    const auto was = m_panes->direction();
    m_panes->setDirection(QBoxLayout::LeftToRight);
    const auto size = layout()->totalSizeHint().expandedTo(layout()->totalMinimumSize());
    m_panes->setDirection(was);
    return size;
}

int MovesWindow::heightForWidth(int width) const
{
    if (width >= sizeHint().width())
        return sizeHint().height();
    // One pane above the other: what both need, the table with some rows fewer.
    const auto margins = layout()->contentsMargins();
    int height = margins.top() + margins.bottom() + layout()->spacing() + cmdClose->sizeHint().height();
    for (int i = 0; i < m_panes->count(); ++i)
        height += m_panes->itemAt(i)->widget()->sizeHint().height() + m_panes->spacing();
    return height;
}

void MovesWindow::resizeEvent(QResizeEvent* event)
{
    // Too narrow for the panes side by side: one above the other, scrolled.
    m_panes->setDirection(event->size().width() < sizeHint().width() ? QBoxLayout::TopToBottom
                                                                      : QBoxLayout::LeftToRight);
    QDialog::resizeEvent(event);
}

void MovesWindow::showMoves(const species::LevelUpMoves& moves, const species::Evolutions& evolutions, rom::Game game,
                      const QString& name, std::int64_t freeBytes, const QString& levelUpProblem)
{
    m_loaded = false;
    m_name = name;
    setWindowTitle("Moves and Evolutions - " + name + "[*]");
    m_game = game;
    m_freeBytes = freeBytes;
    m_loadedBytes = static_cast<std::size_t>(memberBytes(moves.size()));
    m_loadedMoves = moves;
    m_loadedEvolutions = evolutions;
    movesModel->setMoves(moves);
    showEvolutions(evolutions);
    setEditorsEnabled(true);
    m_loaded = true;
    updateCount();
    if (!levelUpProblem.isEmpty()) {
        for (QWidget* editor : std::initializer_list<QWidget*>{grdMoves, cmdAdd, cmdRemove, cmdUp, cmdDown, cmdSort})
            editor->setEnabled(false);
        lblCount->clear();
        lblRoom->setText(levelUpProblem);
    }
    updatePending();
}

void MovesWindow::showEvolutions(const species::Evolutions& evolutions)
{
    for (std::size_t i = 0; i < evolutions.size(); ++i) {
        const auto method = evolutions[i].method;
        for (int extra = cmbMethod[i]->count() - 1; extra >= species::kEvolutionMethodCount; --extra)
            cmbMethod[i]->removeItem(extra);
        if (method >= 0 && method < species::kEvolutionMethodCount)
            cmbMethod[i]->setCurrentIndex(method);
        else
            selectCode(cmbMethod[i], method);
        showParameter(static_cast<int>(i), evolutions[i].parameter);
        for (int extra = cmbTarget[i]->count() - 1; extra > species::kSpeciesCount; --extra)
            cmbTarget[i]->removeItem(extra);
        selectCode(cmbTarget[i], evolutions[i].target);
    }
}

void MovesWindow::showLists(const Result<species::SpeciesMoves, species::SpeciesError>& moves,
                            const species::SpeciesLoad& load, rom::Game game,
                            const QString& name)
{
    if (!moves) {
        clearMoves(qs(species::userMessage(moves.error(), species::SpeciesOperation::Load)));
        return;
    }
    showMoves(moves->levelUp, moves->evolutions, game, name, moves->freeBytes,
              moves->levelUpDamage ? qs(species::userMessage(*moves->levelUpDamage, species::SpeciesOperation::Load))
                                   : QString());
    showTeaching(load);
}

void MovesWindow::showTeaching(const species::SpeciesLoad& load)
{
    for (auto* tab : m_tabs)
        tab->showFrom(load, m_game);
    updatePending();
}

void MovesWindow::clearMoves(const QString& why)
{
    for (auto* tab : m_tabs)
        tab->clearTab();
    m_loaded = false;
    m_name.clear();
    setWindowTitle("Moves and Evolutions[*]");
    movesModel->setMoves({});
    m_loadedMoves.clear();
    m_loadedEvolutions = {};
    showEvolutions({});
    m_freeBytes = 0;
    m_loadedBytes = 0;
    setEditorsEnabled(false);
    lblCount->clear();
    lblRoom->setText(why);
    updatePending();
}

void MovesWindow::setEditorsEnabled(bool enabled)
{
    for (QWidget* editor :
         std::initializer_list<QWidget*>{grdMoves, cmdAdd, cmdRemove, cmdUp, cmdDown, cmdSort, cmdRevert})
        editor->setEnabled(enabled);
    for (std::size_t i = 0; i < cmbMethod.size(); ++i) {
        cmbMethod[i]->setEnabled(enabled);
        stkParameter[i]->setEnabled(enabled);
        cmbTarget[i]->setEnabled(enabled);
    }
    updateRowButtons();
}

int MovesWindow::shownMethod(int slot) const
{
    const auto* box = cmbMethod[static_cast<std::size_t>(slot)];
    return box->currentIndex() < species::kEvolutionMethodCount ? box->currentIndex() : box->currentData().toInt();
}

std::optional<int> MovesWindow::shownParameter(int slot) const
{
    const auto i = static_cast<std::size_t>(slot);
    if (stkParameter[i]->currentIndex() == 1) {
        const auto* box = cmbParameter[i];
        if (box->currentIndex() < 0)
            return std::nullopt;
        return box->currentData().toInt();
    }
    const int value = spnParameter[i]->value();
    return value == kEmpty ? std::nullopt : std::optional<int>(value);
}

void MovesWindow::showParameter(int slot, int parameter)
{
    const auto i = static_cast<std::size_t>(slot);
    const auto kind = kindOf(shownMethod(slot));
    m_parameterKind[i] = kind;
    stkParameter[i]->setCurrentIndex(listed(kind) ? 1 : 0);
    if (listed(kind)) {
        QSignalBlocker quiet(cmbParameter[i]);
        fillCodes(cmbParameter[i], kind, m_game, controller().words());
        if (parameter == kEmpty) {
            cmbParameter[i]->setCurrentIndex(-1);
            cmbParameter[i]->setEditText({});
        } else {
            selectCode(cmbParameter[i], parameter);
        }
    } else {
        spnParameter[i]->setValue(parameter);
        // No parameter: the box shows what is stored (0) and takes nothing else.
        spnParameter[i]->setReadOnly(kind == EvolutionParameter::None);
    }
}

void MovesWindow::methodChosen(int slot, int method)
{
    const auto i = static_cast<std::size_t>(slot);
    const auto kind = kindOf(method);
    const auto shown = shownParameter(slot);
    int parameter = kEmpty;
    if (method == 0 || kind == EvolutionParameter::None)
        parameter = 0;
    else if (m_loadedEvolutions[i].method == method)
        parameter = m_loadedEvolutions[i].parameter;  // back to the stored method: as stored
    else if (shown && m_parameterKind[i] == kind && species::parameterFits(kind, *shown, m_game))
        parameter = *shown;  // Level 16 stays 16 for "Level (male)"
    showParameter(slot, parameter);
    if (method == 0)
        cmbTarget[i]->setCurrentIndex(0);
    updatePending();
}

species::LevelUpMoves MovesWindow::editedLevelUpMoves() const { return movesModel->moves(); }

species::Evolutions MovesWindow::editedEvolutions() const
{
    species::Evolutions evolutions{};
    for (std::size_t i = 0; i < evolutions.size(); ++i) {
        const int slot = static_cast<int>(i);
        // A parameter still to be given counts as what was stored: problem() refuses it.
        evolutions[i] = {shownMethod(slot), shownParameter(slot).value_or(m_loadedEvolutions[i].parameter),
                         cmbTarget[i]->currentIndex() < 0 ? m_loadedEvolutions[i].target
                                                          : cmbTarget[i]->currentData().toInt()};
    }
    return evolutions;
}

std::optional<QString> MovesWindow::problem() const
{
    if (!m_loaded)
        return std::nullopt;
    // Every problem at once, a line each: a Save refused for one is not refused again
    // for the next.
    QStringList problems;
    for (const auto& invalid : movesModel->invalidRows()) {
        if (invalid.text.isEmpty())
            problems << QString("%1, row %2: no move is chosen; pick one or remove the row").arg(m_name).arg(invalid.row + 1);
        else
            problems << QString("%1, row %2: \"%3\" is no move%4")
                            .arg(m_name)
                            .arg(invalid.row + 1)
                            .arg(invalid.text, qs(species::nearestMoves(invalid.text.toStdString())));
    }
    for (int slot = 0; slot < species::kEvolutionSlots; ++slot) {
        const auto i = static_cast<std::size_t>(slot);
        const int method = shownMethod(slot);
        const auto typedParameter = cmbParameter[i]->currentText().trimmed();
        if (method != 0 && !shownParameter(slot) && stkParameter[i]->currentIndex() == 1 && !typedParameter.isEmpty())
            problems << QString("%1, evolution %2: \"%3\" is not %4%5")
                            .arg(m_name)
                            .arg(slot + 1)
                            .arg(typedParameter, parameterWords(kindOf(method)), namesLike(cmbParameter[i], typedParameter));
        else if (method != 0 && !shownParameter(slot))
            problems << QString("%1, evolution %2: pick %3 for %4")
                            .arg(m_name)
                            .arg(slot + 1)
                            .arg(parameterWords(kindOf(method)), cmbMethod[i]->currentText());
        if (method != 0 && cmbTarget[i]->currentIndex() < 0)
            problems << QString("%1, evolution %2: \"%3\" is no species%4")
                            .arg(m_name)
                            .arg(slot + 1)
                            .arg(cmbTarget[i]->currentText(), namesLike(cmbTarget[i], cmbTarget[i]->currentText().trimmed()));
    }
    if (problems.isEmpty())
        return std::nullopt;
    return problems.join(";\n");
}

std::optional<QString> MovesWindow::commitTyped(const QString&)
{
    commitOpenEditor();
    return problem();
}

void MovesWindow::giveEdits(species::SpeciesChanges& changes) const
{
    // Nothing shown, nothing given: empty lists are no edit.
    if (!m_loaded)
        return;
    changes.levelUp = editedLevelUpMoves();
    changes.evolutions = editedEvolutions();
}

bool MovesWindow::hasPendingEdits() const
{
    // A row or slot still to be mended counts too: problem() names it.
    return m_loaded && (editedLevelUpMoves() != m_loadedMoves || editedEvolutions() != m_loadedEvolutions || problem());
}

void MovesWindow::commitOpenEditor()
{
    if (QWidget* editor = grdMoves->indexWidget(grdMoves->currentIndex()))
        emit grdMoves->itemDelegate()->commitData(editor);
    for (std::size_t i = 0; i < cmbParameter.size(); ++i) {
        if (cmbParameter[i]->hasFocus() && stkParameter[i]->currentIndex() == 1)
            commitTypedEntry(cmbParameter[i]);
        if (cmbTarget[i]->hasFocus())
            commitTypedEntry(cmbTarget[i]);
        markUnnamed(cmbParameter[i]);
        markUnnamed(cmbTarget[i]);
    }
    updatePending();
}

void MovesWindow::updateCount()
{
    const auto count = static_cast<std::size_t>(movesModel->rowCount());
    lblCount->setText(m_loaded || count ? QString("%1: %2 of %3 moves;").arg(m_name).arg(count).arg(species::kMaxLevelUpMoves)
                                        : QString());
    // What is left of the room once this list is written, in moves.
    const std::int64_t left = m_freeBytes - (memberBytes(count) - static_cast<std::int64_t>(m_loadedBytes));
    std::int64_t more = 0;
    if (left >= 0) {
        // Each further entry takes 2 bytes, padding aside.
        more = (left + static_cast<std::int64_t>(memberBytes(count)) - static_cast<std::int64_t>(count * 2 + 2)) / 2;
    }
    std::size_t fewer = 0;
    while (left < 0 && fewer < count &&
           memberBytes(count - fewer) - static_cast<std::int64_t>(m_loadedBytes) > m_freeBytes)
        ++fewer;
    const QString bytes = QString::number(-left) + (left == -1 ? " byte" : " bytes");
    if (left < 0)
        lblRoom->setText(QString("this list needs %1 more than this ROM has room for: remove %2 %3")
                             .arg(bytes)
                             .arg(fewer)
                             .arg(fewer == 1 ? "move" : "moves"));
    else if (more == 0)
        lblRoom->setText("this ROM has no room for more moves");
    else
        lblRoom->setText(QString("this ROM has room for %1 in all").arg(qs(platform::roughQuantity(more, "more move"))));
    const bool full = count >= static_cast<std::size_t>(species::kMaxLevelUpMoves);
    const bool room = memberBytes(count + 1) - memberBytes(count) <= left;
    cmdAdd->setEnabled(grdMoves->isEnabled() && !full && room);
    cmdAdd->setToolTip(full    ? QString("The game takes at most %1 level-up moves").arg(species::kMaxLevelUpMoves)
                       : !room ? QString("This ROM has no room for another move")
                               : QString());
}

void MovesWindow::cmdAdd_Click()
{
    commitOpenEditor();
    const auto moves = editedLevelUpMoves();
    const int row = movesModel->rowCount();
    movesModel->insertEntry(row, {moves.empty() ? 1 : moves.back().level, 0});
    const auto cell = movesModel->index(row, LevelUpMovesModel::MoveColumn);
    grdMoves->setCurrentIndex(cell);
    grdMoves->setFocus();
    grdMoves->edit(cell);
}

void MovesWindow::updateRowButtons()
{
    const auto current = grdMoves->currentIndex();
    const bool picked = grdMoves->isEnabled() && current.isValid() && grdMoves->selectionModel()->isSelected(current);
    cmdRemove->setEnabled(picked);
    cmdUp->setEnabled(picked && current.row() > 0);
    cmdDown->setEnabled(picked && current.row() + 1 < movesModel->rowCount());
}

void MovesWindow::cmdRemove_Click()
{
    const int row = grdMoves->currentIndex().row();
    if (row < 0 || !cmdRemove->isEnabled())
        return;
    movesModel->removeEntry(row);
}

void MovesWindow::cmdUp_Click()
{
    commitOpenEditor();
    const auto current = grdMoves->currentIndex();
    if (current.row() <= 0)
        return;
    movesModel->swapEntries(current.row(), current.row() - 1);
    grdMoves->setCurrentIndex(movesModel->index(current.row() - 1, current.column()));
}

void MovesWindow::cmdDown_Click()
{
    commitOpenEditor();
    const auto current = grdMoves->currentIndex();
    if (current.row() < 0 || current.row() + 1 >= movesModel->rowCount())
        return;
    movesModel->swapEntries(current.row(), current.row() + 1);
    grdMoves->setCurrentIndex(movesModel->index(current.row() + 1, current.column()));
}

void MovesWindow::cmdSort_Click()
{
    commitOpenEditor();
    movesModel->sortByLevel();
}


void MovesWindow::revertEdits()
{
    if (!m_loaded)
        return;
    grdMoves->setCurrentIndex({});
    movesModel->setMoves(m_loadedMoves);
    showEvolutions(m_loadedEvolutions);
    updateCount();
    updatePending();
}



} // namespace quillmark::app
