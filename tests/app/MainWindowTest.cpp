#include "app/Form2.h"
#include "app/PictureBox.h"

#include "EditorFixture.h"

#include <QGroupBox>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>

using namespace quillmark;
using namespace quillmark::test;

namespace {

bool isKind(QWidget* widget, std::string_view kind)
{
    if (kind == "Frame")
        return qobject_cast<QGroupBox*>(widget);
    if (kind == "Label")
        return qobject_cast<QLabel*>(widget);
    if (kind == "Image")
        return qobject_cast<app::PictureBox*>(widget);
    if (kind == "TextBox")
        return qobject_cast<QLineEdit*>(widget);
    if (kind == "ComboBox")
        return qobject_cast<QComboBox*>(widget);
    return kind == "ListBox" && qobject_cast<QListWidget*>(widget);
}

QString caption(QWidget* widget)
{
    if (auto* frame = qobject_cast<QGroupBox*>(widget))
        return frame->title();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    return {};
}

using MainWindow = EditorFixture;

// The window's design as written down for it, control by control, in twips.
TEST_F(MainWindow, EveryControlStandsWhereTheDesignPutsIt)
{
    const struct {
        const char* name;
        const char* kind;
        const char* container;
        int left, top, width, height;
        bool enabled;
        const char* caption;  // "" where the control has none to check
    } design[] = {
        {"frameLanguage", "Frame", "Form1", 2640, 6360, 1935, 615, false, "Language"},
        {"flag", "Image", "frameLanguage", 120, 240, 375, 255, true, ""},
        {"language", "Label", "frameLanguage", 600, 240, 1215, 255, true, ""},
        {"frameLoaded", "Frame", "Form1", 120, 6360, 2415, 615, false, "Loaded ROM"},
        {"header", "Label", "frameLoaded", 360, 240, 1695, 255, true, ""},
        {"frameHappiness", "Frame", "Form1", 4680, 5280, 2055, 855, false, "Base Happiness"},
        {"txtBaseHappiness", "TextBox", "frameHappiness", 600, 360, 855, 285, false, ""},
        {"frameItems", "Frame", "Form1", 9240, 2880, 2175, 1935, false, "Wild Hold Items"},
        {"cmbItem2", "ComboBox", "frameItems", 240, 1320, 1695, 315, false, ""},
        {"cmbItem1", "ComboBox", "frameItems", 240, 600, 1695, 315, false, ""},
        {"frameRun", "Frame", "Form1", 2280, 5280, 2055, 855, false, "Great Marsh Run Chance"},
        {"txtRunChance", "TextBox", "frameRun", 600, 360, 855, 285, false, ""},
        {"frameGender", "Frame", "Form1", 9240, 1800, 2175, 855, false, "Gender Ratio"},
        {"cmbGender", "ComboBox", "frameGender", 120, 360, 1935, 315, false, ""},
        {"frameBreeding", "Frame", "Form1", 6960, 1800, 2055, 3015, false, "Breeding"},
        {"cmbHatch", "ComboBox", "frameBreeding", 240, 2400, 1575, 315, false, ""},
        {"cmbEggType2", "ComboBox", "frameBreeding", 240, 1560, 1575, 315, false, ""},
        {"cmbEggType1", "ComboBox", "frameBreeding", 240, 720, 1575, 315, false, ""},
        {"Label12", "Label", "frameBreeding", 240, 2040, 1455, 255, false, "Steps to Hatch Egg"},
        {"Label11", "Label", "frameBreeding", 600, 1200, 975, 255, false, "Egg Type 2"},
        {"Label10", "Label", "frameBreeding", 600, 360, 975, 255, false, "Egg Type 1"},
        {"frameAbilities", "Frame", "Form1", 6960, 5040, 4455, 1095, false, "Special Abilities"},
        {"cmbAbility2", "ComboBox", "frameAbilities", 2400, 480, 1815, 315, false, ""},
        {"cmbAbility1", "ComboBox", "frameAbilities", 240, 480, 1815, 315, false, ""},
        {"frameType", "Frame", "Form1", 2280, 4080, 4455, 975, false, "Types"},
        {"cmbType2", "ComboBox", "frameType", 2400, 480, 1815, 315, false, ""},
        {"cmbType1", "ComboBox", "frameType", 240, 480, 1815, 315, false, ""},
        {"frameBaseStats", "Frame", "Form1", 2280, 1800, 4455, 2055, false, "Base Stats"},
        {"txtCatchRate", "TextBox", "frameBaseStats", 3480, 1560, 735, 285, false, ""},
        {"txtBaseXP", "TextBox", "frameBaseStats", 2400, 1560, 735, 285, false, ""},
        {"txtSpDefense", "TextBox", "frameBaseStats", 1320, 1560, 735, 285, false, ""},
        {"txtSpAttack", "TextBox", "frameBaseStats", 240, 1560, 735, 285, false, ""},
        {"txtSpeed", "TextBox", "frameBaseStats", 3480, 720, 735, 285, false, ""},
        {"txtDefense", "TextBox", "frameBaseStats", 2400, 720, 735, 285, false, ""},
        {"txtAttack", "TextBox", "frameBaseStats", 1320, 720, 735, 285, false, ""},
        {"txtHP", "TextBox", "frameBaseStats", 240, 720, 735, 285, false, ""},
        {"Label9", "Label", "frameBaseStats", 3360, 1200, 855, 255, false, "Catch Rate"},
        {"Label8", "Label", "frameBaseStats", 2400, 1200, 735, 255, false, "Base XP"},
        {"Label7", "Label", "frameBaseStats", 1200, 1200, 855, 255, false, "Sp Defense"},
        {"Label6", "Label", "frameBaseStats", 240, 1200, 735, 255, false, "Sp Attack"},
        {"Label5", "Label", "frameBaseStats", 3480, 360, 735, 255, false, "Speed"},
        {"Label4", "Label", "frameBaseStats", 2400, 360, 735, 255, false, "Defense"},
        {"Label3", "Label", "frameBaseStats", 1320, 360, 735, 255, false, "Attack"},
        {"Label2", "Label", "frameBaseStats", 360, 360, 495, 255, false, "HP"},
        {"pkmnlst", "ListBox", "Form1", 360, 2160, 1455, 3765, false, ""},
        {"Frame1", "Frame", "Form1", 4680, 6360, 6735, 615, true, ""},
        {"Label1", "Label", "Frame1", 2520, 240, 1935, 255, true, ""},
        {"framePkmn", "Frame", "Form1", 120, 1800, 1935, 4335, false, "Pokémon"},
        {"Image1", "Image", "Form1", 0, 0, 11535, 1725, true, ""},
    };
    const QWidget* client = window->centralWidget();
    for (const auto& d : design) {
        QWidget* widget = window->control(d.name);
        ASSERT_NE(widget, nullptr) << d.name;
        EXPECT_TRUE(isKind(widget, d.kind)) << d.name;
        const QWidget* container = d.container == std::string_view("Form1") ? client : window->control(d.container);
        EXPECT_EQ(widget->parentWidget(), container) << d.name;
        EXPECT_EQ(widget->geometry(), QRect(d.left / 15, d.top / 15, d.width / 15, d.height / 15)) << d.name;
        if (*d.caption) {
            EXPECT_EQ(caption(widget).toStdString(), d.caption) << d.name;
        }
        EXPECT_EQ(widget->isEnabledTo(widget->parentWidget()), d.enabled) << d.name;
        EXPECT_TRUE(widget->isVisibleTo(window.get())) << d.name;
    }
    // The species list is a child of the window lying above the "Pokémon" frame.
    const auto siblings = client->children();
    EXPECT_GT(siblings.indexOf(ctl("pkmnlst")), siblings.indexOf(ctl("framePkmn")));
    EXPECT_EQ(ctl<app::PictureBox>("Image1")->picture().size(), QSize(769, 115));
    EXPECT_TRUE(ctl<app::PictureBox>("flag")->picture().isNull());
}

TEST_F(MainWindow, EditorsStartEmptyDisabledAndInTabOrder)
{
    for (const char* name : {"txtHP", "txtAttack", "txtDefense", "txtSpeed", "txtSpAttack",
                             "txtSpDefense", "txtBaseXP", "txtCatchRate", "txtRunChance",
                             "txtBaseHappiness"}) {
        EXPECT_EQ(text(name)->maxLength(), 3) << name;
        EXPECT_EQ(text(name)->alignment() & Qt::AlignHCenter, Qt::AlignHCenter) << name;
        EXPECT_TRUE(text(name)->text().isEmpty()) << name;
    }
    const std::pair<const char*, int> combos[] = {
        {"cmbType1", 18},     {"cmbType2", 18},    {"cmbItem1", 465},     {"cmbItem2", 465},
        {"cmbGender", 256},   {"cmbHatch", 256},   {"cmbEggType1", 16},   {"cmbEggType2", 16},
        {"cmbAbility1", 124}, {"cmbAbility2", 124},
    };
    for (const auto& [name, count] : combos) {
        EXPECT_FALSE(combo(name)->isEditable()) << name;
        EXPECT_EQ(combo(name)->count(), count) << name;
        EXPECT_EQ(combo(name)->currentIndex(), -1) << name;
        EXPECT_EQ(combo(name)->height(), 21) << name;
    }
    EXPECT_EQ(combo("cmbItem1")->itemText(221), "King\u2019s Rock");
    EXPECT_EQ(combo("cmbEggType1")->itemText(8), "Human-Like");
    EXPECT_EQ(list()->count(), 493);
    EXPECT_EQ(list()->currentRow(), -1);
    EXPECT_EQ(list()->item(259)->text(), "Swampert");

    // Focus order of the controls that can take it once enabled.
    const char* order[] = {"pkmnlst",     "txtHP",       "txtAttack",   "txtDefense",
                           "txtSpeed",    "txtSpAttack", "txtSpDefense", "txtBaseXP",
                           "txtCatchRate", "cmbType1",   "cmbType2",    "cmbAbility1",
                           "cmbAbility2", "cmbEggType1", "cmbEggType2", "cmbHatch",
                           "cmbGender",   "cmbItem1",    "cmbItem2",    "txtRunChance",
                           "txtBaseHappiness"};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QWidget* next = ctl(order[i - 1])->nextInFocusChain();
        while (next && !(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        EXPECT_EQ(next, ctl(order[i])) << order[i - 1] << " -> " << order[i];
    }
    EXPECT_EQ(QApplication::focusWidget(), nullptr);
}

TEST_F(MainWindow, ScreenReadersHearTheCaptionBesideEachEditor)
{
    const std::pair<const char*, const char*> names[] = {
        {"txtHP", "HP"}, {"txtSpAttack", "Sp Attack"}, {"txtBaseXP", "Base XP"},
        {"cmbType2", "Type 2"}, {"cmbAbility1", "Special Ability 1"},
        {"cmbEggType2", "Egg Type 2"}, {"cmbHatch", "Steps to Hatch Egg"},
        {"cmbGender", "Gender Ratio"}, {"cmbItem1", "Wild Hold Item 1"},
        {"txtRunChance", "Great Marsh Run Chance"}, {"txtBaseHappiness", "Base Happiness"},
        {"pkmnlst", "Pokémon"},
    };
    for (const auto& [control, name] : names)
        EXPECT_EQ(ctl(control)->accessibleName(), QString::fromUtf8(name)) << control;
}

TEST_F(MainWindow, WindowAndMenus)
{
    EXPECT_EQ(shownTitle(window.get()), "Quillmark");
    EXPECT_EQ(window->centralWidget()->size(), QSize(769, 472));
    window->show();
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "fixed size";
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(window->windowIcon().isNull());

    const auto menus = window->menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->text(), "&File");
    EXPECT_EQ(menus[1]->text(), "&Species");
    EXPECT_EQ(menus[2]->text(), "&Help");
    ASSERT_EQ(window->mnuSpecies->actions().size(), 2);
    EXPECT_EQ(window->mnuMoreData->text(), "&More Data...");
    EXPECT_EQ(window->mnuMoreData->shortcut(), QKeySequence("Ctrl+M"));
    EXPECT_FALSE(window->mnuMoreData->isEnabled());
    EXPECT_EQ(window->mnuMoves->text(), "&Moves and Evolutions...");
    EXPECT_EQ(window->mnuMoves->shortcut(), QKeySequence("Ctrl+E"));
    EXPECT_FALSE(window->mnuMoves->isEnabled());
    const auto file = window->mnuFile->actions();
    ASSERT_EQ(file.size(), 5);
    EXPECT_EQ(file[0]->text(), "Open ROM...");
    EXPECT_EQ(file[0]->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(file[1]->text(), "Save ROM");
    EXPECT_EQ(file[1]->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_FALSE(file[1]->isEnabled());
    EXPECT_EQ(file[2]->text(), "Compare with ROM...");
    EXPECT_FALSE(file[2]->isEnabled()) << "until a ROM is open";
    EXPECT_TRUE(file[3]->isSeparator());
    EXPECT_EQ(file[4]->text(), "Exit");
    EXPECT_EQ(file[4]->shortcut(), QKeySequence("Ctrl+Q"));
    EXPECT_EQ(window->mnuHelp->actions().value(0)->text(), "About");
}

TEST_F(MainWindow, EnabledFramesHavePureBlueCaptions)
{
    auto* frame = ctl("frameBaseStats");
    window->show();
    auto blueAt = [](QWidget* w) {
        const QImage image = w->grab(QRect(0, 0, w->width(), 16)).toImage();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (const QColor c = image.pixelColor(x, y);
                    c.blue() > 200 && c.red() < 40 && c.green() < 40)
                    return true;
        return false;
    };
    EXPECT_FALSE(blueAt(frame)) << "a disabled frame shows its caption greyed";
    frame->setEnabled(true);
    EXPECT_TRUE(blueAt(frame));
    ctl("Frame1")->setEnabled(true);
    EXPECT_FALSE(blueAt(ctl("Frame1")));
}

TEST_F(MainWindow, GenderRatioTextsFollowTheLocale)
{
    // Whatever the session's locale, each window follows the one it is built under,
    // and the test leaves the default as it found it.
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    app::Form1 english(&messages, dialog.functions());
    auto* gender = english.control<QComboBox>("cmbGender");
    EXPECT_EQ(gender->itemText(1), "99.60% M 0.393% F ");
    EXPECT_EQ(gender->itemText(127), "50% M 50% F ");
    EXPECT_EQ(gender->itemText(255), "None");

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    app::Form1 german(&messages, dialog.functions());
    QLocale::setDefault(previous);
    auto* germanGender = german.control<QComboBox>("cmbGender");
    ASSERT_EQ(germanGender->count(), 256);
    EXPECT_EQ(germanGender->itemText(1), "99,60% M 0,393% F ");
    EXPECT_EQ(germanGender->itemText(253), "0,393% M 99,60% F ");
    EXPECT_EQ(germanGender->itemText(127), "50% M 50% F ");
    EXPECT_EQ(germanGender->currentIndex(), -1);
}

// Shortcuts are tried against an enabled one that must fire, so that a silent
// Ctrl+S cannot pass only because the window was not active.
TEST_F(MainWindow, ShortcutsActOnlyWhileTheirItemAndTheWindowAreEnabled)
{
    showActive();
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(dialog.calls.empty());
    EXPECT_TRUE(messages.shown.empty()) << "Save ROM is disabled at start";
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(dialog.calls.size(), 1u) << "Ctrl+O reaches mnuOpen_Click";

    for (int round = 0; round < 2; ++round) {
        window->mnuAbout_Click();
        QPointer<app::Form2> about = window->aboutWindow();
        ASSERT_TRUE(about);
        EXPECT_FALSE(window->isEnabled());
        EXPECT_EQ(about->focusWidget(), about->Command1);
        window->activateWindow();
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
        QTest::mouseClick(window->menuBar(), Qt::LeftButton, {},
                          window->menuBar()->actionGeometry(window->menuBar()->actions()[0]).center());
        EXPECT_EQ(dialog.calls.size(), 1u + round) << "nothing reacts while About is open";
        EXPECT_EQ(window->mnuFile->isVisible(), false);

        if (round == 0)
            QTest::mouseClick(about->Command1, Qt::LeftButton);
        else
            about->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(about) << "the About window is destroyed";
        EXPECT_TRUE(window->isEnabled());
        showActive();
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
        EXPECT_EQ(dialog.calls.size(), 2u + round);
    }
}

TEST_F(MainWindow, AboutWindowShowsItsFiveControls)
{
    SKIP_ON_WINDOWS("the offscreen platform finds no fonts under wine");
    window->show();
    const QImage banner = ctl("Image1")->grab().toImage();
    window->mnuAbout_Click();
    EXPECT_EQ(ctl("Image1")->grab().toImage(), banner) << "the banner does not grey out";
    QPointer<app::Form2> about = window->aboutWindow();
    ASSERT_TRUE(about);
    EXPECT_EQ(about->windowTitle(), "About");
    EXPECT_EQ(about->size(), QSize(356, 119));
    EXPECT_EQ(about->parentWidget(), nullptr) << "no owner window";
    EXPECT_FALSE(about->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(about->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(about->isModal());
    const auto* name = about->findChild<QLabel*>("Label1");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "Quillmark v1.2");
    EXPECT_EQ(name->font().pointSizeF(), 8.25);
    EXPECT_TRUE(name->font().family() == "Arial" || name->font().family() == "Liberation Sans");
    EXPECT_TRUE(about->findChild<QLabel*>("Label3")->text().contains("ROMs.  This program"));
    EXPECT_EQ(about->findChild<QLabel*>("Image1")->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(about->Command1->geometry(), QRect(264, 24, 81, 25));
    about->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(MainWindow, ExitClosesTheWindowAtOnce)
{
    showActive();
    text("txtHP")->setText("12");  // unsaved: nobody asks
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MainWindow, TheMainWindowCannotBeClosedWhileAboutIsOpen)
{
    showActive();
    window->mnuAbout_Click();
    QPointer<app::Form2> about = window->aboutWindow();
    // The window manager's close button on the disabled main window.
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    about->Command1->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(window->close());
}

TEST_F(MainWindow, FocusComingBackAfterOpenLoadsNothing)
{
    showActive();
    open(makeRom("rom.nds", "ADAE"));
    // What a window manager does when the file dialog closes: another window had the
    // focus, and the main window gets it back.
    QWidget dialogStandIn;
    dialogStandIn.show();
    dialogStandIn.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialogStandIn));
    dialogStandIn.close();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    list()->setFocus(Qt::ActiveWindowFocusReason);
    QApplication::processEvents();
    ASSERT_EQ(list()->currentRow(), 0) << "the focus made row 0 current";
    EXPECT_TRUE(list()->selectedItems().isEmpty());
    EXPECT_TRUE(text("txtHP")->text().isEmpty());
    EXPECT_FALSE(window->mnuSave->isEnabled());
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(messages.shown.empty());

    // A key the user presses does pick a species.
    QTest::keyClick(list(), Qt::Key_Down);
    EXPECT_EQ(list()->selectedItems().size(), 1);
    EXPECT_FALSE(text("txtHP")->text().isEmpty());
    EXPECT_TRUE(window->mnuSave->isEnabled());
}

// The list keeps its designed width; a name it cuts short has a tooltip that reads whole.
TEST_F(MainWindow, EveryEntryOfTheSpeciesListCanBeReadWhole)
{
    SKIP_ON_WINDOWS("the offscreen platform finds no fonts under wine");
    romimage::ImageRecipe recipe;
    recipe.gameCode = "CPUE";
    recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/pt_personal.csv", nullptr);
    const auto path = dir.file("platinum.nds");
    ASSERT_TRUE(romimage::writeRomImage(path, recipe, nullptr));
    showActive();
    open(path);
    ASSERT_EQ(list()->count(), 507);
    const int margin = list()->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list()) + 1;
    const QFontMetrics metrics(list()->font());
    int cut = 0;
    for (int i = 0; i < list()->count(); ++i) {
        auto* item = list()->item(i);
        list()->scrollToItem(item);
        const bool fits = metrics.horizontalAdvance(item->text()) <= list()->visualItemRect(item).width() - 2 * margin;
        cut += fits ? 0 : 1;
        if (!fits) {
            EXPECT_EQ(item->toolTip(), item->text()) << i;
        }
    }
    EXPECT_GE(cut, 2) << "the Wormadam forms at least";
    EXPECT_TRUE(list()->item(0)->toolTip().isEmpty()) << "Bulbasaur fits";
    EXPECT_EQ(list()->geometry(), QRect(24, 144, 97, 251)) << "the designed place and size";
}

} // namespace

namespace {

// The list is the open ROM's: a renamed species by its new name, loaded by a click; the
// next ROM without a text archive brings the built-in names back.
TEST_F(MainWindow, TheListNamesTheSpeciesAsTheRomDoes)
{
    auto names = romimage::sampleSpeciesNames();
    ASSERT_EQ(names.size(), 493u);
    names[444] = "SHARKOMP";
    romimage::ImageRecipe recipe;
    recipe.gameCode = "IPKE";
    recipe.textArchive = true;
    recipe.speciesNames = names;
    const auto renamed = dir.file("renamed.nds");
    ASSERT_TRUE(romimage::writeRomImage(renamed, recipe, nullptr, nullptr));
    open(renamed);
    EXPECT_EQ(list()->item(444)->text(), "Sharkomp");
    EXPECT_EQ(list()->item(443)->text(), "Gabite");
    list()->setCurrentRow(444);
    EXPECT_TRUE(window->controller()->speciesLoaded());
    EXPECT_FALSE(text("txtHP")->text().isEmpty());

    open(makeRom("plain.nds", "IPKE"));
    EXPECT_EQ(list()->item(444)->text(), "Garchomp");
}

} // namespace
