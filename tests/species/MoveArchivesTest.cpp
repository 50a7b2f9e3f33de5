// Level-up moves and evolutions, read and written through the ROM's file system, on
// images that carry each game's real archives, and checked against the reference
// tables in samples/ (not against the program's own tables).
#include "platform/FileServices.h"
#include "rom/LittleEndian.h"
#include "rom/NitroFs.h"
#include "romimage/RomImage.h"
#include "species/Evolutions.h"
#include "species/MoveArchives.h"
#include "species/RomDocument.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace quillmark;
using namespace quillmark::test;
using species::LevelUpMoves;
using species::MoveArchives;
using species::MoveEdits;

namespace {

struct Game {
    const char* code;
    rom::Game game;
    const char* personal;
    const char* learnsets;
    const char* levelUpPath;  // as the table of the games gives them
    const char* evolutionPath;
    int members;
};
const Game kGames[] = {
    {"ADAE", rom::Game::Diamond, "dp_personal_members.csv", "dp_learnsets.csv", "poketool/personal/wotbl.narc",
     "poketool/personal/evo.narc", 501},
    {"CPUE", rom::Game::Platinum, "pt_personal.csv", "pt_learnsets.csv", "poketool/personal/wotbl.narc",
     "poketool/personal/evo.narc", 508},
    {"IPKE", rom::Game::HeartGold, "hgss_personal.csv", "hgss_learnsets.csv", "a/0/3/3", "a/0/3/4", 508},
};

class MoveArchivesTest : public ::testing::Test {
protected:
    std::string image(const Game& game, romimage::ImageLayout* layout = nullptr,
                      romimage::Tail tail = romimage::Tail::Zeros)
    {
        romimage::ImageRecipe recipe;
        recipe.gameCode = game.code;
        recipe.tail = tail;
        recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/" + game.personal, nullptr);
        const auto path = dir.file(std::string(game.code) + ".nds");
        EXPECT_TRUE(romimage::writeRomImage(path, recipe, nullptr, layout));
        return path;
    }

    static MoveArchives readArchives(const std::string& path, const char* code)
    {
        auto file = platform::fileServices().open(path, platform::FileAccess::Read);
        auto read = species::readMoveArchives(**file, code);
        EXPECT_TRUE(read) << (read ? "" : read.error().detail);
        return read ? *read : MoveArchives{};
    }

    static Result<Done, species::SpeciesError> write(const std::string& path, const MoveArchives& read,
                                                     const MoveEdits& edits, rom::Game game)
    {
        (void)game;
        auto file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
        EXPECT_TRUE((*file)->lockForWriting(species::kLockWait));
        // The archives the test read, and the image laid out as then, are what the write
        // must find.
        if (!read.layout.stillHolds(**file))
            return species::SpeciesError{species::SpeciesFailure::RomChanged};
        const auto code = rom::readGameCode(**file);
        const auto table = species::locateSpeciesTable(**file, *code);
        species::RomDocument document(path, {*code, *table}, std::move(*file));
        const auto now = document.read<species::MoveArchivesPart>();
        if (!now)
            return now.error();
        if ((*now)->levelUpArchive.bytes != read.levelUpArchive.bytes || (*now)->levelUp() != read.levelUp() ||
            (*now)->evolutionArchive.bytes != read.evolutionArchive.bytes)
            return species::SpeciesError{species::SpeciesFailure::RomChanged};
        const auto written = document.apply({{}, edits});
        if (written.error)
            return *written.error;
        return Done{};
    }

    // member -> (level, move) in stored order, from a learnset table.
    static std::vector<LevelUpMoves> reference(const char* learnsets, int members)
    {
        std::vector<LevelUpMoves> lists(static_cast<std::size_t>(members));
        for (const auto& row : sampleCsv(learnsets))
            lists.at(std::stoul(row.at("member"))).push_back({std::stoi(row.at("level")), std::stoi(row.at("move_id"))});
        return lists;
    }

    TempDir dir;
};

TEST_F(MoveArchivesTest, EveryMemberOfEveryGameIsTheReferences)
{
    const auto evolutions = sampleCsv("gen4_evolutions.csv");
    for (const auto& game : kGames) {
        SCOPED_TRACE(game.code);
        const auto path = image(game);
        const auto read = readArchives(path, game.code);
        EXPECT_EQ(read.levelUpPath(), game.levelUpPath);
        EXPECT_EQ(read.evolutionPath(), game.evolutionPath);
        ASSERT_EQ(static_cast<int>(read.levelUpMoves.size()), game.members);
        ASSERT_EQ(static_cast<int>(read.evolutions.size()), game.members);
        EXPECT_EQ(read.levelUpMoves, reference(game.learnsets, game.members));
        std::vector<species::Evolutions> slots(static_cast<std::size_t>(game.members));
        for (const auto& row : evolutions)
            slots.at(std::stoul(row.at("member"))).at(std::stoul(row.at("slot"))) = {
                std::stoi(row.at("method_id")), std::stoi(row.at("parameter")), std::stoi(row.at("target_member"))};
        EXPECT_EQ(read.evolutions, slots);
        // Banette (member 354) keeps Screech at 8 before Night Shade at 5.
        EXPECT_EQ(read.levelUpMoves[354][4], (species::LevelUpMove{8, 103}));
        EXPECT_EQ(read.levelUpMoves[354][5], (species::LevelUpMove{5, 101}));
    }
}

TEST_F(MoveArchivesTest, GarchompLearnsEarthquakeAt49AndNothingElseMoves)
{
    const auto& platinum = kGames[1];
    romimage::ImageLayout layout;
    const auto path = image(platinum, &layout);
    const auto before = readFile(path);
    auto read = readArchives(path, platinum.code);
    EXPECT_EQ(read.freeBytes(), layout.afterLevelUp - layout.levelUpEnd);
    EXPECT_EQ(read.freeBytes(), 288) << "Platinum's archive of 19168 bytes on a 512-byte boundary";

    // The same list again changes nothing at all.
    ASSERT_TRUE(write(path, read, {{{445, read.levelUpMoves[445]}}, {}}, platinum.game));
    EXPECT_EQ(readFile(path), before);

    auto garchomp = read.levelUpMoves[445];
    garchomp.push_back({49, 89});
    ASSERT_TRUE(write(path, read, {{{445, garchomp}}, {}}, platinum.game));
    const auto after = readFile(path);
    // 15 entries and the end mark took 32 bytes; 16 and the mark take 36.
    const std::int64_t start = layout.levelUpStart, n = 508;
    const std::int64_t btaf = start + 16 + 12, gmif = btaf + 8 * n + 16, data = gmif + 8;
    const std::int64_t garchompAt = data + std::int64_t{rom::le32(before, static_cast<std::size_t>(btaf + 8 * 445))};
    const auto fatEnd = [&] {
        auto file = platform::fileServices().open(path, platform::FileAccess::Read);
        auto fs = rom::NitroFs::read(**file);
        return fs->fatEntryOffset(*fs->fileId("poketool/personal/wotbl.narc")) + 4;
    }();
    for (const auto offset : differingOffsets(before, after)) {
        const bool size = offset >= start + 8 && offset < start + 12;
        const bool table = offset >= btaf + 8 * 445 + 4 && offset < btaf + 8 * n;
        const bool gmifSize = offset >= gmif + 4 && offset < gmif + 8;
        const bool members = offset >= garchompAt && offset < layout.levelUpEnd + 4;
        const bool fat = offset >= fatEnd && offset < fatEnd + 4;
        EXPECT_TRUE(size || table || gmifSize || members || fat) << offset;
    }
    EXPECT_EQ(rom::le32(after, static_cast<std::size_t>(fatEnd)), layout.levelUpEnd + 4);
    EXPECT_EQ(rom::le32(after, static_cast<std::size_t>(start + 8)), layout.levelUpEnd + 4 - start);

    auto again = readArchives(path, platinum.code);
    auto expected = reference(platinum.learnsets, 508);
    expected[445].push_back({49, 89});
    EXPECT_EQ(again.levelUpMoves, expected);
    EXPECT_EQ(again.freeBytes(), 284);
}

// The archive may grow into the bytes up to the next file, not one further.
TEST_F(MoveArchivesTest, ALongerListFitsTheRoomOrWritesNothing)
{
    const auto& diamond = kGames[0];
    const auto path = image(diamond, nullptr, romimage::Tail::Full);
    auto read = readArchives(path, diamond.code);
    ASSERT_EQ(read.freeBytes(), 192);
    // Grow members 1.. to 20 entries until the growth is exactly the room.
    MoveEdits fill;
    std::int64_t grown = 0;
    for (int member = 1; grown < read.freeBytes(); ++member) {
        auto list = read.levelUpMoves[static_cast<std::size_t>(member)];
        const auto was = static_cast<std::int64_t>((list.size() * 2 + 2 + 3) / 4 * 4);
        while (list.size() < 20 && grown + static_cast<std::int64_t>((list.size() * 2 + 4 + 3) / 4 * 4) - was <= read.freeBytes())
            list.push_back({100, 1});
        grown += static_cast<std::int64_t>((list.size() * 2 + 2 + 3) / 4 * 4) - was;
        fill.levelUp[member] = list;
    }
    ASSERT_EQ(grown, read.freeBytes());
    const auto before = readFile(path);

    // The file after it one byte nearer: the same growth is one byte too many.
    const auto fat = rom::NitroFs::read(**platform::fileServices().open(path, platform::FileAccess::Read));
    ASSERT_TRUE(fat);
    std::int64_t nextEntry = -1;
    for (std::uint16_t id = 0; id < fat->allocationTable().size() / 8; ++id) {
        const auto extent = fat->extent(id);
        if (extent && extent->start >= read.levelUp().end &&
            (nextEntry < 0 || extent->start < rom::le32(before, static_cast<std::size_t>(nextEntry))))
            nextEntry = fat->fatEntryOffset(id);
    }
    ASSERT_EQ(rom::le32(before, static_cast<std::size_t>(nextEntry)), read.levelUp().end + read.freeBytes());
    const auto nearer = static_cast<std::uint32_t>(read.levelUp().end + read.freeBytes() - 1);
    patchFile(path, nextEntry, {static_cast<std::uint8_t>(nearer), static_cast<std::uint8_t>(nearer >> 8),
                                static_cast<std::uint8_t>(nearer >> 16), static_cast<std::uint8_t>(nearer >> 24)});
    const auto tight = readArchives(path, diamond.code);
    ASSERT_EQ(tight.freeBytes(), read.freeBytes() - 1);
    const auto patched = readFile(path);
    const auto refused = write(path, tight, fill, diamond.game);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind, species::SpeciesFailure::NoRoomForMoves);
    EXPECT_NE(refused.error().detail.find("1 byte too few"), std::string::npos) << refused.error().detail;
    EXPECT_EQ(readFile(path), patched);
    writeFile(path, before);

    ASSERT_TRUE(write(path, read, fill, diamond.game));
    const auto after = readArchives(path, diamond.code);
    EXPECT_EQ(after.freeBytes(), 0);
    EXPECT_EQ(after.levelUpMoves[1], fill.levelUp[1]);
    EXPECT_EQ(readFile(path).size(), before.size()) << "the file never grows";
}

TEST_F(MoveArchivesTest, WhatTheGameCannotTakeIsRefused)
{
    const LevelUpMoves twenty(20, {5, 33});
    const struct {
        LevelUpMoves moves;
        bool taken;
    } lists[] = {
        {twenty, true},          {LevelUpMoves(21, {5, 33}), false},
        {{{1, 33}}, true},       {{{0, 33}}, false},
        {{{100, 33}}, true},     {{{101, 33}}, false},
        {{{5, 467}}, true},      {{{5, 468}}, false},
        {{{5, 1}}, true},        {{{5, 0}}, false},
        {{}, true},
    };
    for (const auto& list : lists)
        EXPECT_EQ(!species::levelUpMovesProblem(list.moves), list.taken) << list.moves.size();

    // Entries stored so (a hack's move 468, a level 0) stay wherever they move; a copy
    // of one, or one changed, is judged.
    const LevelUpMoves stored = {{0, 33}, {5, 468}};
    const struct {
        LevelUpMoves moves;
        const char* problem;  // nullptr: taken
    } kept[] = {
        {{{5, 468}, {0, 33}}, nullptr},
        {{{5, 468}, {1, 33}}, nullptr},
        {{{5, 469}, {0, 33}}, "entry 1 has move 469"},
        {{{0, 33}, {5, 468}, {5, 468}}, "entry 3 has move 468"},
        {{{0, 468}, {5, 33}}, "entry 1 has level 0"},
    };
    for (const auto& list : kept) {
        const auto problem = species::levelUpMovesProblem(list.moves, stored);
        ASSERT_EQ(problem.has_value(), list.problem != nullptr) << problem.value_or("");
        if (problem) {
            EXPECT_TRUE(problem->starts_with(list.problem)) << *problem;
        }
    }

    // Each method's parameter at its last valid value and the next, by the kind the
    // reference gives it; items are those of each game (gen4_items.csv).
    std::map<std::string, int> lastItem;
    for (const auto& row : sampleCsv("gen4_items.csv")) {
        const auto& games = row.at("games");
        for (const char* g : {"DP", "Pt", "HGSS"}) {
            if (games.find(g) != std::string::npos)
                lastItem[g] = std::max(lastItem[g], std::stoi(row.at("index")));
        }
    }
    ASSERT_EQ(lastItem["DP"], 464);
    std::ifstream methods(samplesDir() + "/gen4_evolution_methods.csv");
    std::string line;
    std::getline(methods, line);
    int count = 0;
    while (std::getline(methods, line)) {
        const int method = std::stoi(line);
        const auto kind = line.substr(line.rfind(',') + 1);
        ++count;
        for (const auto& [game, items] : {std::pair{rom::Game::Diamond, lastItem["DP"]},
                                          std::pair{rom::Game::Platinum, lastItem["Pt"]},
                                          std::pair{rom::Game::HeartGold, lastItem["HGSS"]}}) {
            const std::map<std::string, std::pair<int, int>> range = {
                {"none", {0, 0}}, {"level", {1, 100}}, {"item", {1, items}}, {"move", {1, 467}},
                {"species", {1, 493}}, {"beauty", {0, 255}},
            };
            const auto [low, high] = range.at(kind);
            auto taken = [&](int parameter, int target = 445) {
                species::Evolutions slots{};
                slots[0] = {method, parameter, target};
                return !species::evolutionsProblem(slots, game);
            };
            if (method == 0) {
                EXPECT_TRUE(taken(0, 0));
                EXPECT_FALSE(taken(0, 445)) << "an unused slot is all zero";
                continue;
            }
            EXPECT_TRUE(taken(high)) << line;
            EXPECT_FALSE(taken(high + 1)) << line;
            EXPECT_TRUE(taken(low)) << line;
            EXPECT_FALSE(taken(low - 1)) << line;
            EXPECT_TRUE(taken(low, 493)) << line;
            EXPECT_FALSE(taken(low, 494)) << "no species";
            EXPECT_FALSE(taken(low, 0)) << "no species";
        }
    }
    EXPECT_EQ(count, 27);
    species::Evolutions slots{};
    slots[6] = {27, 0, 445};
    EXPECT_TRUE(species::evolutionsProblem(slots, rom::Game::Diamond)) << "method 27";
}

// Leafeon by a Leaf Stone: one slot of Eevee's member, in place, and only after the
// file is found to hold what was read.
TEST_F(MoveArchivesTest, EvolutionSlotsAreWrittenInPlaceAndOnlyIntoTheFileThatWasRead)
{
    const auto& platinum = kGames[1];
    romimage::ImageLayout layout;
    const auto path = image(platinum, &layout);
    const auto read = readArchives(path, platinum.code);
    auto eevee = read.evolutions[133];
    const auto moss = std::find_if(eevee.begin(), eevee.end(), [](const auto& s) { return s.target == 470; });
    ASSERT_NE(moss, eevee.end());
    *moss = {7, 85, 470};  // Use item: Leaf Stone
    const auto before = readFile(path);

    // Another program changed the archive since it was read: nothing is written.
    patchFile(path, layout.evolutionEnd - 1, {1});
    const auto changed = readFile(path);
    const auto refused = write(path, read, {{}, {{133, eevee}}}, platinum.game);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind, species::SpeciesFailure::RomChanged);
    EXPECT_EQ(readFile(path), changed);

    patchFile(path, layout.evolutionEnd - 1, {before[static_cast<std::size_t>(layout.evolutionEnd - 1)]});
    ASSERT_TRUE(write(path, read, {{}, {{133, eevee}}}, platinum.game));
    const auto slot = read.evolutionMembers[133] + 6 * (moss - eevee.begin());
    EXPECT_EQ(differingOffsets(before, readFile(path)), (std::vector<std::int64_t>{slot, slot + 2}));
}

// How far the level-up archive may grow: to the first thing that lies past it. Each
// of the header's regions and the end of the used image at the archive's end, one
// byte after, and one byte short of reaching past it.
TEST_F(MoveArchivesTest, TheRoomEndsAtTheFirstThingPastTheArchive)
{
    const auto& diamond = kGames[0];
    romimage::ImageLayout layout;
    const auto path = image(diamond, &layout);
    const auto pristine = readFile(path);
    const std::int64_t end = layout.levelUpEnd, full = layout.afterLevelUp - layout.levelUpEnd;
    ASSERT_EQ(full, 192);
    const struct {
        const char* what;
        std::size_t field;
        std::int64_t value;
        std::size_t sizeField;  // 0: the region's size is fixed
        std::int64_t size;
        std::int64_t room;
    } rows[] = {
        {"overlay table at the end", 0x50, end, 0x54, 32, 0},
        {"overlay table one after", 0x50, end + 1, 0x54, 32, 1},
        {"overlay table ending at the end", 0x50, end - 32, 0x54, 32, full},
        {"overlay table one byte into the room", 0x50, end - 32, 0x54, 33, 0},
        {"ARM7 code at the end", 0x30, end, 0x3C, 4, 0},
        {"banner at the end", 0x68, end, 0, 0, 0},
        {"banner one after", 0x68, end + 1, 0, 0, 1},
        {"used image ends at the archive", 0x80, end, 0, 0, 0},
        {"used image ends one after", 0x80, end + 1, 0, 0, 1},
        {"used image ends one before", 0x80, end - 1, 0, 0, full},
    };
    for (const auto& row : rows) {
        writeFile(path, pristine);
        auto put = [&](std::size_t at, std::int64_t value) {
            patchFile(path, static_cast<std::int64_t>(at),
                      {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                       static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
        };
        put(row.field, row.value);
        if (row.sizeField)
            put(row.sizeField, row.size);
        EXPECT_EQ(readArchives(path, diamond.code).freeBytes(), row.room) << row.what;
    }
}

// Between the load and the save another program moves what the room was worked out
// from: nothing is written, and the file keeps what that program made of it.
TEST_F(MoveArchivesTest, TheCheckBeforeWritingCoversEverythingTheRoomCameFrom)
{
    const auto& platinum = kGames[1];
    romimage::ImageLayout layout;
    const auto path = image(platinum, &layout);
    const auto pristine = readFile(path);
    const auto nextEntry = [&] {
        auto file = platform::fileServices().open(path, platform::FileAccess::Read);
        auto fs = rom::NitroFs::read(**file);
        for (const auto& [name, id] : fs->files()) {
            if (fs->extent(id)->start == layout.afterLevelUp)
                return fs->fatEntryOffset(id);
        }
        return std::int64_t{0};
    }();
    ASSERT_NE(nextEntry, 0);
    auto le = [](std::int64_t value) {
        return Bytes{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                     static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    };
    const struct {
        const char* what;
        std::int64_t at;
        Bytes bytes;
    } rows[] = {
        {"the next file moved to the archive's end", nextEntry, le(layout.levelUpEnd)},
        {"the used image ends at the archive", 0x80, le(layout.levelUpEnd)},
        {"the banner moved behind the archive", 0x68, le(layout.levelUpEnd + 4)},
        {"an overlay table behind the archive", 0x50, le(layout.levelUpEnd + 8)},
        {"the image grew by a byte", static_cast<std::int64_t>(pristine.size()), {0}},
    };
    for (const auto& row : rows) {
        writeFile(path, pristine);
        const auto read = readArchives(path, platinum.code);
        patchFile(path, row.at, row.bytes);
        const auto changed = readFile(path);
        auto garchomp = read.levelUpMoves[445];
        garchomp.push_back({49, 89});
        const auto refused = write(path, read, {{{445, garchomp}}, {}}, platinum.game);
        ASSERT_FALSE(refused) << row.what;
        EXPECT_EQ(refused.error().kind, species::SpeciesFailure::RomChanged) << row.what;
        EXPECT_EQ(readFile(path), changed) << row.what;
    }
}

// A write cut short after any of its steps (a crash, kill -9, a power cut) leaves the
// lists as they were, as they were meant to be, or an archive every reader refuses as
// half written: never lists shifted into one another.
TEST_F(MoveArchivesTest, AWriteCutShortAfterAnyStepLeavesBeforeAfterOrARefusal)
{
    const auto& platinum = kGames[1];
    const auto path = image(platinum);
    const auto pristine = readFile(path);
    const auto read = readArchives(path, platinum.code);
    MoveEdits edits;
    auto bulbasaur = read.levelUpMoves[1], garchomp = read.levelUpMoves[445];
    bulbasaur.push_back({50, 89});
    garchomp.erase(garchomp.begin());
    edits.levelUp = {{1, bulbasaur}, {445, garchomp}};
    const auto expected = [&] {
        auto lists = read.levelUpMoves;
        lists[1] = bulbasaur;
        lists[445] = garchomp;
        return lists;
    }();

    FaultyFileServices counting;
    {
        platform::ScopedFileServices installed(counting);
        ASSERT_TRUE(write(path, read, edits, platinum.game));
    }
    const int steps = counting.writes;
    ASSERT_GE(steps, 4) << "the mark, the lists, the file table's end, the size";
    for (int stop = 1; stop <= steps; ++stop) {
        writeFile(path, pristine);
        FaultyFileServices killed;
        killed.stopWritesFrom = stop;
        {
            platform::ScopedFileServices installed(killed);
            EXPECT_FALSE(write(path, read, edits, platinum.game)) << stop;
        }
        auto file = platform::fileServices().open(path, platform::FileAccess::Read);
        const auto after = species::readMoveArchives(**file, platinum.code);
        if (stop == 1) {
            ASSERT_TRUE(after) << "nothing written yet";
            EXPECT_EQ(after->levelUpMoves, read.levelUpMoves);
            continue;
        }
        ASSERT_FALSE(after) << "cut after step " << stop - 1 << " of " << steps;
        EXPECT_NE(after.error().detail.find("cut short"), std::string::npos) << after.error().detail;
    }
    writeFile(path, pristine);
    ASSERT_TRUE(write(path, read, edits, platinum.game));
    EXPECT_EQ(readArchives(path, platinum.code).levelUpMoves, expected);
}

// Only the runs that differ are written; an archive that shrinks ends earlier in the
// file table and in its own header.
TEST_F(MoveArchivesTest, OnlyChangedBytesAreWrittenAndAShorterArchiveEndsEarlier)
{
    const auto& heartgold = kGames[2];
    romimage::ImageLayout layout;
    const auto path = image(heartgold, &layout);
    const auto pristine = readFile(path);
    const auto read = readArchives(path, heartgold.code);

    // One move of the last member, in place: the half-written mark, the move and the
    // size word again.
    auto last = read.levelUpMoves.back();
    ASSERT_FALSE(last.empty());
    last.front().move = last.front().move == 1 ? 2 : 1;
    FaultyFileServices counting;
    {
        platform::ScopedFileServices installed(counting);
        ASSERT_TRUE(write(path, read, {{{static_cast<int>(read.levelUpMoves.size()) - 1, last}}, {}}, heartgold.game));
    }
    EXPECT_EQ(counting.bytesWritten, 4 + 2 + 4);
    EXPECT_LE(differingOffsets(pristine, readFile(path)).size(), 2u) << "the move's word alone changed";

    // Two moves fewer for Garchomp: 4 bytes fewer, in the file table and the header.
    writeFile(path, pristine);
    auto garchomp = read.levelUpMoves[445];
    garchomp.resize(garchomp.size() - 2);
    ASSERT_TRUE(write(path, read, {{{445, garchomp}}, {}}, heartgold.game));
    const auto after = readFile(path);
    const auto fatEnd = static_cast<std::size_t>(read.levelUpFatEntry() + 4);
    EXPECT_EQ(rom::le32(after, fatEnd), layout.levelUpEnd - 4);
    EXPECT_EQ(rom::le32(after, static_cast<std::size_t>(layout.levelUpStart + 8)),
              layout.levelUpEnd - 4 - layout.levelUpStart);
    EXPECT_EQ(readArchives(path, heartgold.code).levelUpMoves[445], garchomp);
}

TEST(EvolutionMembers, AreFortyFourBytesExactly)
{
    for (const std::size_t size : {0u, 42u, 43u, 44u, 45u, 46u, 88u})
        EXPECT_EQ(species::decodeEvolutions(Bytes(size, 0)).has_value(), size == 44) << size;
}

TEST(LevelUpLists, SortedByLevelKeepsEqualLevelsInTheirOrder)
{
    const LevelUpMoves list = {{5, 1}, {1, 2}, {5, 3}, {1, 4}, {100, 6}, {5, 5}};
    EXPECT_EQ(species::sortedByLevel(list), (LevelUpMoves{{1, 2}, {1, 4}, {5, 1}, {5, 3}, {5, 5}, {100, 6}}));
}

} // namespace
