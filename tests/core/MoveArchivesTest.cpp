// Level-up moves and evolutions, read and written through the ROM's file system, on
// images that carry each game's real archives, and checked against the reference
// tables in samples/ (not against the program's own tables).
#include "platform/FileServices.h"
#include "rom/LittleEndian.h"
#include "rom/NitroFs.h"
#include "romimage/RomImage.h"
#include "species/MoveArchives.h"

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
    std::string image(const Game& game, romimage::ImageLayout* layout = nullptr)
    {
        romimage::ImageRecipe recipe;
        recipe.gameCode = game.code;
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
        auto file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
        return species::writeMoveEdits(**file, read, edits, game);
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
        EXPECT_EQ(read.levelUpPath, game.levelUpPath);
        EXPECT_EQ(read.evolutionPath, game.evolutionPath);
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
    const auto path = image(diamond);
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

    auto tight = read;
    tight.levelUpRoomEnd -= 1;
    const auto refused = write(path, tight, fill, diamond.game);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind, species::SpeciesFailure::NoRoomForMoves);
    EXPECT_NE(refused.error().detail.find("1 bytes too few"), std::string::npos) << refused.error().detail;
    EXPECT_EQ(readFile(path), before);

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

} // namespace
