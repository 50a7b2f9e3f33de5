#include "romimage/RomImage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace quillmark;
using namespace quillmark::test;

namespace {

struct Run {
    int status;
    std::string out;  // standard output and error together
};

Run cli(const std::string& arguments)
{
    const std::string command = std::string(QUILLMARK_CLI) + " " + arguments + " 2>&1";
    Run run{-1, {}};
    FILE* pipe = ::popen(command.c_str(), "r");
    char buffer[4096];
    while (const auto n = std::fread(buffer, 1, sizeof buffer, pipe))
        run.out.append(buffer, n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

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

TEST_F(Cli, UnchangedExportsImportWithoutWriting)
{
    for (const char* format : {"csv", "json"}) {
        const auto file = dir.file(std::string("species.") + format);
        ASSERT_EQ(cli("export '" + rom + "' --format " + format + " -o " + file).status, 0);
        const auto run = cli("import '" + rom + "' " + file);
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_NE(run.out.find("0 field(s), 0 byte(s) changed"), std::string::npos) << run.out;
        EXPECT_EQ(readFile(rom), before) << format;
    }
}

TEST_F(Cli, EditedColumnsChangeExactlyTheirBytes)
{
    const auto csv = dir.file("species.csv");
    ASSERT_EQ(cli("export '" + rom + "' -o " + csv).status, 0);
    // Garchomp (444): HP 108, type 2 "Ground" (code 4 left as it was), item 1 by code,
    // gender ratio by its text.
    editLine(csv, 444, ",108,", ",110,");
    editLine(csv, 444, "Ground", "Fire");
    editLine(csv, 444, "-No Item-,0,", "-No Item-,234,");
    editLine(csv, 444, "\"50% M 50% F \",127", "\"0% M 100% F \",127");

    const auto dry = cli("import '" + rom + "' " + csv + " --dry-run");
    EXPECT_EQ(dry.status, 0);
    EXPECT_EQ(readFile(rom), before);

    const auto run = cli("import '" + rom + "' " + csv);
    ASSERT_EQ(run.status, 0) << run.out;
    for (const char* line : {"Garchomp (444): hp 108 -> 110", "Garchomp (444): type2 Ground -> Fire",
                             "Garchomp (444): item1 -No Item- -> Leftovers",
                             "Garchomp (444): gender_ratio 50% M 50% F  -> 0% M 100% F ",
                             "4 field(s), 4 byte(s) changed"}) {
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
    }
    EXPECT_EQ(differingOffsets(before, readFile(rom)),
              (std::vector<std::int64_t>{at(444, 0), at(444, 7), at(444, 12), at(444, 16)}));
    const auto after = readFile(rom);
    EXPECT_EQ(after[static_cast<std::size_t>(at(444, 7))], 10);
    EXPECT_EQ(after[static_cast<std::size_t>(at(444, 12))], 234);
    EXPECT_EQ(after[static_cast<std::size_t>(at(444, 16))], 254);
}

TEST_F(Cli, OneBadValueWritesNothingAndSaysWhere)
{
    const auto csv = dir.file("species.csv");
    ASSERT_EQ(cli("export '" + rom + "' -o " + csv).status, 0);
    editLine(csv, 444, ",108,", ",110,");
    editLine(csv, 3, "Fire", "Fyre");  // line 5 of the file, column 11
    const auto run = cli("import '" + rom + "' " + csv);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("line 5, column 11 (type1): \"Fyre\" is not an entry of type1"),
              std::string::npos) << run.out;
    EXPECT_NE(run.out.find("nothing was written"), std::string::npos);
    EXPECT_EQ(readFile(rom), before);

    EXPECT_EQ(cli("set '" + rom + "' Garchomp hp=256 type1=Fire").status, 1);
    EXPECT_EQ(readFile(rom), before);
    const auto tiny = dir.file("tiny.nds");
    writeFile(tiny, Bytes(100, 0));
    const auto unsupported = cli("info " + tiny);
    EXPECT_EQ(unsupported.status, 2);
    EXPECT_NE(unsupported.out.find("Unsupported ROM"), std::string::npos);
    EXPECT_EQ(fileSize(tiny), 100);
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

} // namespace
