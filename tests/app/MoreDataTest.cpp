// The More Data window and the form records, driven as a person would, and checked
// against the games' own data in samples/.
#include "EditorFixture.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>

#include <cstdio>
#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace quillmark;
using namespace quillmark::test;

namespace {

class MoreData : public EditorFixture {
protected:
    // An image of one of the three sample games, every archive member as the game has it.
    std::string makeGame(const std::string& code, const char* data, romimage::ImageLayout* made = nullptr)
    {
        romimage::ImageRecipe recipe;
        recipe.gameCode = code;
        recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/" + data, nullptr);
        const auto path = dir.file(code + ".nds");
        EXPECT_TRUE(romimage::writeRomImage(path, recipe, nullptr, made));
        return path;
    }

    app::MoreDataWindow* openMoreData()
    {
        if (!window->isActiveWindow())
            showActive();
        QTest::keyClick(window.get(), Qt::Key_M, Qt::ControlModifier);
        EXPECT_NE(window->moreDataWindow(), nullptr);
        return window->moreDataWindow();
    }

    template <class T>
    T* named(const QString& accessibleName) const
    {
        for (auto* widget : window->moreDataWindow()->findChildren<T*>()) {
            if (widget->accessibleName() == accessibleName)
                return widget;
        }
        ADD_FAILURE() << "no control named " << accessibleName.toStdString();
        return nullptr;
    }

    std::int64_t recordAt(int index) const
    {
        return std::stoll(window->session().TableBase) + 44 * std::int64_t{index};
    }
};

constexpr const char* kEvNames[] = {"EV HP", "EV Attack", "EV Defense", "EV Speed", "EV Sp Attack",
                                    "EV Sp Defense"};

TEST_F(MoreData, HeatRotomLearnsFlamethrowerAndEverythingElseStaysAsItWas)
{
    const auto path = makeGame("CPUE", "pt_personal.csv");
    const auto before = readFile(path);
    open(path);
    EXPECT_FALSE(window->mnuMoreData->isEnabled());
    const auto heat = list()->findItems("Rotom (Heat)", Qt::MatchExactly);
    ASSERT_EQ(heat.size(), 1);
    list()->setCurrentItem(heat.front());
    ASSERT_TRUE(window->mnuMoreData->isEnabled());
    auto* more = openMoreData();
    ASSERT_NE(more, nullptr);
    EXPECT_TRUE(more->isVisible());
    EXPECT_EQ(shownTitle(more), "More Data - Rotom (Heat)");

    named<QCheckBox>("TM35 Flamethrower")->click();
    named<QSpinBox>("EV Sp Attack")->setValue(2);
    named<QComboBox>("Growth Rate")->setCurrentText("Slow");
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Pokémon Data Saved Successfully!"});

    // Member 503 of pt_personal.csv; EV Sp Attack is bits 8-9 of the EV word, growth
    // byte 19 (Slow is 5), TM35 bit 34 of bytes 28-43.
    const auto row = sampleCsv("pt_personal.csv")[503];
    ASSERT_EQ(row.at("name"), "HEAT ROTOM");
    const int ev = (std::stoi(row.at("ev_yield_u16")) & ~0x300) | 2 << 8;
    const auto record = static_cast<std::size_t>(recordAt(list()->currentRow()));
    auto expected = before;
    expected[record + 10] = static_cast<std::uint8_t>(ev & 0xFF);
    expected[record + 11] = static_cast<std::uint8_t>(ev >> 8);
    expected[record + 19] = 5;
    expected[record + 28 + 34 / 8] |= 1 << (34 % 8);
    EXPECT_EQ(differingOffsets(expected, readFile(path)), std::vector<std::int64_t>{});

#ifndef _WIN32  // quillmark-cli through a POSIX shell
    FILE* get = ::popen((std::string(QUILLMARK_CLI) + " get '" + path + "' 'Rotom (Heat)'").c_str(), "r");
    std::string out;
    char buffer[4096];
    while (const auto n = std::fread(buffer, 1, sizeof buffer, get))
        out.append(buffer, n);
    EXPECT_EQ(::pclose(get), 0);
    for (const char* line : {"ev_sp_attack: 2\n", "growth_rate: Slow [5]\n", " TM35 "})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
#endif
}

TEST_F(MoreData, MachineLabelsAreTheGamesMoves)
{
    const auto moves = sampleCsv("dp_tm_moves.csv");
    ASSERT_EQ(moves.size(), 100u);
    for (const auto& [code, data, hm05] : {std::tuple{"ADAE", "dp_personal.csv", "Defog"},
                                           std::tuple{"IPKE", "hgss_personal.csv", "Whirlpool"}}) {
        SCOPED_TRACE(code);
        if (std::string(code) == "ADAE")
            open(makeRom("diamond.nds", code, realRecords(data)));
        else
            open(makeGame(code, data));
        // A window already open is relabelled by Open ROM, before any species loads.
        if (auto* open = window->moreDataWindow()) {
            EXPECT_EQ(open->chkMachine[96]->text(), QString("HM05 ") + hm05);
        }
        list()->setCurrentRow(-1);
        list()->setCurrentRow(0);
        auto* more = openMoreData();
        for (std::size_t bit = 0; bit < moves.size(); ++bit) {
            const auto& move = moves[bit].at("machine") == "HM05" ? std::string(hm05) : moves[bit].at("move_name");
            EXPECT_EQ(more->chkMachine[bit]->text().toStdString(), moves[bit].at("machine") + " " + move);
            EXPECT_EQ(more->chkMachine[bit]->accessibleName(), more->chkMachine[bit]->text());
        }
        EXPECT_EQ(named<QCheckBox>(QString("HM05 ") + hm05), more->chkMachine[96]);
        // All and None act on the boxes; only a save writes them.
        named<QPushButton>("All")->click();
        EXPECT_TRUE(std::all_of(more->chkMachine.begin(), more->chkMachine.end(),
                                [](auto* box) { return box->isChecked(); }));
        named<QPushButton>("None")->click();
        EXPECT_TRUE(std::none_of(more->chkMachine.begin(), more->chkMachine.end(),
                                 [](auto* box) { return box->isChecked(); }));
    }
}

// Every species and form record of the three games, against the reference data.
TEST_F(MoreData, EveryRecordShowsTheGamesValues)
{
    const auto growth = sampleCsv("growth_rates.csv");
    const auto colours = sampleCsv("colors.csv");
    for (const auto& [code, data] : {std::pair{"ADAE", "dp_personal_members.csv"}, std::pair{"CPUE", "pt_personal.csv"},
                                     std::pair{"IPKE", "hgss_personal.csv"}}) {
        SCOPED_TRACE(code);
        auto rows = sampleCsv(data);
        const bool diamond = std::string(code) == "ADAE";
        open(makeGame(code, data));
        // Member 0 is the empty record before the table.
        rows.erase(rows.begin());
        list()->setCurrentRow(0);
        auto* more = openMoreData();
        ASSERT_EQ(more->cmbGrowth->count(), static_cast<int>(growth.size()));
        for (int k = 0; k < more->cmbGrowth->count(); ++k)
            EXPECT_EQ(more->cmbGrowth->itemText(k).toStdString(), growth[static_cast<std::size_t>(k)].at("name"));
        ASSERT_EQ(more->cmbColour->count(), static_cast<int>(colours.size()));
        for (int k = 0; k < more->cmbColour->count(); ++k)
            EXPECT_EQ(more->cmbColour->itemText(k).toStdString(), colours[static_cast<std::size_t>(k)].at("name"));

        ASSERT_EQ(list()->count(), diamond ? 500 : 507);
        for (int index = 0; index < list()->count(); ++index) {
            list()->setCurrentRow(index);
            const auto& row = rows[static_cast<std::size_t>(index)];
            const int ev = std::stoi(row.at("ev_yield_u16"));
            for (int stat = 0; stat < 6; ++stat)
                ASSERT_EQ(more->spnEV[static_cast<std::size_t>(stat)]->value(), ev >> (2 * stat) & 3)
                    << index << " " << kEvNames[stat];
            ASSERT_EQ(more->cmbGrowth->currentIndex(), std::stoi(row.at("growth"))) << index;
            const int colour = std::stoi(row.at("color_byte"));
            if ((colour & 0x7F) < 10)
                ASSERT_EQ(more->cmbColour->currentIndex(), colour & 0x7F) << index;
            else  // the egg records have colour 10, which no entry names
                ASSERT_EQ(more->cmbColour->currentText(), "#" + QString::number(colour & 0x7F)) << index;
            ASSERT_EQ(more->chkFlip->isChecked(), (colour & 0x80) != 0) << index;
            const auto tm = row.at("tm_hex");
            for (int bit = 0; bit < 100; ++bit) {
                const int byte = std::stoi(tm.substr(static_cast<std::size_t>(bit / 8 * 2), 2), nullptr, 16);
                ASSERT_EQ(more->chkMachine[static_cast<std::size_t>(bit)]->isChecked(), (byte >> (bit % 8) & 1) != 0)
                    << index << " bit " << bit;
            }
        }
    }
}

TEST_F(MoreData, AnotherRomClearsBothWindows)
{
    open(makeRom("diamond.nds", "ADAE", realRecords()));
    list()->setCurrentRow(444);
    auto* more = openMoreData();
    text("txtHP")->setText("110");
    EXPECT_EQ(more->txtTotal->text(), "602") << "Garchomp's 600, HP 108 typed as 110";
    text("txtAttack")->setText("x");
    EXPECT_EQ(more->txtTotal->text(), "");
    more->chkMachine[25]->setChecked(false);

    open(makeGame("CPUE", "pt_personal.csv"));
    EXPECT_FALSE(window->mnuSave->isEnabled());
    EXPECT_FALSE(window->mnuMoreData->isEnabled());
    for (const auto& field : species::SpeciesFieldMap) {
        const std::string name(field.control);
        if (field.kind == species::FieldKind::Number)
            EXPECT_TRUE(text(name.c_str())->text().isEmpty()) << name;
        else
            EXPECT_EQ(combo(name.c_str())->currentIndex(), -1) << name;
    }
    for (auto* spin : more->spnEV) {
        EXPECT_EQ(spin->value(), 0);
        EXPECT_FALSE(spin->isEnabled());
    }
    EXPECT_EQ(more->cmbGrowth->currentIndex(), -1);
    EXPECT_EQ(more->cmbColour->currentIndex(), -1);
    EXPECT_TRUE(std::none_of(more->chkMachine.begin(), more->chkMachine.end(),
                             [](auto* box) { return box->isChecked() || box->isEnabled(); }));
    EXPECT_TRUE(more->txtTotal->text().isEmpty());
}

// Codes no list names are shown as "#N" and written back as they are; a real entry
// picked instead replaces them.
TEST_F(MoreData, CodesWithoutTextAreShownAndKept)
{
    auto records = realRecords();
    records[10][6] = 20;                              // type 1
    records[10][12] = 600 & 0xFF;                     // item 1: 600
    records[10][13] = 600 >> 8;
    records[10][19] = 7;                              // growth rate
    records[10][25] = 0x80 | 12;                      // colour 12, flipped
    const auto path = makeRom("diamond.nds", "ADAE", records);
    const auto before = readFile(path);
    open(path);
    list()->setCurrentRow(10);
    auto* more = openMoreData();
    EXPECT_EQ(combo("cmbType1")->currentText(), "#20");
    EXPECT_EQ(combo("cmbItem1")->currentText(), "#600");
    EXPECT_EQ(more->cmbGrowth->currentText(), "#7");
    EXPECT_EQ(more->cmbColour->currentText(), "#12");
    EXPECT_TRUE(more->chkFlip->isChecked());
    window->mnuSave_Click();
    EXPECT_EQ(readFile(path), before);

    // Another species has no "#" entries left over.
    list()->setCurrentRow(11);
    EXPECT_EQ(combo("cmbType1")->count(), 18);
    EXPECT_EQ(combo("cmbItem1")->count(), 465);
    EXPECT_EQ(more->cmbGrowth->count(), 6);
    list()->setCurrentRow(10);
    combo("cmbType1")->setCurrentIndex(9);
    more->cmbColour->setCurrentIndex(9);
    window->mnuSave_Click();
    const auto record = static_cast<std::size_t>(recordAt(10));
    auto expected = before;
    expected[record + 6] = 9;
    expected[record + 25] = 0x80 | 9;
    EXPECT_EQ(differingOffsets(expected, readFile(path)), std::vector<std::int64_t>{});
}

TEST_F(MoreData, FormRecordsFollowTheirSpeciesGenderLock)
{
    open(makeGame("CPUE", "pt_personal.csv"));
    for (const auto& [name, locked] : {std::pair{"Giratina (Origin Forme)", true},
                                       std::pair{"Wormadam (Sandy Cloak)", false},
                                       std::pair{"Rotom (Mow)", true}, std::pair{"Egg", false}}) {
        list()->setCurrentItem(list()->findItems(name, Qt::MatchExactly).value(0));
        ASSERT_EQ(list()->currentItem()->text(), name);
        EXPECT_EQ(combo("cmbGender")->isEnabled(), !locked) << name;
    }
}

TEST_F(MoreData, ASpecialFilePickedInTheDialogIsRefusedWithItsReason)
{
    SKIP_ON_WINDOWS("no FIFOs");
#ifndef _WIN32
    const auto fifo = dir.file("rom.nds");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    open(fifo);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("Path/File access error"), std::string::npos)
        << messages.shown[0].text;
    EXPECT_FALSE(list()->isEnabled());
#endif
}

} // namespace
