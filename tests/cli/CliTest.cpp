#include "cli/CliErrors.h"
#include "cli/Commands.h"
#include "romimage/RomImage.h"

#include "InProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

extern char** environ;

using namespace quillmark;
using namespace quillmark::test;

namespace {

#ifndef _WIN32
struct Run {
    int status;
    std::string out;  // standard output and error together
};

// `prefix` runs in the shell first (a ulimit, say).
Run cli(const std::string& arguments, const std::string& prefix = "")
{
    // Standard error joins standard output unless the command sends it elsewhere.
    const std::string command = prefix + QUILLMARK_CLI + " " + arguments +
                                (arguments.find("2>") == std::string::npos ? " 2>&1" : "");
    Run run{-1, {}};
    FILE* pipe = ::popen(command.c_str(), "r");
    char buffer[4096];
    while (const auto n = std::fread(buffer, 1, sizeof buffer, pipe))
        run.out.append(buffer, n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

#endif

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        romimage::ImageRecipe recipe;
        recipe.gameCode = "ADAE";
        recipe.records = *romimage::readPersonalCsv(samplesDir() + "/dp_personal.csv", nullptr);
        // An unlisted type and a 0xFFFF item must survive the round trip too.
        recipe.records[10][6] = 0x20;
        recipe.records[10][12] = recipe.records[10][13] = 0xFF;
        ASSERT_TRUE(romimage::writeRomImage(rom, recipe, nullptr));
        before = readFile(rom);
    }

    // Replaces the first occurrence of `from` on the line of species `index`.
    void editLine(const std::string& csv, int index, const std::string& from, const std::string& to)
    {
        std::string text = readText(csv);
        const auto line = text.find("\r\n" + std::to_string(index) + ",");
        const auto at = text.find(from, line);
        ASSERT_LT(at, text.find("\r\n", line + 2));
        text.replace(at, from.size(), to);
        writeText(csv, text);
    }

    std::int64_t at(int index, int offset) const { return 29448712 + 44 * index + offset; }

    TempDir dir;
    std::string rom = dir.file("diamond rom.nds");
    Bytes before;
};

// The command line as a user runs it, through a POSIX shell.
#ifndef _WIN32
TEST_F(Cli, EveryByteSurvivesAnExportAndImport)
{
    // Random bytes in all 44 positions of every record: unused bits, padding, codes
    // no list names, items named "???" alike.
    romimage::ImageRecipe recipe;
    std::uint32_t seed = 12345;
    recipe.records.resize(493);
    for (auto& record : recipe.records)
        for (auto& byte : record)
            byte = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
    recipe.records[7][12] = 120;  // item 120, one of the many "???"
    recipe.records[7][13] = 0;
    const auto noisy = dir.file("noisy.nds");
    ASSERT_TRUE(romimage::writeRomImage(noisy, recipe, nullptr));
    const auto original = readFile(noisy);
    for (const char* options : {"", " --codes", " --no-bom"}) {
        for (const char* format : {"csv", "json"}) {
            SCOPED_TRACE(std::string(format) + options);
            const auto sheet = dir.file(std::string("sheet.") + format);
            ASSERT_EQ(cli("export " + noisy + " -o " + sheet + options).status, 0);
            const auto run = cli("import " + noisy + " " + sheet);
            EXPECT_EQ(run.status, 0) << run.out;
            EXPECT_NE(run.out.find("0 field(s), 0 byte(s) changed"), std::string::npos) << run.out;
        }
    }
    EXPECT_EQ(readFile(noisy), original);
    EXPECT_NE(cli("get " + noisy + " 7").out.find("item1: #120 [120]"), std::string::npos);
}

TEST_F(Cli, AnEditedSheetImportedAgainKeepsEveryEdit)
{
    const auto csv = dir.file("species.csv");
    ASSERT_EQ(cli("export '" + rom + "' -o " + csv).status, 0);
    editLine(csv, 24, "Electric,Electric", "Electric,Steel");  // Pikachu's second type
    auto run = cli("import '" + rom + "' " + csv);
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("Pikachu (24): type2 Electric -> Steel\n1 field(s), 1 byte(s) changed"),
              std::string::npos) << run.out;
    editLine(csv, 25, "Raichu,60,", "Raichu,61,");
    run = cli("import '" + rom + "' " + csv);
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("Raichu (25): hp 60 -> 61\n1 field(s), 1 byte(s) changed"),
              std::string::npos) << run.out;
    EXPECT_EQ(differingOffsets(before, readFile(rom)), (std::vector<std::int64_t>{at(24, 7), at(25, 0)}));
    EXPECT_EQ(readFile(rom)[static_cast<std::size_t>(at(24, 7))], 8) << "Steel";

    // Text and code of one field that disagree: refused, naming both cells.
    const auto both = readFile(rom);
    writeText(csv, "index,type2,type2_code\n24,Steel,13\n");
    run = cli("import '" + rom + "' " + csv);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("line 2, column 2 (type2): \"Steel\" and line 2, column 3 (type2_code) "
                           "\"13\" name different entries"), std::string::npos) << run.out;
    EXPECT_EQ(readFile(rom), both);
}

TEST_F(Cli, EachFieldChangesExactlyItsBits)
{
    // Bulbasaur's record: EV word 0x0100, growth 3, colour 3 (Green), no TM26.
    const struct {
        const char* assignment;
        int offset;
        std::uint8_t value;
    } cases[] = {
        {"machines+=TM26", 28 + 3, static_cast<std::uint8_t>(before[static_cast<std::size_t>(29448712 + 31)] | 0x02)},
        {"machines-=HM01", 28 + 11, static_cast<std::uint8_t>(before[static_cast<std::size_t>(29448712 + 39)] & ~0x10)},
        {"ev_speed=3", 10, 0xC0},
        {"ev_sp_defense=2", 11, 0x09},
        {"growth_rate=Fast", 19, 4},
        {"color=Red", 25, 0},
        {"flip=1", 25, 0x83},
        {"item2=#255", 14, 0xFF},
        {"hatch_steps=65280", 17, 255},
        {"egg_group2_code=255", 21, 255},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.assignment);
        writeFile(rom, before);
        const auto run = cli("set '" + rom + "' Bulbasaur " + c.assignment);
        ASSERT_EQ(run.status, 0) << run.out;
        const auto after = readFile(rom);
        EXPECT_EQ(differingOffsets(before, after), std::vector<std::int64_t>{at(0, c.offset)});
        EXPECT_EQ(int{after[static_cast<std::size_t>(at(0, c.offset))]}, int{c.value});
    }
    // The same edits through a sheet.
    writeFile(rom, before);
    const auto csv = dir.file("bits.csv");
    writeText(csv, "name,ev_speed,growth_rate,flip\nbulbasaur,3,Fast,1\n");
    ASSERT_EQ(cli("import '" + rom + "' " + csv).status, 0);
    EXPECT_EQ(differingOffsets(before, readFile(rom)),
              (std::vector<std::int64_t>{at(0, 10), at(0, 19), at(0, 25)}));
}

TEST_F(Cli, BadInputIsRefusedAndWritesNothing)
{
    const auto sheet = dir.file("bad.csv");
    const struct {
        const char* what;
        std::string command;     // ROM and SHEET are replaced
        std::string sheet;       // written to SHEET first when not empty
        const char* message;     // a part of what the user is told
    } cases[] = {
        {"a fraction", "set ROM 0 hp=2.5", "", "hp must be a whole number from 0 to 255, not \"2.5\""},
        {"a sign", "set ROM 0 hp=+10", "", "not \"+10\""},
        {"an exponent", "set ROM 0 attack=1e2", "", "not \"1e2\""},
        {"hexadecimal", "set ROM 0 speed=0x10", "", "not \"0x10\""},
        {"256 for a byte", "set ROM 0 hp=256", "", "from 0 to 255, not \"256\""},
        {"a code of 256", "set ROM 0 type1_code=256", "", "type1_code must be a whole number from 0 to 255"},
        {"an item of 65536", "set ROM 0 item1_code=65536", "", "from 0 to 65535, not \"65536\""},
        {"an EV of 4", "set ROM 0 ev_hp=4", "", "from 0 to 3"},
        {"index 500", "set ROM 500 hp=1", "", "no species has the index or name \"500\" (list indices are 0 to 499"},
        {"hatch steps not in steps", "set ROM Pikachu hatch_steps=5000", "",
         "hatch_steps is given in steps, a multiple of 256"},
        {"a near miss", "set ROM 0 type1=Steal", "", "nearest: Steel"},
        {"an ambiguous text", "set ROM 0 item1=???", "", "give the one meant as #NNN"},
        {"a field twice", "set ROM 0 hp=50 hp=60", "", "the field hp is already given by \"hp=50\""},
        {"text and code of one field", "set ROM 0 type1=Fire type1_code=9", "", "already given"},
        {"an empty cell", "import ROM SHEET", "index,hp\n0,\n", "hp must be a whole number"},
        {"a column twice", "import ROM SHEET", "index,hp,hp\n0,50,60\n", "is given twice (columns 2 and 3)"},
        {"a species twice", "import ROM SHEET", "index,hp\n5,50\n5,60\n", "Charizard (5) is also in line 2"},
        {"a JSON key twice", "import ROM SHEET --format json", "[{\"index\":0,\"hp\":50,\"hp\":60}]",
         "the key \"hp\" is given twice"},
        {"a JSON code as text", "import ROM SHEET --format json", "[{\"index\":0,\"type1_code\":\"9\"}]",
         "must be a whole number (not a text"},
        {"a JSON number too large", "import ROM SHEET --format JSON", "[{\"index\":0,\"hp\":1e400}]",
         "not valid JSON"},
        {"deep nesting", "import ROM SHEET --format json", std::string(200000, '['), "nested deeper"},
        {"JSON read as CSV", "import ROM SHEET --format csv", "[{\"index\":0}]",
         "the header names none of the columns (read with \",\" between columns"},
        {"a file under 16 bytes", "get SHEET 0", "ADAE", "the file is too short to be a ROM"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.sheet.empty())
            writeText(sheet, c.sheet);
        std::string command = c.command;
        if (const auto at = command.find("ROM"); at != std::string::npos)
            command.replace(at, 3, "'" + rom + "'");
        if (const auto at = command.find("SHEET"); at != std::string::npos)
            command.replace(at, 5, sheet);
        const auto run = cli(command);
        EXPECT_EQ(run.status, std::string(c.what) == "a file under 16 bytes" ? 2 : 1) << run.out;
        EXPECT_NE(run.out.find(c.message), std::string::npos) << run.out;
        EXPECT_LT(run.out.size(), 2000u) << "no cell is echoed whole";
    }
    EXPECT_EQ(readFile(rom), before);

    // A header problem is told once, for line 1, however many rows follow; errors stop
    // after 50 with a count of the rest.
    std::string rows = "index,hp,colour\n", badHp = "index,hp\n";
    for (int i = 0; i < 493; ++i) {
        rows += std::to_string(i) + ",1,1\n";
        badHp += std::to_string(i) + ",x\n";
    }
    writeText(sheet, rows);
    auto run = cli("import '" + rom + "' " + sheet);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("line 1, column 3: unknown column \"colour\""), std::string::npos);
    EXPECT_NE(run.out.find("1 error(s); nothing was written"), std::string::npos) << run.out;
    writeText(sheet, badHp);
    run = cli("import '" + rom + "' " + sheet);
    EXPECT_NE(run.out.find("line 51, column 2 (hp)"), std::string::npos);
    EXPECT_EQ(run.out.find("line 52, column 2 (hp)"), std::string::npos);
    EXPECT_NE(run.out.find("... and 443 more error(s)"), std::string::npos) << run.out;

    // 20 MiB is refused before it is read whole; exactly 16 MiB is read (a sheet of
    // Bulbasaur's HP and blanks), one byte more is not.
    writeText(sheet, std::string(20 << 20, 'a'));
    EXPECT_NE(cli("import '" + rom + "' " + sheet).out.find("larger than 16 MiB"), std::string::npos);
    for (const auto& [size, read] : {std::pair{16 << 20, true}, std::pair{(16 << 20) + 1, false}}) {
        std::string text = "index,hp\n0,46\n";
        text.resize(static_cast<std::size_t>(size), '\n');
        writeText(sheet, text);
        const auto run16 = cli("import '" + rom + "' " + sheet + " --dry-run");
        EXPECT_EQ(run16.status, read ? 0 : 1) << size << run16.out;
        EXPECT_EQ(run16.out.find("larger than 16 MiB") == std::string::npos, read) << size;
    }
    // machines= gives the whole list: it goes with neither += nor -=, each alone.
    for (const auto& [assignments, status] : {std::pair{"machines=TM01 machines+=TM02", 1},
                                              std::pair{"machines=TM01 machines-=HM04", 1},
                                              std::pair{"machines+=TM01 machines-=HM04", 0},
                                              std::pair{"machines+=TM01 machines+=TM02", 1}})
        EXPECT_EQ(cli("set '" + rom + "' 0 " + assignments + " --dry-run").status, status) << assignments;
    EXPECT_EQ(readFile(rom), before);
}

TEST_F(Cli, OutputsGoWhereTheyShouldOrNowhere)
{
    // Never onto a ROM: the ROM itself, a link to it, any other .nds.
    const auto link = dir.file("link.nds");
    ASSERT_EQ(::symlink(rom.c_str(), link.c_str()), 0);
    const auto other = dir.file("other.NDS");
    writeFile(other, Bytes(100, 1));
    ASSERT_EQ(::symlink(rom.c_str(), dir.file("link-to-rom").c_str()), 0);
    for (const auto& target : {rom, link, other, dir.file("link-to-rom")}) {
        EXPECT_EQ(cli("export '" + rom + "' -o '" + target + "'").status, 1) << target;
    }
    EXPECT_EQ(readFile(rom), before);
    EXPECT_EQ(readFile(other), Bytes(100, 1));

    // The format follows the extension unless --format says otherwise; JSON on standard
    // input is read as JSON.
    const auto json = dir.file("species.JSON");
    ASSERT_EQ(cli("export '" + rom + "' -o " + json).status, 0);
    EXPECT_EQ(readText(json).substr(0, 1), "[");
    std::string text = readText(json);
    text.replace(text.find("\"hp\": 45"), 8, "\"hp\": 46");
    writeText(json, text);
    const auto run = cli("import '" + rom + "' - < " + json);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("Bulbasaur (0): hp 45 -> 46"), std::string::npos) << run.out;
    writeFile(rom, before);

    // A full standard output is an error, not a cut file.
    for (const char* command : {"export", "get", "info"}) {
        const auto full = cli(std::string(command) + " '" + rom + "'" +
                              (command == std::string("get") ? " 0" : "") + " 2>&1 >/dev/full");
        // (2>&1 first: the message comes back through the pipe, the output goes to the full device)
        EXPECT_EQ(full.status, 1) << command;
        EXPECT_NE(full.out.find("cannot write to standard output"), std::string::npos) << command;
    }
    // A file that cannot be written whole is not left behind, nor a part of it.
    const auto cut = dir.file("cut.csv");
    const auto limited = cli("export '" + rom + "' -o " + cut, "ulimit -f 20; ");
    EXPECT_EQ(limited.status, 1) << limited.out;
    EXPECT_NE(limited.out.find("cannot write " + cut), std::string::npos) << limited.out;
    EXPECT_FALSE(std::filesystem::exists(cut));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().string().find(".quillmark-"), std::string::npos) << entry.path();
    EXPECT_NE(cli("--version").out.find("1.2.0.0"), std::string::npos);
    const auto unsupported = dir.file("platinum.nds");
    Bytes header(64, 0);
    std::copy_n("BPEE", 4, header.begin() + 12);
    writeFile(unsupported, header);
    const auto refused = cli("info " + unsupported);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.out.find("Unsupported ROM: the game code is \"BPEE\", not one of"),
              std::string::npos) << refused.out;
}

TEST_F(Cli, GetListAndInfoOnTheRetailData)
{
    const auto get = cli("get '" + rom + "' garchomp");
    EXPECT_EQ(get.status, 0);
    for (const char* line : {"species: Garchomp (444)\nhp: 108\nattack: 130\n", "type1: Dragon [16]\n",
                             "item2: Haban Berry [197]\n", "hatch_steps: 10240 [40]\n",
                             "growth_rate: Slow [5]\n", "color: Blue [1]\nflip: 0\n",
                             "machines: TM02 TM05 TM06 TM10 ", " HM04 HM06 HM08\n"})
        EXPECT_NE(get.out.find(line), std::string::npos) << line << get.out;
    EXPECT_NE(cli("get '" + rom + "' 492").out.find("species: Arceus (492)"), std::string::npos);

    const struct {
        const char* list;
        const char* lines;
    } lists[] = {
        {"types", "0\tNormal\n"},
        {"items", "112\t???\n"},
        {"growth-rates", "0\tMedium Fast\n1\tErratic\n2\tFluctuating\n3\tMedium Slow\n4\tFast\n5\tSlow\n"},
        {"colors", "7\tGray\n8\tWhite\n9\tPink\n"},
        {"machines", "TM92\tTrick Room\nHM01\tCut\n"},
        {"machines", "HM05\tDefog\n"},
        {"machines --game heartgold", "HM04\tStrength\nHM05\tWhirlpool\nHM06\tRock Smash\n"},
        {"items --game platinum", "112\tGriseous Orb\n"},
        {"species", "444\tGarchomp\n"},
        {"gender-ratios", "255\tNone\n"},
    };
    for (const auto& l : lists)
        EXPECT_NE(cli(std::string("list ") + l.list).out.find(l.lines), std::string::npos) << l.list;
    EXPECT_EQ(cli("list moves").status, 1);

    const auto info = cli("info '" + rom + "'");
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("game code:   ADAE\ntitle:       Pokémon Diamond\nlanguage:    English\n"),
              std::string::npos) << info.out;
    EXPECT_NE(info.out.find("table start: 29448712 (record 1 of that file)\nretail:      the same place"),
              std::string::npos) << info.out;
}

TEST_F(Cli, AWriteThatStopsHalfWaySaysWhatWasWritten)
{
    std::string csv = "index,hp,item1_code\n";
    for (int i = 0; i < 493; ++i)
        csv += std::to_string(i) + ",1,258\n";
    const auto sheet = dir.file("all.csv");
    writeText(sheet, csv);
    // A file-size limit at the start of record 58 (a 512-byte boundary) makes every
    // write from there fail, as a full disk would.
    ASSERT_EQ(at(58, 0) % 512, 0);
    const auto run = cli("import '" + rom + "' " + sheet + " 2>&1; echo \"exit=$?\"",
                         "ulimit -f " + std::to_string(at(58, 0) / 512) + "; ");
    EXPECT_NE(run.out.find("exit=3"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("the ROM could not be written completely: Disk full"), std::string::npos);
    EXPECT_NE(run.out.find("58 of 493 changed species were written"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("not written: Arcanine (58)"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("byte(s) changed"), std::string::npos) << "no summary of writes that did not happen";
    const auto after = readFile(rom);
    for (const int index : {57, 58}) {
        const auto r = static_cast<std::size_t>(at(index, 0));
        const bool written = index < 58;
        EXPECT_EQ(after[r], written ? 1 : before[r]) << index;
        EXPECT_EQ(after[r + 12] | after[r + 13] << 8, written ? 258 : (before[r + 12] | before[r + 13] << 8)) << index;
    }
}

TEST_F(Cli, EveryGameWithItsFormsRoundTripsAndIsEdited)
{
    const struct {
        const char* code;
        const char* data;
        int records;
    } games[] = {
        {"ADAE", "dp_personal.csv", 500}, {"APAE", "dp_personal_pearl.csv", 500},
        {"CPUE", "pt_personal.csv", 507}, {"IPKE", "hgss_personal.csv", 507},
        {"IPGE", "hgss_personal.csv", 507},
    };
    for (const auto& game : games) {
        SCOPED_TRACE(game.code);
        romimage::ImageRecipe recipe;
        recipe.gameCode = game.code;
        const auto data = samplesDir() + "/" + game.data;
        if (game.records == 507)
            recipe.members = *romimage::readPersonalMembersCsv(data, nullptr);
        else
            recipe.records = *romimage::readPersonalCsv(data, nullptr);
        romimage::ImageLayout made;
        const auto image = dir.file(std::string(game.code) + ".nds");
        ASSERT_TRUE(romimage::writeRomImage(image, recipe, nullptr, &made));
        const auto original = readFile(image);
        for (const char* format : {"csv", "json"}) {
            const auto sheet = dir.file(std::string("forms.") + format);
            ASSERT_EQ(cli("export " + image + " --forms -o " + sheet).status, 0);
            const auto run = cli("import " + image + " " + sheet);
            EXPECT_NE(run.out.find("0 field(s), 0 byte(s) changed"), std::string::npos) << run.out;
        }
        EXPECT_EQ(readFile(image), original);
        const auto csv = dir.file("forms.csv");
        std::string text = readText(csv);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), game.records + 1);
        ASSERT_EQ(cli("export " + image + " -o " + csv).status, 0);
        text = readText(csv);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 493 + 1) << "the species alone by default";
    }

    // Platinum's Giratina (Origin Forme), list index 500, member 501.
    const auto platinum = dir.file("CPUE.nds");
    const auto origin = cli("get " + platinum + " 500");
    EXPECT_NE(origin.out.find("species: Giratina (Origin Forme) (500)\nhp: 150\nattack: 120\ndefense: 100\n"),
              std::string::npos) << origin.out;
    const auto before = readFile(platinum);
    const auto base = std::stoll(cli("info " + platinum).out.substr(
        cli("info " + platinum).out.find("table start: ") + 13));
    ASSERT_EQ(cli("set " + platinum + " 'giratina (origin forme)' attack=121").status, 0);
    EXPECT_EQ(differingOffsets(before, readFile(platinum)), std::vector<std::int64_t>{base + 500 * 44 + 1});

    // HeartGold's Rotom forms, by set and by a sheet with --forms.
    const auto heartgold = dir.file("IPKE.nds");
    const auto hgBefore = readFile(heartgold);
    const auto hgBase = std::stoll(cli("info " + heartgold).out.substr(
        cli("info " + heartgold).out.find("table start: ") + 13));
    ASSERT_EQ(cli("set " + heartgold + " 'Rotom (Wash)' type2=Water").status, 0);
    const auto csv = dir.file("hg.csv");
    ASSERT_EQ(cli("export " + heartgold + " --forms -o " + csv).status, 0);
    std::string text = readText(csv);
    text.replace(text.find("502,479,Rotom (Heat),50,"), 24, "502,479,Rotom (Heat),51,");
    writeText(csv, text);
    const auto run = cli("import " + heartgold + " " + csv);
    EXPECT_NE(run.out.find("Rotom (Heat) (502): hp 50 -> 51\n1 field(s)"), std::string::npos) << run.out;
    const auto after = readFile(heartgold);
    EXPECT_EQ(differingOffsets(hgBefore, after),
              (std::vector<std::int64_t>{hgBase + 502 * 44, hgBase + 503 * 44 + 7}));
    EXPECT_EQ(after[static_cast<std::size_t>(hgBase + 503 * 44 + 7)], 11) << "Water";
}

TEST_F(Cli, RebuiltRomsAreEditedWhereTheirFileSystemSaysAndDamagedOnesRefused)
{
    romimage::ImageRecipe recipe;
    recipe.layout = romimage::Layout::Rebuilt;
    recipe.records = *romimage::readPersonalCsv(samplesDir() + "/dp_personal.csv", nullptr);
    romimage::ImageLayout made;
    const auto rebuilt = dir.file("rebuilt.nds");
    ASSERT_TRUE(romimage::writeRomImage(rebuilt, recipe, nullptr, &made));
    const auto original = readFile(rebuilt);

    const auto info = cli("info " + rebuilt);
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("table file:  poketool/personal/personal.narc\ntable start: " +
                            std::to_string(made.tableBase)),
              std::string::npos) << info.out;
    EXPECT_NE(info.out.find("not where the cartridge has it"), std::string::npos);
    EXPECT_NE(cli("get " + rebuilt + " Garchomp").out.find("hp: 108\nattack: 130\n"), std::string::npos);
    ASSERT_EQ(cli("set " + rebuilt + " Garchomp hp=99").status, 0);
    EXPECT_EQ(differingOffsets(original, readFile(rebuilt)),
              std::vector<std::int64_t>{made.tableBase + 444 * 44});

    patchFile(rebuilt, made.narcStart + 16, {'X'});  // the member table's magic
    const auto damaged = readFile(rebuilt);
    for (const char* command : {"info", "get", "export", "set"}) {
        const auto run = cli(std::string(command) + " " + rebuilt +
                             (command == std::string("get") || command == std::string("set")
                                  ? " 0" : "") +
                             (command == std::string("set") ? " hp=1" : ""));
        EXPECT_EQ(run.status, 2) << command;
        EXPECT_NE(run.out.find("could not be found in this ROM's file table: "
                               "poketool/personal/personal.narc is damaged (no member table)"),
                  std::string::npos) << command << run.out;
    }
    EXPECT_EQ(readFile(rebuilt), damaged);
}

TEST_F(Cli, FifosAreRefusedAndConcurrentImportsNeverMixTheirRows)
{
    // Each sheet sets a two-byte item and HP of every species; two imports at once
    // must leave each record as one of them wrote it, never a mix.
    const struct { int item; int hp; } asked[] = {{258, 11}, {2, 22}};
    std::string sheets[2];
    for (int s = 0; s < 2; ++s) {
        std::string csv = "index,item1_code,hp\n";
        for (int i = 0; i < 493; ++i)
            csv += std::to_string(i) + "," + std::to_string(asked[s].item) + "," +
                   std::to_string(asked[s].hp) + "\n";
        sheets[s] = dir.file("sheet" + std::to_string(s) + ".csv");
        writeText(sheets[s], csv);
    }
    const auto fifo = dir.file("fifo.nds");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    for (const char* command : {"info F", "get F 0", "set F 0 hp=1", "export F", "import F S"}) {
        std::string line = command;
        line.replace(line.find('F'), 1, fifo);
        if (line.ends_with(" S"))
            line.replace(line.size() - 1, 1, sheets[0]);
        EXPECT_EQ(cli(line).status, 2) << command;
    }

    for (int round = 0; round < 3; ++round) {
        FILE* runs[2];
        for (int s = 0; s < 2; ++s)
            runs[s] = ::popen((std::string(QUILLMARK_CLI) + " import '" + rom + "' " + sheets[s] +
                               " >/dev/null 2>&1").c_str(), "r");
        for (auto* run : runs)
            EXPECT_EQ(WEXITSTATUS(::pclose(run)), 0);
        const auto bytes = readFile(rom);
        for (int i = 0; i < 493; ++i) {
            const auto r = static_cast<std::size_t>(at(i, 0));
            const int item = bytes[r + 12] | bytes[r + 13] << 8;
            const bool asA = item == 258 && bytes[r] == 11, asB = item == 2 && bytes[r] == 22;
            ASSERT_TRUE(asA || asB) << "species " << i << ": item " << item << ", hp " << int{bytes[r]};
        }
        // Start the next round from the other values so both imports write.
        writeFile(rom, before);
    }
}

// Where -o points at something other than a plain file, the sheet goes into it as it
// is, and nothing that looks like a ROM is ever replaced, whatever it is called.
TEST_F(Cli, OutputsIntoSpecialFilesAndNeverOverARomCopy)
{
    const std::string exportTo = "export '" + rom + "' -o ";
    const std::string sheetStart = "\xEF\xBB\xBFindex,dex,name,hp";

    // A FIFO with a reader gets the sheet and stays a FIFO.
    const auto fifo = dir.file("sheet.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::string received;
    std::thread reader([&] { received = readText(fifo); });
    const auto toFifo = cli(exportTo + fifo);
    // Unblocks the reader should the command never have opened the FIFO.
    if (const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0)
        ::close(fd);
    reader.join();
    EXPECT_EQ(toFifo.status, 0) << toFifo.out;
    EXPECT_TRUE(received.starts_with(sheetStart)) << received.substr(0, 40);
    struct stat st {};
    ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // A character device is written into, never replaced: /dev/null, and one of our own
    // where the test may make it.
    std::vector<std::string> devices{"/dev/null"};
    if (::mknod(dir.file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        devices.push_back(dir.file("null"));
    for (const auto& device : devices) {
        EXPECT_EQ(cli(exportTo + device).status, 0) << device;
        ASSERT_EQ(::stat(device.c_str(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode)) << device;
    }

    // /dev/stdout, or a link to it, is standard output, whatever that is.
    const auto link = dir.file("stdout-link");
    ASSERT_EQ(::symlink("/proc/self/fd/1", link.c_str()), 0);
    EXPECT_TRUE(cli(exportTo + "/dev/stdout 2>/dev/null").out.starts_with(sheetStart));
    const auto redirected = dir.file("redirected.csv");
    EXPECT_EQ(cli(exportTo + link + " >" + redirected).status, 0);
    EXPECT_TRUE(readText(redirected).starts_with(sheetStart));
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    // Any name the system takes works: the temporary file's name is short.
    const auto longName = dir.file(std::string(246, 'a') + ".csv");
    EXPECT_EQ(cli(exportTo + longName).status, 0);
    EXPECT_TRUE(readText(longName).starts_with(sheetStart));
    EXPECT_EQ(cli(exportTo + dir.path()).status, 1) << "a directory";

    // Existing files: only a sheet's text is replaced; anything else is named for what
    // it looks like, whatever the file is called.
    Bytes headerOnly(before.begin(), before.begin() + 0x200);
    Bytes badCrc = headerOnly;
    badCrc[0x15E] ^= 1;
    Bytes digitsCode = headerOnly;  // a game code of digits, its checksum made right
    std::copy_n("1234", 4, digitsCode.begin() + 12);
    const auto crc = romimage::headerCrc16(digitsCode.data(), 0x15E);
    digitsCode[0x15E] = static_cast<std::uint8_t>(crc);
    digitsCode[0x15F] = static_cast<std::uint8_t>(crc >> 8);
    auto member = [&](Bytes archive, std::size_t nameAt, const std::string& name) {
        std::copy(name.begin(), name.end(), archive.begin() + static_cast<std::ptrdiff_t>(nameAt));
        archive.insert(archive.end(), before.begin(), before.begin() + (1 << 20));
        return archive;
    };
    Bytes tarHeader(512, 0);
    std::copy_n("ustar\0" "00", 8, tarHeader.begin() + 257);
    Bytes zipHeader = {'P', 'K', 3, 4};
    zipHeader.resize(30 + 16, 0);
    const auto text = [](std::string content) { return Bytes(content.begin(), content.end()); };
    const struct {
        const char* name;
        Bytes bytes;
        const char* refusal;  // null: replaced
    } targets[] = {
        {"backup.srl", before, "has the name of a ROM image"},
        {"rom.nds.bak", before, "is a ROM image"},
        {"header-only.csv", headerOnly, "is a ROM image"},
        {"wrong-crc.csv", badCrc, "is a ROM image"},
        {"digits-code.csv", digitsCode, "is a ROM image"},
        {"roms.tar", member(tarHeader, 0, "rom.nds"), "is a tar archive"},
        {"roms.zip", member(zipHeader, 30, "rom.nds"), "is a zip archive"},
        {"book.xlsx", member(zipHeader, 30, "xl/workbook.xml"), "is an Excel workbook (.xlsx)"},
        {"zeros-1MiB.csv", Bytes(1 << 20, 0), "is binary data"},
        {"one-nul.csv", text(std::string("a,b\n1,") + '\0' + "\n"), "is binary data"},
        {"text-2MiB.csv", Bytes(2 << 20, 'x'), nullptr},
        {"windows-1252.csv", text("item1\r\nKing\x92s Rock\r\nPok\xE9 Ball\r\n"), nullptr},
        {"utf-16.csv", text(std::string("\xFF\xFEh\0p\0\r\0\n\0", 10)), nullptr},
    };
    for (const auto& target : targets) {
        const auto path = dir.file(target.name);
        writeFile(path, target.bytes);
        const auto run = cli(exportTo + "'" + path + "' --format csv");
        EXPECT_EQ(run.status, target.refusal ? 1 : 0) << target.name << run.out;
        EXPECT_EQ(readFile(path) == target.bytes, target.refusal != nullptr) << target.name;
        if (target.refusal) {
            EXPECT_NE(run.out.find(path + " " + target.refusal), std::string::npos) << run.out;
        }
    }
    const auto newRom = dir.file("new.nds");
    EXPECT_EQ(cli(exportTo + newRom).status, 1);
    EXPECT_FALSE(std::filesystem::exists(newRom));
    EXPECT_EQ(readFile(rom), before);
}

// 1 says nothing was written: never after the ROM was. 4 is a write whose report was
// lost; anything that writes only to standard output fails with 1 when it cannot.
TEST_F(Cli, ExitStatusSaysWhetherTheRomWasWritten)
{
    const auto sheet = dir.file("one.csv");
    writeText(sheet, "index,hp\n0,77\n");
    const struct {
        std::string command;
        int status;
        std::uint8_t hp;  // Bulbasaur's HP afterwards
    } cases[] = {
        {"set '" + rom + "' 0 hp=66", 4, 66},
        {"import '" + rom + "' " + sheet, 4, 77},
        {"set '" + rom + "' 0 hp=45 --dry-run", 1, 45},
        {"--help", 1, 45},
        {"--version", 1, 45},
        {"list types", 1, 45},
        // diff keeps 1 for a difference under --exit-code: a failure there is 5.
        {"diff '" + rom + "' '" + rom + "'", 1, 45},
        {"diff '" + rom + "' '" + rom + "' --exit-code", 5, 45},
        {"diff '" + rom + "' '" + rom + "' --exit-code --no-such-option", 5, 45},
        {"diff '" + rom + "' '" + rom + "' --exit-code --csv --json", 5, 45},
    };
    for (const auto& c : cases) {
        writeFile(rom, before);
        const auto run = cli(c.command + " 2>&1 >/dev/full");
        EXPECT_EQ(run.status, c.status) << c.command << run.out;
        EXPECT_EQ(readFile(rom)[static_cast<std::size_t>(at(0, 0))], c.hp) << c.command;
    }
    EXPECT_NE(cli("set '" + rom + "' 0 hp=1 2>&1 >/dev/full").out.find("the ROM was written completely"),
              std::string::npos);
}

TEST_F(Cli, JsonMachinesAreANameListOrAnObjectOfFlags)
{
    const auto sheet = dir.file("machines.json");
    const struct {
        const char* machines;
        int status;
        std::uint8_t byte28;  // TM01..TM08 after the import (Bulbasaur has 0x20: TM06)
    } cases[] = {
        {R"({"TM02": true, "TM01": false})", 0, 0x02},
        {R"({"TM01": "Focus Punch", "TM03": false})", 0, 0x01},
        {R"(["TM02", "TM03"])", 0, 0x06},
        {R"("TM08")", 0, 0x80},
        {R"({"TM01": 1})", 1, 0x20},
        {R"({"TM01": null})", 1, 0x20},
        {R"([true])", 1, 0x20},
    };
    for (const auto& c : cases) {
        writeFile(rom, before);
        writeText(sheet, std::string(R"([{"index": 0, "machines": )") + c.machines + "}]");
        const auto run = cli("import '" + rom + "' " + sheet);
        EXPECT_EQ(run.status, c.status) << c.machines << run.out;
        EXPECT_EQ(readFile(rom)[static_cast<std::size_t>(at(0, 28))], c.byte28) << c.machines;
    }
}

#endif

// Another program renames a file over the ROM after the command opened it and before
// it writes: the change goes into the file that was opened, and the command says it
// is not in the file now at the path (3), never done (0).
TEST_F(Cli, ARomReplacedDuringASetIsNotReportedAsDone)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows refuses to rename over a file that is open without delete sharing";
#endif
    const auto replacement = dir.file("replacement.nds");
    writeFile(replacement, before);
    FaultyFileServices replacing;
    replacing.beforeFirstWrite = [&] { std::rename(replacement.c_str(), rom.c_str()); };
    platform::ScopedFileServices scoped(replacing);
    int status = 0;
    try {
        status = cli::runSet(rom, "0", {"hp=1"}, false);
    } catch (const cli::Failure& failure) {
        status = failure.code;
    }
    EXPECT_EQ(status, cli::WriteIncomplete);
    EXPECT_EQ(readFile(rom), before);
}

#ifndef _WIN32
// Standard output a pipe whose reader is already gone: quiet 141, unless the ROM was
// written, which 4 says.
TEST_F(Cli, AClosedPipeAfterAWriteIsNotAQuietEnd)
{
    const auto closedPipeRun = [](std::vector<std::string> arguments) {
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        ::close(fds[0]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        arguments.insert(arguments.begin(), QUILLMARK_CLI);
        std::vector<char*> argv;
        for (auto& a : arguments)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        EXPECT_EQ(::posix_spawn(&pid, QUILLMARK_CLI, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(closedPipeRun({"export", rom}), 141);
    EXPECT_EQ(closedPipeRun({"set", rom, "0", "hp=99"}), 4);
    EXPECT_EQ(readFile(rom)[static_cast<std::size_t>(at(0, 0))], 99);
}

// What spreadsheets, scripts and people write reaches the same bytes.
TEST_F(Cli, SheetsAndNamesAsPeopleWriteThem)
{
    // Garchomp by name, index and National Dex number; a near miss suggests it.
    for (const char* who : {"garchomp", "GARCHOMP", "444", "dex:445", "DEX:445"})
        EXPECT_NE(cli("get '" + rom + "' " + who).out.find("species: Garchomp (444)"), std::string::npos) << who;
    const auto miss = cli("get '" + rom + "' garchmop");
    EXPECT_EQ(miss.status, 1);
    EXPECT_NE(miss.out.find("did you mean Garchomp?"), std::string::npos) << miss.out;
    EXPECT_EQ(cli("get '" + rom + "' dex:494").status, 1) << "the Dex ends at 493";
    EXPECT_EQ(cli("get '" + rom + "' dex:0").status, 1);
    // A sheet that names its species by Dex number alone: 493 is the last, 0 none.
    for (const auto& [dex, status] : {std::pair{"493", 0}, std::pair{"0", 1}, std::pair{"494", 1}}) {
        const auto sheet = dir.file("by-dex.csv");
        writeText(sheet, std::string("dex,hp\n") + dex + ",1\n");
        EXPECT_EQ(cli("import '" + rom + "' " + sheet + " --dry-run").status, status) << dex;
    }

    // One edit, three separators (";" as LibreOffice writes CSV in a German locale,
    // with quoted texts; a tab as copied out of a spreadsheet): the same bytes.
    const struct {
        const char* what;
        std::string sheet;
    } sheets[] = {
        {"comma", "index,HP,Type1,hatch_steps,gender_ratio\r\n444,110,Fire,2560,0\r\n"},
        {"semicolon", "\"Index\";\"hp\";\"type1\";\"Hatch_Steps\";\"gender_ratio\"\n444;110;\"Fire\";2560;0\n"},
        {"tab", "index\thp\ttype1\thatch_steps\tgender_ratio\n444\t110\tFire\t2560\t0\n"},
        {"JSON", R"([{"INDEX": 444, "hp": 110, "type1": "Fire", "hatch_steps": 2560, "gender_ratio": 0}])"},
    };
    Bytes first;
    for (const auto& sheet : sheets) {
        writeFile(rom, before);
        const auto path = dir.file(std::string("sheet-") + sheet.what + (sheet.sheet[0] == '[' ? ".json" : ".csv"));
        writeText(path, sheet.sheet);
        const auto run = cli("import '" + rom + "' " + path);
        EXPECT_EQ(run.status, 0) << sheet.what << run.out;
        if (first.empty())
            first = readFile(rom);
        else
            EXPECT_EQ(differingOffsets(first, readFile(rom)), std::vector<std::int64_t>{}) << sheet.what;
    }
    // HP, type 1 (Fire is 10, after ??? at 9), hatch byte 10 (2560 steps), gender byte 0.
    EXPECT_EQ(differingOffsets(before, first),
              (std::vector<std::int64_t>{at(444, 0), at(444, 6), at(444, 16), at(444, 17)}));
    EXPECT_EQ(first[static_cast<std::size_t>(at(444, 6))], 10);
    EXPECT_EQ(first[static_cast<std::size_t>(at(444, 17))], 10);
    writeFile(rom, before);

    // Earthquake is TM26: bit 25 of bytes 28-43; Bulbasaur cannot learn it yet.
    ASSERT_EQ(cli("set '" + rom + "' bulbasaur machines+=earthquake").status, 0);
    EXPECT_EQ(differingOffsets(before, readFile(rom)), std::vector<std::int64_t>{at(0, 28 + 25 / 8)});
    EXPECT_EQ(readFile(rom)[static_cast<std::size_t>(at(0, 28 + 3))], before[static_cast<std::size_t>(at(0, 31))] | 0x02);
    const auto unknownMove = cli("set '" + rom + "' 0 machines+=Earthquak");
    EXPECT_NE(unknownMove.out.find("nearest: TM26 Earthquake"), std::string::npos) << unknownMove.out;
    writeFile(rom, before);

    // Single fields for scripts.
    EXPECT_EQ(cli("get '" + rom + "' garchomp hp type1_code --value").out, "108\n16\n");
    EXPECT_EQ(cli("get '" + rom + "' garchomp HP").out, "hp: 108\n");
    EXPECT_EQ(cli("get '" + rom + "' garchomp type1_code type1").out, "type1_code: 16\ntype1: Dragon [16]\n")
        << "a code field's code once, a named field's code beside its name";

    const struct {
        std::string command;
        int status;
        const char* message;
    } refused[] = {
        {"lsit types", 1, "did you mean list?"},
        {"set ROM 0 hpp=1", 1, "nearest: hp"},
        {"export ROM -o OUT/x.xlsx", 1, "neither .csv nor .json"},
        {"export ROM -o OUT/new.nds", 1, "has the name of a ROM image"},
        {"export ROM -o OUT/dump.BIN --format csv", 1, "has the name of a ROM image"},
        {"export ROM --separator :", 1, "--separator is"},
    };
    for (const auto& c : refused) {
        std::string command = c.command;
        if (const auto at = command.find("ROM"); at != std::string::npos)
            command.replace(at, 3, "'" + rom + "'");
        if (const auto at = command.find("OUT"); at != std::string::npos)
            command.replace(at, 3, dir.path());
        const auto run = cli(command);
        EXPECT_EQ(run.status, c.status) << command << run.out;
        EXPECT_NE(run.out.find(c.message), std::string::npos) << run.out;
    }
    for (const char* name : {"x.xlsx", "new.nds", "dump.BIN"})
        EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
    EXPECT_EQ(cli("export '" + rom + "' -o " + dir.file("x.txt") + " --format json").status, 0);

    // A closed pipe ends the export quietly, as SIGPIPE would.
    FILE* shell = ::popen(("bash -c \"" + std::string(QUILLMARK_CLI) + " export '" + rom + "' 2>" +
                           dir.file("err") + " | head -c 10 >/dev/null; exit \\${PIPESTATUS[0]}\"").c_str(), "r");
    const int status = ::pclose(shell);
    EXPECT_EQ(WEXITSTATUS(status), 141);
    EXPECT_EQ(readText(dir.file("err")), "");
    EXPECT_EQ(readFile(rom), before);
}

#endif

// A ROM that reads but cannot be written is named read-only (2), not unreadable.
TEST_F(Cli, AReadOnlyRomIsSaidToBeReadOnly)
{
    FaultyFileServices readOnly;
    readOnly.failOpenNumber = 1;
    readOnly.andAfter = true;
    readOnly.openError = platform::FileError::PermissionDenied;
    platform::ScopedFileServices scoped(readOnly);
    testing::internal::CaptureStderr();
    int status = 0;
    try {
        status = cli::runSet(rom, "0", {"hp=1"}, false);
    } catch (const cli::Failure& failure) {
        status = failure.code;
    }
    const auto said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, cli::BadRom);
    EXPECT_NE(said.find("is read-only, so nothing was written. Make it writable first"), std::string::npos) << said;
    EXPECT_EQ(readFile(rom), before);
}


#ifdef _WIN32
// The tests above that drive quillmark-cli through a POSIX shell, by name: the
// Windows build is driven end to end by scripts/windows-test.sh instead.
#define SKIPPED_ON_WINDOWS(name)                                                        \
    TEST_F(Cli, name)                                                                   \
    {                                                                                   \
        GTEST_SKIP() << "runs quillmark-cli through a POSIX shell (quoting, ulimit, "   \
                        "/dev/full, FIFOs, symlinks)";                                  \
    }
SKIPPED_ON_WINDOWS(EveryByteSurvivesAnExportAndImport)
SKIPPED_ON_WINDOWS(AnEditedSheetImportedAgainKeepsEveryEdit)
SKIPPED_ON_WINDOWS(EachFieldChangesExactlyItsBits)
SKIPPED_ON_WINDOWS(BadInputIsRefusedAndWritesNothing)
SKIPPED_ON_WINDOWS(OutputsGoWhereTheyShouldOrNowhere)
SKIPPED_ON_WINDOWS(GetListAndInfoOnTheRetailData)
SKIPPED_ON_WINDOWS(AWriteThatStopsHalfWaySaysWhatWasWritten)
SKIPPED_ON_WINDOWS(EveryGameWithItsFormsRoundTripsAndIsEdited)
SKIPPED_ON_WINDOWS(RebuiltRomsAreEditedWhereTheirFileSystemSaysAndDamagedOnesRefused)
SKIPPED_ON_WINDOWS(FifosAreRefusedAndConcurrentImportsNeverMixTheirRows)
SKIPPED_ON_WINDOWS(OutputsIntoSpecialFilesAndNeverOverARomCopy)
SKIPPED_ON_WINDOWS(ExitStatusSaysWhetherTheRomWasWritten)
SKIPPED_ON_WINDOWS(JsonMachinesAreANameListOrAnObjectOfFlags)
SKIPPED_ON_WINDOWS(AClosedPipeAfterAWriteIsNotAQuietEnd)
SKIPPED_ON_WINDOWS(SheetsAndNamesAsPeopleWriteThem)
#endif

} // namespace

namespace {

// list species --rom: the ROM's own names, with their indices and Dex numbers; `get`
// gives the same name; without --rom the built-in list, as before.
TEST(CliNames, ListSpeciesOfARomAndGetItsName)
{
    TempDir dir;
    auto names = romimage::sampleSpeciesNames();
    names[444] = "SHARKOMP";
    romimage::ImageRecipe recipe;
    recipe.gameCode = "CPUE";
    recipe.textArchive = true;
    recipe.speciesNames = names;
    const auto rom = dir.file("renamed.nds");
    ASSERT_TRUE(romimage::writeRomImage(rom, recipe, nullptr, nullptr));

    const auto listed = runInProcess([&] { return cli::runList("species", "platinum", rom); });
    ASSERT_EQ(listed.status, cli::Ok) << listed.err;
    EXPECT_NE(listed.out.find("\n444\t445\tSharkomp\n"), std::string::npos);
    EXPECT_NE(listed.out.find("\n443\t444\tGabite\n"), std::string::npos);
    EXPECT_NE(listed.out.find("\n493\t\tEgg\n"), std::string::npos) << "the egg records have no Dex number";
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 507) << "every record of Platinum";

    const auto builtIn = runInProcess([&] { return cli::runList("species", "platinum"); });
    EXPECT_NE(builtIn.out.find("\n444\tGarchomp\n"), std::string::npos);

    const auto got = runInProcess([&] { return cli::runGet(rom, "garchomp", {"name"}, true); });
    EXPECT_EQ(got.status, cli::Ok) << got.err;
    EXPECT_EQ(got.out, "Sharkomp\n") << "found by the built-in name, called by the ROM's";

    EXPECT_EQ(runInProcess([&] { return cli::runList("machines", "platinum", rom); }).status, cli::BadInput);
}

} // namespace
