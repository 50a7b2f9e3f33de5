#pragma once

#include "app/CompareWindow.h"
#include "app/DocumentController.h"
#include "app/Form2.h"
#include "app/MoreDataWindow.h"
#include "app/MovesWindow.h"
#include "dialogs/OpenFileName.h"
#include "platform/Conversions.h"
#include "rom/RomIdentification.h"
#include "species/RomDocument.h"
#include "species/SpeciesEditor.h"
#include "species/SpeciesMessages.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <array>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;

namespace quillmark::platform {
class MessageBoxService;
}

namespace quillmark::app {

// The main window: the species list, the twenty editors, and the File and Help
// menus. Every action of the program starts in one of its handlers, which hand it to
// the document controller; the window shows what the controller says. Its twenty
// fields are the first page Save asks.
class Form1 : public QMainWindow, public EditorPage {
    Q_OBJECT

public:
    // Without services the window uses Qt's message boxes and file dialogs.
    explicit Form1(platform::MessageBoxService* messages = nullptr,
                   std::optional<dialogs::CommonDialogFunctions> fileDialogs = std::nullopt,
                   QWidget* parent = nullptr);
    ~Form1() override;

    // Handlers, one per event, named after the control that raises it.
    void Form_Load();
    void mnuOpen_Click();
    void pkmnlst_Click();
    void mnuSave_Click();
    void mnuExit_Click();
    void mnuAbout_Click();
    void mnuMoreData_Click();
    void mnuMoves_Click();
    void mnuCompare_Click();

    const species::RomSession& session() const { return m_controller->session(); }
    DocumentController* controller() const { return m_controller; }

    // The twenty fields as a page of what Save writes.
    bool hasPendingEdits() const override;
    std::optional<QString> commitTyped(const QString&) override { return std::nullopt; }
    void giveEdits(species::SpeciesChanges& changes) const override;
    void revertEdits() override;
    species::PartSet wants() const override { return species::partsOf<species::SpeciesRecordsPart>(); }

    // A control of the inventory by its name, or null.
    QWidget* control(std::string_view name) const;
    template <class T>
    T* control(std::string_view name) const { return qobject_cast<T*>(control(name)); }

    QAction* mnuOpen = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuAbout = nullptr;
    QAction* mnuMoreData = nullptr;
    QAction* mnuMoves = nullptr;
    QAction* mnuCompare = nullptr;
    QMenu* mnuFile = nullptr;
    QMenu* mnuSpecies = nullptr;
    QMenu* mnuHelp = nullptr;

    Form2* aboutWindow() const { return m_about; }
    // The More Data window, once it has been opened.
    MoreDataWindow* moreDataWindow() const { return m_moreData; }
    // The Moves and Evolutions window, once it has been opened.
    MovesWindow* movesWindow() const { return m_moves; }
    // The Compare with ROM window, once a comparison has been shown.
    CompareWindow* compareWindow() const { return m_compare; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // The window's own shortcuts (Ctrl+E, Ctrl+M, Ctrl+S...) also from a text box that
    // would take the keys for itself (Ctrl+E is "end of line" in a Linux text box).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateWidgets();
    void CreateMenus();
    void ConnectWidgets();

    species::SpeciesValues editorValues() const;
    void showEditorValues(const species::SpeciesValues& values);
    // What the controller says, on screen.
    void showOpened(const rom::Edition& edition, int recordCount);
    void showOpenRefused(const QString& text, const QString& details);
    void showLoaded(int listIndex, const species::SpeciesLoad& load);
    void showFailure(const species::SpeciesError& error, species::SpeciesOperation operation);
    void showComparison(const std::string& otherPath, const std::string& thisPath,
                        const species::RomComparison& comparison, const std::vector<std::uint8_t>& patch);
    // Nothing of a species on screen, and no save until one is loaded.
    void clearSpecies();
    void updateBaseStatTotal();
    // The species list: the 493 species and the egg and form records of the ROM.
    void fillSpeciesList(int recordCount);
    void enableEditors();
    void setCutNameToolTips();
    // After a save refused for a number: the cursor into the first box that fails.
    void focusFirstInvalidNumber();
    void warn(const std::string& text);
    // Before a pick, an open or an exit would drop edits not yet saved in any window:
    // "Save changes to Garchomp?". True to go on (saved, or discarded, or nothing
    // pending); false to stay as things are (Cancel, or a save that was refused).
    bool maySetEditsAside();
    // The species list's selected index, -1 when nothing is selected.
    int selectedRow() const;
    platform::NumberFormat numberFormat() const;

    DocumentController* m_controller = nullptr;
    platform::MessageBoxService* m_messages;
    std::unique_ptr<platform::MessageBoxService> m_ownMessages;
    dialogs::CommonDialogFunctions m_fileDialogs;

    QWidget* m_client = nullptr;
    QHash<QString, QWidget*> m_controls;
    QListWidget* pkmnlst = nullptr;
    QLabel* header = nullptr;
    QLabel* language = nullptr;
    std::array<QWidget*, species::kFieldCount> m_fieldControls{};  // by SpeciesField
    QPointer<Form2> m_about;
    QPointer<MoreDataWindow> m_moreData;
    QPointer<MovesWindow> m_moves;
    QPointer<CompareWindow> m_compare;
    // What the main window's boxes show (texts, list entries), and what they showed
    // when the species was loaded or saved (for the pending mark and a revert).
    QStringList shownFields() const;
    QStringList m_fieldsAsLoaded;
    // A tool window that the main window can come in front of again.
    void makeToolWindow(QWidget* tool);
    // A tool window's first place: beside this one, never over the species list.
    void placeToolWindow(QWidget* tool);
    // Per field: the index of the "#N" entry a drop-down shows for a code it has no
    // text for, while that species is loaded.
    std::array<std::optional<int>, species::kFieldCount> m_unlistedEntry{};
    // Per field, a stored code of the last load that names no list entry; written
    // back by a save unless the user picked an entry instead.
    std::array<std::optional<std::uint16_t>, species::kFieldCount> m_unlistedCodes{};
    // The mouse press of the click under way changed the selection, and so loaded.
    bool m_loadedByPress = false;
    // The entry the list goes back to after a cancelled question.
    std::optional<int> m_keepRow;
    // The game whose items the two item lists show; they are filled again when a ROM
    // of a game with other items is opened.
    rom::Game m_itemGame = rom::Game::Diamond;
    void fillItemLists(rom::Game game);
};

} // namespace quillmark::app
