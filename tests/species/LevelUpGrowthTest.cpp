// A learnset overhaul that outgrows the level-up archive's room: the archive moves
// after the used image, on images laid out as cartridges are dumped, trimmed, full or
// rebuilt, and checked against the games' learnset tables and the header's CRC.
#include "platform/FileServices.h"
#include "rom/LittleEndian.h"
#include "rom/NitroFs.h"
#include "rom/RomIdentification.h"
#include "romimage/RomImage.h"
#include "species/RomDocument.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quillmark;
using namespace quillmark::test;
using species::LevelUpMoves;
using species::MoveEdits;

namespace {

struct Game {
    const char* code;
    const char* personal;
    const char* learnsets;
    const char* levelUpPath;
};
const Game kPlatinum{"CPUE", "pt_personal.csv", "pt_learnsets.csv", "poketool/personal/wotbl.narc"};
const Game kHeartGold{"IPKE", "hgss_personal.csv", "hgss_learnsets.csv", "a/0/3/3"};

std::int64_t aligned(std::int64_t value) { return (value + 511) / 512 * 512; }

class LevelUpGrowth : public ::testing::Test {
protected:
    std::string image(const Game& game, romimage::Tail tail, bool last = false)
    {
        romimage::ImageRecipe recipe;
        recipe.gameCode = game.code;
        recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/" + game.personal, nullptr);
        recipe.tail = tail;
        recipe.levelUpLast = last;
        path = dir.file(std::string(game.code) + ".nds");
        EXPECT_TRUE(romimage::writeRomImage(path, recipe, nullptr, &layout));
        return path;
    }

    // As a command does it: one open under the lock, the lists read, the edits applied.
    Result<Done, species::SpeciesError> write(const Game& game, const MoveEdits& edits)
    {
        auto file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
        EXPECT_TRUE((*file)->lockForWriting(species::kLockWait));
        const auto table = species::locateSpeciesTable(**file, game.code);
        species::RomDocument document(path, {game.code, *table}, std::move(*file));
        if (auto read = document.read<species::MoveArchivesPart>(); !read)
            return read.error();
        const auto written = document.apply({{}, edits});
        if (written.error)
            return *written.error;
        return Done{};
    }

    std::vector<LevelUpMoves> lists(const Game& game) const
    {
        auto file = platform::fileServices().open(path, platform::FileAccess::Read);
        const auto read = species::readMoveArchives(**file, game.code);
        EXPECT_TRUE(read) << (read ? "" : read.error().detail);
        return read ? read->levelUpMoves : std::vector<LevelUpMoves>{};
    }

    // Where the file table says the archive lies, and where its entry is.
    struct Entry {
        std::int64_t at, start, end;
    };
    Entry entry(const Game& game) const
    {
        auto file = platform::fileServices().open(path, platform::FileAccess::Read);
        auto fs = rom::NitroFs::read(**file);
        const auto id = *fs->fileId(game.levelUpPath);
        const auto extent = *fs->extent(id);
        return {fs->fatEntryOffset(id), extent.start, extent.end};
    }

    static std::vector<LevelUpMoves> reference(const Game& game)
    {
        std::vector<LevelUpMoves> lists(508);
        for (const auto& row : sampleCsv(game.learnsets))
            lists.at(std::stoul(row.at("member"))).push_back({std::stoi(row.at("level")), std::stoi(row.at("move_id"))});
        return lists;
    }

    // `count` members from `first` on whose lists take `more` entries more, each given them.
    static MoveEdits overhaul(std::vector<LevelUpMoves>& expected, int first, int count, int more)
    {
        MoveEdits edits;
        for (int member = first; count > 0 && member < static_cast<int>(expected.size()); ++member) {
            auto& list = expected[static_cast<std::size_t>(member)];
            if (list.empty() || list.size() + static_cast<std::size_t>(more) > 20)
                continue;
            for (int k = 0; k < more; ++k)
                list.push_back({100, 1 + k});  // Pound, Karate Chop, DoubleSlap
            edits.levelUp[member] = list;
            --count;
        }
        EXPECT_EQ(count, 0);
        return edits;
    }

    // A header word changed as another tool would leave it: the CRC made to match.
    void setHeaderWord(std::size_t at, std::uint32_t value) const
    {
        patchWord32(path, static_cast<std::int64_t>(at), value);
        Bytes header = readFile(path);
        const auto crc = rom::headerCrc16(header.data(), 0x15E);
        patchFile(path, 0x15E, {static_cast<std::uint8_t>(crc), static_cast<std::uint8_t>(crc >> 8)});
    }

    // Where file `filePath` lies, and where its file table entry is.
    Entry entryOf(const std::string& filePath) const
    {
        auto file = platform::fileServices().open(path, platform::FileAccess::Read);
        auto fs = rom::NitroFs::read(**file);
        const auto id = *fs->fileId(filePath);
        const auto extent = *fs->extent(id);
        return {fs->fatEntryOffset(id), extent.start, extent.end};
    }

    static bool headerCrcHolds(const Bytes& image)
    {
        return rom::headerCrc16(image.data(), 0x15E) == rom::le16(image, 0x15E);
    }

    TempDir dir;
    std::string path;
    romimage::ImageLayout layout;
};

TEST(HeaderCrc, IsCrc16Modbus)
{
    // The catalogued check value of CRC-16/MODBUS.
    const std::string text = "123456789";
    EXPECT_EQ(rom::headerCrc16(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), 0x4B37);
}

// 200 species learn 3 moves more: the archive moves after the used image; then 100
// more species grow it in place there; then 50 lose a move and it keeps its place.
TEST_F(LevelUpGrowth, AnOverhaulMovesTheArchiveThenGrowsAndShrinksItThere)
{
    for (const auto* game : {&kPlatinum, &kHeartGold}) {
        SCOPED_TRACE(game->code);
        image(*game, romimage::Tail::Padded);
        const auto before = readFile(path);
        const auto old = entry(*game);
        auto expected = reference(*game);

        ASSERT_TRUE(write(*game, overhaul(expected, 1, 200, 3)));
        auto after = readFile(path);
        const auto moved = entry(*game);
        EXPECT_EQ(moved.start, aligned(layout.usedSize)) << "the first 512-byte boundary at or after the used size";
        EXPECT_EQ(rom::le32(after, 0x80), moved.end);
        EXPECT_TRUE(headerCrcHolds(after));
        EXPECT_EQ(lists(*game), expected);
        EXPECT_EQ(static_cast<std::int64_t>(after.size()), layout.capacity) << "nothing past the capacity";
        for (const auto offset : differingOffsets(before, after)) {
            const bool archive = offset >= moved.start && offset < moved.end;
            const bool fat = offset >= moved.at && offset < moved.at + 8;
            const bool header = (offset >= 0x80 && offset < 0x84) || (offset >= 0x15E && offset < 0x160);
            ASSERT_TRUE(archive || fat || header) << offset;
        }
        EXPECT_EQ(Bytes(after.begin() + old.start, after.begin() + old.end),
                  Bytes(before.begin() + old.start, before.begin() + old.end))
            << "the old bytes stay where they were";

        ASSERT_TRUE(write(*game, overhaul(expected, 300, 100, 1)));
        const auto grown = entry(*game);
        EXPECT_EQ(grown.start, moved.start) << "grown in place";
        EXPECT_GT(grown.end, moved.end);
        after = readFile(path);
        EXPECT_EQ(rom::le32(after, 0x80), grown.end);
        EXPECT_TRUE(headerCrcHolds(after));
        EXPECT_EQ(lists(*game), expected);

        MoveEdits shorter;
        for (int member = 1; member <= 50; ++member) {
            auto& list = expected[static_cast<std::size_t>(member)];
            list.pop_back();
            shorter.levelUp[member] = list;
        }
        ASSERT_TRUE(write(*game, shorter));
        EXPECT_EQ(entry(*game).start, moved.start) << "a shorter archive keeps its place";
        EXPECT_TRUE(headerCrcHolds(readFile(path)));
        EXPECT_EQ(lists(*game), expected);
    }
}

// Where the room after the used image comes from, checked before anything is written.
TEST_F(LevelUpGrowth, TheRoomIsPaddingOrATrimmedImagesEndUpToTheCapacity)
{
    const struct {
        const char* what;
        romimage::Tail tail;
        bool last;
        std::int64_t stray;  // a byte that is no padding, this far after the used size; -1: none
        bool written;
    } rows[] = {
        {"padded with 0xFF", romimage::Tail::Padded, false, -1, true},
        {"zeros after the used image", romimage::Tail::Zeros, false, -1, true},
        {"trimmed", romimage::Tail::Trimmed, false, -1, true},
        {"rebuilt with the archive last, trimmed", romimage::Tail::Trimmed, true, -1, true},
        {"at capacity, no padding", romimage::Tail::Full, false, -1, false},
        {"a stray byte in the padding", romimage::Tail::Padded, false, 100, false},
        {"a stray byte at the used size", romimage::Tail::Padded, false, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        image(kPlatinum, row.tail, row.last);
        if (row.stray >= 0)
            patchFile(path, layout.usedSize + row.stray, {0x42});
        const auto before = readFile(path);
        const auto old = entry(kPlatinum);
        auto expected = reference(kPlatinum);
        const auto written = write(kPlatinum, overhaul(expected, 1, 200, 3));
        ASSERT_EQ(written.ok(), row.written) << (written ? "" : written.error().detail);
        if (!row.written) {
            EXPECT_EQ(written.error().kind, species::SpeciesFailure::NoRoomForMoves);
            EXPECT_EQ(readFile(path), before);
            continue;
        }
        const auto now = entry(kPlatinum);
        EXPECT_EQ(now.start, row.last ? old.start : aligned(layout.usedSize));
        EXPECT_EQ(lists(kPlatinum), expected);
        if (row.tail == romimage::Tail::Trimmed)
            EXPECT_EQ(fileSize(path), aligned(now.end)) << "grown by exactly the aligned archive";
        else
            EXPECT_EQ(fileSize(path), layout.fileSize);
    }
}

// A cut after any write step (a crash, a kill, a power cut) leaves the lists as they
// were or as they were meant to be.
TEST_F(LevelUpGrowth, ACutAfterAnyStepLeavesTheListsBeforeOrAfter)
{
    image(kHeartGold, romimage::Tail::Trimmed);
    const auto pristine = readFile(path);
    const auto original = reference(kHeartGold);
    auto expected = original;
    const auto edits = overhaul(expected, 1, 200, 3);
    FaultyFileServices counting;
    {
        platform::ScopedFileServices installed(counting);
        ASSERT_TRUE(write(kHeartGold, edits));
    }
    const int steps = counting.writes;
    ASSERT_GE(steps, 4) << "the image grown, the archive, its entry, the header";
    for (int stop = 1; stop <= steps; ++stop) {
        writeFile(path, pristine);
        FaultyFileServices killed;
        killed.stopWritesFrom = stop;
        {
            platform::ScopedFileServices installed(killed);
            EXPECT_FALSE(write(kHeartGold, edits)) << stop;
        }
        const auto now = lists(kHeartGold);
        EXPECT_TRUE(now == original || now == expected) << "cut after step " << stop - 1 << " of " << steps;
    }
}

// Some hack engines store 4-byte entries: recognised and refused, never decoded.
TEST_F(LevelUpGrowth, AnArchiveOfFourByteEntriesIsRefusedWithItsReason)
{
    auto members = romimage::levelUpMembersOf("CPUE");
    for (auto& member : members) {
        std::vector<std::uint8_t> wide;
        for (std::size_t at = 0; at + 2 <= member.size(); at += 2) {
            const unsigned word = member[at] | unsigned{member[at + 1]} << 8;
            if (word == 0xFFFF)
                break;
            const unsigned move = word & 0x1FF, level = word >> 9;
            wide.insert(wide.end(), {static_cast<std::uint8_t>(move), static_cast<std::uint8_t>(move >> 8),
                                     static_cast<std::uint8_t>(level), 0});
        }
        wide.insert(wide.end(), {0xFF, 0xFF, 0x00, 0x00});
        member = wide;
    }
    romimage::ImageRecipe recipe;
    recipe.gameCode = "CPUE";
    recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/pt_personal.csv", nullptr);
    recipe.levelUpMembers = members;
    path = dir.file("wide.nds");
    ASSERT_TRUE(romimage::writeRomImage(path, recipe, nullptr, &layout));
    auto file = platform::fileServices().open(path, platform::FileAccess::Read);
    const auto read = species::readMoveArchives(**file, "CPUE");
    ASSERT_TRUE(read) << "the evolutions are still read";
    const auto refused = read->levelUpReadable();
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().detail.find("4-byte entries"), std::string::npos) << refused.error().detail;
    const auto before = readFile(path);
    auto garchomp = read->levelUpMoves[445];
    garchomp.push_back({49, 89});
    EXPECT_FALSE(write(kPlatinum, {{{445, garchomp}}, {}}));
    EXPECT_EQ(readFile(path), before);
}

// A move lands after everything the ROM's own tables give bytes to, whatever the used
// size says, and takes the download-play block at the used size along; every byte
// outside the archive, its entry, the used size and the CRC (and the block) stays.
TEST_F(LevelUpGrowth, AMovedArchiveLandsWhereNothingElseLies)
{
    constexpr std::int64_t kBlock = 0x88;
    const struct {
        const char* what;
        romimage::Tail tail;
        // The damage done to the image, and where the archive must then go.
        enum { UnusedFileInPadding, UsedSizeBelowLastFile, DownloadPlayBlock, BlockOnABoundary } kind;
        bool archiveLast = false;  // the archive lies last, the block right after it
    } rows[] = {
        {"an unused file listed in the 0xFF padding", romimage::Tail::Padded, rows[0].UnusedFileInPadding},
        {"an unused file listed in zero padding", romimage::Tail::Zeros, rows[0].UnusedFileInPadding},
        {"the used size 0x600 below the last file's end", romimage::Tail::Padded, rows[0].UsedSizeBelowLastFile},
        {"a download-play block at the used size", romimage::Tail::Padded, rows[0].DownloadPlayBlock},
        {"a download-play block at a trimmed image's end", romimage::Tail::Trimmed, rows[0].DownloadPlayBlock},
        {"a download-play block at a used size on a 512-byte boundary", romimage::Tail::Padded,
         rows[0].BlockOnABoundary},
        {"a download-play block right after an archive that lies last", romimage::Tail::Padded,
         rows[0].DownloadPlayBlock, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        image(kPlatinum, row.tail, row.archiveLast);
        if (row.archiveLast) {
            ASSERT_EQ(entry(kPlatinum).end, layout.usedSize) << "the block follows the archive at once";
        }
        std::int64_t expectedStart = aligned(layout.usedSize);
        Entry unused{};
        Bytes block;
        switch (row.kind) {
        case row.UnusedFileInPadding:
            // Platinum's leftover copy of Diamond's archive, pointed past the used size.
            unused = entryOf("poketool/personal/personal.narc");
            unused.start = aligned(layout.usedSize) + 512;
            unused.end = unused.start + 4096;
            patchWord32(path, unused.at, static_cast<std::uint32_t>(unused.start));
            patchWord32(path, unused.at + 4, static_cast<std::uint32_t>(unused.end));
            expectedStart = unused.end;
            break;
        case row.UsedSizeBelowLastFile:
            setHeaderWord(0x80, static_cast<std::uint32_t>(layout.usedSize - 0x600));
            break;
        case row.BlockOnABoundary:
            // The used size moved up to the boundary, over the 0xFF padding before it.
            layout.usedSize = aligned(layout.usedSize);
            setHeaderWord(0x80, static_cast<std::uint32_t>(layout.usedSize));
            [[fallthrough]];
        case row.DownloadPlayBlock:
            block = {'a', 'c', 0x01, 0x00};
            for (int k = 4; k < kBlock; ++k)
                block.push_back(static_cast<std::uint8_t>(0x40 + k));
            if (row.tail == romimage::Tail::Trimmed) {
                auto bytes = readFile(path);
                bytes.insert(bytes.end(), block.begin(), block.end());
                writeFile(path, bytes);
            } else {
                patchFile(path, layout.usedSize, block);
            }
            expectedStart = aligned(layout.usedSize + kBlock);
            break;
        }
        const auto before = readFile(path);
        auto expected = reference(kPlatinum);
        ASSERT_TRUE(write(kPlatinum, overhaul(expected, 1, 200, 3)));
        const auto after = readFile(path);
        const auto moved = entry(kPlatinum);
        EXPECT_EQ(moved.start, expectedStart);
        EXPECT_EQ(rom::le32(after, 0x80), moved.end) << "the used size covers the moved archive";
        EXPECT_TRUE(headerCrcHolds(after));
        EXPECT_EQ(lists(kPlatinum), expected) << "the ROM reads again, nothing shares bytes with the archive";
        if (!block.empty()) {
            EXPECT_EQ(Bytes(after.begin() + moved.end, after.begin() + moved.end + kBlock), block)
                << "the block again at the new used size";
        }
        for (const auto offset : differingOffsets(before, after)) {
            const bool archive = offset >= moved.start && offset < moved.end;
            const bool fat = offset >= moved.at && offset < moved.at + 8;
            const bool header = (offset >= 0x80 && offset < 0x84) || (offset >= 0x15E && offset < 0x160);
            const bool movedBlock = !block.empty() && offset >= moved.end && offset < moved.end + kBlock;
            const bool grown = offset >= static_cast<std::int64_t>(before.size());
            ASSERT_TRUE(archive || fat || header || movedBlock || grown) << offset;
        }
        if (row.tail == romimage::Tail::Trimmed) {
            EXPECT_EQ(fileSize(path), aligned(moved.end + kBlock));
        }
    }
}

// The archive lies last with the used size below it (a tool left it there, or a write
// was cut before the header took the archive's end): it grows in place only over
// padding, and the used size then covers it.
TEST_F(LevelUpGrowth, AUsedSizeBelowALastArchiveIsMendedByItsGrowth)
{
    const struct {
        const char* what;
        bool stray;
    } rows[] = {{"padding after it", false}, {"a byte 0x41 16 bytes after it", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        image(kPlatinum, romimage::Tail::Padded, true);
        const auto old = entry(kPlatinum);
        setHeaderWord(0x80, static_cast<std::uint32_t>(old.start - 0x100));
        if (row.stray)
            patchFile(path, old.end + 16, {0x41});
        const auto before = readFile(path);
        auto expected = reference(kPlatinum);
        const auto written = write(kPlatinum, overhaul(expected, 1, 20, 2));
        if (row.stray) {
            ASSERT_FALSE(written);
            EXPECT_EQ(written.error().kind, species::SpeciesFailure::NoRoomForMoves);
            EXPECT_NE(written.error().detail.find("byte " + std::to_string(old.end + 16) + " holds 65"), std::string::npos)
                << written.error().detail;
            EXPECT_EQ(readFile(path), before);
            continue;
        }
        ASSERT_TRUE(written) << written.error().detail;
        const auto grown = entry(kPlatinum);
        EXPECT_EQ(grown.start, old.start) << "grown in place";
        EXPECT_EQ(rom::le32(readFile(path), 0x80), grown.end);
        EXPECT_TRUE(headerCrcHolds(readFile(path)));
        EXPECT_EQ(lists(kPlatinum), expected);
    }
}

// Another program cuts the file back to its used size (as a trimmer does) just before
// or just after any write of a move, the file table's entry included: the write is
// reported as not done, and the file is the image as it was, cut: the header and the
// entry as they were, the lists as they were, nothing pointing past the end.
TEST_F(LevelUpGrowth, AFileCutDuringAMoveIsReportedAsNotDone)
{
    image(kPlatinum, romimage::Tail::Padded);
    const auto pristine = readFile(path);
    const auto original = reference(kPlatinum);
    auto expected = original;
    const auto edits = overhaul(expected, 1, 200, 3);
    const auto old = entry(kPlatinum);
    FaultyFileServices counting;
    {
        platform::ScopedFileServices installed(counting);
        ASSERT_TRUE(write(kPlatinum, edits));
    }
    const int steps = counting.writes;
    ASSERT_EQ(steps, 3) << "the archive, the header, the file table entry";
    const Bytes cut(pristine.begin(), pristine.begin() + layout.usedSize);
    for (const bool before : {true, false}) {
        for (int step = 1; step <= steps; ++step) {
            SCOPED_TRACE(std::string(before ? "just before" : "just after") + " write " + std::to_string(step));
            writeFile(path, pristine);
            FaultyFileServices trimmer;
            auto trim = [&](int n) {
                if (n == step)
                    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(layout.usedSize));
            };
            (before ? trimmer.beforeEachWrite : trimmer.afterWrite) = trim;
            Result<Done, species::SpeciesError> written = Done{};
            {
                platform::ScopedFileServices installed(trimmer);
                written = write(kPlatinum, edits);
            }
            ASSERT_FALSE(written);
            EXPECT_TRUE(written.error().kind == species::SpeciesFailure::WriteFailed ||
                        written.error().kind == species::SpeciesFailure::RomChanged);
            EXPECT_EQ(readFile(path), cut) << written.error().detail;
            EXPECT_EQ(entry(kPlatinum).start, old.start);
            EXPECT_EQ(lists(kPlatinum), original);
        }
    }
    // Another program changes what the writer just wrote (the header's used size after
    // the header, the entry after the entry): the read-back sees it, the write is not
    // done, and the header and the entry are put back as read.
    const struct {
        const char* what;
        int step;
        std::int64_t at;
    } changes[] = {
        {"the used size, after the header's write", 2, 0x80},
        {"the entry, after its write", 3, old.at + 4},
    };
    for (const auto& row : changes) {
        SCOPED_TRACE(row.what);
        writeFile(path, pristine);
        FaultyFileServices other;
        other.afterWrite = [&](int n) {
            if (n == row.step)
                patchFile(path, row.at, {static_cast<std::uint8_t>(readFile(path)[static_cast<std::size_t>(row.at)] ^ 0x10)});
        };
        Result<Done, species::SpeciesError> written = Done{};
        {
            platform::ScopedFileServices installed(other);
            written = write(kPlatinum, edits);
        }
        ASSERT_FALSE(written);
        EXPECT_NE(written.error().detail.find("so it is as it was"), std::string::npos) << written.error().detail;
        const auto now = readFile(path);
        EXPECT_EQ(Bytes(now.begin(), now.begin() + 0x200), Bytes(pristine.begin(), pristine.begin() + 0x200));
        EXPECT_EQ(rom::le32(now, static_cast<std::size_t>(old.at)), old.start);
        EXPECT_EQ(lists(kPlatinum), original);
    }
}

// The room the window and `info` promise is what a move takes: up to the capacity,
// less the archive's own size; a move that ends exactly at the capacity is made, one
// entry more is refused.
TEST_F(LevelUpGrowth, TheRoomEndsExactlyAtTheCapacity)
{
    for (const auto tail : {romimage::Tail::Padded, romimage::Tail::Trimmed}) {
        image(kPlatinum, tail);
        auto file = platform::fileServices().open(path, platform::FileAccess::Read);
        const auto read = species::readMoveArchives(**file, kPlatinum.code);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->growthRoom(),
                  layout.capacity - aligned(layout.usedSize) - (layout.levelUpEnd - layout.levelUpStart));
    }

    image(kPlatinum, romimage::Tail::Padded);
    auto expected = reference(kPlatinum);
    auto edits = overhaul(expected, 1, 200, 3);
    // More entries until the new archive is a whole number of 512-byte blocks.
    auto sizeOf = [&](const MoveEdits& wanted) {
        auto file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
        const auto table = species::locateSpeciesTable(**file, kPlatinum.code);
        species::RomDocument document(path, {kPlatinum.code, *table}, std::move(*file));
        EXPECT_TRUE(document.read<species::MoveArchivesPart>());
        const auto checked = document.check({{}, wanted});
        EXPECT_TRUE(checked) << checked.error().detail;
        return checked && checked->rewriting() ? checked->rewriting()->rewrite->placement.size : std::int64_t{0};
    };
    int member = 250;
    while (sizeOf(edits) % 512 != 0) {
        auto& list = expected[static_cast<std::size_t>(member)];
        if (!list.empty() && list.size() < 20) {
            list.push_back({100, 1});
            edits.levelUp[member] = list;
        }
        ++member;
    }
    const auto size = sizeOf(edits);
    auto oneMore = edits;
    auto& list = oneMore.levelUp.rbegin()->second;
    list.insert(list.end(), {{100, 2}, {100, 3}});
    EXPECT_GT(sizeOf(oneMore), size);
    setHeaderWord(0x80, static_cast<std::uint32_t>(layout.capacity - size));
    const auto pristine = readFile(path);

    const auto refused = write(kPlatinum, oneMore);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind, species::SpeciesFailure::NoRoomForMoves);
    EXPECT_EQ(readFile(path), pristine);

    ASSERT_TRUE(write(kPlatinum, edits));
    EXPECT_EQ(entry(kPlatinum).end, layout.capacity);
    EXPECT_EQ(fileSize(path), layout.capacity) << "nothing past the capacity";
    EXPECT_EQ(lists(kPlatinum), expected);
}

} // namespace
