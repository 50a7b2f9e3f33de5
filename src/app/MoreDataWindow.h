#pragma once

#include "rom/RomIdentification.h"
#include "species/RecordCodec.h"

#include "app/EditorPage.h"
#include "app/ToolWindow.h"

#include <array>
#include <optional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class QGridLayout;
class QGroupBox;
class QHBoxLayout;

namespace quillmark::app {

// More Data: the fields of the species record that the main window has no editors
// for (EV yields, growth rate, colour and flip, TM/HM compatibility) and the base-stat
// total. A tool window of the main window, not modal; it shows the species the main
// window has loaded, and Save ROM writes what it holds. Its title carries the pending
// mark while it holds edits not yet saved; Close hides it and keeps them, Escape puts
// back what was loaded and hides it (as Cancel would), Revert puts it back.
class MoreDataWindow : public ToolWindow, public EditorPage {
    Q_OBJECT

public:
    MoreDataWindow(DocumentController& controller, QWidget* mainWindow);

    // The record's values in the editors, the machines named as in `game`; the title
    // names the species (`name`) whose record it is.
    void showRecord(const species::RecordBytes& record, rom::Game game, const QString& name);
    // Nothing loaded: every editor empty and disabled.
    void clearRecord();
    // The machines' moves as `game` has them (HM05 differs in HeartGold and SoulSilver).
    void labelMachines(rom::Game game);
    // `base` with the editors' values in the bytes they stand for; every other bit as
    // `base` has it. A code shown as "#N" is kept as `base` has it.
    species::RecordBytes editedRecord(const species::RecordBytes& base) const;
    // The sum of the six base stats of the main window, or empty text while one of
    // them is not a number from 0 to 255.
    void showBaseStatTotal(const QString& total);

    bool hasPendingEdits() const override;
    void revertEdits() override;
    // Its boxes take what is typed at once: nothing to take in, nothing to refuse.
    std::optional<QString> commitTyped(const QString&) override { return std::nullopt; }
    // The whole record as its editors hold it, over the record shown.
    void giveEdits(species::SpeciesChanges& changes) const override;
    species::PartSet wants() const override { return species::partsOf<species::SpeciesRecordsPart>(); }
    // Its natural height, and room for a scroll bar when narrower than its editors.
    int heightForWidth(int width) const override;
    // At its widest: the top row in one line, the machines in five columns.
    QSize sizeHint() const override;

    void cmdAll_Click();
    void cmdNone_Click();

    std::array<QSpinBox*, 6> spnEV{};  // HP, Attack, Defense, Speed, Sp Attack, Sp Defense
    QComboBox* cmbGrowth = nullptr;
    QComboBox* cmbColour = nullptr;
    QCheckBox* chkFlip = nullptr;
    std::array<QCheckBox*, species::kMachineCount> chkMachine{};  // by compatibility bit
    QPushButton* cmdAll = nullptr;
    QPushButton* cmdNone = nullptr;
    QLineEdit* txtTotal = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // What the controller says of the species shown, shown here; the window a page.
    void wireToController();

private:
    // The window's parts, made once by the constructor.
    QGroupBox* captionedFrame(const char* caption);
    void buildTopRow();
    QGroupBox* buildMachines();
    void setEditorsEnabled(bool enabled);
    // Narrower than its widest (a small screen): the top row in two lines and the
    // machines in four columns, so that nothing hides behind a scroll bar.
    void arrange(bool narrow) const;
    QSize arrangedHint(bool narrow) const;

    QGridLayout* m_top = nullptr;
    QGridLayout* m_machineGrid = nullptr;
    QHBoxLayout* m_machineButtons = nullptr;
    std::array<QWidget*, 4> m_topFrames{};  // EV yields, growth, colour, total
    mutable bool m_narrow = false;

    std::optional<species::RecordBytes> m_shown;  // the record as loaded
    QString m_name;

    // Index of the "#N" entry at the end of a drop-down, while the loaded record has a
    // code there that the list does not name.
    std::optional<int> m_unlistedGrowth, m_unlistedColour;
    std::optional<rom::Game> m_machineGame;
};

} // namespace quillmark::app
