// The one write sequence of the window and the command line, on a Platinum image with
// the game's real archives: what a write depends on is checked, and nothing else is.
#include "platform/FileServices.h"
#include "romimage/RomImage.h"
#include "species/RomDocument.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

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
    auto loaded = document.load(444, false);
    ASSERT_TRUE(loaded);
    patchFile(path, recordAt(444) + 1, {0x7F});  // another program changes Attack
    ASSERT_TRUE(document.loadAllMoves(444));
    auto values = loaded->record.values;
    values[0].text = "100";
    const auto before = readFile(path);
    const auto saved = document.save(444, {values, {"."}, std::nullopt, std::nullopt, std::nullopt});
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().kind, species::SpeciesFailure::RomChanged);
    EXPECT_EQ(readFile(path), before);
}

} // namespace
