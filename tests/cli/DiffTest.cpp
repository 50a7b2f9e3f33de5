// diff and patch as people use them: edits made through the command line on copies of
// an image with Platinum's real tables, the rows checked against the edit table and the
// reference data; BPS patches made by hand from the format's description and read back
// by a reader written here from it.
#include "cli/CliErrors.h"
#include "cli/Commands.h"
#include "cli/Csv.h"
#include "platform/FileServices.h"
#include "rom/NitroFs.h"
#include "romimage/RomImage.h"

#include "InProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <functional>
#include <optional>
#include <sstream>

using namespace quillmark;
using namespace quillmark::test;

namespace {

using Rows = std::vector<std::vector<std::string>>;

class Diff : public ::testing::Test {
protected:
    void SetUp() override
    {
        romimage::ImageRecipe recipe;
        recipe.gameCode = "CPUE";
        recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/pt_personal.csv", nullptr);
        recipe.tail = romimage::Tail::Padded;
        ASSERT_TRUE(romimage::writeRomImage(before, recipe, nullptr));
        pristine = readFile(before);
    }

    std::string sheet(const std::string& name, const std::string& text)
    {
        writeFile(dir.file(name), Bytes(text.begin(), text.end()));
        return dir.file(name);
    }

    std::string exported(const std::string& rom, bool learnsets)
    {
        cli::ExportOptions options;
        options.output = dir.file(learnsets ? "learnsets.csv" : "evolutions.csv");
        options.table = learnsets ? "learnsets" : "evolutions";
        options.bom = false;
        EXPECT_EQ(runInProcess([&] { return cli::runExport(rom, options); }).status, cli::Ok);
        const auto bytes = readFile(options.output);
        return {bytes.begin(), bytes.end()};
    }

    // The rows of `diff --csv`, header and byte order mark aside.
    Rows diffRows(const std::string& a, const std::string& b)
    {
        cli::DiffOptions options;
        options.format = "csv";
        const auto said = runInProcess([&] { return cli::runDiff(a, b, options); });
        EXPECT_EQ(said.status, cli::Ok) << said.err;
        std::vector<cli::CsvRecord> records;
        std::string error;
        EXPECT_TRUE(cli::parseCsv(said.out, records, error)) << error;
        Rows rows;
        for (const auto& record : records)
            rows.push_back(record.fields);
        EXPECT_FALSE(rows.empty());
        if (!rows.empty()) {
            EXPECT_EQ(rows.front(), (std::vector<std::string>{"index", "dex", "name", "part", "field", "before", "after"}));
            rows.erase(rows.begin());
        }
        return rows;
    }

    static std::vector<std::map<std::string, std::string>> rowsOf(const char* csv, const std::string& column,
                                                                  const std::string& value)
    {
        std::vector<std::map<std::string, std::string>> found;
        for (const auto& row : sampleCsv(csv)) {
            if (row.at(column) == value)
                found.push_back(row);
        }
        return found;
    }

    TempDir dir;
    std::string before = dir.file("before.nds"), after = dir.file("after.nds");
    Bytes pristine;
};

// Each edit on its own copy: the rows are exactly those the edit makes, in the words
// of the reference data.
TEST_F(Diff, EachEditIsExactlyItsRows)
{
    const auto garchomp = rowsOf("pt_personal.csv", "name", "GARCHOMP").at(0);
    const auto tms = garchomp.at("tm_hex");
    auto hasMachine = [&](int bit) { return (std::stoi(tms.substr(2 * (bit / 8), 2), nullptr, 16) >> (bit % 8)) & 1; };
    ASSERT_TRUE(hasMachine(25)) << "Garchomp learns TM26 in the reference";
    ASSERT_FALSE(hasMachine(12)) << "and not TM13";
    const auto garchompMoves = rowsOf("pt_learnsets.csv", "member", "445");
    const auto& last = garchompMoves.back();
    const auto bulbasaur = rowsOf("pt_learnsets.csv", "member", "1");
    const auto dratini = rowsOf("pt_eggmoves.csv", "species", "147");
    std::string bulbasaurOrder, bulbasaurSwapped;
    for (std::size_t k = 0; k < bulbasaur.size(); ++k) {
        const auto& entry = bulbasaur[k < 2 ? 1 - k : k];
        bulbasaurOrder += (k ? ", " : "") + bulbasaur[k].at("level") + " " + bulbasaur[k].at("move_name");
        bulbasaurSwapped += (k ? ", " : "") + entry.at("level") + " " + entry.at("move_name");
    }
    std::string bulbasaurSheet = "name,entry,level,move\n";
    for (std::size_t k = 0; k < bulbasaur.size(); ++k) {
        const auto& entry = bulbasaur[k < 2 ? 1 - k : k];
        bulbasaurSheet += "Bulbasaur," + std::to_string(k + 1) + "," + entry.at("level") + "," + entry.at("move_name") + "\n";
    }
    std::string garchompShorter = "name,entry,level,move\n";
    for (std::size_t k = 0; k + 1 < garchompMoves.size(); ++k)
        garchompShorter += "Garchomp," + std::to_string(k + 1) + "," + garchompMoves[k].at("level") + "," +
                           garchompMoves[k].at("move_name") + "\n";
    std::string dratiniSheet = "name,entry,move\nDratini,1,ExtremeSpeed\n";
    for (std::size_t k = 1; k < dratini.size(); ++k)
        dratiniSheet += "Dratini," + std::to_string(k + 1) + "," + dratini[k].at("move_name") + "\n";
    std::int64_t otherFile = 0, otherSize = 0;
    {
        auto file = platform::fileServices().open(before, platform::FileAccess::Read);
        const auto extent = rom::NitroFs::read(**file)->find("poketool/waza/waza_tbl.narc");
        ASSERT_TRUE(extent);
        otherFile = extent->start + 100;
        otherSize = extent->size();
    }

    auto ok = [](auto command) {
        const auto said = runInProcess(command);
        EXPECT_EQ(said.status, cli::Ok) << said.err;
    };
    const struct {
        const char* what;
        std::function<void()> edit;
        Rows rows;
    } edits[] = {
        {"a species field", [&] { ok([&] { return cli::runSet(after, "Garchomp", {"hp=110"}, false); }); },
         {{"444", "445", "Garchomp", "species", "hp", garchomp.at("hp"), "110"}}},
        {"machines both ways", [&] { ok([&] { return cli::runSet(after, "Garchomp", {"machines+=TM13", "machines-=TM26"}, false); }); },
         {{"444", "445", "Garchomp", "species", "machines", "TM26", ""},
          {"444", "445", "Garchomp", "species", "machines", "", "TM13"}}},
        {"a learnset entry added",
         [&] {
             const auto l = sheet("l.csv", exported(after, true) + "444,445,Garchomp,16,49,Earthquake\n");
             ok([&] { return cli::runImport(after, l, "", false); });
         },
         {{"444", "445", "Garchomp", "learnset", "move", "", "49 Earthquake"}}},
        {"a learnset entry removed", [&] { ok([&] { return cli::runImport(after, sheet("l.csv", garchompShorter), "", false); }); },
         {{"444", "445", "Garchomp", "learnset", "move", last.at("level") + " " + last.at("move_name"), ""}}},
        {"the same entries in another order", [&] { ok([&] { return cli::runImport(after, sheet("l.csv", bulbasaurSheet), "", false); }); },
         {{"0", "1", "Bulbasaur", "learnset", "order", bulbasaurOrder, bulbasaurSwapped}}},
        {"an evolution slot",
         [&] {
             auto text = exported(after, false);
             const auto at = text.find("Eevee,3,Use item,Thunderstone,Jolteon");
             ASSERT_NE(at, std::string::npos);
             text.replace(at, std::string("Eevee,3,Use item,Thunderstone").size(), "Eevee,3,Use item,Leaf Stone");
             ok([&] { return cli::runImport(after, sheet("e.csv", text), "", false); });
         },
         {{"132", "133", "Eevee", "evolutions", "slot 3", "Use item / Thunderstone / Jolteon",
           "Use item / Leaf Stone / Jolteon"}}},
        {"an egg move replaced", [&] { ok([&] { return cli::runImport(after, sheet("g.csv", dratiniSheet), "", false); }); },
         {{"146", "147", "Dratini", "eggmoves", "move", dratini[0].at("move_name"), ""},
          {"146", "147", "Dratini", "eggmoves", "move", "", "ExtremeSpeed"}}},
        {"a tutor move taken away", [&] { ok([&] { return cli::runImport(after, sheet("t.csv", "name,Outrage\nGarchomp,\n"), "", false); }); },
         {{"444", "445", "Garchomp", "tutors", "Outrage", "x", ""}}},
        {"a byte of another file", [&] { patchFile(after, otherFile, {static_cast<std::uint8_t>(pristine[otherFile] ^ 1)}); },
         {{"", "", "", "file", "poketool/waza/waza_tbl.narc", std::to_string(otherSize), std::to_string(otherSize)}}},
    };
    for (const auto& row : edits) {
        SCOPED_TRACE(row.what);
        writeFile(after, pristine);
        row.edit();
        EXPECT_EQ(diffRows(before, after), row.rows);
    }
}

// The same ROM twice, --exit-code either way, and two games.
TEST_F(Diff, ExitStatusesAndTheSameRomTwice)
{
    cli::DiffOptions options;
    auto said = runInProcess([&] { return cli::runDiff(before, before, options); });
    EXPECT_EQ(said.status, cli::Ok);
    EXPECT_EQ(said.out, "No differences in the species data.\n");
    EXPECT_TRUE(diffRows(before, before).empty());

    writeFile(after, pristine);
    runInProcess([&] { return cli::runSet(after, "Garchomp", {"hp=110"}, false); });
    options.exitCode = true;
    EXPECT_EQ(runInProcess([&] { return cli::runDiff(before, before, options); }).status, cli::Ok);
    EXPECT_EQ(runInProcess([&] { return cli::runDiff(before, after, options); }).status, 1);

    romimage::ImageRecipe heartGold;
    heartGold.gameCode = "IPKE";
    heartGold.members = *romimage::readPersonalMembersCsv(samplesDir() + "/hgss_personal.csv", nullptr);
    const auto other = dir.file("heartgold.nds");
    ASSERT_TRUE(romimage::writeRomImage(other, heartGold, nullptr));
    said = runInProcess([&] { return cli::runDiff(before, other, options); });
    EXPECT_EQ(said.status, cli::BadRom);
    EXPECT_NE(said.err.find(before), std::string::npos) << said.err;
    EXPECT_NE(said.err.find(other), std::string::npos) << said.err;
}

// Under --exit-code, 1 says "they differ": a failure exits 5, never 1, and a ROM that
// cannot be read still 2. Every output is checked before any is written: a refused -o
// leaves the patch named by --bps as it was.
TEST_F(Diff, AFailureIsNeverADifferenceAndNoOutputIsWrittenBeforeAllAreChecked)
{
    const auto romCopy = dir.file("rom.csv");
    writeFile(romCopy, pristine);
    const auto oldPatch = dir.file("hack.bps");
    const Bytes olderPatch = {'B', 'P', 'S', '1', 1, 2, 3};
    const struct {
        const char* what;
        std::string output, format, bps;
        int status;  // without --exit-code; with it, 1 becomes 5
    } rows[] = {
        {"-o onto the ROM", before, "", "", cli::BadInput},
        {"-o onto a ROM copy named .csv, with --bps", romCopy, "", oldPatch, cli::BadInput},
        {"an unknown --format", "", "xml", "", cli::BadInput},
        {"--bps into a missing folder", "", "", dir.file("nodir/p.bps"), cli::BadInput},
        {"-o and --bps one file", dir.file("both.bps"), "text", dir.file("both.bps"), cli::BadInput},
#ifndef _WIN32
        {"-o onto a full device", "/dev/full", "text", "", cli::BadInput},
#endif
        {"a ROM that is not there", "", "", "", cli::BadRom},
    };
    for (const auto& row : rows) {
        for (const bool exitCode : {false, true}) {
            SCOPED_TRACE(std::string(row.what) + (exitCode ? " with --exit-code" : ""));
            writeFile(oldPatch, olderPatch);
            cli::DiffOptions options;
            options.output = row.output;
            options.format = row.format;
            options.bps = row.bps;
            options.exitCode = exitCode;
            const auto second = row.status == cli::BadRom ? dir.file("missing.nds") : before;
            const auto said = runInProcess([&] { return cli::runDiff(before, second, options); });
            EXPECT_EQ(said.status, exitCode && row.status == cli::BadInput ? 5 : row.status) << said.err;
            EXPECT_EQ(readFile(before), pristine);
            EXPECT_EQ(readFile(romCopy), pristine);
            EXPECT_EQ(readFile(oldPatch), olderPatch) << "the patch as it was";
            EXPECT_FALSE(std::filesystem::exists(dir.file("both.bps")));
        }
    }
    // --bps replaces only an older patch, and says so; anything else it refuses, naming
    // the option.
    const auto notes = dir.file("notes.bps");
    writeFile(notes, {'m', 'y', ' ', 'n', 'o', 't', 'e', 's'});
    cli::DiffOptions patchInto;
    patchInto.bps = notes;
    auto said = runInProcess([&] { return cli::runDiff(before, before, patchInto); });
    EXPECT_EQ(said.status, cli::BadInput);
    EXPECT_NE(said.err.find("give --bps another name"), std::string::npos) << said.err;
    EXPECT_EQ(readFile(notes), (Bytes{'m', 'y', ' ', 'n', 'o', 't', 'e', 's'}));
    patchInto.bps = oldPatch;
    said = runInProcess([&] { return cli::runDiff(before, before, patchInto); });
    EXPECT_EQ(said.status, cli::Ok) << said.err;
    EXPECT_NE(said.err.find("replaced the older patch " + oldPatch), std::string::npos) << said.err;
    EXPECT_NE(readFile(oldPatch), olderPatch);

    // The format follows -o's extension: JSON into x.json, without --format.
    cli::DiffOptions json;
    json.output = dir.file("x.json");
    writeFile(after, pristine);
    runInProcess([&] { return cli::runSet(after, "Garchomp", {"hp=110"}, false); });
    ASSERT_EQ(runInProcess([&] { return cli::runDiff(before, after, json); }).status, cli::Ok);
    const auto written = readFile(json.output);
    EXPECT_EQ(std::string(written.begin(), written.end()),
              "[\n  {\n    \"index\": 444,\n    \"dex\": 445,\n    \"name\": \"Garchomp\",\n    \"part\": "
              "\"species\",\n    \"field\": \"hp\",\n    \"before\": \"" +
                  rowsOf("pt_personal.csv", "name", "GARCHOMP").at(0).at("hp") +
                  "\",\n    \"after\": \"110\"\n  }\n]\n");
}

// Two Platinum images whose overlay 5 holds no egg move table (as a ROM whose engine
// keeps egg moves elsewhere): the other tables are compared, the egg moves named as not
// compared in each ROM with why, and --exit-code counts only what was compared.
TEST_F(Diff, ATableThatCannotBeReadIsNamedAndTheOthersCompared)
{
    romimage::ImageRecipe recipe;
    recipe.gameCode = "CPUE";
    recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/pt_personal.csv", nullptr);
    recipe.noEggTable = true;
    const auto a = dir.file("a.nds"), b = dir.file("b.nds");
    ASSERT_TRUE(romimage::writeRomImage(a, recipe, nullptr));
    ASSERT_TRUE(romimage::writeRomImage(b, recipe, nullptr));
    const auto hp = rowsOf("pt_personal.csv", "name", "GARCHOMP").at(0).at("hp");
    const auto notCompared = "Not compared: egg moves, " + a + ": the egg move table was not found in overlay 5.\n"
                             "Not compared: egg moves, " + b + ": the egg move table was not found in overlay 5.\n";

    cli::DiffOptions options;
    options.exitCode = true;
    auto said = runInProcess([&] { return cli::runDiff(a, b, options); });
    EXPECT_EQ(said.status, cli::Ok) << said.err;
    EXPECT_EQ(said.out, "No differences in the tables compared.\n" + notCompared);
    EXPECT_NE(said.err.find("only whether the tables compared differ, not egg moves"), std::string::npos) << said.err;

    ASSERT_EQ(runInProcess([&] { return cli::runSet(b, "Garchomp", {"hp=110"}, false); }).status, cli::Ok);
    const auto learnsets = sheet("l.csv", exported(b, true) + "444,445,Garchomp,16,49,Earthquake\n");
    ASSERT_EQ(runInProcess([&] { return cli::runImport(b, learnsets, "", false); }).status, cli::Ok);
    said = runInProcess([&] { return cli::runDiff(a, b, options); });
    EXPECT_EQ(said.status, 1) << said.err;
    EXPECT_EQ(said.out, "Garchomp (444):\n  hp: " + hp + " -> 110\n  learnset: (none) -> 49 Earthquake\n" + notCompared);
    options.format = "csv";
    said = runInProcess([&] { return cli::runDiff(a, b, options); });
    EXPECT_EQ(said.status, 1);
    EXPECT_NE(said.out.find("444,445,Garchomp,learnset,move,,49 Earthquake"), std::string::npos) << said.out;
    EXPECT_EQ(said.out.find("Not compared"), std::string::npos) << "the sheet keeps its rows";
    EXPECT_NE(said.err.find("note: Not compared: egg moves, " + a), std::string::npos) << said.err;

    // Only one of the two without the table: left out all the same, and named once.
    options = {};
    said = runInProcess([&] { return cli::runDiff(before, b, options); });
    EXPECT_EQ(said.status, cli::Ok) << said.err;
    EXPECT_NE(said.out.find("Not compared: egg moves, " + b + ": the egg move table was not found in overlay 5.\n"),
              std::string::npos)
        << said.out;
    EXPECT_EQ(said.out.find("Not compared: egg moves, " + before), std::string::npos) << said.out;
    EXPECT_EQ(said.out.find("egg moves:"), std::string::npos) << "no egg move rows from one table alone";
}

// A learnset overhaul that moved the archive after the used image: its rows alone, no
// file; the patch made of it turns the one ROM into the other.
TEST_F(Diff, AnOverhaulThatMovedTheArchiveIsItsRowsAndItsPatchRoundTrips)
{
    writeFile(after, pristine);
    auto text = exported(after, true);
    std::string more;
    int species = 0;
    // The last 150 species with room under the games' 20 entries each learn Pound at 100
    // twice: the archive's first part stays as it was, for the patch to copy from its
    // old place.
    std::map<std::string, std::string> names;  // by index, as the export writes them
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const auto first = line.find(','), second = line.find(',', first + 1), third = line.find(',', second + 1);
        names.emplace(line.substr(0, first), line.substr(second + 1, third - second - 1));
    }
    std::map<int, int> entries;
    for (const auto& row : sampleCsv("pt_learnsets.csv"))
        ++entries[std::stoi(row.at("member"))];
    Rows expected;
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        const auto [member, count] = *entry;
        if (member < 1 || member > 493 || count > 18 || species == 150)
            continue;
        ++species;
        const auto index = std::to_string(member - 1);
        for (int k = 1; k <= 2; ++k) {
            more += index + "," + std::to_string(member) + "," + names[index] + "," + std::to_string(count + k) +
                    ",100,Pound\n";
            expected.push_back({index, std::to_string(member), "", "learnset", "move", "", "100 Pound"});
        }
    }
    const auto said = runInProcess([&] { return cli::runImport(after, sheet("l.csv", text + more), "", false); });
    ASSERT_EQ(said.status, cli::Ok) << said.err;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return std::stoi(a[0]) < std::stoi(b[0]); });
    auto rows = diffRows(before, after);
    for (auto& row : rows)
        row[2].clear();  // the names are another check's
    EXPECT_EQ(rows, expected);
    {
        auto file = platform::fileServices().open(after, platform::FileAccess::Read);
        auto fs = rom::NitroFs::read(**file);
        auto old = platform::fileServices().open(before, platform::FileAccess::Read);
        ASSERT_NE(fs->find("poketool/personal/wotbl.narc")->start,
                  rom::NitroFs::read(**old)->find("poketool/personal/wotbl.narc")->start)
            << "the archive moved";
    }

    cli::DiffOptions options;
    options.bps = dir.file("overhaul.bps");
    ASSERT_EQ(runInProcess([&] { return cli::runDiff(before, after, options); }).status, cli::Ok);
    const auto patched = dir.file("patched.nds");
    const auto applied = runInProcess([&] { return cli::runPatch(before, options.bps, patched); });
    ASSERT_EQ(applied.status, cli::Ok) << applied.err;
    EXPECT_EQ(readFile(patched), readFile(after));
    // The moved archive's unchanged first part is copied from its old place: the patch
    // holds well under half the archive's bytes (all of them without the copy).
    auto file = platform::fileServices().open(after, platform::FileAccess::Read);
    const auto moved = rom::NitroFs::read(**file)->find("poketool/personal/wotbl.narc");
    EXPECT_LT(static_cast<std::int64_t>(readFile(options.bps).size()), moved->size() / 2);
}

// BPS from the format's description: numbers of 7 bits a byte, the top bit ending
// them, each further byte counting from one past the last; CRC-32 by zlib.
std::uint32_t crc(const Bytes& bytes) { return static_cast<std::uint32_t>(::crc32(0, bytes.data(), static_cast<uInt>(bytes.size()))); }
void number(Bytes& out, std::uint64_t value)
{
    while (true) {
        const auto low = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
        if (!value) {
            out.push_back(low | 0x80);
            return;
        }
        out.push_back(low);
        --value;
    }
}
void le32(Bytes& out, std::uint32_t value)
{
    for (int k = 0; k < 4; ++k)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
}
Bytes patchOf(const Bytes& source, std::uint64_t targetSize, const Bytes& actions, const Bytes& target)
{
    Bytes patch = {'B', 'P', 'S', '1'};
    number(patch, source.size());
    number(patch, targetSize);
    number(patch, 0);
    patch.insert(patch.end(), actions.begin(), actions.end());
    le32(patch, crc(source));
    le32(patch, crc(target));
    le32(patch, crc(patch));
    return patch;
}

// A reader of the format, for what diff --bps writes: the target it describes.
std::optional<Bytes> applied(const Bytes& patch, const Bytes& source)
{
    std::size_t at = 4;
    auto read = [&]() {
        std::uint64_t value = 0, shift = 1;
        while (true) {
            const auto byte = patch.at(at++);
            value += (byte & 0x7F) * shift;
            if (byte & 0x80)
                return value;
            shift <<= 7;
            value += shift;
        }
    };
    if (Bytes(patch.begin(), patch.begin() + 4) != Bytes{'B', 'P', 'S', '1'} || read() != source.size())
        return std::nullopt;
    Bytes target(read());
    at += read();
    std::size_t out = 0;
    std::int64_t sourceAt = 0, targetAt = 0;
    while (at < patch.size() - 12) {
        const auto data = read();
        const auto length = (data >> 2) + 1;
        auto signedOffset = [&] {
            const auto v = read();
            return (v & 1) ? -static_cast<std::int64_t>(v >> 1) : static_cast<std::int64_t>(v >> 1);
        };
        for (std::uint64_t k = 0; k < length; ++k) {
            switch (data & 3) {
            case 0: target.at(out) = source.at(out); break;
            case 1: target.at(out) = patch.at(at++); break;
            case 2: if (k == 0) sourceAt += signedOffset(); target.at(out) = source.at(static_cast<std::size_t>(sourceAt++)); break;
            case 3: if (k == 0) targetAt += signedOffset(); target.at(out) = target.at(static_cast<std::size_t>(targetAt++)); break;
            }
            ++out;
        }
    }
    if (out != target.size())
        return std::nullopt;
    return target;
}

TEST_F(Diff, BpsPatchesByTheFormatsDescription)
{
    // "ABCDEFGH" into "ABCDxyzABCDDDDDE": SourceRead 4, TargetRead "xyz", SourceCopy 4
    // from 0, TargetCopy 4 from 10 (overlapping what it writes: DDDD), SourceCopy 1 from 4.
    const Bytes source = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'};
    const Bytes target = {'A', 'B', 'C', 'D', 'x', 'y', 'z', 'A', 'B', 'C', 'D', 'D', 'D', 'D', 'D', 'E'};
    Bytes actions;
    number(actions, (4 - 1) << 2 | 0);
    number(actions, (3 - 1) << 2 | 1);
    actions.insert(actions.end(), {'x', 'y', 'z'});
    number(actions, (4 - 1) << 2 | 2);
    number(actions, 0 << 1);
    number(actions, (4 - 1) << 2 | 3);
    number(actions, 10 << 1);
    number(actions, (1 - 1) << 2 | 2);
    number(actions, 0 << 1);  // the source copy goes on where it stopped: E
    const auto patch = patchOf(source, target.size(), actions, target);
    writeFile(dir.file("source.bin"), source);
    writeFile(dir.file("hand.bps"), patch);
    auto said = runInProcess([&] { return cli::runPatch(dir.file("source.bin"), dir.file("hand.bps"), dir.file("out.nds")); });
    ASSERT_EQ(said.status, cli::Ok) << said.err;
    EXPECT_EQ(readFile(dir.file("out.nds")), target);

    // What diff --bps writes, read back here.
    writeFile(after, pristine);
    runInProcess([&] { return cli::runSet(after, "Garchomp", {"hp=110", "machines+=TM13"}, false); });
    const auto learnsets = sheet("l.csv", exported(after, true) + "444,445,Garchomp,16,49,Earthquake\n");
    runInProcess([&] { return cli::runImport(after, learnsets, "", false); });
    cli::DiffOptions options;
    options.bps = dir.file("edits.bps");
    ASSERT_EQ(runInProcess([&] { return cli::runDiff(before, after, options); }).status, cli::Ok);
    const auto written = readFile(options.bps);
    EXPECT_LT(written.size(), 4096u) << "a few edits, a few KiB";
    EXPECT_EQ(applied(written, pristine), readFile(after));
    EXPECT_EQ(crc(Bytes(written.begin(), written.end() - 4)), written[written.size() - 4] | written[written.size() - 3] << 8 |
                                                                    written[written.size() - 2] << 16 |
                                                                    static_cast<std::uint32_t>(written[written.size() - 1]) << 24);

    // Refused, nothing written: another ROM, a damaged patch, an action past the target.
    auto damaged = written;
    damaged[10] ^= 1;
    Bytes past;
    number(past, (20 - 1) << 2 | 0);
    Bytes oneByteOver;  // 17 literal bytes into a target of 16
    number(oneByteOver, (17 - 1) << 2 | 1);
    oneByteOver.insert(oneByteOver.end(), 17, 'x');
    const struct {
        const char* what;
        std::string rom;
        Bytes patch;
        const char* words;
    } refusals[] = {
        {"given the ROM it makes", after, written, "already is what"},
        {"made for another ROM", dir.file("source.bin"), written,
         "this patch was made for another ROM: "},
        {"its CRC damaged", before, damaged, "CRC-32 does not match"},
        {"a read past the target's size", dir.file("source.bin"), patchOf(source, 16, past, target), "past the end"},
        {"literal bytes one past the target's size", dir.file("source.bin"), patchOf(source, 16, oneByteOver, target),
         "past the end"},
    };
    for (const auto& row : refusals) {
        SCOPED_TRACE(row.what);
        writeFile(dir.file("refused.bps"), row.patch);
        const auto output = dir.file("refused.nds");
        said = runInProcess([&] { return cli::runPatch(row.rom, dir.file("refused.bps"), output); });
        EXPECT_EQ(said.status, cli::BadInput);
        EXPECT_NE(said.err.find(row.words), std::string::npos) << said.err;
        EXPECT_FALSE(std::filesystem::exists(output)) << "nothing written";
    }
    said = runInProcess([&] { return cli::runPatch(before, options.bps, before); });
    EXPECT_EQ(said.status, cli::BadInput) << "never onto the ROM itself";
    EXPECT_EQ(readFile(before), pristine);
    // Another ROM: both sizes and CRC-32s, as a user compares them with the patch's notes.
    auto hex = [](std::uint32_t value) {
        char text[9];
        std::snprintf(text, sizeof text, "%08X", value);
        return std::string(text);
    };
    said = runInProcess([&] { return cli::runPatch(dir.file("source.bin"), options.bps, dir.file("other.nds")); });
    EXPECT_NE(said.err.find("expects " + std::to_string(pristine.size()) + " bytes with CRC-32 " + hex(crc(pristine)) +
                            ", and " + dir.file("source.bin") + " is 8 bytes with CRC-32 " + hex(crc(source))),
              std::string::npos)
        << said.err;
}

// The format's edges, each a patch written here by hand or by the run writer below:
// what a patch may do is applied, what reaches outside its files is the patch's fault
// (exit 1, naming the patch), whatever the numbers.
TEST_F(Diff, BpsEdgesAreAppliedOrBlamedOnThePatch)
{
    const Bytes source = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'};
    writeFile(dir.file("source.bin"), source);
    auto actionsOf = [](std::initializer_list<std::pair<std::uint64_t, Bytes>> actions) {
        Bytes out;
        for (const auto& [data, bytes] : actions) {
            number(out, data);
            out.insert(out.end(), bytes.begin(), bytes.end());
        }
        return out;
    };
    auto encoded = [](std::uint64_t value) {
        Bytes out;
        number(out, value);
        return out;
    };
    constexpr std::uint64_t kFar = (std::uint64_t{1} << 63) - 1;
    Bytes farOffset, farBack;
    number(farOffset, kFar << 1);
    number(farBack, kFar << 1 | 1);
    // A run of equal bytes as BPS writers make it: one literal byte, then a copy from
    // the result that reads the byte it has just written, again and again.
    Bytes run;
    number(run, (1 - 1) << 2 | 1);
    run.push_back('z');
    number(run, (6 - 1) << 2 | 3);
    number(run, 0 << 1);
    number(run, (1 - 1) << 2 | 0);  // and the source's last byte, at the same place
    const Bytes runTarget = {'z', 'z', 'z', 'z', 'z', 'z', 'z', 'H'};
    const Bytes literalsLast = {'A', 'B', 'x', 'y'};
    // Copies that go back to the very first byte: of the source (EFGH, then back 8 to
    // ABCD) and of the result (AB, AB again from 0, then back 2 to 0 once more).
    const auto backEight = encoded(8 << 1 | 1), backTwo = encoded(2 << 1 | 1);
    const Bytes sourceBack = {'E', 'F', 'G', 'H', 'A', 'B', 'C', 'D'};
    const Bytes resultBack = {'A', 'B', 'A', 'B', 'A', 'B'};
    const struct {
        const char* what;
        Bytes patch;
        std::optional<Bytes> result;  // nothing: refused
        const char* words;
    } rows[] = {
        {"literal bytes that end exactly at the footer",
         patchOf(source, 4, actionsOf({{(2 - 1) << 2 | 0, {}}, {(2 - 1) << 2 | 1, {'x', 'y'}}}), literalsLast), literalsLast, ""},
        {"a run that copies the byte just written", patchOf(source, 8, run, runTarget), runTarget, ""},
        {"a copy back to the source's first byte",
         patchOf(source, 8, actionsOf({{(4 - 1) << 2 | 2, encoded(4 << 1)}, {(4 - 1) << 2 | 2, backEight}}), sourceBack),
         sourceBack, ""},
        {"a copy back to the result's first byte",
         patchOf(source, 6,
                 actionsOf({{(2 - 1) << 2 | 1, {'A', 'B'}}, {(2 - 1) << 2 | 3, encoded(0)}, {(2 - 1) << 2 | 3, backTwo}}),
                 resultBack),
         resultBack, ""},
        {"a copy from the source 2^63-1 bytes on",
         patchOf(source, 1, actionsOf({{(1 - 1) << 2 | 2, farOffset}}), {'A'}), std::nullopt, "past the end"},
        {"a copy from the result 2^63-1 bytes back",
         patchOf(source, 2, actionsOf({{(1 - 1) << 2 | 1, {'A'}}, {(1 - 1) << 2 | 3, farBack}}), {'A', 'A'}), std::nullopt,
         "past the end"},
        {"a copy from the result of the byte not yet written",
         patchOf(source, 2, actionsOf({{(1 - 1) << 2 | 1, {'A'}}, {(1 - 1) << 2 | 3, encoded(1 << 1)}}), {'A', 'A'}),
         std::nullopt, "a copy from the result at target byte 1 reaches past the end"},
        {"a result whose CRC is not the patch's",
         patchOf(source, 4, actionsOf({{(2 - 1) << 2 | 0, {}}, {(2 - 1) << 2 | 1, {'x', 'y'}}}), {'A', 'B', 'x', 'z'}),
         std::nullopt, "result's CRC-32"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const auto patch = dir.file("edge.bps"), output = dir.file("edge.nds");
        std::filesystem::remove(output);
        writeFile(patch, row.patch);
        if (row.result) {
            EXPECT_EQ(applied(row.patch, source), row.result) << "the reader written here agrees";
        }
        const auto said = runInProcess([&] { return cli::runPatch(dir.file("source.bin"), patch, output); });
        if (row.result) {
            ASSERT_EQ(said.status, cli::Ok) << said.err;
            EXPECT_EQ(readFile(output), *row.result);
        } else {
            EXPECT_EQ(said.status, cli::BadInput) << said.err;
            EXPECT_NE(said.err.find(patch + " cannot be applied"), std::string::npos) << said.err;
            EXPECT_NE(said.err.find(row.words), std::string::npos) << said.err;
            EXPECT_FALSE(std::filesystem::exists(output));
        }
        EXPECT_EQ(readFile(dir.file("source.bin")), source);
    }

    // Files that are no BPS patch: each named as what it is, with what applies it.
    const struct {
        const char* what;
        Bytes patch;
        const char* words;
    } others[] = {
        {"an IPS patch", {'P', 'A', 'T', 'C', 'H', 0, 0, 1, 0, 1, 'x', 'E', 'O', 'F'}, "is an IPS patch, not BPS: apply it with Floating IPS"},
        {"a UPS patch", {'U', 'P', 'S', '1', 0x88, 0x88, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "is a UPS patch, not BPS"},
        {"an xdelta patch", {0xD6, 0xC3, 0xC4, 0x00, 0x00, 0x04, 0x88, 0x00}, "is a VCDIFF (xdelta) patch, not BPS: apply it with xdelta3"},
        {"a ROM", readFile(before), "is a ROM image, not a patch"},
        {"nothing known", {'h', 'e', 'l', 'l', 'o', '!', '!', '!', '!', '!', '!', '!', '!', '!', '!', '!', '!', '!', '!'},
         "cannot be applied: it does not start with \"BPS1\""},
    };
    for (const auto& row : others) {
        SCOPED_TRACE(row.what);
        const auto patch = dir.file("other.patch"), output = dir.file("other.nds");
        writeFile(patch, row.patch);
        const auto said = runInProcess([&] { return cli::runPatch(dir.file("source.bin"), patch, output); });
        EXPECT_EQ(said.status, cli::BadInput);
        EXPECT_NE(said.err.find(patch + " " + row.words), std::string::npos) << said.err;
        EXPECT_FALSE(std::filesystem::exists(output));
    }
    // The ROM and the patch the other way round; a patch that is not there.
    writeFile(dir.file("edge.bps"), patchOf(source, 8, run, runTarget));
    auto said = runInProcess([&] { return cli::runPatch(dir.file("edge.bps"), before, dir.file("swapped.nds")); });
    EXPECT_EQ(said.status, cli::BadInput);
    EXPECT_NE(said.err.find(dir.file("edge.bps") + " is the BPS patch and " + before + " is not"), std::string::npos)
        << said.err;
    said = runInProcess([&] { return cli::runPatch(before, dir.file("nonexist.bps"), dir.file("none.nds")); });
    EXPECT_EQ(said.status, cli::BadInput);
    EXPECT_NE(said.err.find("nonexist.bps cannot be read: "), std::string::npos) << said.err;

#ifndef _WIN32
    // A disk image given as the patch: refused by its size, before a byte of it is read.
    const auto huge = dir.file("huge.bps");
    writeFile(huge, {'B', 'P', 'S', '1'});
    std::filesystem::resize_file(huge, std::uintmax_t{2} << 30);
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto peakBefore = usage.ru_maxrss;
    said = runInProcess([&] { return cli::runPatch(before, huge, dir.file("huge.nds")); });
    ::getrusage(RUSAGE_SELF, &usage);
    EXPECT_EQ(said.status, cli::BadInput);
    EXPECT_NE(said.err.find("larger than any patch"), std::string::npos) << said.err;
    EXPECT_LT(usage.ru_maxrss - peakBefore, 64 * 1024) << "KiB more at the peak: the file was read";
#endif
}

} // namespace
