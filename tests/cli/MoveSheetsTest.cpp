// The sheets of level-up moves and evolutions, exported, edited and imported as a user
// would, on an image with Platinum's own archives; checked against the reference tables.
#include "cli/CliErrors.h"
#include "cli/Commands.h"
#include "platform/FileServices.h"
#include "rom/Narc.h"
#include "rom/NitroFs.h"
#include "romimage/RomImage.h"
#include "species/MoveArchives.h"

#include "InProcess.h"
#include "MoveNameCases.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <tuple>

using namespace quillmark;
using namespace quillmark::test;

namespace {

class MoveSheets : public ::testing::Test {
protected:
    void SetUp() override
    {
        romimage::ImageRecipe recipe;
        recipe.gameCode = "CPUE";
        recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/pt_personal.csv", nullptr);
        ASSERT_TRUE(romimage::writeRomImage(rom, recipe, nullptr, &layout));
        before = readFile(rom);
    }

    template <class Command>
    static Said run(Command command)
    {
        return runInProcess(command);
    }

    std::string exported(const std::string& name, bool learnsets)
    {
        cli::ExportOptions options;
        options.output = dir.file(name);
        options.table = learnsets ? "learnsets" : "evolutions";
        options.forms = true;
        EXPECT_EQ(run([&] { return cli::runExport(rom, options); }).status, cli::Ok);
        const auto bytes = readFile(options.output);
        return {bytes.begin(), bytes.end()};
    }

    std::string sheet(const std::string& name, const std::string& text)
    {
        writeFile(dir.file(name), Bytes(text.begin(), text.end()));
        return dir.file(name);
    }

    TempDir dir;
    std::string rom = dir.file("platinum.nds");
    romimage::ImageLayout layout;
    Bytes before;
};

std::vector<std::vector<std::string>> csvLines(const std::string& text)
{
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> cells;
        std::istringstream row(line);
        for (std::string cell; std::getline(row, cell, ',');)
            cells.push_back(cell);
        lines.push_back(cells);
    }
    return lines;
}

TEST_F(MoveSheets, TheSheetsHoldEveryEntryAndSlotOfTheGame)
{
    // index,dex,name,entry,level,move: member - 1, entry + 1, level and the move's name.
    std::multiset<std::tuple<std::string, std::string, std::string, std::string>> expected, got;
    for (const auto& row : sampleCsv("pt_learnsets.csv")) {
        const int member = std::stoi(row.at("member"));
        if (member > 0)
            expected.insert({std::to_string(member - 1), std::to_string(std::stoi(row.at("entry")) + 1),
                             row.at("level"), row.at("move_name")});
    }
    auto lines = csvLines(exported("learnsets.csv", true));
    ASSERT_EQ(lines.front(), (std::vector<std::string>{"\xEF\xBB\xBFindex", "dex", "name", "entry", "level", "move"}));
    for (std::size_t i = 1; i < lines.size(); ++i)
        got.insert({lines[i][0], lines[i][3], lines[i][4], lines[i][5]});
    EXPECT_EQ(got, expected);

    lines = csvLines(exported("evolutions.csv", false));
    ASSERT_EQ(lines.front(), (std::vector<std::string>{"\xEF\xBB\xBFindex", "dex", "name", "slot", "method", "parameter", "target"}));
    EXPECT_EQ(lines.size() - 1, sampleCsv("gen4_evolutions.csv").size());
    EXPECT_EQ(lines[1], (std::vector<std::string>{"0", "1", "Bulbasaur", "1", "Level", "16", "Ivysaur"}));

    // Each sheet imported as it was exported changes nothing.
    for (const char* name : {"learnsets.csv", "evolutions.csv"}) {
        const auto said = run([&] { return cli::runImport(rom, dir.file(name), "", false); });
        EXPECT_EQ(said.status, cli::Ok) << said.err;
        EXPECT_NE(said.out.find("0 change(s) made"), std::string::npos) << said.out;
    }
    EXPECT_EQ(readFile(rom), before);
}

TEST_F(MoveSheets, AnEditedSheetChangesTheListsAndSlotsItNames)
{
    // Garchomp learns Earthquake at 49 (typed as people write it); Eevee evolves into
    // Leafeon by a Leaf Stone; every other species keeps what it has.
    auto learnsets = exported("learnsets.csv", true);
    learnsets += "444,445,Garchomp,16,49,earthquake\r\n";
    const auto edited = sheet("edited.csv", learnsets);
    auto said = run([&] { return cli::runImport(rom, edited, "", true); });
    EXPECT_EQ(said.out, "Garchomp (444): level-up moves +Earthquake at 49\n1 change(s) would be made; nothing was written (dry run)\n");
    EXPECT_EQ(readFile(rom), before);
    said = run([&] { return cli::runImport(rom, edited, "", false); });
    ASSERT_EQ(said.status, cli::Ok) << said.err;
    said = run([&] { return cli::runGet(rom, "Garchomp", {"learnset"}, true); });
    EXPECT_TRUE(said.out.ends_with("15: level 55 Dragon Rush\n16: level 49 Earthquake\n")) << said.out;
    const auto afterLearnset = readFile(rom);

    const auto eevee = sheet("eevee.json", R"([{"name": "Eevee", "slot": 1, "method": "use item", "parameter": "leaf stone", "target": "Leafeon"}])");
    said = run([&] { return cli::runImport(rom, eevee, "", false); });
    ASSERT_EQ(said.status, cli::Ok) << said.err;
    EXPECT_NE(said.out.find("Eevee (132): evolution 1 Use item Leaf Stone -> Leafeon (was Level near Moss Rock -> Leafeon)"),
              std::string::npos) << said.out;
    // Eevee had seven used slots; the sheet lists one, so the other six are cleared.
    said = run([&] { return cli::runGet(rom, "Eevee", {"evolutions"}, true); });
    EXPECT_EQ(said.out, "1: Use item Leaf Stone -> Leafeon\n");
    EXPECT_GT(differingOffsets(afterLearnset, readFile(rom)).size(), 2u);
}

TEST_F(MoveSheets, WhatTheGameCannotTakeIsRefusedWithItsPlace)
{
    const struct {
        const char* sheet;
        const char* words;
    } refused[] = {
        {"name,level,move\nGarchomp,101,Tackle\n", "line 2, column 2 (level): \"101\" is no level (1 to 100)"},
        {"name,level,move\nGarchomp,0,Tackle\n", "\"0\" is no level"},
        {"name,level,move\nGarchomp,5,468\n", "\"468\" is no move (1 to 467"},
        {"name,level,move\nGarchomp,5,Tackel\n", "\"Tackel\" is no move (1 to 467, or its name); did you mean Tackle, Tickle?"},
        {"name,level,move\nGarchomp,5,dragon\n",
         "; did you mean Dragon Rage, DragonBreath, Dragon Claw, Dragon Dance, Dragon Pulse and 1 more?"},
        {"name,level,move\nGarchomp,5,Hyper\n", "\"Hyper\" is no move"},
        {"name,slot,method,parameter,target\nEevee,8,Level,5,Leafeon\n", "\"8\" is no slot (1 to 7)"},
        {"name,slot,method,parameter,target\nEevee,1,Level,101,Leafeon\n", "level 101; it takes 1 to 100"},
        {"name,slot,method,parameter,target\nEevee,1,Use item,Master Bal,Leafeon\n", "does not fit the method Use item"},
        {"name,slot,method,parameter,target\nEevee,1,Level,5,Leafeonn\n", "is no species"},
        {"name,slot,method,parameter,target\nEevee,1,Level,5,Deoxys (Attack Forme)\n", "is no species"},
    };
    for (const auto& r : refused) {
        const auto said = run([&] { return cli::runImport(rom, sheet("bad.csv", r.sheet), "", false); });
        EXPECT_EQ(said.status, cli::BadInput) << r.sheet;
        EXPECT_NE(said.err.find(r.words), std::string::npos) << said.err;
    }
    // Twenty-one entries are one too many.
    std::string longList = "name,level,move\n";
    for (int i = 0; i < 21; ++i)
        longList += "Bulbasaur,5,Tackle\n";
    const auto said = run([&] { return cli::runImport(rom, sheet("long.csv", longList), "", false); });
    EXPECT_EQ(said.status, cli::BadInput);
    EXPECT_NE(said.err.find("21 level-up moves, and the game takes at most 20"), std::string::npos) << said.err;
    EXPECT_EQ(readFile(rom), before);
}

// Headers as people type them, and empty cells: a sheet kind is told whatever the
// case; `None` with an empty parameter and target clears a slot, the last one too, and
// the export of the result imports back with no change.
TEST_F(MoveSheets, HeadersInAnyCaseAndEmptyCellsMeanNone)
{
    const struct {
        const char* sheet;
        const char* said;
    } rows[] = {
        {"NAME,LEVEL,MOVE\nGarchomp,1,Fire Fang\n", "Garchomp (444): level-up moves"},
        {"Name,Level,Move\nGarchomp,1,Fire Fang\n", "Garchomp (444): level-up moves"},
        {"name,Slot,METHOD,Parameter,Target\nGible,1,Level,20,Gabite\n", "Gible (442): evolution 1 Level 20 -> Gabite"},
        {"name,slot,method,parameter,target\nBulbasaur,1,None,,\n", "Bulbasaur (0): evolution 1 (none) (was Level 16 -> Ivysaur)"},
        {"name,slot,method\nBulbasaur,1,None\n", "Bulbasaur (0): evolution 1 (none) (was Level 16 -> Ivysaur)"},
    };
    for (const auto& row : rows) {
        const auto said = run([&] { return cli::runImport(rom, sheet("case.csv", row.sheet), "", true); });
        EXPECT_EQ(said.status, cli::Ok) << row.sheet << said.err;
        EXPECT_NE(said.out.find(row.said), std::string::npos) << said.out;
    }
    EXPECT_EQ(readFile(rom), before);

    // Bulbasaur's one evolution gone; the export says nothing of it and reads back as is.
    auto said = run([&] { return cli::runImport(rom, sheet("none.csv", rows[3].sheet), "", false); });
    ASSERT_EQ(said.status, cli::Ok) << said.err;
    said = run([&] { return cli::runGet(rom, "Bulbasaur", {"evolutions"}, true); });
    EXPECT_EQ(said.out, "");
    const auto written = readFile(rom);
    EXPECT_EQ(exported("after.csv", false).find("\r\n0,1,Bulbasaur,"), std::string::npos);
    said = run([&] { return cli::runImport(rom, dir.file("after.csv"), "", false); });
    EXPECT_NE(said.out.find("0 change(s) made"), std::string::npos) << said.out;
    EXPECT_EQ(readFile(rom), written);
}

// The one table of move names the window's cells are checked on too.
TEST_F(MoveSheets, MoveNamesResolveAsInTheWindow)
{
    for (const auto& c : kMoveNameCases) {
        const auto said = run([&] {
            return cli::runImport(rom, sheet("one.csv", std::string("name,level,move\nGarchomp,1,\"") + c.typed + "\"\n"), "",
                                  true);
        });
        if (*c.move) {
            EXPECT_EQ(said.status, cli::Ok) << c.typed << said.err;
            EXPECT_NE(said.out.find(std::string("+") + c.move + " at 1"), std::string::npos) << said.out;
        } else {
            EXPECT_EQ(said.status, cli::BadInput) << c.typed;
            EXPECT_NE(said.err.find(std::string("\"") + c.typed + "\" is no move"), std::string::npos) << said.err;
        }
    }
}

// get takes the sheets' names in either number; rows of empty cells, as spreadsheets
// leave them, are skipped with a note; info gives the learnset archive's room.
TEST_F(MoveSheets, GetInfoAndEmptyRowsAsPeopleUseThem)
{
    const auto learnset = run([&] { return cli::runGet(rom, "Garchomp", {"learnset"}, true); }).out;
    ASSERT_FALSE(learnset.empty());
    for (const char* name : {"learnsets", "moves", "Learnset"})
        EXPECT_EQ(run([&] { return cli::runGet(rom, "Garchomp", {name}, true); }).out, learnset) << name;
    const auto evolutions = run([&] { return cli::runGet(rom, "Gible", {"evolutions"}, true); }).out;
    EXPECT_EQ(evolutions, "1: Level 24 -> Gabite\n");
    EXPECT_EQ(run([&] { return cli::runGet(rom, "Gible", {"evolution"}, true); }).out, evolutions);

    const auto said = run([&] {
        return cli::runImport(rom, sheet("blank.csv", "name,level,move\nGible,1,Tackle\n,,\n , ,\n"), "", true);
    });
    EXPECT_EQ(said.status, cli::Ok) << said.err;
    EXPECT_NE(said.err.find("lines 3, 4 hold only empty cells and were skipped"), std::string::npos) << said.err;

    const auto info = run([&] { return cli::runInfo(rom); }).out;
    EXPECT_NE(info.find("learnsets:   poketool/personal/wotbl.narc (" + std::to_string(layout.levelUpStart) + " to " +
                        std::to_string(layout.levelUpEnd) + ")"),
              std::string::npos)
        << info;
    EXPECT_NE(info.find("room:        288 bytes before what follows it"), std::string::npos) << info;
}

// Stored bytes the game would not take, or that this program would not write, as
// other tools leave them: the export shows them, the unchanged sheet imports as no
// change at all, and a sheet that changes a species elsewhere leaves them byte for
// byte; a row that changes one of them is judged, and refused with its species.
TEST_F(MoveSheets, WhatTheRomStoresStaysAsStoredUnlessChanged)
{
    auto entries = [](std::vector<std::pair<int, int>> list, std::vector<std::uint8_t> tail) {
        std::vector<std::uint8_t> bytes;
        for (const auto& [level, move] : list) {
            bytes.push_back(static_cast<std::uint8_t>(move & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(level << 1 | move >> 8));
        }
        bytes.insert(bytes.end(), {0xFF, 0xFF});
        bytes.resize((bytes.size() + 3) / 4 * 4, 0);
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        return bytes;
    };
    auto members = romimage::levelUpMembersOf("CPUE");
    members[1] = entries({{1, 33}, {3, 45}}, {0x01, 0, 0, 0});                 // Bulbasaur: a byte past its end
    members[25] = entries({{1, 84}, {1, 45}}, {0, 0, 0, 0});                    // Pikachu: 4 more zero bytes
    members[10] = entries({{0, 33}, {127, 81}, {5, 500}}, {});                  // Caterpie: level 0 and 127, #500
    members[11] = entries(std::vector<std::pair<int, int>>(21, {7, 106}), {});  // Metapod: 21 entries
    romimage::ImageRecipe recipe;
    recipe.gameCode = "CPUE";
    recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/pt_personal.csv", nullptr);
    recipe.levelUpMembers = members;
    ASSERT_TRUE(romimage::writeRomImage(rom, recipe, nullptr, &layout));
    // Eevee: slot 1 method #30, slot 2 "Use item" with an item past Platinum's last.
    const auto eevee = [&] {
        auto file = platform::fileServices().open(rom, platform::FileAccess::Read);
        return species::readMoveArchives(**file, "CPUE")->evolutionMembers[133];
    }();
    patchFile(rom, eevee, {30, 0, 5, 0, 134, 0, 7, 0, 0x58, 0x02, 135, 0});
    const auto odd = readFile(rom);

    const auto learnsets = exported("odd-learnsets.csv", true);
    EXPECT_NE(learnsets.find("\r\n9,10,Caterpie,1,0,Tackle\r\n9,10,Caterpie,2,127,String Shot\r\n9,10,Caterpie,3,5,#500\r\n"),
              std::string::npos);
    EXPECT_NE(learnsets.find("\r\n10,11,Metapod,21,7,Harden\r\n"), std::string::npos);
    const auto evolutions = exported("odd-evolutions.csv", false);
    EXPECT_NE(evolutions.find("\r\n132,133,Eevee,1,#30,5,Vaporeon\r\n132,133,Eevee,2,Use item,#600,Jolteon\r\n"),
              std::string::npos)
        << evolutions;
    for (const char* name : {"odd-learnsets.csv", "odd-evolutions.csv"}) {
        const auto said = run([&] { return cli::runImport(rom, dir.file(name), "", false); });
        EXPECT_EQ(said.status, cli::Ok) << name << said.err;
        EXPECT_NE(said.out.find("0 change(s) made"), std::string::npos) << said.out;
    }
    EXPECT_EQ(readFile(rom), odd) << "nothing written";

    // Garchomp learns Earthquake: Bulbasaur's and Pikachu's stored bytes stay as they were.
    auto memberBytes = [&](int member) {
        auto file = platform::fileServices().open(rom, platform::FileAccess::Read);
        auto fs = rom::NitroFs::read(**file);
        const auto narc = rom::Narc::read(**file, *fs->find("poketool/personal/wotbl.narc"), "wotbl");
        const auto bytes = readFile(rom);
        return Bytes(bytes.begin() + narc->member(member).start, bytes.begin() + narc->member(member).end);
    };
    const auto bulbasaur = memberBytes(1), pikachu = memberBytes(25);
    const auto said = run([&] {
        return cli::runImport(rom, sheet("garchomp.csv", learnsets + "444,445,Garchomp,16,49,Earthquake\r\n"), "", false);
    });
    ASSERT_EQ(said.status, cli::Ok) << said.err;
    EXPECT_EQ(said.out, "Garchomp (444): level-up moves +Earthquake at 49\n1 change(s) made\n");
    EXPECT_EQ(memberBytes(1), bulbasaur);
    EXPECT_EQ(memberBytes(25), pikachu);

    // A row that changes an odd list is judged; the odd rows it keeps stay as stored.
    const auto changed = readFile(rom);
    const struct {
        std::string sheet;
        const char* words;
    } refused[] = {
        {"name,entry,level,move\nCaterpie,1,0,String Shot\nCaterpie,2,127,String Shot\nCaterpie,3,5,#500\n",
         "Caterpie (9): entry 1 has level 0; levels are 1 to 100"},
        {"name,slot,method,parameter,target\nEevee,1,#30,5,Vaporeon\nEevee,2,Use item,#600,Espeon\n",
         "Eevee (132): evolution 1 has method 30"},
    };
    for (const auto& r : refused) {
        const auto no = run([&] { return cli::runImport(rom, sheet("odd.csv", r.sheet), "", false); });
        EXPECT_EQ(no.status, cli::BadInput) << r.sheet;
        EXPECT_NE(no.err.find(r.words), std::string::npos) << no.err;
    }
    EXPECT_EQ(readFile(rom), changed);
}

// A level-up list without its end mark stops what needs the level-up lists, named
// for what it is; the evolutions and the species records are read and written as ever.
TEST_F(MoveSheets, ADamagedLevelUpListStopsOnlyTheLevelUpLists)
{
    auto members = romimage::levelUpMembersOf("CPUE");
    members[445] = {33, 2, 45, 2};  // Tackle and Growl at 1, and no end mark
    romimage::ImageRecipe recipe;
    recipe.gameCode = "CPUE";
    recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/pt_personal.csv", nullptr);
    recipe.levelUpMembers = members;
    ASSERT_TRUE(romimage::writeRomImage(rom, recipe, nullptr, &layout));
    const auto damaged = readFile(rom);

    cli::ExportOptions options;
    options.output = dir.file("learnsets.csv");
    options.table = "learnsets";
    auto said = run([&] { return cli::runExport(rom, options); });
    EXPECT_EQ(said.status, cli::BadRom);
    EXPECT_NE(said.err.find("The level-up moves cannot be read: Garchomp (444)'s level-up list in "
                            "poketool/personal/wotbl.narc has no end mark"),
              std::string::npos)
        << said.err;
    EXPECT_EQ(said.err.find("file table"), std::string::npos) << "not called a missing species table";
    said = run([&] { return cli::runGet(rom, "Gible", {"learnset"}, false); });
    EXPECT_EQ(said.status, cli::BadRom);
    EXPECT_EQ(said.out, "") << "no label before the refusal";

    EXPECT_NE(exported("evolutions.csv", false).find("\r\n442,443,Gible,1,Level,24,Gabite\r\n"), std::string::npos);
    said = run([&] { return cli::runGet(rom, "Gible", {"evolutions", "hp"}, false); });
    EXPECT_EQ(said.out, "evolutions:\n1: Level 24 -> Gabite\nhp: 58\n");
    cli::ExportOptions speciesSheet;
    speciesSheet.output = dir.file("species.csv");
    EXPECT_EQ(run([&] { return cli::runExport(rom, speciesSheet); }).status, cli::Ok);
    said = run([&] {
        return cli::runImport(rom, sheet("gible.csv", "name,slot,method,parameter,target\nGible,1,Level,23,Gabite\n"), "", false);
    });
    EXPECT_EQ(said.status, cli::Ok) << said.err;
    EXPECT_EQ(differingOffsets(damaged, readFile(rom)).size(), 1u) << "Gible's level alone";
}

} // namespace

namespace {

// Learnset and evolution sheets meet the checks of a species sheet, and a JSON sheet's
// kind comes from its first row: what follows is read once, by that kind's reader.
TEST_F(MoveSheets, EverySheetKindMeetsTheSameChecks)
{
    const struct {
        const char* name;
        const char* text;
        const char* words;
    } rows[] = {
        {"a.csv", "name,entry,level,moves\nGible,1,1,Tackle\n", "line 1, column 4: unknown column \"moves\"; nearest: move"},
        {"b.csv", "name,entry,level,move,move\nGible,1,1,Tackle,Growl\n", "is given twice (columns 4 and 5)"},
        {"c.csv", "name,slot,method,parameter,target\nGible,1,Level,24\n", "line 2: has 4 fields, the header 5"},
        {"d.json", R"([{"name":"Gible","entry":1,"level":1,"move":"Tackle","move":"Growl"}])", "the key \"move\" is given twice"},
        {"e.json", R"([{"name":"Gible","entry":1,"level":1.5,"move":"Tackle"}])", "row 1, level: must be a whole number"},
        {"f.json", R"([{"name":"Gible","entry":1,"level":1,"move":"Tackle"},{"name":"Gible",)", "not valid JSON"},
        {"g.json", R"([{"name":"Gible","slot":1,"method":"Level","parameter":[[[[1]]]]}])", "nested deeper than a list of"},
    };
    for (const auto& row : rows) {
        const auto said = run([&] { return cli::runImport(rom, sheet(row.name, row.text), "", false); });
        EXPECT_EQ(said.status, cli::BadInput) << row.name;
        EXPECT_NE(said.err.find(row.words), std::string::npos) << row.name << ": " << said.err;
        EXPECT_EQ(said.err.find("species"), std::string::npos) << row.name << " read as a species sheet: " << said.err;
    }
    EXPECT_EQ(readFile(rom), before);
}

} // namespace
