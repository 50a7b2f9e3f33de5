// The egg move and tutor sheets, exported, edited and imported as a user would, on
// images that carry each game's tables; checked against the reference tables.
#include "cli/CliErrors.h"
#include "cli/Commands.h"
#include "romimage/RomImage.h"

#include "InProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

using namespace quillmark;
using namespace quillmark::test;

namespace {

class EggMoveAndTutorSheets : public ::testing::Test {
protected:
    std::string image(const char* code, const char* personal)
    {
        romimage::ImageRecipe recipe;
        recipe.gameCode = code;
        recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/" + personal, nullptr);
        EXPECT_TRUE(romimage::writeRomImage(rom, recipe, nullptr));
        return rom;
    }

    std::string exported(bool eggMoves, const std::string& name = "sheet.csv")
    {
        cli::ExportOptions options;
        options.output = dir.file(name);
        options.table = eggMoves ? "eggmoves" : "tutors";
        const auto said = runInProcess([&] { return cli::runExport(rom, options); });
        EXPECT_EQ(said.status, cli::Ok) << said.err;
        const auto bytes = readFile(options.output);
        return {bytes.begin(), bytes.end()};
    }

    std::string sheet(const std::string& text)
    {
        writeFile(dir.file("edited.csv"), Bytes(text.begin(), text.end()));
        return dir.file("edited.csv");
    }

    static std::vector<std::string> lines(const std::string& text)
    {
        std::vector<std::string> out;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            out.push_back(line.substr(0, line.find_last_not_of('\r') + 1));
        return out;
    }

    TempDir dir;
    std::string rom = dir.file("rom.nds");
};

TEST_F(EggMoveAndTutorSheets, ExportsHoldTheGamesTablesAndImportUnchanged)
{
    const struct {
        const char* code;
        const char* personal;
        const char* eggMoves;
        const char* tutorRecords;  // nullptr: the game has none
    } games[] = {
        {"ADAE", "dp_personal_members.csv", "dp_eggmoves.csv", nullptr},
        {"CPUE", "pt_personal.csv", "pt_eggmoves.csv", "pt_tutor_compat.csv"},
        {"IPKE", "hgss_personal.csv", "hgss_eggmoves.csv", "hgss_tutor_compat.csv"},
    };
    for (const auto& game : games) {
        SCOPED_TRACE(game.code);
        image(game.code, game.personal);
        const auto pristine = readFile(rom);
        // One row per egg move, in stored order: the reference's rows, one for one.
        const auto eggs = lines(exported(true));
        const auto reference = sampleCsv(game.eggMoves);
        ASSERT_EQ(eggs.size(), reference.size() + 1);
        for (std::size_t i = 0; i < reference.size(); ++i) {
            const auto& row = reference[i];
            std::vector<std::string> cells;
            std::stringstream line(eggs[i + 1]);
            for (std::string cell; std::getline(line, cell, ',');)
                cells.push_back(cell);
            ASSERT_EQ(cells.size(), 5u) << eggs[i + 1];
            const auto dex = std::stoi(row.at("species"));
            EXPECT_EQ(cells[0], std::to_string(dex - 1));  // list index
            EXPECT_EQ(cells[1], std::to_string(dex));
            EXPECT_EQ(cells[3], std::to_string(std::stoi(row.at("entry")) + 1));
            EXPECT_EQ(cells[4], row.at("move_name")) << eggs[i + 1];
        }
        auto said = runInProcess([&] { return cli::runImport(rom, dir.file("sheet.csv"), "", false); });
        EXPECT_EQ(said.status, cli::Ok) << said.err;
        EXPECT_EQ(said.out, "0 change(s) made\n");

        if (!game.tutorRecords) {
            cli::ExportOptions options;
            options.output = dir.file("tutors.csv");
            options.table = "tutors";
            said = runInProcess([&] { return cli::runExport(rom, options); });
            EXPECT_EQ(said.status, cli::BadInput);
            EXPECT_NE(said.err.find("Diamond teaches no moves from a tutor table"), std::string::npos) << said.err;
            continue;
        }
        // One row per species, an x for each move the reference lists for it.
        const auto tutors = lines(exported(false, "tutors.csv"));
        const auto records = sampleCsv(game.tutorRecords);
        ASSERT_EQ(tutors.size(), 494u);
        std::vector<std::string> header;
        std::stringstream cells(tutors[0].substr(3));  // after the byte order mark
        for (std::string cell; std::getline(cells, cell, ',');)
            header.push_back(cell);
        for (int record = 0; record < 493; ++record) {
            std::stringstream moves(records[static_cast<std::size_t>(record)].at("moves"));
            std::set<std::string> learnt;
            for (std::string move; std::getline(moves, move, ';');)
                learnt.insert(move);
            std::stringstream row(tutors[static_cast<std::size_t>(record) + 1]);
            std::vector<std::string> values;
            for (std::string cell; std::getline(row, cell, ',');)
                values.push_back(cell);
            values.resize(header.size());
            for (std::size_t c = 3; c < header.size(); ++c)
                ASSERT_EQ(values[c] == "x", learnt.count(header[c]) == 1) << "record " << record << " " << header[c];
        }
        said = runInProcess([&] { return cli::runImport(rom, dir.file("tutors.csv"), "", false); });
        EXPECT_EQ(said.status, cli::Ok) << said.err;
        EXPECT_EQ(said.out, "0 change(s) made\n");
        EXPECT_EQ(readFile(rom), pristine);
    }
}

TEST_F(EggMoveAndTutorSheets, EditsAsPeopleWriteThemAndRefusals)
{
    image("IPKE", "hgss_personal.csv");
    const auto pristine = readFile(rom);
    // Dratini's egg moves as the reference has them, as sheet rows.
    std::vector<std::string> dratini;
    for (const auto& row : sampleCsv("hgss_eggmoves.csv")) {
        if (row.at("species") == "147")
            dratini.push_back(row.at("move_name"));
    }
    auto dratiniSheet = [&](std::vector<std::string> moves) {
        std::string text = "name,entry,move\n";
        for (std::size_t i = 0; i < moves.size(); ++i)
            text += "Dratini," + std::to_string(i + 1) + "," + moves[i] + "\n";
        return text;
    };
    auto first = dratini;
    first[0] = "extreme speed";  // as people type it
    auto more = dratini;
    more.push_back("Tackle");
    const struct {
        const char* what;
        std::string sheet;
        int status;
        const char* words;  // in the output (Ok) or the error
        std::size_t changedBytes;
    } rows[] = {
        {"Dratini hatches with Extreme Speed", dratiniSheet(first), cli::Ok, "Dratini (146): egg moves +ExtremeSpeed -" , 1},
        {"one more in a full table", dratiniSheet(more), cli::BadInput, "remove 1 egg move elsewhere", 0},
        {"a move that is none", "name,entry,move\nDratini,1,Hyper Blast\n", cli::BadInput, "is no move", 0},
        {"Dratini's egg moves cleared by an empty move", "name,entry,move\nDratini,1,\n", cli::Ok, "Dratini (146): egg moves -", 0},
        {"and by None", "name,entry,move\nDratini,1,None\n", cli::Ok, "Dratini (146): egg moves -", 0},
        {"a form", "name,entry,move\nRotom (Heat),1,Tackle\n", cli::BadInput, "has no egg moves", 0},
        {"Garchomp learns Outrage from no tutor", "name,Outrage\nGarchomp,\n", cli::Ok, "Garchomp (444): tutor moves -Outrage", 1},
        {"yes and no, in any case", "name,outrage,dive\nMagikarp,Yes,no\n", cli::Ok, "Magikarp (128): tutor moves +Outrage", 1},
        {"1 and true", "name,outrage,dive\nMagikarp,1,true\n", cli::Ok, "Magikarp (128): tutor moves +Dive +Outrage", 2},
        {"a move no tutor teaches here", "name,draco meteor\nGible,x\n", cli::BadInput, "unknown column \"draco meteor\"", 0},
        {"a value that is neither", "name,Outrage\nGarchomp,maybe\n", cli::BadInput, "neither x", 0},
        {"a header written as people write it", "name,thunder punch\nMagikarp,x\n", cli::Ok,
         "Magikarp (128): tutor moves +ThunderPunch", 1},
        {"an egg record", "index,Outrage\n493,x\n", cli::BadInput, "has no tutor moves", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        writeFile(rom, pristine);
        const auto said = runInProcess([&] { return cli::runImport(rom, sheet(row.sheet), "", false); });
        EXPECT_EQ(said.status, row.status) << said.out << said.err;
        EXPECT_NE((row.status == cli::Ok ? said.out : said.err).find(row.words), std::string::npos) << said.out << said.err;
        if (row.status != cli::Ok) {
            EXPECT_EQ(readFile(rom), pristine);
        } else if (row.changedBytes == 0) {
            // Cleared: the game reads no egg move for Dratini any more.
            const auto said = runInProcess([&] { return cli::runGet(rom, "Dratini", {"eggmoves"}); });
            EXPECT_EQ(said.out, "eggmoves:\n");
        } else {
            EXPECT_EQ(differingOffsets(pristine, readFile(rom)).size(), row.changedBytes);
        }
    }
}

// `get` prints a species' own egg and tutor moves, in the references' words: Dratini is
// list index 146 and National Dex 147, and neither neighbour's moves may show.
TEST_F(EggMoveAndTutorSheets, GetPrintsTheSpeciesOwnEggAndTutorMoves)
{
    image("IPKE", "hgss_personal.csv");
    std::string eggs = "eggmoves:\n";
    int entry = 0;
    for (const auto& row : sampleCsv("hgss_eggmoves.csv")) {
        if (row.at("species") == "147")
            eggs += std::to_string(++entry) + ": " + row.at("move_name") + "\n";
    }
    std::string tutors = "tutors:\n";
    for (const auto& row : sampleCsv("hgss_tutor_compat.csv")) {
        if (row.at("member") != "147")
            continue;
        std::stringstream moves(row.at("moves"));
        for (std::string move; std::getline(moves, move, ';');)
            tutors += move + "\n";
    }
    for (const auto& [field, expected] : {std::pair{"eggmoves", eggs}, std::pair{"tutors", tutors}}) {
        const auto said = runInProcess([&] { return cli::runGet(rom, "Dratini", {field}); });
        EXPECT_EQ(said.status, cli::Ok) << said.err;
        EXPECT_EQ(said.out, expected);
    }
}

} // namespace
