#include "app/MoreDataWindow.h"
#include "app/DocumentController.h"
#include "app/QtText.h"
#include "app/WheelGuard.h"

#include "app/ClassicFont.h"
#include "app/ContentScrollArea.h"
#include "app/FrameStyle.h"
#include "app/PressOnlyButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QResizeEvent>
#include <QVBoxLayout>

namespace quillmark::app {

namespace {

struct EffortValueEditor {
    std::string_view column;
    const char* caption;
};
constexpr std::array<EffortValueEditor, 6> kEffortValues = {{
    {"ev_hp", "HP"},
    {"ev_attack", "Attack"},
    {"ev_defense", "Defense"},
    {"ev_speed", "Speed"},
    {"ev_sp_attack", "Sp Attack"},
    {"ev_sp_defense", "Sp Defense"},
}};

constexpr int kMachineRows = 20;  // TM01..TM20 down the first column, and so on

const species::RecordColumn& column(std::string_view name) { return *species::findColumn(name); }

QComboBox* listBox(const species::RecordColumn& column, const char* name, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    for (const auto& text : species::listEntries(column.list))
        box->addItem(qs(text));
    box->setCurrentIndex(-1);
    return box;
}

// A code the list has no text for shows as "#N" at the end of the list, and stays so
// until another species is shown.
std::optional<int> showCode(QComboBox* box, const species::RecordColumn& column, unsigned code,
                            std::optional<int> unlisted)
{
    if (unlisted)
        box->removeItem(*unlisted);
    const auto entries = static_cast<unsigned>(species::listEntries(column.list).size());
    if (code < entries) {
        box->setCurrentIndex(static_cast<int>(code));
        return std::nullopt;
    }
    box->addItem("#" + QString::number(code));
    box->setCurrentIndex(box->count() - 1);
    return box->count() - 1;
}

void applyCode(const QComboBox* box, const species::RecordColumn& column, std::optional<int> unlisted,
               species::RecordBytes& record)
{
    const int index = box->currentIndex();
    if (index >= 0 && index != unlisted)
        species::setCode(column, static_cast<unsigned>(index), record);
}

} // namespace

MoreDataWindow::MoreDataWindow(DocumentController& controller, QWidget* mainWindow)
    : ToolWindow(controller, mainWindow)
{
    setObjectName("Form3");
    setWindowTitle("More Data[*]");
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);

    setFont(classicFont({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial"}, 8.25));
    setStyleSheet(kFrameStyleSheet);
    buildTopRow();
    auto* machineFrame = buildMachines();

    auto* bottom = revertAndCloseRow();

    auto* content = new QWidget(this);
    auto* editors = new QVBoxLayout(content);
    editors->setContentsMargins(0, 0, 0, 0);
    editors->addLayout(m_top);
    editors->addWidget(machineFrame);
    auto* window = new QVBoxLayout(this);
    window->addWidget(new ContentScrollArea(content, this), 1);
    window->addLayout(bottom);
    // A parent with a style sheet stops the window's font from reaching its children.
    for (auto* child : findChildren<QWidget*>())
        child->setFont(font());

    connect(cmdAll, &QPushButton::clicked, this, &MoreDataWindow::cmdAll_Click);
    connect(cmdNone, &QPushButton::clicked, this, &MoreDataWindow::cmdNone_Click);
    for (auto* spin : spnEV)
        connect(spin, &QSpinBox::valueChanged, this, &MoreDataWindow::updatePending);
    for (auto* box : {cmbGrowth, cmbColour})
        connect(box, &QComboBox::currentIndexChanged, this, &MoreDataWindow::updatePending);
    for (auto* box : chkMachine)
        connect(box, &QCheckBox::toggled, this, &MoreDataWindow::updatePending);
    connect(chkFlip, &QCheckBox::toggled, this, &MoreDataWindow::updatePending);
    keepWheelForFocusedBoxes(this);
    clearRecord();
    wireToController();
}

void MoreDataWindow::wireToController()
{
    auto& shown = controller();
    labelMachines(shown.game());
    connect(&shown, &DocumentController::opened, this, [this](const rom::Edition& edition) { labelMachines(edition.game); });
    connect(&shown, &DocumentController::cleared, this, &MoreDataWindow::clearRecord);
    connect(&shown, &DocumentController::loaded, this, [this](int listIndex, const species::SpeciesLoad& load) {
        if (species::holds<species::SpeciesRecordsPart>(load))
            showRecord(load.record.record, controller().game(), controller().speciesName(listIndex));
    });
    connect(&shown, &DocumentController::saved, this, [this](int listIndex, const species::RecordBytes& record) {
        showRecord(record, controller().game(), controller().speciesName(listIndex));
    });
    // The species already loaded, as the last load read it.
    const int listIndex = shown.session().SelectedIndex;
    if (const auto* document = shown.speciesLoaded() ? shown.document() : nullptr) {
        if (const auto* record = document->part<species::SpeciesRecordsPart>().recordRead(listIndex))
            showRecord(*record, shown.game(), shown.speciesName(listIndex));
    }
    addPages({this});
}

QGroupBox* MoreDataWindow::captionedFrame(const char* caption)
{
    auto* box = new QGroupBox(caption, this);
    box->setProperty("captioned", true);
    return box;
}

void MoreDataWindow::buildTopRow()
{
    const auto frame = [this](const char* caption) { return captionedFrame(caption); };

    // Top row: EV yields in two rows of three, growth, colour and the total.
    auto* evFrame = frame("EV Yields");
    auto* evGrid = new QGridLayout(evFrame);
    for (std::size_t i = 0; i < kEffortValues.size(); ++i) {
        auto* spin = new QSpinBox(evFrame);
        spin->setObjectName(QString("spnEV%1").arg(i));
        spin->setRange(0, 3);
        spin->setAccessibleName(QString("EV ") + kEffortValues[i].caption);
        auto* label = new QLabel(kEffortValues[i].caption, evFrame);
        label->setBuddy(spin);
        const int row = static_cast<int>(i / 3), column = static_cast<int>(i % 3) * 2;
        evGrid->addWidget(label, row, column);
        evGrid->addWidget(spin, row, column + 1);
        spnEV[i] = spin;
    }

    auto* growthFrame = frame("Growth Rate");
    cmbGrowth = listBox(column("growth_rate"), "cmbGrowth", growthFrame);
    cmbGrowth->setAccessibleName("Growth Rate");
    (new QVBoxLayout(growthFrame))->addWidget(cmbGrowth);

    auto* colourFrame = frame("Colour");
    cmbColour = listBox(column("color"), "cmbColour", colourFrame);
    cmbColour->setAccessibleName("Colour");
    chkFlip = new QCheckBox("Flip", colourFrame);
    chkFlip->setObjectName("chkFlip");
    chkFlip->setAccessibleName("Flip");
    auto* colourBox = new QHBoxLayout(colourFrame);
    colourBox->addWidget(cmbColour);
    colourBox->addWidget(chkFlip);

    auto* totalFrame = frame("Base Stat Total");
    txtTotal = new QLineEdit(totalFrame);
    txtTotal->setObjectName("txtTotal");
    txtTotal->setReadOnly(true);
    txtTotal->setAccessibleName("Base Stat Total");
    txtTotal->setAlignment(Qt::AlignCenter);
    txtTotal->setMaximumWidth(60);
    (new QVBoxLayout(totalFrame))->addWidget(txtTotal);

    m_top = new QGridLayout;
    m_topFrames = {evFrame, growthFrame, colourFrame, totalFrame};
}

QGroupBox* MoreDataWindow::buildMachines()
{
    const auto frame = [this](const char* caption) { return captionedFrame(caption); };
    auto* machineFrame = frame("TM/HM Compatibility");
    m_machineGrid = new QGridLayout(machineFrame);
    m_machineGrid->setHorizontalSpacing(12);
    m_machineGrid->setVerticalSpacing(0);
    for (int bit = 0; bit < species::kMachineCount; ++bit) {
        auto* box = new QCheckBox(machineFrame);
        box->setObjectName(qs("chk" + species::machineName(bit)));
        chkMachine[static_cast<std::size_t>(bit)] = box;
    }
    labelMachines(rom::Game::Diamond);
    cmdAll = pressOnlyButton("&All", "cmdAll", "All", machineFrame);
    cmdNone = pressOnlyButton("&None", "cmdNone", "None", machineFrame);
    m_machineButtons = new QHBoxLayout;
    m_machineButtons->addStretch();
    m_machineButtons->addWidget(cmdAll);
    m_machineButtons->addWidget(cmdNone);
    // Laid out at its widest first: from "narrow", so that arrange places every box.
    m_narrow = true;
    arrange(false);

    return machineFrame;
}

void MoreDataWindow::arrange(bool narrow) const
{
    if (m_narrow == narrow)
        return;
    m_narrow = narrow;
    const auto [ev, growth, colour, total] = m_topFrames;
    for (QWidget* frame : m_topFrames)
        m_top->removeWidget(frame);
    if (narrow) {
        m_top->addWidget(ev, 0, 0, 1, 3);
        m_top->addWidget(growth, 1, 0);
        m_top->addWidget(colour, 1, 1);
        m_top->addWidget(total, 1, 2);
    } else {
        for (int i = 0; i < 4; ++i)
            m_top->addWidget(m_topFrames[static_cast<std::size_t>(i)], 0, i);
    }
    const int rows = narrow ? 25 : kMachineRows;
    for (QCheckBox* box : chkMachine)
        m_machineGrid->removeWidget(box);
    m_machineGrid->removeItem(m_machineButtons);
    for (int bit = 0; bit < species::kMachineCount; ++bit)
        m_machineGrid->addWidget(chkMachine[static_cast<std::size_t>(bit)], bit % rows, bit / rows);
    m_machineGrid->addLayout(m_machineButtons, rows, 0, 1, (species::kMachineCount + rows - 1) / rows);
}

QSize MoreDataWindow::arrangedHint(bool narrow) const
{
    const bool was = m_narrow;
    arrange(narrow);
    // Every widget between the grids and the window measures again.
    for (QWidget* w = m_machineGrid->parentWidget(); w && w != this; w = w->parentWidget())
        w->updateGeometry();
    const auto size = layout()->totalSizeHint().expandedTo(layout()->totalMinimumSize());
    arrange(was);
    return size;
}

QSize MoreDataWindow::sizeHint() const { return arrangedHint(false); }

int MoreDataWindow::heightForWidth(int width) const
{
    const auto wide = arrangedHint(false);
    if (width >= wide.width())
        return wide.height();
    const auto narrow = arrangedHint(true);
    return narrow.height() + (width < narrow.width() ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0);
}

void MoreDataWindow::resizeEvent(QResizeEvent* event)
{
    arrange(event->size().width() < arrangedHint(false).width());
    ToolWindow::resizeEvent(event);
}

void MoreDataWindow::giveEdits(species::SpeciesChanges& changes) const
{
    if (m_shown)
        changes.moreData = editedRecord(*m_shown);
}

bool MoreDataWindow::hasPendingEdits() const { return m_shown && editedRecord(*m_shown) != *m_shown; }

void MoreDataWindow::revertEdits()
{
    if (m_shown)
        showRecord(*m_shown, *m_machineGame, m_name);
}


void MoreDataWindow::labelMachines(rom::Game game)
{
    if (m_machineGame == game)
        return;
    m_machineGame = game;
    for (int bit = 0; bit < species::kMachineCount; ++bit) {
        const auto label = qs(species::machineName(bit) + " " + std::string(species::machineMove(bit, game)));
        chkMachine[static_cast<std::size_t>(bit)]->setText(label);
        chkMachine[static_cast<std::size_t>(bit)]->setAccessibleName(label);
    }
}

void MoreDataWindow::setEditorsEnabled(bool enabled)
{
    for (auto* spin : spnEV)
        spin->setEnabled(enabled);
    for (auto* box : chkMachine)
        box->setEnabled(enabled);
    for (QWidget* editor : std::initializer_list<QWidget*>{cmbGrowth, cmbColour, chkFlip, cmdAll, cmdNone, cmdRevert})
        editor->setEnabled(enabled);
}

void MoreDataWindow::showRecord(const species::RecordBytes& record, rom::Game game, const QString& name)
{
    m_shown.reset();
    m_name = name;
    setWindowTitle("More Data - " + name + "[*]");
    labelMachines(game);
    for (std::size_t i = 0; i < kEffortValues.size(); ++i)
        spnEV[i]->setValue(static_cast<int>(species::codeOf(column(kEffortValues[i].column), record)));
    m_unlistedGrowth = showCode(cmbGrowth, column("growth_rate"),
                                species::codeOf(column("growth_rate"), record), m_unlistedGrowth);
    m_unlistedColour = showCode(cmbColour, column("color"), species::codeOf(column("color"), record),
                                m_unlistedColour);
    chkFlip->setChecked(species::codeOf(column("flip"), record) != 0);
    for (int bit = 0; bit < species::kMachineCount; ++bit)
        chkMachine[static_cast<std::size_t>(bit)]->setChecked(species::hasMachine(record, bit));
    setEditorsEnabled(true);
    m_shown = record;
    updatePending();
}

void MoreDataWindow::clearRecord()
{
    m_shown.reset();
    m_name.clear();
    setWindowTitle("More Data[*]");
    for (auto* spin : spnEV)
        spin->setValue(0);
    for (auto [box, unlisted] : {std::pair{cmbGrowth, &m_unlistedGrowth}, std::pair{cmbColour, &m_unlistedColour}}) {
        if (*unlisted)
            box->removeItem(**unlisted);
        unlisted->reset();
        box->setCurrentIndex(-1);
    }
    chkFlip->setChecked(false);
    for (auto* box : chkMachine)
        box->setChecked(false);
    setEditorsEnabled(false);
    updatePending();
}

species::RecordBytes MoreDataWindow::editedRecord(const species::RecordBytes& base) const
{
    auto record = base;
    for (std::size_t i = 0; i < kEffortValues.size(); ++i)
        species::setCode(column(kEffortValues[i].column), static_cast<unsigned>(spnEV[i]->value()), record);
    applyCode(cmbGrowth, column("growth_rate"), m_unlistedGrowth, record);
    applyCode(cmbColour, column("color"), m_unlistedColour, record);
    species::setCode(column("flip"), chkFlip->isChecked() ? 1u : 0u, record);
    for (int bit = 0; bit < species::kMachineCount; ++bit)
        species::setMachine(record, bit, chkMachine[static_cast<std::size_t>(bit)]->isChecked());
    return record;
}

void MoreDataWindow::showBaseStatTotal(const QString& total) { txtTotal->setText(total); }

void MoreDataWindow::cmdAll_Click()
{
    for (auto* box : chkMachine)
        box->setChecked(true);
}

void MoreDataWindow::cmdNone_Click()
{
    for (auto* box : chkMachine)
        box->setChecked(false);
}


} // namespace quillmark::app
