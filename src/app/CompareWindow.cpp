#include "app/CompareWindow.h"

#include "app/ClassicFont.h"
#include "app/DocumentController.h"
#include "app/QtText.h"
#include "dialogs/clsCommonDialog.h"
#include "platform/MessageBoxService.h"
#include "platform/OutputFiles.h"
#include "rom/Bps.h"
#include "species/CsvWriter.h"
#include "species/LookupLists.h"
#include "species/SpeciesMessages.h"
#include "species/TableSheet.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <cstring>

namespace quillmark::app {

namespace {

enum Column { SpeciesColumn, PartColumn, FieldColumn, BeforeColumn, AfterColumn, ColumnCount };
// The list index behind a row (-1 for a file), and the place of the row as compared:
// sorting by species keeps list order, and by anything else keeps it among equals.
constexpr int kIndexRole = Qt::UserRole + 1;
constexpr int kOrderRole = Qt::UserRole + 2;

QString partText(const std::string& part)
{
    const auto* sheet = species::sheetOfPart(part);
    return sheet ? qs(std::string(sheet->listWords())) : qs(part);
}

} // namespace

CompareWindow::CompareWindow(DocumentController& controller, QWidget* mainWindow,
                             platform::MessageBoxService& messages, dialogs::CommonDialogFunctions fileDialogs)
    : QWidget(mainWindow, Qt::Window), m_controller(controller), m_messages(messages),
      m_fileDialogs(std::move(fileDialogs))
{
    setObjectName("frmCompare");
    setWindowTitle("Compare with ROM");
    setFont(classicFont({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial"}, 8.25));

    lblCompared = new QLabel(this);
    lblCompared->setObjectName("lblCompared");
    lblCompared->setWordWrap(true);
    txtFilter = new QLineEdit(this);
    txtFilter->setObjectName("txtFilter");
    txtFilter->setPlaceholderText("Filter by species");
    txtFilter->setAccessibleName("Filter by species");
    txtFilter->setClearButtonEnabled(true);
    auto* filterLabel = new QLabel("&Species:", this);
    filterLabel->setBuddy(txtFilter);

    m_model = new QStandardItemModel(0, ColumnCount, this);
    m_model->setHorizontalHeaderLabels({"Species", "Part", "Field", "Before", "After"});
    m_shown = new QSortFilterProxyModel(this);
    m_shown->setSourceModel(m_model);
    m_shown->setFilterKeyColumn(SpeciesColumn);
    m_shown->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_shown->setSortRole(kOrderRole);
    grdChanges = new QTableView(this);
    grdChanges->setObjectName("grdChanges");
    grdChanges->setAccessibleName("Changes");
    grdChanges->setModel(m_shown);
    grdChanges->setSortingEnabled(true);
    grdChanges->sortByColumn(SpeciesColumn, Qt::AscendingOrder);
    grdChanges->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdChanges->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdChanges->verticalHeader()->hide();
    grdChanges->horizontalHeader()->setStretchLastSection(true);

    cmdCopy = new QPushButton("&Copy", this);
    cmdCopy->setObjectName("cmdCopy");
    cmdSaveCsv = new QPushButton("Save as CS&V...", this);
    cmdSaveCsv->setObjectName("cmdSaveCsv");
    cmdSavePatch = new QPushButton("Save &patch...", this);
    cmdSavePatch->setObjectName("cmdSavePatch");
    cmdClose = new QPushButton("Close", this);
    cmdClose->setObjectName("cmdClose");

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(txtFilter, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdCopy);
    buttons->addWidget(cmdSaveCsv);
    buttons->addWidget(cmdSavePatch);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblCompared);
    layout->addLayout(filterRow);
    layout->addWidget(grdChanges, 1);
    layout->addLayout(buttons);
    resize(720, 420);

    connect(txtFilter, &QLineEdit::textChanged, m_shown, &QSortFilterProxyModel::setFilterFixedString);
    connect(grdChanges, &QTableView::doubleClicked, this, &CompareWindow::pickRow);
    connect(grdChanges, &QTableView::activated, this, &CompareWindow::pickRow);
    connect(cmdCopy, &QPushButton::clicked, this, &CompareWindow::cmdCopy_Click);
    connect(cmdSaveCsv, &QPushButton::clicked, this, &CompareWindow::cmdSaveCsv_Click);
    connect(cmdSavePatch, &QPushButton::clicked, this, &CompareWindow::cmdSavePatch_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    auto* copy = new QShortcut(QKeySequence::Copy, grdChanges);
    connect(copy, &QShortcut::activated, this, &CompareWindow::cmdCopy_Click);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    // Edits not yet saved are in neither the list nor the patch; once saved, the list is
    // made again from the files as they are.
    connect(&m_controller, &DocumentController::pendingChanged, this, &CompareWindow::showPendingEdits);
    showPendingEdits(m_controller.hasPendingEdits());
    connect(&m_controller, &DocumentController::saveCompleted, this, [this] {
        if (isVisible())
            m_controller.compareWith(m_otherPath);
    });
    // Exit ends the program: no tool window stays on screen.
    connect(&m_controller, &DocumentController::quitting, this, &QWidget::hide);
}

void CompareWindow::showChanges(const std::string& otherPath, const std::string& thisPath,
                                species::RomComparison comparison, std::vector<std::uint8_t> patch)
{
    const auto sumsBefore = rom::bpsFileSums(m_patch), sumsNow = rom::bpsFileSums(patch);
    m_otherChanged = otherPath == m_otherPath && sumsBefore && sumsNow && sumsBefore->first != sumsNow->first;
    m_otherPath = otherPath;
    m_thisPath = thisPath;
    m_changes = std::move(comparison.changes);
    m_uncompared = std::move(comparison.uncompared);
    m_patch = std::move(patch);
    showSummary();
    m_model->removeRows(0, m_model->rowCount());
    int order = 0;
    for (const auto& change : m_changes) {
        QList<QStandardItem*> row;
        const QString name = change.index < 0 ? QString("(file)") : qs(change.name + " (" + std::to_string(change.index) + ")");
        const QString part = change.part == "file" ? QString("file") : partText(change.part);
        for (const auto& text : {name, part, qs(change.field), qs(change.before), qs(change.after)}) {
            auto* item = new QStandardItem(text);
            item->setData(change.index, kIndexRole);
            row.push_back(item);
        }
        // Species in list order (files last), every other column by its text, the
        // compared order kept among equals.
        row[SpeciesColumn]->setData(QString("%1 %2").arg(change.index < 0 ? 99999 : change.index, 5, 10, QChar('0')).arg(order, 6, 10, QChar('0')),
                                    kOrderRole);
        for (int column = PartColumn; column < ColumnCount; ++column) {
            // Numbers by their value (45 before 108), a level with its move too ("98
            // Earthquake" before "100 ThunderPunch"), before any text.
            const auto text = row[column]->text();
            const auto space = text.indexOf(' ');
            bool number = false;
            const auto value = (space > 0 ? text.left(space) : text).toLongLong(&number);
            const auto key = number ? QString("0%1 %2").arg(value, 12, 10, QChar('0')).arg(space > 0 ? text.mid(space + 1) : QString())
                                    : "1" + text;
            row[column]->setData(key + QString(" %1").arg(order, 6, 10, QChar('0')), kOrderRole);
        }
        m_model->appendRow(row);
        ++order;
    }
    grdChanges->resizeColumnsToContents();
    const bool any = !m_changes.empty();
    cmdCopy->setEnabled(any);
    cmdSaveCsv->setEnabled(any);
    cmdSavePatch->setEnabled(any);
}

void CompareWindow::showSummary()
{
    const auto species = std::count_if(m_changes.begin(), m_changes.end(),
                                       [](const species::RomChange& change) { return change.part != "file"; });
    // Tables left out are named under the count: "no differences" holds only for
    // the tables compared.
    const bool partial = !m_uncompared.empty();
    QString text = QString("From %1 to %2: %3")
                       .arg(qs(platform::fileNameOf(m_otherPath)), qs(platform::fileNameOf(m_thisPath)),
                            m_changes.empty() ? QString(partial ? "no differences in the tables compared." : "no differences.")
                            : species == 0    ? QString("No differences in the %1; %2 other file(s) differ.")
                                                 .arg(partial ? "tables compared" : "species data")
                                                 .arg(m_changes.size())
                                              : QString("%1 change(s).").arg(m_changes.size()));
    if (m_otherChanged)
        text += "\n" + qs(platform::fileNameOf(m_otherPath)) + " changed since it was last compared.";
    if (m_pending)
        text += "\nEdits not yet saved are in neither this list nor the patch: save them first (Ctrl+S).";
    if (partial)
        text += "\n" + qs(species::uncomparedText(m_uncompared)).trimmed();
    lblCompared->setText(text);
}

void CompareWindow::showPendingEdits(bool pending)
{
    m_pending = pending;
    showSummary();
}

bool CompareWindow::stillAsCompared()
{
    const auto same = m_controller.stillAsCompared(m_otherPath, m_thisPath, m_patch);
    if (same && *same)
        return true;
    m_messages.show(same ? "The ROMs changed since this list was made. It is made again now from the files as they "
                           "are: look at it, then copy or save again."
                         : "The ROMs could not be read again: " +
                               species::userMessage(same.error(), species::SpeciesOperation::Load),
                    std::nullopt, platform::MessageIcon::Warning);
    if (same)
        m_controller.compareWith(m_otherPath);
    return false;
}

std::vector<std::vector<std::string>> CompareWindow::shownRows() const
{
    std::vector<std::vector<std::string>> rows = {{"Species", "Part", "Field", "Before", "After"}};
    for (int row = 0; row < m_shown->rowCount(); ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < ColumnCount; ++column)
            cells.push_back(m_shown->index(row, column).data().toString().toStdString());
        rows.push_back(std::move(cells));
    }
    return rows;
}

void CompareWindow::cmdCopy_Click()
{
    if (!stillAsCompared())
        return;
    QString text;
    for (const auto& row : shownRows()) {
        QStringList cells;
        for (const auto& cell : row)
            cells << qs(cell).replace('\t', ' ');
        text += cells.join('\t') + '\n';
    }
    QApplication::clipboard()->setText(text);
}

std::string CompareWindow::askSavePath(const std::string& title, const std::string& fileName, const std::string& filter,
                                       const std::string& what)
{
    dialogs::clsCommonDialog dialog(m_fileDialogs);
    constexpr std::uint32_t kFlags = dialogs::OFN_OVERWRITEPROMPT | dialogs::OFN_PATHMUSTEXIST | dialogs::OFN_HIDEREADONLY;
    const auto path = dialog.ShowSave(static_cast<std::uint32_t>(winId()), title, fileName, "", filter, kFlags).value_or("");
    if (!path.empty() && (platform::sameFile(path, m_thisPath) || platform::sameFile(path, m_otherPath))) {
        m_messages.show("That is one of the ROMs compared; the " + what + " was not saved there.", std::nullopt,
                        platform::MessageIcon::Warning);
        return {};
    }
    return path;
}

void CompareWindow::saveFile(const std::string& path, std::string_view bytes, const std::string& what)
{
    if (const auto failure = platform::replaceFileWithText(path, bytes))
        m_messages.show("The " + what + " could not be saved: " + std::string(std::strerror(*failure)) + ".",
                        std::nullopt, platform::MessageIcon::Warning);
    else
        m_messages.show("The " + what + " was saved to " + path + " (" + std::to_string(bytes.size()) + " bytes).",
                        std::nullopt, platform::MessageIcon::Information);
}

void CompareWindow::cmdSaveCsv_Click()
{
    if (!stillAsCompared())
        return;
    const auto path = askSavePath("Save as CSV", "changes.csv", "CSV (*.csv)|*.csv", "list of changes");
    if (!path.empty())
        saveFile(path, species::writeCsv(species::comparisonRows(m_changes)), "list of changes");
}

void CompareWindow::cmdSavePatch_Click()
{
    // The patch made with the list: the same two files at the same moment.
    if (!stillAsCompared())
        return;
    const auto path = askSavePath("Save patch", "changes.bps", "BPS patches (*.bps)|*.bps", "patch");
    if (!path.empty())
        saveFile(path, std::string_view(reinterpret_cast<const char*>(m_patch.data()), m_patch.size()), "patch");
}

void CompareWindow::pickRow(const QModelIndex& index)
{
    const int listIndex = index.data(kIndexRole).toInt();
    if (listIndex >= 0)
        emit speciesPicked(listIndex);
}

} // namespace quillmark::app
