// What a new user runs first: the samples that make sample writes, and the README's
// walkthrough, taken from the README itself so that the text and the test agree.
#include "rom/RomIdentification.h"
#include "species/SpeciesTableLocator.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace quillmark;
using namespace quillmark::test;

namespace {

int shell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return status == -1 ? -1 : WEXITSTATUS(status);
}

std::string makeSamples(const TempDir& dir)
{
    const auto out = dir.file("samples");
    std::filesystem::create_directories(out);
    EXPECT_EQ(shell(std::string(QUILLMARK_SOURCE_DIR "/scripts/make-samples.sh ") + QUILLMARK_MKROM + " " +
                    out + " >/dev/null"),
              0);
    return out;
}

// A row of a reference table as the 44 bytes of a record, by the column layout the
// data's README gives (every column as stored, words little-endian).
Bytes recordOfReferenceRow(const std::map<std::string, std::string>& row)
{
    Bytes record(44, 0);
    const struct {
        const char* column;
        int offset, width;
    } layout[] = {
        {"hp", 0, 1},          {"atk", 1, 1},        {"def", 2, 1},        {"spe", 3, 1},
        {"spa", 4, 1},         {"spd", 5, 1},        {"type1", 6, 1},      {"type2", 7, 1},
        {"catch_rate", 8, 1},  {"base_exp", 9, 1},   {"ev_yield_u16", 10, 2}, {"item1", 12, 2},
        {"item2", 14, 2},      {"gender", 16, 1},    {"egg_cycles", 17, 1}, {"friendship", 18, 1},
        {"growth", 19, 1},     {"egg1", 20, 1},      {"egg2", 21, 1},      {"ability1", 22, 1},
        {"ability2", 23, 1},   {"flee", 24, 1},      {"color_byte", 25, 1},
    };
    for (const auto& [column, offset, width] : layout) {
        const auto value = std::stoul(row.at(column));
        for (int k = 0; k < width; ++k)
            record[static_cast<std::size_t>(offset + k)] = static_cast<std::uint8_t>(value >> (8 * k));
    }
    const auto& tm = row.at("tm_hex");
    for (std::size_t k = 0; k < 16; ++k)
        record[28 + k] = static_cast<std::uint8_t>(std::stoul(tm.substr(2 * k, 2), nullptr, 16));
    return record;
}

TEST(Samples, EveryRecordOfEverySampleIsTheGamesOwn)
{
    enum Shape { Padded, Trimmed, Full };
    const struct {
        const char* file;
        const char* code;
        const char* reference;  // every member of the game's archive
        Shape shape;
    } samples[] = {
        {"sample-diamond.nds", "ADAE", "dp_personal_members.csv", Padded},
        {"sample-pearl.nds", "APAE", "dp_personal_pearl_members.csv", Padded},
        {"sample-platinum.nds", "CPUE", "pt_personal.csv", Padded},
        {"sample-heartgold.nds", "IPKE", "hgss_personal.csv", Padded},
        {"sample-heartgold-trimmed.nds", "IPKE", "hgss_personal.csv", Trimmed},
        {"sample-platinum-rebuilt.nds", "CPUE", "pt_personal.csv", Trimmed},
        {"sample-diamond-full.nds", "ADAE", "dp_personal_members.csv", Full},
    };
    TempDir dir;
    const auto out = makeSamples(dir);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), {}), 7);
    for (const auto& sample : samples) {
        SCOPED_TRACE(sample.file);
        const auto path = out + "/" + sample.file;
        const auto bytes = readFile(path);
        ASSERT_GT(bytes.size(), 16u);
        EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), sample.code);
        // The header: capacity 128 KiB << byte 0x14, used size at 0x80, as dumps have them.
        const auto capacity = std::int64_t{128 * 1024} << bytes[0x14];
        const auto used = std::int64_t{bytes[0x80]} | std::int64_t{bytes[0x81]} << 8 | std::int64_t{bytes[0x82]} << 16 |
                          std::int64_t{bytes[0x83]} << 24;
        const auto size = static_cast<std::int64_t>(bytes.size());
        switch (sample.shape) {
        case Padded:
            EXPECT_EQ(size, capacity);
            EXPECT_LT(used, capacity);
            EXPECT_TRUE(std::all_of(bytes.begin() + used, bytes.end(), [](std::uint8_t b) { return b == 0xFF; }));
            break;
        case Trimmed: EXPECT_EQ(size, used); break;
        case Full: EXPECT_EQ(used, capacity); break;
        }
        const auto table = species::locateSpeciesTable(path, sample.code);
        ASSERT_TRUE(table);
        const auto rows = sampleCsv(sample.reference);
        ASSERT_EQ(static_cast<int>(rows.size()), table->recordCount + 1) << "member 0 and the records";
        // Member m of the archive is list index m - 1; member 0 lies just before the table.
        for (std::size_t m = 0; m < rows.size(); ++m) {
            const auto at = static_cast<std::size_t>(table->tableBase + 44 * (static_cast<std::int64_t>(m) - 1));
            ASSERT_EQ(Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(at + 44)),
                      recordOfReferenceRow(rows[m]))
                << "member " << m << " " << rows[m].at("name");
        }
    }
}

// The first indented block after the heading: the commands a reader copies.
std::vector<std::string> readmeCommands(const std::string& heading)
{
    std::ifstream in(QUILLMARK_SOURCE_DIR "/README.md");
    std::vector<std::string> commands;
    bool found = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(heading))
            found = true;
        else if (found && line.starts_with("    "))
            commands.push_back(line.substr(4));
        else if (found && !commands.empty())
            break;
    }
    return commands;
}

// The commands under the heading, run from a folder laid out like the source tree after
// make sample (the samples in samples/, quillmark-cli in build/src); what they print in
// out.txt.
void runWalkthrough(const TempDir& dir, const std::string& heading, std::size_t count)
{
    std::filesystem::create_directories(dir.file("build/src"));
    std::filesystem::create_symlink(QUILLMARK_CLI, dir.file("build/src/quillmark-cli"));
    const auto commands = readmeCommands(heading);
    ASSERT_EQ(commands.size(), count);
    std::string script = "set -e; cd '" + dir.path() + "'\n";
    for (const auto& command : commands)
        script += command + "\n";
    std::ofstream(dir.file("walkthrough.sh")) << script;
    ASSERT_EQ(shell("sh " + dir.file("walkthrough.sh") + " > " + dir.file("out.txt") + " 2>&1"), 0)
        << readFile(dir.file("out.txt")).data();
}

TEST(Samples, TheReadmesWalkthroughChangesTheBytesItSays)
{
    TempDir dir;
    const auto samples = makeSamples(dir);
    const auto rom = samples + "/sample-diamond.nds";
    const auto before = readFile(rom);
    runWalkthrough(dir, "## Every species at once", 6);

    // As the README says: Garchomp (list index 444) gets HP 110 and Speed 105, and TM13
    // (bit 12 of the compatibility bytes 28..43); nothing else changes.
    const auto table = species::locateSpeciesTable(rom, "ADAE");
    ASSERT_TRUE(table);
    const auto garchomp = table->tableBase + 44 * 444;
    const auto after = readFile(rom);
    EXPECT_EQ(differingOffsets(before, after), (std::vector<std::int64_t>{garchomp, garchomp + 3, garchomp + 29}));
    EXPECT_EQ(after[static_cast<std::size_t>(garchomp)], 110);
    EXPECT_EQ(after[static_cast<std::size_t>(garchomp + 3)], 105);
    EXPECT_EQ(after[static_cast<std::size_t>(garchomp + 29)], before[static_cast<std::size_t>(garchomp + 29)] | 0x10);
    const auto out = readFile(dir.file("out.txt"));
    const std::string printed(out.begin(), out.end());
    EXPECT_NE(printed.find("1 field(s), 1 byte(s) would change; nothing was written (dry run)"), std::string::npos);
    EXPECT_NE(printed.find("hp: 110"), std::string::npos) << printed;
}

// Sharing a hack as the README walks through it: what diff prints is what the README
// shows, the rows and the patch are written, and the patch makes the edited copy.
TEST(Samples, TheReadmesSharingWalkthroughGivesWhatItShows)
{
    TempDir dir;
    const auto samples = makeSamples(dir);
    runWalkthrough(dir, "## Sharing a hack", 5);

    // The block the README shows after the commands, printed by the first diff.
    std::ifstream in(QUILLMARK_SOURCE_DIR "/README.md");
    std::string shown;
    bool after = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("The first `diff` prints"))
            after = true;
        else if (after && line.starts_with("    "))
            shown += line.substr(4) + "\n";
        else if (after && !shown.empty())
            break;
    }
    const auto out = readFile(dir.file("out.txt"));
    const std::string printed(out.begin(), out.end());
    EXPECT_NE(printed.find(shown), std::string::npos) << printed;
    EXPECT_EQ(shown, "Garchomp (444):\n  hp: 108 -> 110\n  speed: 102 -> 105\n");
    const auto csv = readFile(dir.file("changes.csv"));
    EXPECT_NE(std::string(csv.begin(), csv.end()).find("\r\n444,445,Garchomp,species,hp,108,110\r\n"), std::string::npos);
    EXPECT_LT(fileSize(dir.file("my-hack.bps")), 1000) << "a few hundred bytes";
    EXPECT_EQ(readFile(dir.file("patched.nds")), readFile(samples + "/sample-platinum.nds"));
}

} // namespace
