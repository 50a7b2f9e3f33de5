// Sheets as spreadsheets save them, and the ROM's safety while they are imported: run
// in this process, so that the same tests run on Linux and, under wine, on Windows.
#include "cli/CliErrors.h"
#include "cli/Commands.h"
#include "cli/SheetText.h"
#include "platform/FileServices.h"
#include "romimage/RomImage.h"

#include "InProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#ifndef _WIN32
#include <unistd.h>
#endif

using namespace quillmark;
using namespace quillmark::test;

namespace {

class Sheets : public ::testing::Test {
protected:
    void SetUp() override
    {
        romimage::ImageRecipe recipe;
        recipe.records = *romimage::readPersonalCsv(samplesDir() + "/dp_personal.csv", nullptr);
        ASSERT_TRUE(romimage::writeRomImage(rom, recipe, nullptr, &layout));
        before = readFile(rom);
    }

    template <class Command>
    static Said run(Command command)
    {
        return runInProcess(command);
    }

    std::string sheet(const std::string& name, const std::string& bytes)
    {
        const auto path = dir.file(name);
        writeFile(path, Bytes(bytes.begin(), bytes.end()));
        return path;
    }

    Said import(const std::string& path, bool dryRun = false)
    {
        return run([&] { return cli::runImport(rom, path, "", dryRun); });
    }

    std::int64_t recordOf(int index) const { return layout.tableBase + 44 * std::int64_t{index}; }

    TempDir dir;
    std::string rom = dir.file("rom.nds");
    romimage::ImageLayout layout;
    Bytes before;
};

std::string utf16le(std::string_view ascii)
{
    std::string out = "\xFF\xFE";
    for (const char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// Slowpoke (78) gets King's Rock (item 221) and Poké Ball (item 4), typed as each
// spreadsheet saves them.
TEST_F(Sheets, EveryEncodingASpreadsheetSavesGivesTheSameBytes)
{
    const std::string utf8 = "name,item1,item2\r\nSlowpoke,King\xE2\x80\x99s Rock,Pok\xC3\xA9 Ball\r\n";
    const struct {
        const char* name;
        std::string bytes;
        bool noted;  // said to be read as Windows-1252
    } sheets[] = {
        {"utf-8.csv", utf8, false},
        {"utf-8-bom.csv", "\xEF\xBB\xBF" + utf8, false},
        {"windows-1252.csv", "name,item1,item2\r\nSlowpoke,King\x92s Rock,Pok\xE9 Ball\r\n", true},
        // Excel's "Unicode Text": UTF-16LE with its mark, tab-separated (ASCII names here).
        {"unicode-text.txt", utf16le("name\titem1\titem2\r\nSlowpoke\tKings Rock\tPoke Ball\r\n"), false},
    };
    const auto item1 = static_cast<std::size_t>(recordOf(78) + 12);
    for (const auto& s : sheets) {
        SCOPED_TRACE(s.name);
        writeFile(rom, before);
        const auto said = import(sheet(s.name, s.bytes));
        ASSERT_EQ(said.status, cli::Ok) << said.err;
        const auto after = readFile(rom);
        EXPECT_EQ(differingOffsets(before, after),
                  (std::vector<std::int64_t>{recordOf(78) + 12, recordOf(78) + 14, recordOf(78) + 15}));
        EXPECT_EQ(after[item1] | after[item1 + 1] << 8, 221);
        EXPECT_EQ(after[item1 + 2] | after[item1 + 3] << 8, 4);
        EXPECT_EQ(said.err.find("read as Windows-1252, not UTF-8") != std::string::npos, s.noted) << said.err;
    }

    // An --excel export, edited as a spreadsheet would and imported back.
    writeFile(rom, before);
    cli::ExportOptions options;
    options.output = dir.file("excel.csv");
    ASSERT_EQ(run([&] { return cli::runExport(rom, options); }).status, cli::Ok);
    auto text = readFile(options.output);
    std::string exported(text.begin(), text.end());
    ASSERT_TRUE(exported.starts_with("\xEF\xBB\xBFindex,dex,name,"));
    // Gender ratios without the trailing blank, so without quotes.
    EXPECT_EQ(exported.find("50% M 50% F \""), std::string::npos);
    EXPECT_NE(exported.find(",50% M 50% F,"), std::string::npos);
    const std::string row = "\r\n78,79,Slowpoke,";
    const auto at = exported.find(row);
    ASSERT_NE(at, std::string::npos);
    const auto end = exported.find("\r\n", at + 2);
    auto fields = exported.substr(at + 2, end - at - 2);
    for (const auto& [from, to] : {std::pair<std::string, std::string>{",-No Item-,Lagging Tail,", ",King\xE2\x80\x99s Rock,Pok\xC3\xA9 Ball,"}}) {
        const auto p = fields.find(from);
        ASSERT_NE(p, std::string::npos) << fields;
        fields.replace(p, from.size(), to);
    }
    exported.replace(at + 2, end - at - 2, fields);
    const auto said = import(sheet("excel-edited.csv", exported));
    ASSERT_EQ(said.status, cli::Ok) << said.err;
    EXPECT_EQ(differingOffsets(before, readFile(rom)),
              (std::vector<std::int64_t>{recordOf(78) + 12, recordOf(78) + 14, recordOf(78) + 15}));
}

TEST_F(Sheets, WhatIsNoSheetIsNamedForWhatItIs)
{
    const struct {
        const char* name;
        std::string bytes;
        const char* words;
    } files[] = {
        {"book.xlsx", std::string("PK\x03\x04", 4) + std::string(26, '\0') + "xl/workbook.xml", "is an Excel workbook (.xlsx)"},
        {"book.ods", std::string("PK\x03\x04", 4) + std::string(26, '\0') + "mimetypeapplication/vnd.oasis.opendocument.spreadsheet",
         "is an OpenDocument spreadsheet (.ods)"},
        {"old.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(100, '\0'), "is an Excel 97-2003 workbook (.xls)"},
        {"rom-copy.csv", std::string(before.begin(), before.begin() + 0x200), "is a ROM image, not a CSV or JSON sheet"},
    };
    for (const auto& f : files) {
        const auto said = import(sheet(f.name, f.bytes));
        EXPECT_EQ(said.status, cli::BadInput) << f.name;
        EXPECT_NE(said.err.find(f.words), std::string::npos) << said.err;
        EXPECT_EQ(said.err.find("header"), std::string::npos) << said.err;
    }
    EXPECT_NE(import(dir.file("book.xlsx")).err.find("CSV UTF-8"), std::string::npos) << "how to save it";
    EXPECT_EQ(readFile(rom), before);
}

// Another program cuts the ROM short between a write's check and the write: the write
// that made it longer again is taken back, and the import ends with 3, naming what
// went in.
TEST_F(Sheets, ARomCutShortWhileAnImportWritesIsNotExtendedAgain)
{
    const auto path = sheet("two.csv", "index,hp\r\n10,1\r\n20,2\r\n");
    const auto cut = recordOf(15);
    int writes = 0;
    platform::setAfterWriteCheckObserver([&] {
        if (++writes == 2)
            std::filesystem::resize_file(platform::nativePath(rom), static_cast<std::uintmax_t>(cut));
    });
    const auto said = import(path);
    platform::setAfterWriteCheckObserver({});
    EXPECT_EQ(said.status, cli::WriteIncomplete) << said.err;
    EXPECT_NE(said.err.find("1 of 2 changed species were written (Metapod (10)); not written: Spearow (20)"),
              std::string::npos) << said.err;
    EXPECT_EQ(fileSize(rom), cut) << "the length the other program left, with no hole";
    EXPECT_EQ(readFile(rom)[static_cast<std::size_t>(recordOf(10))], 1);
}

// Edges a plausible slip would cross unseen.
TEST_F(Sheets, FieldNamesMachinesAndSpeciesAtTheirEdges)
{
    // Hyphens for underscores, in a field and in a header.
    auto said = run([&] { return cli::runSet(rom, "0", {"sp-attack=66"}, false); });
    EXPECT_EQ(said.status, cli::Ok) << said.err;
    EXPECT_EQ(readFile(rom)[static_cast<std::size_t>(recordOf(0) + 4)], 66);
    said = import(sheet("hyphen.csv", "index,Sp-Attack\r\n0,67\r\n"));
    EXPECT_EQ(said.status, cli::Ok) << said.err;
    EXPECT_EQ(readFile(rom)[static_cast<std::size_t>(recordOf(0) + 4)], 67);

    // Moves typed without their hyphens; a machines object whose value is no flag.
    said = run([&] { return cli::runSet(rom, "0", {"machines+=will o wisp", "machines-=x scissor"}, true); });
    EXPECT_NE(said.out.find("machines +TM61"), std::string::npos) << said.out << said.err;
    said = import(sheet("flags.json", R"([{"index": 0, "machines": {"TM01": "x", "TM02": true}}])"));
    EXPECT_EQ(said.status, cli::BadInput);
    EXPECT_NE(said.err.find(R"("TM01": "x" is neither true, false nor the move that machine teaches)"), std::string::npos)
        << said.err;
    said = import(sheet("moves.json", R"([{"index": 0, "machines": {"TM01": "focus punch"}}])"), true);
    EXPECT_EQ(said.status, cli::Ok) << said.err;

    // Apostrophes and blanks that look like the list's own.
    for (const char* typed : {"King\xE2\x80\x98s Rock", "King`s Rock", "King\xC2\xB4s Rock", "King\xE2\x80\x99s\xC2\xA0Rock"}) {
        said = run([&] { return cli::runSet(rom, "78", {std::string("item1=") + typed}, true); });
        EXPECT_NE(said.out.find("item1 -No Item- -> King\xE2\x80\x99s Rock"), std::string::npos) << typed << said.err;
    }

    // get takes every column an export writes, and dex:493.
    said = run([&] { return cli::runGet(rom, "dex:493", {"name", "dex", "index", "hp"}, true); });
    EXPECT_EQ(said.out, "Arceus\n493\n492\n120\n") << said.err;
    said = run([&] { return cli::runGet(rom, "0", {"nme"}); });
    EXPECT_EQ(said.err.find("nothing was written"), std::string::npos) << "get writes nothing: " << said.err;

    // By its name alone, before anything is read.
    cli::ExportOptions options;
    options.output = dir.file("new.srl");
    said = run([&] { return cli::runExport(dir.file("missing.nds"), options); });
    EXPECT_EQ(said.status, cli::BadInput) << said.err;
    EXPECT_FALSE(std::filesystem::exists(platform::nativePath(options.output)));
}

// A spreadsheet that has a sheet open leaves its lock file beside it.
TEST_F(Sheets, ASheetOpenInAnotherProgramIsSaidToBe)
{
    const auto path = sheet("open.csv", "index,hp\r\n0,46\r\n");
    writeFile(dir.file(".~lock.open.csv#"), Bytes(10, 'x'));
    auto said = import(path);
    EXPECT_EQ(said.status, cli::Ok) << said.err;
    EXPECT_NE(said.err.find("open.csv is open in another program (LibreOffice's lock file .~lock.open.csv# lies beside it)"),
              std::string::npos) << said.err;
    cli::ExportOptions options;
    options.output = path;
    said = run([&] { return cli::runExport(rom, options); });
    EXPECT_EQ(said.status, cli::BadInput);
    EXPECT_NE(said.err.find("is open in another program"), std::string::npos) << said.err;
    EXPECT_EQ(readFile(path).size(), 16u) << "left as it was";
}

#ifndef _WIN32
// Only its owner may make a file writable: advice to do so would not help.
TEST_F(Sheets, ARomOfAnotherUserIsNamedAsSuch)
{
    ASSERT_EQ(::chown(rom.c_str(), 54321, 54321), 0);
    FaultyFileServices unwritable;  // as for anyone but its owner: tests run as root
    unwritable.failOpenNumber = 1;
    unwritable.andAfter = true;
    platform::ScopedFileServices scoped(unwritable);
    const auto said = run([&] { return cli::runSet(rom, "0", {"hp=1"}, false); });
    EXPECT_EQ(said.status, cli::BadRom);
    EXPECT_NE(said.err.find("belongs to another user (user 54321)"), std::string::npos) << said.err;
    EXPECT_EQ(said.err.find("chmod"), std::string::npos) << said.err;
    EXPECT_EQ(readFile(rom), before);
}
#endif

// HM05 is Defog in Diamond, Pearl and Platinum, Whirlpool in HeartGold and SoulSilver.
TEST_F(Sheets, MachinesByMoveFollowTheGame)
{
    romimage::ImageRecipe recipe;
    recipe.gameCode = "IPKE";
    recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/hgss_personal.csv", nullptr);
    const auto heartGold = dir.file("hg.nds");
    ASSERT_TRUE(romimage::writeRomImage(heartGold, recipe, nullptr));
    auto said = run([&] { return cli::runSet(heartGold, "Bulbasaur", {"machines+=Whirlpool"}, true); });
    EXPECT_NE(said.out.find("machines +HM05"), std::string::npos) << said.err;
    said = run([&] { return cli::runSet(heartGold, "Bulbasaur", {"machines+=Defog"}, true); });
    EXPECT_EQ(said.status, cli::BadInput);
    said = run([&] { return cli::runSet(rom, "Bulbasaur", {"machines+=Defog"}, true); });
    EXPECT_NE(said.out.find("machines +HM05"), std::string::npos) << said.err;
}

} // namespace

namespace {

// Windows-1252's 0x80..0x9F as the Unicode Consortium's mapping table (cp1252.txt)
// gives them, in UTF-8; empty where it defines no character.
const char* const kWindows1252Row8And9[32] = {
    "\u20AC", "",       "\u201A", "\u0192", "\u201E", "\u2026", "\u2020", "\u2021",
    "\u02C6", "\u2030", "\u0160", "\u2039", "\u0152", "",       "\u017D", "",
    "",       "\u2018", "\u2019", "\u201C", "\u201D", "\u2022", "\u2013", "\u2014",
    "\u02DC", "\u2122", "\u0161", "\u203A", "\u0153", "",       "\u017E", "\u0178",
};

// Each byte 0x80..0x9F in a sheet's name cell: a character of Windows-1252 is read as
// it, and the five it leaves undefined are named with their place; both UTF-16 byte
// orders and both UTF-32 ones by their marks.
TEST_F(Sheets, EachEncodingByteAndByteOrderIsReadOrNamed)
{
    for (int byte = 0x80; byte <= 0x9F; ++byte) {
        const auto expected = std::string(kWindows1252Row8And9[byte - 0x80]);
        const std::string bytes = "index,hp\r\n0,45\r\n1,6" + std::string(1, static_cast<char>(byte)) + "\r\n";
        if (!expected.empty()) {
            EXPECT_EQ(cli::decodeSheet(bytes).utf8, "index,hp\r\n0,45\r\n1,6" + expected + "\r\n") << byte;
            EXPECT_FALSE(cli::unreadableText(bytes)) << byte;
            continue;
        }
        const auto said = import(sheet("undefined.csv", bytes));
        EXPECT_EQ(said.status, cli::BadInput) << byte;
        static constexpr char kHex[] = "0123456789ABCDEF";
        const std::string name = std::string("byte 0x") + kHex[byte >> 4] + kHex[byte & 15] + " at line 3, byte 4 of that line";
        EXPECT_NE(said.err.find(name), std::string::npos) << said.err;
        EXPECT_EQ(said.err.find("binary"), std::string::npos) << said.err;
    }
    // "Aé" with each byte order mark.
    EXPECT_EQ(cli::decodeSheet(std::string("\xFF\xFE" "A\0\xE9\0", 6)).utf8, "A\xC3\xA9");
    EXPECT_EQ(cli::decodeSheet(std::string("\xFE\xFF\0A\0\xE9", 6)).utf8, "A\xC3\xA9");
    EXPECT_EQ(cli::decodeSheet(std::string("\xFE\xFF\xD8\x3D\xDE\x00", 6)).utf8, "\xF0\x9F\x98\x80") << "a pair";
    const struct {
        std::string bytes;
        const char* words;
    } utf32[] = {
        {std::string("\xFF\xFE\0\0A\0\0\0", 8), "is UTF-32 text (little-endian"},
        {std::string("\0\0\xFE\xFF\0\0\0A", 8), "is UTF-32 text (big-endian"},
    };
    for (const auto& u : utf32) {
        const auto said = import(sheet("utf32.csv", u.bytes));
        EXPECT_EQ(said.status, cli::BadInput);
        EXPECT_NE(said.err.find(u.words), std::string::npos) << said.err;
    }
    EXPECT_EQ(readFile(rom), before);
}

} // namespace
