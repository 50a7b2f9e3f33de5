#include "romimage/RomImage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
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

} // namespace
