// The one write sequence of the window and the command line, on a Platinum image with
// the game's real archives: what a write depends on is checked, and nothing else is.
#include "platform/FileServices.h"
#include "romimage/RomImage.h"
#include "species/RomDocument.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace quillmark;
using namespace quillmark::test;

namespace {

class RomDocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        romimage::ImageRecipe recipe;
        recipe.gameCode = "CPUE";
        recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/pt_personal.csv", nullptr);
        path = dir.file("CPUE.nds");
        ASSERT_TRUE(romimage::writeRomImage(path, recipe, nullptr, &layout));
        rom = {"CPUE", *species::locateSpeciesTable(path, "CPUE")};
    }

    // A command's document: held open and locked from the read to the write.
    species::RomDocument held()
    {
        auto file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
        EXPECT_TRUE((*file)->lockForWriting(species::kLockWait));
        return species::RomDocument(path, rom, std::move(*file));
    }

    std::int64_t recordAt(int index) const { return layout.tableBase + 44 * index; }

    TempDir dir;
    std::string path;
    romimage::ImageLayout layout;
    species::RomFingerprint rom;
};

// Another program writes between the read and the write. Only a change to what the
// write depends on refuses it, and a refusal writes nothing.
TEST_F(RomDocumentTest, AWriteChecksWhatItDependsOnAndNothingElse)
{
    const struct {
        const char* what;
        int patchedRecord;  // changed by the other program
        bool refused;
    } rows[] = {
        {"the record being written", 444, true},
        {"a record next to it", 445, false},
        {"the first record", 0, false},
    };
    for (const auto& row : rows) {
        SetUp();
        auto document = held();
        auto table = **document.read<species::SpeciesRecordsPart>();
        table[444][0] = static_cast<std::uint8_t>(table[444][0] + 1);  // Garchomp's HP
        patchFile(path, recordAt(row.patchedRecord) + 1, {0x7F});
        const auto before = readFile(path);
        const auto written = document.apply({table, {}});
        EXPECT_EQ(written.error.has_value(), row.refused) << row.what;
        if (row.refused) {
            EXPECT_EQ(written.error->kind, species::SpeciesFailure::RomChanged) << row.what;
            EXPECT_EQ(readFile(path), before) << row.what;
        } else {
            EXPECT_EQ(differingOffsets(before, readFile(path)), std::vector<std::int64_t>{recordAt(444)}) << row.what;
            EXPECT_EQ(written.records.written, std::vector<int>{444}) << row.what;
        }
    }
}

// The window's document: a save finds the record as its load read it, and a lists
// load in between (the Moves window opened) does not move what the save must find.
TEST_F(RomDocumentTest, AWindowSaveFindsTheRecordItsLoadShowed)
{
    species::RomDocument document(path, rom);
    auto loaded = document.load(444, species::partsOf<species::SpeciesRecordsPart>());
    ASSERT_TRUE(loaded);
    patchFile(path, recordAt(444) + 1, {0x7F});  // another program changes Attack
    ASSERT_TRUE(document.load(444, species::partsOf<species::MoveArchivesPart, species::EggMovesPart, species::TutorMovesPart>()));
    auto values = loaded->record.values;
    values[0].text = "100";
    const auto before = readFile(path);
    const auto saved = document.save(444, {values, {"."}, std::nullopt, std::nullopt, std::nullopt});
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().kind, species::SpeciesFailure::RomChanged);
    EXPECT_EQ(readFile(path), before);
}

// Every table of the document under one contract: an edit to a table not read is
// refused and writes nothing; once read, an edit lands inside that table alone; read
// again, the table shows it.
TEST_F(RomDocumentTest, EveryTableWritesOnlyWhatItReadAndShowsItWhenReadAgain)
{
    constexpr int kGarchomp = 444, kGarchompMember = 445, kGible = 442;
    using Range = std::pair<std::int64_t, std::int64_t>;
    const struct {
        const char* table;
        // Reads the table, gives edits against it and where its bytes lie.
        std::function<std::pair<species::DocumentEdits, Range>(species::RomDocument&)> edit;
        std::function<bool(species::RomDocument&)> showsEdit;
    } rows[] = {
        {"records",
         [&](species::RomDocument& doc) {
             auto table = **doc.read<species::SpeciesRecordsPart>();
             table[kGarchomp][0] = 99;
             return std::pair{species::DocumentEdits{table}, Range{recordAt(kGarchomp), recordAt(kGarchomp + 1)}};
         },
         [&](species::RomDocument& doc) { return (**doc.read<species::SpeciesRecordsPart>())[kGarchomp][0] == 99; }},
        {"level-up lists",
         [&](species::RomDocument& doc) {
             const auto* read = *doc.read<species::MoveArchivesPart>();
             species::DocumentEdits edits;
             auto list = read->levelUpMoves.at(kGarchompMember);
             list.at(0).move = 33;  // Fire Fang as the games have it, now Tackle
             edits.moves.levelUp[kGarchompMember] = list;
             return std::pair{edits, Range{read->levelUp().start, read->levelUp().end}};
         },
         [&](species::RomDocument& doc) {
             return (*doc.read<species::MoveArchivesPart>())->levelUpMoves.at(kGarchompMember).at(0).move == 33;
         }},
        {"egg moves",
         [&](species::RomDocument& doc) {
             const auto* read = *doc.read<species::EggMovesPart>();
             species::DocumentEdits edits;
             auto list = read->table.moves.at(kGible + 1);
             list.pop_back();
             edits.eggMoves[kGible + 1] = list;
             return std::pair{edits, Range{read->offset, read->offset + 2 * std::int64_t(read->table.words.size())}};
         },
         [&](species::RomDocument& doc) {
             return (*doc.read<species::EggMovesPart>())->table.moves.at(kGible + 1) ==
                    std::vector<int>{225, 200, 239, 184, 38, 37, 232, 328, 34};  // the last, Iron Head, gone
         }},
        {"tutor moves",
         [&](species::RomDocument& doc) {
             const auto* read = *doc.read<species::TutorMovesPart>();
             const int record = *species::tutorRecordOf(kGarchomp);
             species::DocumentEdits edits;
             edits.tutors[record] = {0};
             return std::pair{edits, Range{read->compatibilityOffset,
                                           read->compatibilityOffset +
                                               std::int64_t(read->compatibility.bytes.size())}};
         },
         [&](species::RomDocument& doc) {
             return (*doc.read<species::TutorMovesPart>())->compatibility.movesOf(*species::tutorRecordOf(kGarchomp)) ==
                    std::vector<int>{0};
         }},
    };
    for (const auto& row : rows) {
        SetUp();
        const auto pristine = readFile(path);
        std::pair<species::DocumentEdits, Range> wanted;
        {
            auto reader = held();
            wanted = row.edit(reader);
        }
        {
            auto fresh = held();
            const auto unread = fresh.apply(wanted.first);
            ASSERT_TRUE(unread.error) << row.table;
            EXPECT_EQ(unread.error->kind, species::SpeciesFailure::RomChanged) << row.table;
            EXPECT_EQ(readFile(path), pristine) << row.table;
        }

        auto document = held();
        const auto edits = row.edit(document).first;
        const auto written = document.apply(edits);
        ASSERT_FALSE(written.error) << row.table << ": " << written.error->detail;
        const auto changed = differingOffsets(pristine, readFile(path));
        ASSERT_FALSE(changed.empty()) << row.table;
        for (const auto at : changed)
            EXPECT_TRUE(at >= wanted.second.first && at < wanted.second.second) << row.table << " wrote at " << at;
        EXPECT_TRUE(row.showsEdit(document)) << row.table;
    }
}

// The window's egg moves of a record go to its species' list; the records after the
// last species (forms, eggs) have none, and what the window gives for one is not written.
TEST_F(RomDocumentTest, EggMovesFromTheWindowGoOnlyToSpecies)
{
    const struct {
        int listIndex;
        bool written;
    } rows[] = {{492, true}, {493, false}};  // Arceus, the last species; the first record after it
    for (const auto& row : rows) {
        SetUp();
        {
            // Words made free for a new list: Gible's taken out.
            auto command = held();
            ASSERT_TRUE(command.read<species::EggMovesPart>());
            species::DocumentEdits edits;
            edits.eggMoves[443] = {};
            ASSERT_FALSE(command.apply(edits).error);
        }
        const auto pristine = readFile(path);
        species::RomDocument document(path, rom);
        auto loaded = document.load(row.listIndex, species::partsOf<species::SpeciesRecordsPart, species::MoveArchivesPart, species::EggMovesPart, species::TutorMovesPart>());
        ASSERT_TRUE(loaded) << row.listIndex;
        EXPECT_EQ(loaded->eggMoves->moves.has_value(), row.written) << "an egg list shown for " << row.listIndex;
        species::SpeciesChanges changes{loaded->record.values, {"."}};
        changes.eggMoves = std::vector<int>{33};
        const auto saved = document.save(row.listIndex, changes);
        ASSERT_TRUE(saved) << row.listIndex << ": " << saved.error().detail;
        EXPECT_EQ(readFile(path) != pristine, row.written) << row.listIndex;
        if (row.written) {
            auto reread = species::RomDocument::open(path, species::DocumentAccess::HeldForReading);
            EXPECT_EQ((*reread->read<species::EggMovesPart>())->table.moves.at(493), std::vector<int>{33});
        }
    }
}

} // namespace

namespace {

// One write of three tables: when another program changed the bytes of any one of them
// between the read and the write, every step is refused before any byte is written,
// those of the tables planned before it too.
TEST_F(RomDocumentTest, AStepThatNoLongerFindsItsBytesStopsEveryStep)
{
    const struct {
        const char* what;
        std::function<std::int64_t(const species::RomDocument&)> changedAt;
    } rows[] = {
        {"the records, written first", [&](const species::RomDocument&) { return recordAt(444) + 1; }},
        {"the level-up archive, in between", [&](const species::RomDocument&) { return layout.levelUpStart + 0x100; }},
        {"the egg move table, written last",
         [](const species::RomDocument& document) {
             return document.part<species::EggMovesPart>().value()->offset + 2;
         }},
    };
    for (const auto& row : rows) {
        SetUp();
        auto document = held();
        auto records = **document.read<species::SpeciesRecordsPart>();
        const auto& archives = **document.read<species::MoveArchivesPart>();
        ASSERT_TRUE(document.read<species::EggMovesPart>());
        species::DocumentEdits edits;
        records[444][0] = static_cast<std::uint8_t>(records[444][0] + 1);
        edits.records = records;
        auto garchomp = archives.levelUpMoves[445];
        garchomp.push_back({49, 89});
        edits.moves.levelUp[445] = garchomp;
        edits.eggMoves[443] = {33};
        ASSERT_TRUE(document.check(edits)) << row.what;

        patchFile(path, row.changedAt(document), {0x7E});
        const auto changed = readFile(path);
        const auto written = document.apply(edits);
        ASSERT_TRUE(written.error) << row.what;
        EXPECT_EQ(written.error->kind, species::SpeciesFailure::RomChanged) << row.what;
        EXPECT_TRUE(written.records.written.empty()) << row.what;
        EXPECT_EQ(readFile(path), changed) << row.what;
    }
}

} // namespace
