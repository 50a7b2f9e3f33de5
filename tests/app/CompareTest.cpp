// File > Compare with ROM: the changes from the original to the ROM open, in a window
// a user sorts, filters, copies from and saves from; checked against the reference
// data and against what the command line makes of the same two files.
#include "EditorFixture.h"
#include "app/CompareWindow.h"
#include "cli/CliErrors.h"
#include "cli/Commands.h"

#include "../cli/InProcess.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QTableView>

using namespace quillmark;
using namespace quillmark::test;

namespace {

class Compare : public EditorFixture {
protected:
    std::string platinum(const std::string& name, const char* code = "CPUE", const char* data = "pt_personal.csv")
    {
        romimage::ImageRecipe recipe;
        recipe.gameCode = code;
        recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/" + data, nullptr);
        const auto path = dir.file(name);
        EXPECT_TRUE(romimage::writeRomImage(path, recipe, nullptr));
        return path;
    }

    static std::string reference(const char* name, const char* column)
    {
        for (const auto& row : sampleCsv("pt_personal.csv")) {
            if (row.at("name") == name)
                return row.at(column);
        }
        return {};
    }
};

TEST_F(Compare, TheChangesAreShownFilteredCopiedAndSaved)
{
    const auto original = platinum("original.nds");
    const auto hack = dir.file("hack.nds");
    writeFile(hack, readFile(original));
    ASSERT_EQ(runInProcess([&] { return cli::runSet(hack, "Garchomp", {"hp=110"}, false); }).status, cli::Ok);
    ASSERT_EQ(runInProcess([&] { return cli::runSet(hack, "Bulbasaur", {"speed=50"}, false); }).status, cli::Ok);

    open(hack);
    EXPECT_TRUE(window->mnuCompare->isEnabled());
    dialog.answers.push_back(original);
    window->mnuCompare_Click();
    auto* compare = window->compareWindow();
    ASSERT_NE(compare, nullptr);
    EXPECT_TRUE(messages.shown.empty()) << messageTexts().front();
    using Rows = std::vector<std::vector<std::string>>;
    const Rows header = {{"Species", "Part", "Field", "Before", "After"}};
    Rows all = header;
    all.push_back({"Bulbasaur (0)", "species", "speed", reference("BULBASAUR", "spe"), "50"});
    all.push_back({"Garchomp (444)", "species", "hp", reference("GARCHOMP", "hp"), "110"});
    EXPECT_EQ(compare->shownRows(), all);
    for (auto* control : std::initializer_list<QWidget*>{compare->txtFilter, compare->grdChanges})
        EXPECT_FALSE(control->accessibleName().isEmpty());

    // Sorted by Before, highest first: Garchomp's 108 above Bulbasaur's 45.
    compare->grdChanges->sortByColumn(3, Qt::DescendingOrder);
    EXPECT_EQ(compare->shownRows()[1][0], "Garchomp (444)");
    compare->grdChanges->sortByColumn(0, Qt::AscendingOrder);
    // Levels with their moves by the level: 98 before 100.
    {
        species::RomComparison levels;
        levels.changes = {{444, 445, "Garchomp", "learnset", "move", "", "100 ThunderPunch"},
                          {444, 445, "Garchomp", "learnset", "move", "", "98 Earthquake"},
                          {444, 445, "Garchomp", "learnset", "move", "", "9 Tackle"}};
        app::DocumentController controller;
        app::CompareWindow sorted(controller, nullptr, messages, dialog.functions());
        sorted.showChanges(original, hack, levels, {});
        sorted.grdChanges->sortByColumn(4, Qt::AscendingOrder);
        const auto rows = sorted.shownRows();
        EXPECT_EQ((std::vector<std::string>{rows[1][4], rows[2][4], rows[3][4]}),
                  (std::vector<std::string>{"9 Tackle", "98 Earthquake", "100 ThunderPunch"}));
    }

    compare->txtFilter->setText("garch");
    const Rows garchomp = {header[0], all[2]};
    EXPECT_EQ(compare->shownRows(), garchomp);
    compare->cmdCopy->click();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              "Species\tPart\tField\tBefore\tAfter\nGarchomp (444)\tspecies\thp\t" + reference("GARCHOMP", "hp") + "\t110\n");

    // A double-click picks the species in the main window.
    emit compare->grdChanges->doubleClicked(compare->grdChanges->model()->index(0, 2));
    EXPECT_EQ(list()->currentRow(), 444);
    EXPECT_EQ(text("txtHP")->text(), "110");

    // Save as CSV: the command line's rows; Save patch: the patch turns the original
    // into the hack.
    dialog.answers.push_back(dir.file("changes.csv"));
    compare->cmdSaveCsv->click();
    cli::DiffOptions csv;
    csv.format = "csv";
    const auto said = runInProcess([&] { return cli::runDiff(original, hack, csv); });
    const auto saved = readFile(dir.file("changes.csv"));
    EXPECT_EQ(std::string(saved.begin(), saved.end()), said.out);
    dialog.answers.push_back(dir.file("hack.bps"));
    compare->cmdSavePatch->click();
    ASSERT_EQ(runInProcess([&] { return cli::runPatch(original, dir.file("hack.bps"), dir.file("patched.nds")); }).status,
              cli::Ok);
    EXPECT_EQ(readFile(dir.file("patched.nds")), readFile(hack));
    // Each save says where it wrote.
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{"The list of changes was saved to " + dir.file("changes.csv") + " (" +
                                            std::to_string(saved.size()) + " bytes).",
                                        "The patch was saved to " + dir.file("hack.bps") + " (" +
                                            std::to_string(readFile(dir.file("hack.bps")).size()) + " bytes)."}));
    messages.shown.clear();

    // Another game: refused with both names, the window as it was.
    const auto heartGold = platinum("heartgold.nds", "IPKE", "hgss_personal.csv");
    dialog.answers.push_back(heartGold);
    window->mnuCompare_Click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("only ROMs of one game"), std::string::npos) << messages.shown[0].text;
    EXPECT_EQ(compare->shownRows(), garchomp);
}

// The window is always of the files as they are: a Save compares again, edits not yet
// saved are said to be in neither the list nor the patch, and a file changed by another
// program is compared again before any row or patch goes out. The patch saved always
// makes the file whose rows are shown.
TEST_F(Compare, TheListAndThePatchAreAlwaysOfTheFilesAsTheyAre)
{
    const auto original = platinum("original.nds");
    const auto hack = dir.file("hack.nds");
    writeFile(hack, readFile(original));
    ASSERT_EQ(runInProcess([&] { return cli::runSet(hack, "Bulbasaur", {"speed=50"}, false); }).status, cli::Ok);
    open(hack);
    list()->setCurrentRow(444);
    dialog.answers.push_back(original);
    window->mnuCompare_Click();
    auto* compare = window->compareWindow();
    ASSERT_NE(compare, nullptr);
    ASSERT_EQ(compare->shownRows().size(), 2u);
    auto patchMakesTheHack = [&] {
        messages.shown.clear();
        std::filesystem::remove(dir.file("now.bps"));
        std::filesystem::remove(dir.file("patched.nds"));
        dialog.answers.push_back(dir.file("now.bps"));
        compare->cmdSavePatch->click();
        const auto said = runInProcess([&] { return cli::runPatch(original, dir.file("now.bps"), dir.file("patched.nds")); });
        EXPECT_EQ(said.status, cli::Ok) << said.err;
        return readFile(dir.file("patched.nds")) == readFile(hack);
    };

    text("txtHP")->setText("110");
    const auto said = compare->lblCompared->text().toStdString();
    EXPECT_NE(said.find("Edits not yet saved are in neither this list nor the patch"), std::string::npos) << said;
    window->mnuSave_Click();
    EXPECT_EQ(compare->lblCompared->text().toStdString().find("Edits not yet saved"), std::string::npos);
    const std::vector<std::string> garchomp = {"Garchomp (444)", "species", "hp", reference("GARCHOMP", "hp"), "110"};
    ASSERT_EQ(compare->shownRows().size(), 3u) << "compared again after the save";
    EXPECT_EQ(compare->shownRows()[2], garchomp);
    EXPECT_TRUE(patchMakesTheHack());

    // Another program changes the hack: nothing goes out until the list is made again.
    ASSERT_EQ(runInProcess([&] { return cli::runSet(hack, "Gible", {"speed=99"}, false); }).status, cli::Ok);
    QApplication::clipboard()->clear();
    messages.shown.clear();
    compare->cmdCopy->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("The ROMs changed since this list was made"), std::string::npos);
    EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
    EXPECT_EQ(compare->shownRows().size(), 4u) << "Gible's row";
    EXPECT_TRUE(patchMakesTheHack());

    // The original changed meanwhile: said after the next comparison.
    ASSERT_EQ(runInProcess([&] { return cli::runSet(original, "Gible", {"speed=99"}, false); }).status, cli::Ok);
    text("txtAttack")->setText("131");
    window->mnuSave_Click();
    EXPECT_NE(compare->lblCompared->text().toStdString().find("original.nds changed since it was last compared"),
              std::string::npos)
        << compare->lblCompared->text().toStdString();
    EXPECT_TRUE(patchMakesTheHack());
}

// Neither ROM's egg move table can be read: the window compares the rest and says which
// table it left out and why; no list or patch is saved over either ROM compared.
TEST_F(Compare, ATableNotReadIsNamedAndNothingIsSavedOverTheRomsCompared)
{
    romimage::ImageRecipe recipe;
    recipe.gameCode = "CPUE";
    recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/pt_personal.csv", nullptr);
    recipe.noEggTable = true;
    const auto original = dir.file("original.nds"), hack = dir.file("hack.nds");
    ASSERT_TRUE(romimage::writeRomImage(original, recipe, nullptr));
    ASSERT_TRUE(romimage::writeRomImage(hack, recipe, nullptr));
    const auto pristine = readFile(original);

    open(hack);
    dialog.answers.push_back(original);
    window->mnuCompare_Click();
    auto* compare = window->compareWindow();
    ASSERT_NE(compare, nullptr);
    const auto said = compare->lblCompared->text().toStdString();
    EXPECT_NE(said.find("no differences in the tables compared."), std::string::npos) << said;
    EXPECT_NE(said.find("Not compared: egg moves, " + original + ": the egg move table was not found in overlay 5."),
              std::string::npos)
        << said;
    EXPECT_FALSE(compare->cmdSaveCsv->isEnabled());

    ASSERT_EQ(runInProcess([&] { return cli::runSet(hack, "Garchomp", {"hp=110"}, false); }).status, cli::Ok);
    dialog.answers.push_back(original);
    window->mnuCompare_Click();
    ASSERT_EQ(compare->shownRows().size(), 2u);
    const auto edited = readFile(hack);
    for (const auto& rom : {original, hack}) {
        for (auto* button : {compare->cmdSaveCsv, compare->cmdSavePatch}) {
            SCOPED_TRACE(rom + " " + button->objectName().toStdString());
            messages.shown.clear();
            dialog.answers.push_back(rom);
            button->click();
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_NE(messages.shown[0].text.find("one of the ROMs compared"), std::string::npos);
            EXPECT_EQ(readFile(original), pristine);
            EXPECT_EQ(readFile(hack), edited);
        }
    }
}

} // namespace
