#pragma once

#include "dialogs/OpenFileName.h"
#include "species/RomComparison.h"

#include <QWidget>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

namespace quillmark::platform {
class MessageBoxService;
}

namespace quillmark::app {

// Compare with ROM: what changed from another ROM (the original, usually) to the one
// open, a row per change as `quillmark-cli diff` prints them. Sorted by a click on a
// column's header, filtered by species; a double-click (or Return) on a row picks that
// species in the main window. Copy puts the rows shown on the clipboard tab-separated,
// as a spreadsheet pastes them; Save as CSV and Save patch write the rows and the BPS
// patch from the other ROM to this one.
class DocumentController;

class CompareWindow : public QWidget {
    Q_OBJECT

public:
    // Its rows and patch come from `controller`, which compares the files again when
    // they are no longer those compared; it says while edits are pending there.
    CompareWindow(DocumentController& controller, QWidget* mainWindow, platform::MessageBoxService& messages,
                  dialogs::CommonDialogFunctions fileDialogs);

    // The changes from `otherPath` to `thisPath`, as compareRoms found them, the tables
    // it could not compare, and the patch made of the same two files at that moment.
    void showChanges(const std::string& otherPath, const std::string& thisPath,
                     species::RomComparison comparison, std::vector<std::uint8_t> patch);
    // Edits not yet saved are in neither the list nor the patch: said while there are.
    void showPendingEdits(bool pending);
    const std::string& otherPath() const { return m_otherPath; }
    // Room for the five columns of a usual list; smaller on a small screen.
    QSize sizeHint() const override { return {720, 420}; }

    void cmdCopy_Click();
    void cmdSaveCsv_Click();
    void cmdSavePatch_Click();
    // The rows the filter lets through, in the order shown, header first.
    std::vector<std::vector<std::string>> shownRows() const;

    QLabel* lblCompared = nullptr;
    QLineEdit* txtFilter = nullptr;
    QTableView* grdChanges = nullptr;
    QPushButton* cmdCopy = nullptr;
    QPushButton* cmdSaveCsv = nullptr;
    QPushButton* cmdSavePatch = nullptr;
    QPushButton* cmdClose = nullptr;

signals:
    // A row's species was asked for: its list index.
    void speciesPicked(int listIndex);

private:
    void pickRow(const QModelIndex& index);
    // A save dialog for `filter`; "" when cancelled, or when the path names one of the
    // ROMs compared (said so, naming `what` would have been saved).
    std::string askSavePath(const std::string& title, const std::string& fileName, const std::string& filter,
                            const std::string& what);
    void saveFile(const std::string& path, std::string_view bytes, const std::string& what);
    // Both files still as compared (their CRC-32s are the patch's); otherwise said so,
    // and compared again, for the user to look before anything goes out.
    bool stillAsCompared();
    void showSummary();

    DocumentController& m_controller;
    platform::MessageBoxService& m_messages;
    dialogs::CommonDialogFunctions m_fileDialogs;
    QStandardItemModel* m_model = nullptr;
    QSortFilterProxyModel* m_shown = nullptr;
    std::string m_otherPath, m_thisPath;
    std::vector<species::RomChange> m_changes;
    std::vector<species::UncomparedTable> m_uncompared;
    std::vector<std::uint8_t> m_patch;
    bool m_pending = false;
    // The other ROM was not the file it was at the comparison before.
    bool m_otherChanged = false;
};

} // namespace quillmark::app
