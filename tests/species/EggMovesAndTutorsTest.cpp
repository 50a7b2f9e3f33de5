// Egg moves and move tutors read and written through the ROM's own tables, on images
// that carry each game's tables where the cartridges keep them, checked against the
// reference tables in samples/ (not against the program's own).
#include "platform/FileServices.h"
#include "rom/BackwardLz.h"
#include "rom/LittleEndian.h"
#include "rom/NitroFs.h"
#include "rom/OverlayTable.h"
#include "romimage/RomImage.h"
#include "species/RomDocument.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace quillmark;
using namespace quillmark::test;

namespace {

struct Game {
    const char* code;
    const char* personal;
    const char* eggMoves;
    const char* tutorMoves;  // nullptr: no tutor table
    const char* tutorRecords;
};
const Game kDiamond{"ADAE", "dp_personal_members.csv", "dp_eggmoves.csv", nullptr, nullptr};
const Game kPearl{"APAE", "dp_personal_pearl_members.csv", "dp_eggmoves.csv", nullptr, nullptr};
const Game kPlatinum{"CPUE", "pt_personal.csv", "pt_eggmoves.csv", "pt_tutor_moves.csv", "pt_tutor_compat.csv"};
const Game kHeartGold{"IPKE", "hgss_personal.csv", "hgss_eggmoves.csv", "hgss_tutor_moves.csv", "hgss_tutor_compat.csv"};

constexpr int kDratini = 147, kGarchomp = 445, kExtremeSpeed = 245;

class EggMovesAndTutors : public ::testing::Test {
protected:
    std::string image(const Game& game, romimage::ImageRecipe recipe = {})
    {
        recipe.gameCode = game.code;
        recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/" + game.personal, nullptr);
        path = dir.file(std::string(game.code) + ".nds");
        EXPECT_TRUE(romimage::writeRomImage(path, recipe, nullptr, &layout));
        return path;
    }

    species::RomDocument document(const Game& game)
    {
        auto file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
        EXPECT_TRUE((*file)->lockForWriting(species::kLockWait));
        const auto table = species::locateSpeciesTable(**file, game.code);
        return species::RomDocument(path, {game.code, *table}, std::move(*file));
    }

    // National Dex number -> egg moves in stored order.
    static species::EggMoves referenceEggMoves(const Game& game)
    {
        species::EggMoves moves;
        for (const auto& row : sampleCsv(game.eggMoves))
            moves[std::stoi(row.at("species"))].push_back(std::stoi(row.at("move_id")));
        return moves;
    }

    // What the game reads for a species from the table's words: the first marker of it
    // among words 0..bound-1 (or word 0 when there is none), then the words up to the
    // next word above 20000, at most 16.
    static std::vector<int> gameReads(const Bytes& image, std::int64_t offset, int bound, int dex)
    {
        auto word = [&](int k) { return image[offset + 2 * k] | image[offset + 2 * k + 1] << 8; };
        int start = 0;
        for (int k = 0; k < bound; ++k) {
            if (word(k) == 20000 + dex) {
                start = k + 1;
                break;
            }
        }
        std::vector<int> moves;
        for (int k = start; moves.size() < 16 && word(k) <= 20000; ++k)
            moves.push_back(word(k));
        return moves;
    }

    TempDir dir;
    std::string path;
    romimage::ImageLayout layout;
};

TEST_F(EggMovesAndTutors, EveryGamesTablesAreTheReferences)
{
    for (const auto* game : {&kDiamond, &kPearl, &kPlatinum, &kHeartGold}) {
        SCOPED_TRACE(game->code);
        image(*game);
        auto doc = document(*game);
        const auto eggs = doc.read<species::EggMovesPart>();
        ASSERT_TRUE(eggs) << eggs.error().detail;
        EXPECT_EQ((*eggs)->table.moves, referenceEggMoves(*game));
        EXPECT_EQ((*eggs)->table.freeWords(), 0) << "the retail tables are full to their bound";
        const auto tutors = doc.read<species::TutorMovesPart>();
        ASSERT_TRUE(tutors) << tutors.error().detail;
        if (!game->tutorMoves) {
            EXPECT_EQ(*tutors, nullptr) << "no tutor table";
            continue;
        }
        ASSERT_NE(*tutors, nullptr);
        std::vector<int> moves, expectedMoves;
        for (const auto& move : (*tutors)->moves)
            moves.push_back(move.move);
        for (const auto& row : sampleCsv(game->tutorMoves))
            expectedMoves.push_back(std::stoi(row.at("move_id")));
        EXPECT_EQ(moves, expectedMoves);
        const auto& records = (*tutors)->compatibility;
        for (const auto& row : sampleCsv(game->tutorRecords)) {
            const int record = std::stoi(row.at("record"));
            Bytes stored(records.bytes.begin() + record * records.recordSize,
                         records.bytes.begin() + (record + 1) * records.recordSize);
            Bytes expected;
            for (std::size_t k = 0; k < row.at("raw_hex").size(); k += 2)
                expected.push_back(static_cast<std::uint8_t>(std::stoul(row.at("raw_hex").substr(k, 2), nullptr, 16)));
            ASSERT_EQ(stored, expected) << "record " << record << " " << row.at("name");
        }
    }
}

// Overlay 5 searched by the table's shape, not by one edition's offset.
TEST_F(EggMovesAndTutors, TheEggTableIsFoundByItsShapeOrRefused)
{
    const struct {
        const char* what;
        int shift;
        bool twice, none, compressed;
        const char* refusal;  // nullptr: found
    } rows[] = {
        {"at the cartridge's offset", 0, false, false, false, nullptr},
        {"two bytes later", 2, false, false, false, nullptr},
        {"0x100 bytes later", 0x100, false, false, false, nullptr},
        {"stored compressed", 0, false, false, true, nullptr},
        {"given twice", 0, true, false, false, "2 runs that read as an egg move table"},
        {"left out", 0, false, true, false, "the egg move table was not found in overlay 5"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        romimage::ImageRecipe recipe;
        recipe.eggTableShift = row.shift;
        recipe.eggTableTwice = row.twice;
        recipe.noEggTable = row.none;
        recipe.overlay5Compressed = row.compressed;
        image(kPlatinum, recipe);
        auto doc = document(kPlatinum);
        const auto eggs = doc.read<species::EggMovesPart>();
        if (row.refusal) {
            ASSERT_FALSE(eggs);
            EXPECT_NE(eggs.error().detail.find(row.refusal), std::string::npos) << eggs.error().detail;
            continue;
        }
        ASSERT_TRUE(eggs) << eggs.error().detail;
        EXPECT_EQ((*eggs)->table.moves, referenceEggMoves(kPlatinum));
        EXPECT_EQ((*eggs)->writable, !row.compressed);
        if (row.compressed) {
            const auto before = readFile(path);
            auto dratini = (*eggs)->table.moves.at(kDratini);
            dratini[0] = kExtremeSpeed;
            const auto written = doc.apply({.eggMoves = {{kDratini, dratini}}});
            ASSERT_TRUE(written.error);
            EXPECT_NE(written.error->detail.find("compressed"), std::string::npos) << written.error->detail;
            EXPECT_EQ(readFile(path), before);
        }
    }
}

// The retail table fills the games' bound exactly, so its end mark may be the last word
// of an overlay that ends with it; one word short, the run has no end mark and is none.
TEST(EggMoveSearch, TakesAnEndMarkThatIsTheOverlaysLastWord)
{
    Bytes image(16, 0);
    auto word = [&](unsigned value) {
        image.push_back(static_cast<std::uint8_t>(value));
        image.push_back(static_cast<std::uint8_t>(value >> 8));
    };
    std::string species;
    for (const auto& row : sampleCsv("pt_eggmoves.csv")) {
        if (row.at("species") != species) {
            species = row.at("species");
            word(20000u + static_cast<unsigned>(std::stoi(species)));
        }
        word(static_cast<unsigned>(std::stoi(row.at("move_id"))));
    }
    word(0xFFFF);
    const auto found = species::findEggMoveTable(image, species::eggMoveBound(false));
    ASSERT_TRUE(found.at) << (found.damage ? *found.damage : "not found");
    EXPECT_EQ(*found.at, 16u);
    image.resize(image.size() - 2);
    EXPECT_FALSE(species::findEggMoveTable(image, species::eggMoveBound(false)).at);
}

TEST_F(EggMovesAndTutors, EggMovesAreEditedWithinTheTablesWords)
{
    for (const auto* game : {&kPlatinum, &kHeartGold}) {
        SCOPED_TRACE(game->code);
        image(*game);
        const auto pristine = readFile(path);
        const auto kowaza = [&] {
            auto file = platform::fileServices().open(path, platform::FileAccess::Read);
            const auto extent = rom::NitroFs::read(**file)->find("data/kowaza.narc");
            const auto bytes = readFile(path);
            return extent ? Bytes(bytes.begin() + extent->start, bytes.begin() + extent->end) : Bytes{};
        };
        const auto kowazaBefore = kowaza();
        const auto reference = referenceEggMoves(*game);

        {
            // Dratini hatches with Extreme Speed instead of its first egg move: one word.
            auto doc = document(*game);
            ASSERT_TRUE(doc.read<species::EggMovesPart>());
            auto dratini = reference.at(kDratini);
            dratini[0] = kExtremeSpeed;
            ASSERT_FALSE(doc.apply({.eggMoves = {{kDratini, dratini}}}).error);
            const auto offsets = differingOffsets(pristine, readFile(path));
            ASSERT_EQ(offsets.size(), 1u) << "Extreme Speed is 245, the old move's high byte is 0 as well";
            EXPECT_EQ((*doc.read<species::EggMovesPart>())->table.moves.at(kDratini), dratini);
        }

        const struct {
            const char* what;
            species::EggMoves edits;
            bool written;
        } rows[] = {
            {"one more move in a full table", {{kDratini, [&] { auto l = reference.at(kDratini); l.push_back(1); return l; }()}}, false},
            {"two fewer for Dratini, two more for Bulbasaur",
             {{kDratini, [&] { auto l = reference.at(kDratini); l.resize(l.size() - 2); return l; }()},
              {1, [&] { auto l = reference.at(1); l.insert(l.end(), {1, 2}); return l; }()}},
             true},
            {"16 moves for Bulbasaur, the words from others", {}, true},
            {"Garchomp's first egg move, two words from Dratini",
             {{kDratini, [&] { auto l = reference.at(kDratini); l.resize(l.size() - 2); return l; }()},
              {kGarchomp, {200}}},
             true},
            {"Arceus's first egg move, the last marker, two words from Dratini",
             {{kDratini, [&] { auto l = reference.at(kDratini); l.resize(l.size() - 2); return l; }()}, {493, {1}}},
             true},
            {"Shadow Force, the games' last move", {{kDratini, [&] { auto l = reference.at(kDratini); l[0] = 467; return l; }()}}, true},
            {"17 moves for Bulbasaur, the words from others", {{1, std::vector<int>(17, 1)}}, false},
            {"a species that is none", {{494, {1}}}, false},
            {"a move that is none", {{1, {468}}}, false},
            {"the longest list taken away, words left over", {{[&] {
                 int longest = 1;
                 for (const auto& [dex, list] : reference)
                     if (list.size() > reference.at(longest).size())
                         longest = dex;
                 return longest;
             }(), {}}}, true},
        };
        for (const auto& row : rows) {
            SCOPED_TRACE(row.what);
            writeFile(path, pristine);
            auto edits = row.edits;
            if (edits.empty() || std::string(row.what).find("the words from others") != std::string::npos) {
                // Room for the moves made by emptying species with enough words between
                // them: only the games' limit of 16 can refuse.
                const int moves = edits.empty() ? 16 : static_cast<int>(edits.at(1).size());
                const int need = moves - static_cast<int>(reference.at(1).size());
                int freed = 0;
                for (const auto& [dex, list] : reference) {
                    if (dex == 1 || freed >= need)
                        continue;
                    edits[dex] = {};
                    freed += 1 + static_cast<int>(list.size());
                }
                edits[1] = std::vector<int>(static_cast<std::size_t>(moves), 1);
            }
            auto fresh = document(*game);
            ASSERT_TRUE(fresh.read<species::EggMovesPart>());
            const auto written = fresh.apply({.eggMoves = edits});
            fresh = species::RomDocument(path, fresh.fingerprint());  // the lock let go
            EXPECT_EQ(!written.error, row.written) << (written.error ? written.error->detail : "");
            if (!row.written) {
                EXPECT_EQ(readFile(path), pristine);
                continue;
            }
            auto expected = reference;
            for (const auto& [dex, list] : edits) {
                if (list.empty())
                    expected.erase(dex);
                else
                    expected[dex] = list;
            }
            const auto read = **fresh.read<species::EggMovesPart>();
            EXPECT_EQ(read.table.moves, expected);
            const auto bytes = readFile(path);
            for (int dex = 1; dex <= 493; ++dex) {
                const auto wanted = expected.count(dex) ? expected.at(dex) : std::vector<int>{};
                ASSERT_EQ(gameReads(bytes, read.offset, read.table.bound, dex), wanted) << "species " << dex;
            }
            // The words a shorter table frees are end marks, the table's filler, up to
            // its last word: no stale copy of a list after the end.
            std::size_t words = 0;
            for (const auto& [dex, list] : expected)
                words += 1 + list.size();
            for (std::size_t k = words; k < read.table.words.size(); ++k)
                ASSERT_EQ(rom::le16(bytes, static_cast<std::size_t>(read.offset) + 2 * k), 0xFFFF) << "word " << k;
        }
        // Two fewer at Dratini, two more at Bulbasaur: only the words from Bulbasaur's
        // list up to Dratini's move.
        writeFile(path, pristine);
        auto shift = document(*game);
        const auto table = **shift.read<species::EggMovesPart>();
        auto less = reference.at(kDratini);
        less.resize(less.size() - 2);
        auto more = reference.at(1);
        more.insert(more.end(), {1, 2});
        ASSERT_FALSE(shift.apply({.eggMoves = {{kDratini, less}, {1, more}}}).error);
        std::int64_t dratiniEnd = 0, bulbasaurEnd = 0, words = 0;
        for (const auto& [dex, list] : reference) {
            words += 1 + static_cast<std::int64_t>(list.size());
            if (dex == 1)
                bulbasaurEnd = words;
            if (dex == kDratini)
                dratiniEnd = words;
        }
        for (const auto offset : differingOffsets(pristine, readFile(path))) {
            EXPECT_GE(offset, table.offset + 2 * bulbasaurEnd);
            EXPECT_LT(offset, table.offset + 2 * dratiniEnd);
        }
        EXPECT_EQ(kowaza(), kowazaBefore) << "the copy the game never reads stays as it is";
    }
}

TEST_F(EggMovesAndTutors, OneTutorBitChangesOneBit)
{
    for (const auto* game : {&kPlatinum, &kHeartGold}) {
        SCOPED_TRACE(game->code);
        image(*game);
        const auto pristine = readFile(path);
        auto doc = document(*game);
        const auto* tutors = *doc.read<species::TutorMovesPart>();
        int outrage = -1;
        for (std::size_t i = 0; i < tutors->moves.size(); ++i) {
            if (tutors->moves[i].move == 200)  // Outrage
                outrage = static_cast<int>(i);
        }
        ASSERT_GE(outrage, 0);
        const int record = kGarchomp - 1;  // records 0..492 are species 1..493
        auto moves = tutors->compatibility.movesOf(record);
        const bool had = std::find(moves.begin(), moves.end(), outrage) != moves.end();
        if (had)
            moves.erase(std::find(moves.begin(), moves.end(), outrage));
        else
            moves.push_back(outrage);
        ASSERT_FALSE(doc.apply({.tutors = {{record, moves}}}).error);
        const auto after = readFile(path);
        const auto offsets = differingOffsets(pristine, after);
        ASSERT_EQ(offsets.size(), 1u);
        const auto at = static_cast<std::size_t>(offsets[0]);
        EXPECT_EQ(pristine[at] ^ after[at], 1 << (outrage % 8)) << "exactly Outrage's bit";
    }
}

// Platinum's tutor list is taken only where records follow it whose two bits past
// move 38 are clear, as the game's records have them.
TEST(TutorList, IsFollowedByRecordsWithTheUnusedBitsClear)
{
    romimage::ImageRecipe recipe;
    recipe.gameCode = "CPUE";
    auto overlay = romimage::overlaySource(recipe, 5);
    EXPECT_EQ(species::findTutorMoves(overlay, rom::Game::Platinum), std::optional<std::size_t>(0x2FF64));
    for (const std::uint8_t bit : {0x40, 0x80}) {
        auto changed = overlay;
        changed[0x3012C + 5 * 504 + 4] |= bit;  // the last record's byte 4
        EXPECT_EQ(species::findTutorMoves(changed, rom::Game::Platinum), std::nullopt) << int{bit};
    }
}

// A stream made by hand from the format's description: 'c', 'b', 'a', then copies of
// 18, 18 and 15 bytes from 3 above: "abc" 18 times.
TEST(BackwardLz, DecodesTheFormatAndRefusesDamage)
{
    const Bytes stored = {0x00, 0xC0, 0x00, 0xF0, 0x00, 0xF0, 'a', 'b', 'c', 0x1C, 0xFF, 0xFF,
                          0x14, 0x00, 0x00, 0x0A, 0x22, 0x00, 0x00, 0x00};
    std::string abc;
    for (int k = 0; k < 18; ++k)
        abc += "abc";
    const auto decoded = rom::decompressBackward(stored);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(std::string(decoded->begin(), decoded->end()), abc);

    const struct {
        const char* what;
        std::size_t at;
        std::uint8_t value;
    } damaged[] = {
        {"stream longer than the file", 12, 0x15},
        {"padding and footer shorter than the footer", 15, 0x07},
        {"output one byte longer than the stream fills", 16, 0x23},
        {"output one byte shorter", 16, 0x21},
        {"a copy from above the end", 4, 0x10},
        {"a copy below the start", 1, 0xF0},
    };
    for (const auto& row : damaged) {
        auto bytes = stored;
        bytes[row.at] = row.value;
        EXPECT_FALSE(rom::decompressBackward(bytes)) << row.what;
    }
}

TEST_F(EggMovesAndTutors, HeartGoldsOverlay1DecompressesToItsSource)
{
    romimage::ImageRecipe recipe;
    image(kHeartGold, recipe);
    recipe.gameCode = kHeartGold.code;
    auto file = platform::fileServices().open(path, platform::FileAccess::Read);
    const auto fs = rom::NitroFs::read(**file);
    const auto overlay = rom::readOverlay(**file, *fs, 1);
    ASSERT_TRUE(overlay) << overlay.error().detail;
    EXPECT_TRUE(overlay->entry.compressed()) << "stored compressed, as the cartridge stores it";
    EXPECT_LT(overlay->extent.size(), static_cast<std::int64_t>(overlay->image.size()));
    EXPECT_EQ(overlay->image, romimage::overlaySource(recipe, 1));
    EXPECT_EQ(overlay->entry.ramAddress, 0x021E5900u);
    EXPECT_EQ(overlay->image.size(), 0x24260u);
}

// Overlay 5's egg table damaged where Squirtle's list lies: refused whole, naming the
// species, never re-framed from a later marker; nothing is written. A run in the code
// that merely looks like a table does not hide the real one.
TEST_F(EggMovesAndTutors, ADamagedEggTableIsRefusedNamingTheSpecies)
{
    constexpr int kSquirtle = 7, kPichu = 172;
    const auto reference = referenceEggMoves(kPlatinum);
    // Word index of each species' marker in the retail table.
    std::map<int, int> marker;
    int words = 0;
    for (const auto& [dex, list] : reference) {
        marker[dex] = words;
        words += 1 + static_cast<int>(list.size());
    }
    ASSERT_EQ(reference.at(kSquirtle).size() + 1 + reference.at(16).size(), 21u) << "Pidgey's moves join Squirtle's";
    const struct {
        const char* what;
        std::vector<std::pair<int, int>> words;  // word index, new value
        const char* refusal;
    } rows[] = {
        {"Squirtle given Pidgey's moves too", {{marker.at(16), 33}}, "Squirtle (6) has more than 16 egg moves"},
        {"Charmander's and Squirtle's markers swapped", {{marker.at(4), 20007}, {marker.at(7), 20004}},
         "Charmander (3)'s marker at word 26 comes after Squirtle (6)'s"},
        {"Bulbasaur's marker given twice", {{marker.at(4), 20001}}, "Bulbasaur (0)'s marker at word 13 comes after Bulbasaur (0)'s"},
        {"a move 468 in Squirtle's list", {{marker.at(kSquirtle) + 2, 468}}, "(in Squirtle (6)'s list) holds 468"},
        {"a move 0 in Squirtle's list", {{marker.at(kSquirtle) + 2, 0}}, "(in Squirtle (6)'s list) holds 0,"},
        {"a run in the code before it that reads as a one-species table", {{-64, 20100}, {-63, 33}, {-62, 0xFFFF}},
         nullptr},
    };
    image(kPlatinum);
    const auto tableAt = [&] {
        auto doc = document(kPlatinum);
        return (*doc.read<species::EggMovesPart>())->offset;
    }();
    const auto pristine = readFile(path);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        writeFile(path, pristine);
        for (const auto& [k, value] : row.words)
            patchFile(path, tableAt + 2 * k, {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)});
        const auto before = readFile(path);
        auto doc = document(kPlatinum);
        const auto eggs = doc.read<species::EggMovesPart>();
        if (!row.refusal) {
            ASSERT_TRUE(eggs) << eggs.error().detail;
            EXPECT_EQ((*eggs)->offset, tableAt);
            EXPECT_EQ((*eggs)->table.moves, reference);
            continue;
        }
        ASSERT_FALSE(eggs);
        EXPECT_NE(eggs.error().detail.find(row.refusal), std::string::npos) << eggs.error().detail;
        auto pichu = reference.at(kPichu);
        pichu.pop_back();
        EXPECT_TRUE(doc.apply({.eggMoves = {{kPichu, pichu}}}).error);
        EXPECT_EQ(readFile(path), before);
    }
}

// Bytes the egg or tutor table shares with another overlay, or that another program
// changed between the read and the write, are never written.
TEST_F(EggMovesAndTutors, TablesAreWrittenOnlyWhereTheyAreTheirOwnAndAsRead)
{
    const struct {
        const char* what;
        enum { OverlayShared, EggTableChanged, TutorTableChanged } kind;
        species::SpeciesFailure failure;
        const char* words;
    } rows[] = {
        {"overlay 6 starting inside overlay 5's egg table", rows[0].OverlayShared,
         species::SpeciesFailure::InvalidMoveData, "overlay 5 shares bytes with"},
        {"the egg table changed after the read", rows[0].EggTableChanged, species::SpeciesFailure::RomChanged, ""},
        {"a tutor record changed after the read", rows[0].TutorTableChanged, species::SpeciesFailure::RomChanged, ""},
    };
    auto flip = [&](std::int64_t at) { patchFile(path, at, {static_cast<std::uint8_t>(readFile(path)[at] ^ 1)}); };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        image(kPlatinum);
        const auto eggTable = (*document(kPlatinum).read<species::EggMovesPart>())->offset;
        if (row.kind == row.OverlayShared) {
            auto file = platform::fileServices().open(path, platform::FileAccess::Read);
            const auto fs = rom::NitroFs::read(**file);
            const auto entries = rom::readOverlayTable(**file, *fs);
            const auto six = std::find_if(entries->begin(), entries->end(), [](const auto& e) { return e.id == 6; });
            ASSERT_NE(six, entries->end());
            patchWord32(path, fs->fatEntryOffset(six->fileId), static_cast<std::uint32_t>(eggTable + 100));
        }
        auto doc = document(kPlatinum);
        const auto eggs = doc.read<species::EggMovesPart>();
        ASSERT_TRUE(eggs) << eggs.error().detail;
        const auto tutors = doc.read<species::TutorMovesPart>();
        ASSERT_TRUE(tutors && *tutors);
        species::DocumentEdits edits;
        if (row.kind == row.TutorTableChanged) {
            edits.tutors[kGarchomp - 1] = {};
            flip((*tutors)->compatibilityOffset + 5 * (kGarchomp - 1));
        } else {
            auto dratini = (*eggs)->table.moves.at(kDratini);
            std::swap(dratini.front(), dratini.back());
            edits.eggMoves[kDratini] = dratini;
            if (row.kind == row.EggTableChanged)
                flip(eggTable + 2);
        }
        const auto before = readFile(path);
        const auto written = doc.apply(edits);
        ASSERT_TRUE(written.error);
        EXPECT_EQ(written.error->kind, row.failure);
        EXPECT_NE(written.error->detail.find(row.words), std::string::npos) << written.error->detail;
        EXPECT_EQ(readFile(path), before) << "the other program's bytes kept, nothing of ours written";
    }
}

// HeartGold's tutor records (waza_oshie.bin, 8 bytes for 52 moves) and its list in
// overlay 1: bits past the list kept by an edit; a file or an overlay of another size
// than the game's refused, nothing written.
TEST_F(EggMovesAndTutors, HeartGoldsTutorTablesAreTakenOnlyAsTheGameKeepsThem)
{
    const struct {
        const char* what;
        enum { BitPastTheList, ShorterRecords, LongerRecords, OverlaySizeDiffers } kind;
        const char* refusal;  // nullptr: written
    } rows[] = {
        {"a bit set past the 52 moves", rows[0].BitPastTheList, nullptr},
        {"waza_oshie.bin 4 bytes short", rows[0].ShorterRecords, "is 4036 bytes long, not the 4040"},
        {"waza_oshie.bin 4 bytes longer", rows[0].LongerRecords, "is 4044 bytes long, not the 4040"},
        {"overlay 1 said to load 4 bytes more", rows[0].OverlaySizeDiffers, "the overlay table says"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        image(kHeartGold);
        std::int64_t records = 0;
        {
            auto file = platform::fileServices().open(path, platform::FileAccess::Read);
            const auto fs = rom::NitroFs::read(**file);
            records = fs->find("fielddata/wazaoshie/waza_oshie.bin")->start;
            if (row.kind == row.ShorterRecords || row.kind == row.LongerRecords)
                patchWord32(path, fs->fatEntryOffset(*fs->fileId("fielddata/wazaoshie/waza_oshie.bin")) + 4,
                            static_cast<std::uint32_t>(records + (row.kind == row.ShorterRecords ? 4036 : 4044)));
            if (row.kind == row.OverlaySizeDiffers) {
                const auto entries = rom::readOverlayTable(**file, *fs);
                const auto one = std::find_if(entries->begin(), entries->end(), [](const auto& e) { return e.id == 1; });
                patchWord32(path, one->entryOffset + 8, one->ramSize + 4);
            }
        }
        const auto garchomp = records + 8 * (kGarchomp - 1);
        if (row.kind == row.BitPastTheList)
            patchFile(path, garchomp + 7, {static_cast<std::uint8_t>(readFile(path)[garchomp + 7] | 0x80)});
        const auto before = readFile(path);
        auto doc = document(kHeartGold);
        const auto tutors = doc.read<species::TutorMovesPart>();
        if (row.refusal) {
            ASSERT_FALSE(tutors);
            EXPECT_NE(tutors.error().detail.find(row.refusal), std::string::npos) << tutors.error().detail;
            continue;
        }
        ASSERT_TRUE(tutors && *tutors);
        auto learns = (*tutors)->compatibility.movesOf(kGarchomp - 1);
        learns.push_back(0);  // Dive
        ASSERT_FALSE(doc.apply({.tutors = {{kGarchomp - 1, learns}}}).error);
        const auto after = readFile(path);
        EXPECT_EQ(differingOffsets(before, after), std::vector<std::int64_t>{garchomp});
        EXPECT_EQ(after[garchomp] ^ before[garchomp], 1) << "Dive's bit alone";
        EXPECT_EQ(after[garchomp + 7] & 0x80, 0x80) << "the bit past the list kept";
    }
}

} // namespace
