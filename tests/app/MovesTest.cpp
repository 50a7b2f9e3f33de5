// The Moves and Evolutions window, driven as a person would, on images with the games'
// own archives; what it saves is read back by the command line.
#include "EditorFixture.h"

#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableView>

#include "app/LevelUpMovesModel.h"

#include <cstdio>
#include <fstream>

using namespace quillmark;
using namespace quillmark::test;

namespace {

class Moves : public EditorFixture {
protected:
    std::string makeGame(const std::string& name, const std::string& code, const char* data)
    {
        romimage::ImageRecipe recipe;
        recipe.gameCode = code;
        recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/" + data, nullptr);
        // No room after the used image: the room shown is the bytes before the next file.
        recipe.tail = romimage::Tail::Full;
        const auto path = dir.file(name);
        EXPECT_TRUE(romimage::writeRomImage(path, recipe, nullptr));
        return path;
    }

    app::MovesWindow* openMoves(const QString& species)
    {
        const auto found = list()->findItems(species, Qt::MatchExactly);
        EXPECT_EQ(found.size(), 1);
        list()->setCurrentItem(found.front());
        if (!window->isActiveWindow())
            showActive();
        QTest::keyClick(window.get(), Qt::Key_E, Qt::ControlModifier);
        return window->movesWindow();
    }

    static std::vector<std::pair<int, QString>> shownList(app::MovesWindow* moves)
    {
        std::vector<std::pair<int, QString>> shown;
        const auto* model = moves->movesModel;
        for (int row = 0; row < model->rowCount(); ++row)
            shown.emplace_back(model->index(row, 0).data().toInt(), model->index(row, 1).data().toString());
        return shown;
    }

#ifndef _WIN32
    static std::string cli(const std::string& arguments)
    {
        FILE* pipe = ::popen((std::string(QUILLMARK_CLI) + " " + arguments).c_str(), "r");
        std::string out;
        char buffer[4096];
        while (const auto n = std::fread(buffer, 1, sizeof buffer, pipe))
            out.append(buffer, n);
        EXPECT_EQ(::pclose(pipe), 0) << arguments << "\n" << out;
        return out;
    }
#endif
};

TEST_F(Moves, GarchompLearnsEarthquakeAt49AsTheCommandLineWouldTeachIt)
{
    const auto path = makeGame("diamond.nds", "ADAE", "dp_personal_members.csv");
    const auto twin = makeGame("twin.nds", "ADAE", "dp_personal_members.csv");
    open(path);
    auto* moves = openMoves("Garchomp");
    ASSERT_NE(moves, nullptr);
    EXPECT_TRUE(moves->isVisible());
    EXPECT_EQ(shownTitle(moves), "Moves and Evolutions - Garchomp");

    // Its 15 entries in stored order, as Diamond's table has member 445.
    std::vector<std::pair<int, QString>> expected;
    for (const auto& row : sampleCsv("dp_learnsets.csv")) {
        if (row.at("member") == "445")
            expected.emplace_back(std::stoi(row.at("level")), QString::fromStdString(row.at("move_name")));
    }
    ASSERT_EQ(expected.size(), 15u);
    EXPECT_EQ(shownList(moves), expected);
    EXPECT_EQ(moves->lblCount->text(), "Garchomp: 15 of 20 moves;");
    EXPECT_EQ(moves->lblRoom->text(), "this ROM has room for 96 more moves in all") << "192 free bytes";

    moves->cmdAdd->click();
    ASSERT_EQ(moves->movesModel->rowCount(), 16);
    auto* move = qobject_cast<QComboBox*>(moves->grdMoves->indexWidget(moves->movesModel->index(15, 1)));
    ASSERT_NE(move, nullptr) << "Add opens the new row's move for typing";
    move->setFocus();
    EXPECT_EQ(move->accessibleName(), "Entry 16 Move");
    QTest::keyClicks(move, "Earthquake");
    // Return goes to the list of matches that typing opened, as a keyboard's would.
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(moves->movesModel->index(15, 1).data().toString(), "Earthquake");
    ASSERT_TRUE(moves->movesModel->setData(moves->movesModel->index(15, 0), 49));
    EXPECT_EQ(moves->lblCount->text(), "Garchomp: 16 of 20 moves;");
    showActive();
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Pokémon Data Saved Successfully!"});
#ifndef _WIN32  // quillmark-cli through a POSIX shell
    EXPECT_TRUE(cli("get '" + path + "' Garchomp learnset --value").ends_with("16: level 49 Earthquake\n"));

    // The same edit from a sheet gives the same bytes.
    cli("export '" + twin + "' --learnsets -o '" + dir.file("learnsets.csv") + "'");
    std::ofstream(dir.file("learnsets.csv"), std::ios::app) << "444,445,Garchomp,16,49,Earthquake\r\n";
    cli("import '" + twin + "' '" + dir.file("learnsets.csv") + "'");
    EXPECT_EQ(differingOffsets(readFile(twin), readFile(path)), std::vector<std::int64_t>{});
#else
    (void)twin;
#endif
}

TEST_F(Moves, EvolutionsShowTheirMethodsByNameAndAStoredOrderStaysUntilSorted)
{
    open(makeGame("platinum.nds", "CPUE", "pt_personal.csv"));
    auto* moves = openMoves("Eevee");
    ASSERT_NE(moves, nullptr);
    // Eevee's seven slots, by the names of the reference's methods and species.
    std::map<std::string, std::string> methods;
    {
        std::ifstream in(samplesDir() + "/gen4_evolution_methods.csv");
        std::string line;
        std::getline(in, line);
        while (std::getline(in, line)) {
            const auto first = line.find(','), last = line.rfind(',');
            auto name = line.substr(first + 1, last - first - 1);
            if (name.front() == '"')
                name = name.substr(1, name.size() - 2);
            methods[line.substr(0, first)] = name;
        }
    }
    int used = 0;
    for (const auto& row : sampleCsv("gen4_evolutions.csv")) {
        if (row.at("member") != "133")
            continue;
        const auto slot = std::stoul(row.at("slot"));
        EXPECT_EQ(moves->cmbMethod[slot]->currentText().toStdString(), methods.at(row.at("method_id")));
        EXPECT_EQ(moves->cmbTarget[slot]->currentData().toInt(), std::stoi(row.at("target_member")));
        ++used;
    }
    EXPECT_EQ(used, 7);
    EXPECT_EQ(moves->cmbTarget[0]->accessibleName(), "Evolution 1 Target");
    // Thunderstone (item 83) by its name, in the item drop-down.
    EXPECT_EQ(moves->stkParameter[2]->currentIndex(), 1);
    EXPECT_EQ(moves->cmbParameter[2]->currentText(), "Thunderstone");

    // Leafeon by a Leaf Stone: another method brings its kind of parameter.
    moves->cmbMethod[0]->setCurrentIndex(7);
    emit moves->cmbMethod[0]->activated(7);
    moves->cmbParameter[0]->setCurrentIndex(moves->cmbParameter[0]->findText("Leaf Stone"));
    EXPECT_EQ(moves->editedEvolutions()[0], (species::EvolutionSlot{7, 85, 470}));

    // Banette keeps Screech at 8 before Night Shade at 5 until asked to sort.
    moves = openMoves("Banette");
    auto list = shownList(moves);
    EXPECT_EQ(list[4], (std::pair<int, QString>{8, "Screech"}));
    EXPECT_EQ(list[5], (std::pair<int, QString>{5, "Night Shade"}));
    moves->cmdSort->click();
    list = shownList(moves);
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end(), [](auto& a, auto& b) { return a.first < b.first; }));
    EXPECT_EQ(list[4], (std::pair<int, QString>{5, "Night Shade"})) << "ties keep their order";

    // Twenty entries and Add gives no more.
    while (moves->movesModel->rowCount() < 20)
        moves->cmdAdd->click();
    EXPECT_FALSE(moves->cmdAdd->isEnabled());
    EXPECT_EQ(moves->lblCount->text(), "Banette: 20 of 20 moves;");
}

} // namespace
