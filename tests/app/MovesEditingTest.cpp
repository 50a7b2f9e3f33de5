// Moves and Evolutions as a user edits it: what a cell shows is what Save writes, the
// wheel scrolls, Escape cancels, stored odd values stay as stored; on images with the
// games' own archives, checked against the reference tables.
#include "EditorFixture.h"
#include "app/EggMovesPage.h"
#include "app/TutorMovesPage.h"
#include "cli/CliErrors.h"
#include "cli/Commands.h"
#include "MoveNameCases.h"

#include "app/LevelUpMovesModel.h"
#include "rom/Narc.h"
#include "rom/NitroFs.h"
#include "species/Evolutions.h"
#include "species/MoveArchives.h"
#include "species/RomDocument.h"
#include "species/SheetTexts.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QListWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTableView>
#include <QWheelEvent>

using namespace quillmark;
using namespace quillmark::test;

namespace {

class MovesEditing : public EditorFixture {
protected:
    std::string makeGame(const std::string& code = "CPUE", const char* data = "pt_personal.csv")
    {
        romimage::ImageRecipe recipe;
        recipe.gameCode = code;
        recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/" + data, nullptr);
        // No room after the used image: the room shown is the bytes before the next file.
        recipe.tail = romimage::Tail::Full;
        const auto path = dir.file("rom.nds");
        EXPECT_TRUE(romimage::writeRomImage(path, recipe, nullptr));
        return path;
    }

    app::MovesWindow* openMoves(const std::string& path, const QString& species)
    {
        open(path);
        const auto found = list()->findItems(species, Qt::MatchExactly);
        EXPECT_EQ(found.size(), 1);
        list()->setCurrentItem(found.front());
        showActive();
        window->mnuMoves_Click();
        auto* moves = window->movesWindow();
        moves->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(moves));
        return moves;
    }

    // Where member `member` of the learnset archive starts in the file.
    static std::int64_t levelUpMember(const std::string& path, int member)
    {
        auto file = platform::fileServices().open(path, platform::FileAccess::Read);
        auto fs = rom::NitroFs::read(**file);
        const auto extent = fs->find("poketool/personal/wotbl.narc");
        return rom::Narc::read(**file, *extent, "wotbl")->member(member).start;
    }

    static species::MoveArchives archives(const std::string& path)
    {
        auto file = platform::fileServices().open(path, platform::FileAccess::Read);
        return *species::readMoveArchives(**file, "CPUE");
    }

    // Types into a cell as a person does: the editor opens on the key, takes the text.
    static QWidget* typeInto(app::MovesWindow* moves, int row, int column, const QString& text)
    {
        const auto cell = moves->movesModel->index(row, column);
        moves->grdMoves->setFocus();
        moves->grdMoves->setCurrentIndex(cell);
        moves->grdMoves->edit(cell);
        auto* editor = moves->grdMoves->indexWidget(cell);
        EXPECT_NE(editor, nullptr);
        editor->setFocus();
        if (auto* box = qobject_cast<QComboBox*>(editor))
            box->lineEdit()->selectAll();
        QTest::keyClicks(QApplication::focusWidget(), text);
        return editor;
    }

    static void closePopups()
    {
        while (auto* popup = QApplication::activePopupWidget())
            popup->hide();
    }

    static QString cellText(app::MovesWindow* moves, int row, int column)
    {
        return moves->movesModel->index(row, column).data().toString();
    }
};

// Pikachu's first move typed over and left three ways: Tab, a click into another
// cell, Ctrl+S. The file then holds the move typed; a text that names no move is
// refused at Save with its row, and the old move is never reported as saved.
TEST_F(MovesEditing, ACellTypedAndLeftHoldsWhatSaveWrites)
{
    const auto path = makeGame();
    const auto pikachuAt = levelUpMember(path, 25);
    auto wordAt = [&](int entry) {
        const auto bytes = readFile(path);
        const auto at = static_cast<std::size_t>(pikachuAt + 2 * entry);
        return (bytes[at] | bytes[at + 1] << 8) & 0x1FF;
    };
    ASSERT_EQ(wordAt(0), 84) << "ThunderShock, as pt_learnsets.csv has it";
    const struct {
        const char* typed;
        const char* leave;
        int move;  // 0: refused
    } rows[] = {
        {"solar beam", "tab", 76},
        {"thunder p", "click", 9},
        {"Vice Grip", "save", 11},
        {"quake", "save", 0},
    };
    auto* moves = openMoves(path, "Pikachu");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        messages.shown.clear();
        const auto before = readFile(path);
        auto* editor = typeInto(moves, 0, app::LevelUpMovesModel::MoveColumn, row.typed);
        closePopups();
        if (std::string(row.leave) == "tab")
            QTest::keyClick(editor, Qt::Key_Tab);
        else if (std::string(row.leave) == "click")
            QTest::mouseClick(moves->grdMoves->viewport(), Qt::LeftButton, {},
                              moves->grdMoves->visualRect(moves->movesModel->index(3, 1)).center());
        QTest::keyClick(std::string(row.leave) == "save" ? QApplication::focusWidget() : moves->grdMoves, Qt::Key_S,
                        Qt::ControlModifier);
        if (row.move) {
            EXPECT_EQ(messageTexts(), std::vector<std::string>{"Pokémon Data Saved Successfully!"});
            EXPECT_EQ(wordAt(0), row.move);
            EXPECT_FALSE(moves->isWindowModified());
        } else {
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_NE(messages.shown[0].text.find("Pikachu, row 1: \"quake\" is no move; did you mean Earthquake?"),
                      std::string::npos)
                << messages.shown[0].text;
            EXPECT_EQ(readFile(path), before);
            EXPECT_TRUE(moves->isWindowModified());
        }
    }
}

// Every problem of every page shows before Save and is named at once: two move cells,
// an evolution target and an egg move, each with the suggestions of the one rule.
TEST_F(MovesEditing, EveryProblemIsMarkedAndSaveNamesThemAllAtOnce)
{
    const auto path = makeGame();
    const auto before = readFile(path);
    auto* moves = openMoves(path, "Gible");
    ASSERT_TRUE(moves->movesModel->setData(moves->movesModel->index(0, 1), QString("dragon")));
    ASSERT_TRUE(moves->movesModel->setData(moves->movesModel->index(1, 1), QString("quake")));
    auto* target = moves->cmbTarget[0];
    ASSERT_EQ(target->currentText(), "Gabite");
    EXPECT_FALSE(target->property("unnamed").toBool());
    target->setFocus();
    target->lineEdit()->selectAll();
    QTest::keyClicks(target->lineEdit(), "xyzzy");
    closePopups();
    emit target->lineEdit()->editingFinished();
    EXPECT_TRUE(target->property("unnamed").toBool()) << "marked as a bad move cell is";
    auto* eggs = moves->findChild<app::EggMovesPage*>();
    eggs->cmbEggMove->setFocus();
    QTest::keyClicks(eggs->cmbEggMove->lineEdit(), "dragon");
    closePopups();

    messages.shown.clear();
    window->mnuSave_Click();
    ASSERT_EQ(messages.shown.size(), 1u);
    const auto& said = messages.shown[0].text;
    const std::string dragons = "did you mean Dragon Rage, DragonBreath, Dragon Claw, Dragon Dance, Dragon Pulse and 1 more?";
    for (const std::string& line :
         {"Gible, row 1: \"dragon\" is no move; " + dragons, std::string("Gible, row 2: \"quake\" is no move; did you mean Earthquake?"),
          std::string("Gible, evolution 1: \"xyzzy\" is no species"), "Gible, egg moves: \"dragon\" is no move; " + dragons})
        EXPECT_NE(said.find(line), std::string::npos) << line << "\nin: " << said;
    EXPECT_EQ(readFile(path), before);

    // Mended, the mark goes.
    target->setCurrentIndex(target->findText("Gabite"));
    EXPECT_FALSE(target->property("unnamed").toBool());
}

// The same table of names the command line is checked on: each names its move in a
// cell, or leaves the row invalid.
TEST_F(MovesEditing, MoveNamesResolveAsOnTheCommandLine)
{
    auto* moves = openMoves(makeGame(), "Garchomp");
    for (const auto& c : kMoveNameCases) {
        SCOPED_TRACE(c.typed);
        moves->cmdRevert_Click();
        ASSERT_TRUE(moves->movesModel->setData(moves->movesModel->index(2, 1), QString(c.typed)));
        EXPECT_EQ(cellText(moves, 2, 1), *c.move ? QString(c.move) : QString(c.typed));
        EXPECT_EQ(moves->problem().has_value(), !*c.move);
    }
    // "quake" and Return in the list of matches: Earthquake, the first it shows.
    moves->cmdRevert_Click();
    typeInto(moves, 2, app::LevelUpMovesModel::MoveColumn, "quake");
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);
    EXPECT_EQ(cellText(moves, 2, 1), "Earthquake");
}

// The wheel over cells and boxes the user has not clicked into scrolls the table and
// changes no value.
TEST_F(MovesEditing, TheWheelScrollsAndChangesNothing)
{
    auto* moves = openMoves(makeGame(), "Garchomp");
    moves->resize(moves->width(), 300);
    QTest::qWait(50);
    auto* bar = moves->grdMoves->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0) << "15 rows in a short table";
    const auto listBefore = moves->editedLevelUpMoves();
    const auto slotsBefore = moves->editedEvolutions();
    auto wheel = [](QWidget* target, QPoint at) {
        QWheelEvent event(at, target->mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    };
    for (const int column : {0, 1}) {
        bar->setValue(0);
        wheel(moves->grdMoves->viewport(), moves->grdMoves->visualRect(moves->movesModel->index(1, column)).center());
        EXPECT_GT(bar->value(), 0) << column;
    }
    moves->cmdRevert->setFocus();
    for (QWidget* box : std::initializer_list<QWidget*>{moves->cmbMethod[0], moves->spnParameter[0],
                                                         moves->cmbParameter[1], moves->cmbTarget[0]})
        wheel(box, box->rect().center());
    EXPECT_EQ(moves->editedLevelUpMoves(), listBefore);
    EXPECT_EQ(moves->editedEvolutions(), slotsBefore);
    EXPECT_FALSE(moves->isWindowModified());
}

// Escape after an edit puts the loaded list back and hides the window; the next Save
// writes nothing of the edit. The pending mark comes with the edit and goes with it.
TEST_F(MovesEditing, EscapeCancelsAndThePendingMarkFollowsTheEdits)
{
    const auto path = makeGame();
    auto* moves = openMoves(path, "Garchomp");
    const auto loaded = moves->editedLevelUpMoves();
    EXPECT_FALSE(moves->isWindowModified());
    EXPECT_FALSE(window->isWindowModified());
    moves->cmdDown_Click();
    moves->movesModel->setData(moves->movesModel->index(0, 0), 50);
    EXPECT_TRUE(moves->isWindowModified());
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_EQ(shownTitle(moves), "Moves and Evolutions - Garchomp*");

    QTest::keyClick(moves, Qt::Key_Escape);
    EXPECT_FALSE(moves->isVisible());
    EXPECT_EQ(moves->editedLevelUpMoves(), loaded);
    EXPECT_FALSE(window->isWindowModified());
    const auto before = readFile(path);
    window->mnuSave_Click();
    EXPECT_EQ(readFile(path), before);

    // Close keeps the edit for Save; Revert puts it back.
    window->mnuMoves_Click();
    moves->movesModel->setData(moves->movesModel->index(0, 0), 50);
    moves->cmdClose->click();
    EXPECT_FALSE(moves->isVisible());
    EXPECT_TRUE(window->isWindowModified());
    window->mnuMoves_Click();
    moves->cmdRevert->click();
    EXPECT_FALSE(window->isWindowModified());
}

// What is stored is shown and kept as stored: a move no list names, an evolution
// parameter 0. Moving rows moves codes; a method change keeps a parameter that fits
// and otherwise asks for one; a level box takes 1 to 100.
TEST_F(MovesEditing, StoredValuesStayAsStoredUntilChanged)
{
    const auto path = makeGame();
    // Garchomp's third entry: move 468 at level 127; Eevee's first slot: Use item, item 0.
    const auto garchompAt = levelUpMember(path, 445);
    patchFile(path, garchompAt + 4, {static_cast<std::uint8_t>(468 & 0xFF),
                                     static_cast<std::uint8_t>((127 << 1) | (468 >> 8))});
    const auto eeveeSlots = archives(path).evolutionMembers[133];
    patchFile(path, eeveeSlots, {7, 0, 0, 0});
    const auto stored = readFile(path);

    auto* moves = openMoves(path, "Garchomp");
    EXPECT_EQ(cellText(moves, 2, 1), "#468");
    EXPECT_EQ(cellText(moves, 2, 0), "127");
    // Up over the stored code: the codes move, the other row's move is kept.
    moves->grdMoves->setCurrentIndex(moves->movesModel->index(2, 1));
    moves->cmdUp_Click();
    EXPECT_EQ(cellText(moves, 1, 1), "#468");
    EXPECT_EQ(cellText(moves, 2, 1), "Tackle");
    moves->cmdDown_Click();
    EXPECT_FALSE(moves->hasPendingEdits());
    // A level is 1 to 100 where it is typed.
    for (const auto& [level, taken] : {std::pair{0, false}, {1, true}, {100, true}, {101, false}})
        EXPECT_EQ(moves->movesModel->setData(moves->movesModel->index(0, 0), level), taken) << level;
    moves->cmdRevert_Click();

    // HP alone saved: the odd values stay byte for byte.
    window->control<QLineEdit>("txtHP")->setText("109");
    window->mnuSave_Click();
    ASSERT_EQ(messageTexts(), std::vector<std::string>{"Pokémon Data Saved Successfully!"});
    auto offsets = differingOffsets(stored, readFile(path));
    EXPECT_EQ(offsets.size(), 1u) << "HP alone";

    // Up over the stored code, saved: both entries written as stored, swapped.
    const auto beforeUp = readFile(path);
    moves->grdMoves->setCurrentIndex(moves->movesModel->index(2, 1));
    moves->cmdUp_Click();
    window->mnuSave_Click();
    ASSERT_EQ(messageTexts().back(), "Pokémon Data Saved Successfully!");
    const auto afterUp = readFile(path);
    EXPECT_EQ(Bytes(afterUp.begin() + garchompAt + 2, afterUp.begin() + garchompAt + 4),
              Bytes(beforeUp.begin() + garchompAt + 4, beforeUp.begin() + garchompAt + 6));
    EXPECT_EQ(Bytes(afterUp.begin() + garchompAt + 4, afterUp.begin() + garchompAt + 6),
              Bytes(beforeUp.begin() + garchompAt + 2, beforeUp.begin() + garchompAt + 4));
    // A typed text that names no move moves with its row, and Save quotes it there.
    messages.shown.clear();
    typeInto(moves, 3, app::LevelUpMovesModel::MoveColumn, "xyzzy");
    closePopups();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    moves->grdMoves->setCurrentIndex(moves->movesModel->index(3, 1));
    moves->cmdUp_Click();
    EXPECT_EQ(cellText(moves, 2, 1), "xyzzy");
    window->mnuSave_Click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("Garchomp, row 3: \"xyzzy\" is no move"), std::string::npos)
        << messages.shown[0].text;
    EXPECT_EQ(readFile(path), afterUp);
    moves->cmdRevert_Click();
    writeFile(path, stored);
    list()->setCurrentItem(list()->findItems("Gible", Qt::MatchExactly).front());
    list()->setCurrentItem(list()->findItems("Garchomp", Qt::MatchExactly).front());
    messages.shown.clear();

    // Eevee: the stored item 0 shown as such and kept; a Save of HP leaves the slot.
    messages.shown.clear();
    list()->setCurrentItem(list()->findItems("Eevee", Qt::MatchExactly).front());
    EXPECT_EQ(moves->cmbParameter[0]->currentText(), "0 - none");
    const auto beforeEevee = readFile(path);
    window->control<QLineEdit>("txtHP")->setText("56");
    window->mnuSave_Click();
    offsets = differingOffsets(beforeEevee, readFile(path));
    EXPECT_EQ(offsets.size(), 1u) << "HP alone, not the slot";

    // Method changes: "Level" 16 to "Level (male)" keeps 16; to "Use item" asks for one.
    list()->setCurrentItem(list()->findItems("Bulbasaur", Qt::MatchExactly).front());
    ASSERT_EQ(moves->editedEvolutions()[0], (species::EvolutionSlot{4, 16, 2}));
    moves->cmbMethod[0]->setCurrentIndex(22);
    emit moves->cmbMethod[0]->activated(22);
    EXPECT_EQ(moves->editedEvolutions()[0], (species::EvolutionSlot{22, 16, 2}));
    moves->cmbMethod[0]->setCurrentIndex(7);
    emit moves->cmbMethod[0]->activated(7);
    EXPECT_EQ(moves->cmbParameter[0]->currentIndex(), -1) << "no silent first item";
    const auto beforeItem = readFile(path);
    messages.shown.clear();
    window->mnuSave_Click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("Bulbasaur, evolution 1: pick an item for Use item"), std::string::npos)
        << messages.shown[0].text;
    EXPECT_EQ(readFile(path), beforeItem);
}

// Every cell of Garchomp's list read through the accessibility interface, by its name
// and value, as a screen reader reads it; a value set through it lands in the cell.
TEST_F(MovesEditing, EveryCellHasAnAccessibleNameAndValue)
{
    auto* moves = openMoves(makeGame(), "Garchomp");
    std::vector<std::pair<std::string, std::string>> expected;
    int entry = 0;
    for (const auto& row : sampleCsv("pt_learnsets.csv")) {
        if (row.at("member") != "445")
            continue;
        ++entry;
        expected.emplace_back("Entry " + std::to_string(entry) + " Level", row.at("level"));
        expected.emplace_back("Entry " + std::to_string(entry) + " Move", row.at("move_name"));
    }
    ASSERT_EQ(entry, 15);
    auto* table = QAccessible::queryAccessibleInterface(moves->grdMoves)->tableInterface();
    ASSERT_NE(table, nullptr);
    std::vector<std::pair<std::string, std::string>> read;
    for (int row = 0; row < table->rowCount(); ++row) {
        for (int column = 0; column < table->columnCount(); ++column) {
            auto* cell = table->cellAt(row, column);
            read.emplace_back(cell->text(QAccessible::Name).toStdString(),
                              cell->text(QAccessible::Description).toStdString());
        }
    }
    EXPECT_EQ(read, expected);
    table->cellAt(2, 1)->setText(QAccessible::Value, "Earthquake");
    EXPECT_EQ(cellText(moves, 2, 1), "Earthquake");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(moves->lblRoom)->text(QAccessible::Name),
              "this ROM has room for 144 more moves in all");
}

// Sort by level keeps the entries of one level in their order: Garchomp's five moves
// at level 1 stay as the game lists them when its level-3 move is moved above them.
TEST_F(MovesEditing, SortByLevelKeepsEqualLevelsInOrder)
{
    auto* moves = openMoves(makeGame(), "Garchomp");
    const auto loaded = moves->editedLevelUpMoves();
    moves->grdMoves->setCurrentIndex(moves->movesModel->index(5, 0));
    for (int i = 0; i < 5; ++i)
        moves->cmdUp_Click();
    ASSERT_EQ(moves->editedLevelUpMoves().front().level, 3);
    moves->cmdSort_Click();
    EXPECT_EQ(moves->editedLevelUpMoves(), loaded);
}

// The parameter boxes show the longest item names whole; extra width goes to the
// methods and species, not to them.
TEST_F(MovesEditing, ParameterBoxesShowWholeItemNames)
{
    auto* moves = openMoves(makeGame(), "Eevee");
    auto* box = moves->cmbParameter[2];
    ASSERT_EQ(moves->stkParameter[2]->currentIndex(), 1);
    const int before = box->width();
    for (const char* name : {"DeepSeaTooth", "Thunderstone", "DeepSeaScale", "Razor Claw"}) {
        QStyleOptionComboBox option;
        option.initFrom(box);
        const auto text = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
        EXPECT_GE(text.width(), box->fontMetrics().horizontalAdvance(name)) << name;
    }
    moves->resize(moves->width() + 300, moves->height());
    QTest::qWait(20);
    EXPECT_EQ(box->width(), before) << "the parameters keep their width";
    EXPECT_GT(moves->cmbTarget[2]->width() + moves->cmbMethod[2]->width(), 0);
}

// A damaged level-up list: the window says so where the list would be, and the
// evolutions and the record are edited and saved as ever.
TEST_F(MovesEditing, ADamagedLevelUpListLeavesTheRestEditable)
{
    romimage::ImageRecipe recipe;
    recipe.gameCode = "CPUE";
    recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/pt_personal.csv", nullptr);
    recipe.levelUpMembers = romimage::levelUpMembersOf("CPUE");
    recipe.levelUpMembers[445] = {33, 2, 45, 2};  // no end mark
    const auto path = dir.file("damaged.nds");
    ASSERT_TRUE(romimage::writeRomImage(path, recipe, nullptr));
    auto* moves = openMoves(path, "Gible");
    EXPECT_FALSE(moves->grdMoves->isEnabled());
    EXPECT_NE(moves->lblRoom->text().indexOf("Garchomp (444)'s level-up list"), -1) << moves->lblRoom->text().toStdString();
    EXPECT_TRUE(moves->cmbMethod[0]->isEnabled());
    const auto before = readFile(path);
    window->control<QLineEdit>("txtHP")->setText("59");
    window->mnuSave_Click();
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Pokémon Data Saved Successfully!"});
    EXPECT_EQ(differingOffsets(before, readFile(path)).size(), 1u);
}

// A species click with Moves and Evolutions open reads the record and both archives
// through one open of the ROM.
TEST_F(MovesEditing, ASpeciesClickOpensTheRomOnce)
{
    auto* moves = openMoves(makeGame(), "Gible");
    FaultyFileServices counting;
    counting.failAccess = platform::FileAccess::Read;  // counted, never failed
    platform::ScopedFileServices installed(counting);
    list()->setCurrentItem(list()->findItems("Gabite", Qt::MatchExactly).front());
    EXPECT_EQ(counting.opens, 1);
    EXPECT_EQ(shownTitle(moves), "Moves and Evolutions - Gabite");
    EXPECT_EQ(moves->editedEvolutions()[0], (species::EvolutionSlot{4, 48, 445}));
}

} // namespace

namespace {

// The Egg Moves and Tutors pages: what they show is the reference, and what Save
// writes from them is what the same edit by import writes.
TEST_F(MovesEditing, EggMovesAndTutorsShowTheGamesTablesAndSaveAsImportDoes)
{
    const auto path = makeGame("IPKE", "hgss_personal.csv");
    const auto pristine = readFile(path);
    std::vector<QString> dratiniEggMoves;
    for (const auto& row : sampleCsv("hgss_eggmoves.csv")) {
        if (row.at("species") == "147")
            dratiniEggMoves.push_back(QString::fromStdString(row.at("move_name")));
    }
    QStringList garchompTutors;
    for (const auto& row : sampleCsv("hgss_tutor_compat.csv")) {
        if (row.at("member") == "445")
            garchompTutors = QString::fromStdString(row.at("moves")).split(';');
    }
    ASSERT_FALSE(garchompTutors.isEmpty());

    auto* moves = openMoves(path, "Dratini");
    ASSERT_NE(moves, nullptr);
    auto* eggs = moves->findChild<app::EggMovesPage*>();
    std::vector<QString> shown;
    for (int row = 0; row < eggs->lstEggMoves->count(); ++row)
        shown.push_back(eggs->lstEggMoves->item(row)->text());
    EXPECT_EQ(shown, dratiniEggMoves);
    EXPECT_NE(eggs->lblEggRoom->text().indexOf("words free in this ROM's egg table: 0"), -1) << eggs->lblEggRoom->text().toStdString();
    EXPECT_FALSE(eggs->cmdAddEggMove->isEnabled()) << "the table is full";
    for (auto* box : moves->findChild<app::TutorMovesPage*>()->chkTutor)
        EXPECT_FALSE(box->accessibleName().isEmpty());

    // Extreme Speed in place of the first egg move: remove it, then add.
    eggs->lstEggMoves->setCurrentRow(0);
    eggs->cmdRemoveEggMove->click();
    EXPECT_TRUE(eggs->cmdAddEggMove->isEnabled()) << "one word free again";
    eggs->cmbEggMove->setFocus();
    QTest::keyClicks(eggs->cmbEggMove->lineEdit(), "extreme sp");
    closePopups();
    QTest::keyClick(eggs->cmbEggMove->lineEdit(), Qt::Key_Return);
    ASSERT_EQ(eggs->lstEggMoves->count(), static_cast<int>(dratiniEggMoves.size()));
    EXPECT_EQ(eggs->lstEggMoves->item(eggs->lstEggMoves->count() - 1)->text(), "ExtremeSpeed");
    EXPECT_TRUE(moves->isWindowModified()) << "the pending mark";
    window->mnuSave_Click();
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Pokémon Data Saved Successfully!"});
    const auto byWindow = readFile(path);

    // The same edit by import, on the image as it was.
    writeFile(path, pristine);
    std::string sheet = "name,entry,move\n";
    for (std::size_t i = 1; i < dratiniEggMoves.size(); ++i)
        sheet += "Dratini," + std::to_string(i) + "," + dratiniEggMoves[i].toStdString() + "\n";
    sheet += "Dratini," + std::to_string(dratiniEggMoves.size()) + ",ExtremeSpeed\n";
    writeFile(dir.file("eggs.csv"), Bytes(sheet.begin(), sheet.end()));
    EXPECT_EQ(cli::runImport(path, dir.file("eggs.csv"), "", false), cli::Ok);
    EXPECT_EQ(readFile(path), byWindow);

    // Garchomp's tutor boxes are the reference's.
    writeFile(path, pristine);
    window->close();
    auto* garchomp = openMoves(path, "Garchomp");
    ASSERT_NE(garchomp, nullptr);
    QStringList ticked;
    for (auto* box : garchomp->findChild<app::TutorMovesPage*>()->chkTutor) {
        if (box->isChecked())
            ticked.push_back(box->text());
    }
    EXPECT_EQ(ticked.size(), garchompTutors.size());
    for (const auto& move : garchompTutors)
        EXPECT_TRUE(ticked.contains(move, Qt::CaseInsensitive)) << move.toStdString();
}

// The room label counts the spare entry an even list's padding holds; Egg Moves' Add at
// the games' 16 and at a table with one word free; the pending mark and Save for an
// egg move added and a tutor box ticked.
TEST_F(MovesEditing, TheRoomAndTheEggAndTutorPagesAtTheirEdges)
{
    // Diamond, no room after the used image: 192 bytes after the learnset archive. A
    // list of n entries takes (n + 1) * 2 bytes with its end mark, padded to 4.
    const struct {
        const char* species;
        int entries;  // dp_learnsets.csv
        const char* room;
    } rooms[] = {
        {"Garchomp", 15, "this ROM has room for 96 more moves in all"},   // 32 bytes, none spare
        {"Gible", 10, "this ROM has room for 97 more moves in all"},      // 22 in 24: one spare
    };
    const auto diamond = makeGame("ADAE", "dp_personal_members.csv");
    for (const auto& row : rooms) {
        SCOPED_TRACE(row.species);
        auto* moves = openMoves(diamond, row.species);
        EXPECT_EQ(moves->movesModel->rowCount(), row.entries);
        EXPECT_EQ(moves->lblRoom->text().toStdString(), row.room);
        window->close();
    }

    // HeartGold's egg table, full as retail: the words come from Bulbasaur (14 moves).
    const auto path = makeGame("IPKE", "hgss_personal.csv");
    const auto pristine = readFile(path);
    auto prepare = [&](const species::EggMoves& edits) {
        writeFile(path, pristine);
        auto file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
        ASSERT_TRUE((*file)->lockForWriting(species::kLockWait));
        const auto table = species::locateSpeciesTable(**file, "IPKE");
        species::RomDocument doc(path, {"IPKE", *table}, std::move(*file));
        ASSERT_TRUE(doc.read<species::EggMovesPart>());
        ASSERT_FALSE(doc.apply({.eggMoves = edits}).error);
    };
    std::vector<int> bulbasaur;
    for (const auto& row : sampleCsv("hgss_eggmoves.csv")) {
        if (row.at("species") == "1")
            bulbasaur.push_back(std::stoi(row.at("move_id")));
    }
    const struct {
        const char* what;
        int bulbasaurKeeps;  // moves: the words the others free
        const char* species;
        std::vector<int> before;  // the species' moves before, empty: as retail
        bool addEnabled;
    } eggRows[] = {
        {"one word free, a list to add to", 13, "Dratini", {}, true},
        {"one word free, a first move needs two", 13, "Garchomp", {}, false},
        {"two words free, a first move", 12, "Garchomp", {}, true},
        {"15 moves, room for more", 0, "Dratini", std::vector<int>(15, 33), true},
        {"16 moves, the games' limit", 0, "Dratini", std::vector<int>(16, 33), false},
    };
    for (const auto& row : eggRows) {
        SCOPED_TRACE(row.what);
        species::EggMoves edits{{1, std::vector<int>(bulbasaur.begin(), bulbasaur.begin() + row.bulbasaurKeeps)}};
        if (!row.before.empty())
            edits[147] = row.before;
        prepare(edits);
        auto* moves = openMoves(path, row.species);
        auto* eggs = moves->findChild<app::EggMovesPage*>();
        EXPECT_EQ(eggs->cmdAddEggMove->isEnabled(), row.addEnabled);
        if (row.addEnabled) {
            const auto before = readFile(path);
            eggs->cmbEggMove->setFocus();
            QTest::keyClicks(eggs->cmbEggMove->lineEdit(), "Outrage");
            closePopups();
            eggs->cmdAddEggMove->click();
            EXPECT_EQ(eggs->lstEggMoves->item(eggs->lstEggMoves->count() - 1)->text(), "Outrage");
            EXPECT_TRUE(moves->isWindowModified()) << "the pending mark";
            EXPECT_TRUE(window->isWindowModified()) << "the main window's pending mark";
            window->mnuSave_Click();
            EXPECT_EQ(messageTexts().back(), "Pokémon Data Saved Successfully!");
            EXPECT_NE(readFile(path), before);
            EXPECT_FALSE(moves->isWindowModified());
            EXPECT_FALSE(window->isWindowModified());
        }
        window->close();
    }

    // Garchomp learns Dive from a tutor: one box, one bit.
    writeFile(path, pristine);
    auto* garchomp = openMoves(path, "Garchomp");
    QCheckBox* dive = nullptr;
    for (auto* box : garchomp->findChild<app::TutorMovesPage*>()->chkTutor) {
        if (box->text().compare("Dive", Qt::CaseInsensitive) == 0)
            dive = box;
    }
    ASSERT_NE(dive, nullptr);
    ASSERT_FALSE(dive->isChecked());
    dive->click();
    EXPECT_TRUE(garchomp->isWindowModified()) << "the pending mark";
    window->mnuSave_Click();
    const auto offsets = differingOffsets(pristine, readFile(path));
    ASSERT_EQ(offsets.size(), 1u);
    EXPECT_EQ(readFile(path)[offsets[0]] ^ pristine[offsets[0]], 1) << "Dive is the first tutor move: bit 0";
}

// Every typed box takes the start of one name, whatever the case and the blanks, and
// keeps a text that names none or several for Save to refuse, quoting it: the egg move
// box (against the same move names as the cells and the command line), an evolution's
// item, its move and its target. What Save takes is what the file then holds.
TEST_F(MovesEditing, EveryTypedBoxTakesTheStartOfOneNameOrIsRefusedQuoted)
{
    const auto path = makeGame("IPKE", "hgss_personal.csv");
    // Room for one egg move more: one of Bulbasaur's 14 given up.
    {
        auto file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
        ASSERT_TRUE((*file)->lockForWriting(species::kLockWait));
        const auto table = *species::locateSpeciesTable(**file, "IPKE");
        species::RomDocument doc(path, {"IPKE", table}, std::move(*file));
        auto bulbasaur = (*doc.read<species::EggMovesPart>())->table.moves.at(1);
        bulbasaur.pop_back();
        ASSERT_FALSE(doc.apply({.eggMoves = {{1, bulbasaur}}}).error);
    }
    const auto pristine = readFile(path);
    enum Box { EggMove, Item, Move, Target };
    struct Row {
        Box box;
        std::string typed;
        std::string taken;  // empty: refused, the text quoted
    };
    std::vector<Row> rows;
    for (const auto& c : kMoveNameCases)
        rows.push_back({EggMove, c.typed, c.move});
    for (const auto& row : std::initializer_list<Row>{
             {Item, "dragon sc", "Dragon Scale"}, {Item, "LEAF stone", "Leaf Stone"}, {Item, "dragon", ""},
             {Item, "dragon scalex", ""}, {Move, "ancient", "AncientPower"}, {Move, "hyper", ""},
             {Target, "garch", "Garchomp"}, {Target, "kingd", "Kingdra"}, {Target, "char", ""}, {Target, "garchompp", ""}})
        rows.push_back(row);
    auto* moves = openMoves(path, "Dratini");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        writeFile(path, pristine);
        messages.shown.clear();
        list()->setCurrentItem(list()->findItems("Bulbasaur", Qt::MatchExactly).front());
        list()->setCurrentItem(list()->findItems("Dratini", Qt::MatchExactly).front());
        QLineEdit* box = nullptr;
        if (row.box == EggMove) {
            box = moves->findChild<app::EggMovesPage*>()->cmbEggMove->lineEdit();
        } else {
            // Dratini's first slot, Level 30 into Dragonair, by another method.
            const int method = row.box == Item ? 7 : row.box == Move ? 20 : 4;
            moves->cmbMethod[0]->setCurrentIndex(method);
            emit moves->cmbMethod[0]->activated(method);
            box = (row.box == Target ? moves->cmbTarget[0] : moves->cmbParameter[0])->lineEdit();
            box->clear();
        }
        box->setFocus();
        QTest::keyClicks(box, QString::fromStdString(row.typed));
        closePopups();
        if (row.box != EggMove)
            QTest::keyClick(box, Qt::Key_Tab);
        window->mnuSave_Click();
        if (row.taken.empty()) {
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_NE(messages.shown[0].text.find("\"" + row.typed + "\""), std::string::npos) << messages.shown[0].text;
            EXPECT_EQ(readFile(path), pristine);
            continue;
        }
        ASSERT_EQ(messageTexts(), std::vector<std::string>{"Pokémon Data Saved Successfully!"});
        auto file = platform::fileServices().open(path, platform::FileAccess::Read);
        const auto table = *species::locateSpeciesTable(**file, "IPKE");
        species::RomDocument doc(path, {"IPKE", table}, std::move(*file));
        if (row.box == EggMove) {
            const auto eggs = (*doc.read<species::EggMovesPart>())->table.moves.at(147);
            EXPECT_EQ(species::moveText(eggs.back()), row.taken);
            continue;
        }
        const auto slot = (*doc.read<species::MoveArchivesPart>())->evolutions.at(147)[0];  // Dratini, list index 146
        const std::string saved = row.box == Item     ? species::itemText(slot.parameter, rom::Game::HeartGold)
                                  : row.box == Move   ? species::moveText(slot.parameter)
                                                      : species::memberText(slot.target, species::Vocabulary::builtIn());
        EXPECT_EQ(saved, row.taken);
    }
}

// Lists act on what the user picked: a click on a row's number picks that row and
// Remove removes it; with nothing picked, Remove (and Up and Down) are disabled, in the
// level-up list and in Egg Moves. An HP typed into the main window marks it pending;
// Save takes the mark away.
TEST_F(MovesEditing, ListsActOnWhatWasPickedAndEveryEditMarksThePendingTitle)
{
    auto* moves = openMoves(makeGame(), "Garchomp");
    EXPECT_FALSE(moves->cmdRemove->isEnabled()) << "nothing picked after a load";
    EXPECT_FALSE(moves->cmdUp->isEnabled());
    EXPECT_FALSE(moves->cmdDown->isEnabled());
    const auto before = moves->editedLevelUpMoves();
    auto* header = moves->grdMoves->verticalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->width() / 2, header->sectionViewportPosition(6) + header->sectionSize(6) / 2));
    ASSERT_TRUE(moves->cmdRemove->isEnabled());
    moves->cmdRemove->click();
    auto expected = before;
    expected.erase(expected.begin() + 6);
    EXPECT_EQ(moves->editedLevelUpMoves(), expected) << "row 7, the one whose number was clicked";
    moves->cmdRevert_Click();
    EXPECT_FALSE(moves->cmdRemove->isEnabled());

    auto* eggs = moves->findChild<app::EggMovesPage*>();
    list()->setCurrentItem(list()->findItems("Gible", Qt::MatchExactly).front());
    ASSERT_GT(eggs->lstEggMoves->count(), 0);
    EXPECT_FALSE(eggs->cmdRemoveEggMove->isEnabled()) << "no egg move picked";
    eggs->lstEggMoves->setCurrentRow(1);
    EXPECT_TRUE(eggs->cmdRemoveEggMove->isEnabled());
    moves->cmdRevert_Click();

    EXPECT_FALSE(window->isWindowModified());
    text("txtHP")->setText("99");
    EXPECT_TRUE(window->isWindowModified()) << "an HP typed";
    EXPECT_EQ(shownTitle(window.get()), "Quillmark*");
    window->mnuSave_Click();
    EXPECT_FALSE(window->isWindowModified()) << "saved";
    text("txtHP")->setText("98");
    window->controller()->revert();
    EXPECT_EQ(text("txtHP")->text(), "99") << "Revert puts back what was saved, not what was loaded";
    EXPECT_FALSE(window->isWindowModified()) << "reverted";
    text("txtHP")->setText("98");
    list()->setCurrentItem(list()->findItems("Garchomp", Qt::MatchExactly).front());
    EXPECT_FALSE(window->isWindowModified()) << "another species loaded";
}

// A species click with Moves and Evolutions open reads the file name table and the
// overlay table once; a Save reads the name table once more, to check the file under
// the writers' lock, and the overlay table not at all.
TEST_F(MovesEditing, ALoadAndASaveReadTheFileSystemOnceEach)
{
    const auto path = makeGame();
    const auto bytes = readFile(path);
    auto word = [&](std::size_t at) { return std::int64_t{bytes[at]} | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::int64_t{bytes[at + 3]} << 24; };
    const auto nameTable = word(0x40), overlayTable = word(0x50);
    openMoves(path, "Gible");
    FaultyFileServices counting;
    platform::ScopedFileServices installed(counting);
    list()->setCurrentItem(list()->findItems("Garchomp", Qt::MatchExactly).front());
    EXPECT_EQ(counting.readsAt[nameTable], 1) << "the load";
    EXPECT_EQ(counting.readsAt[overlayTable], 1) << "the load";
    counting.readsAt.clear();
    text("txtHP")->setText("110");
    window->mnuSave_Click();
    ASSERT_EQ(messageTexts().back(), "Pokémon Data Saved Successfully!");
    EXPECT_EQ(counting.readsAt[nameTable], 1) << "the save";
    EXPECT_EQ(counting.readsAt[overlayTable], 0) << "the save";
}

} // namespace
