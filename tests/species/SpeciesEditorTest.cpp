#include "species/SpeciesEditor.h"
#include "species/SpeciesMessages.h"

#include "romimage/RomImage.h"
#include "SpeciesEditing.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>

using namespace quillmark;
using namespace quillmark::species;
using namespace quillmark::test;
using platform::NumberFormat;

namespace {

const NumberFormat kEnglish{"."};

class SpeciesEditor : public ::testing::Test {
protected:
    void makeImage(const std::string& code, std::vector<romimage::Record> records = {},
                   std::int64_t size = 0, romimage::Layout layout = romimage::Layout::Retail)
    {
        gameCode = code;
        path = dir.file(code + ".nds");
        romimage::ImageRecipe recipe;
        recipe.gameCode = code;
        recipe.layout = layout;
        recipe.records = std::move(records);
        recipe.fileSize = size;
        std::string error;
        romimage::ImageLayout made;
        ASSERT_TRUE(romimage::writeRomImage(path, recipe, &error, &made)) << error;
        base = made.tableBase;
        tableBase = std::to_string(base);
        // The image's own table, or the fixed start of one that is cut too short.
        const auto located = locateSpeciesTable(path, code);
        rom = RomFingerprint{code, located ? *located : SpeciesTable{base, "", kSpeciesCount}};
        before = readFile(path);
    }

    SpeciesValues load(int index)
    {
        auto loaded = loadSpecies(path, rom, index);
        EXPECT_TRUE(loaded);
        if (!loaded)
            return {};
        loadedHex[index] = loaded->record;
        return loaded->values;
    }

    Result<RecordBytes, SpeciesError> save(int index, const SpeciesValues& values,
                                          const NumberFormat& format = kEnglish)
    {
        auto saved = shown(saveSpecies(path, tableBase, index, values, format,
                                       SaveGuard{rom, loadedHex[index]}));
        if (saved)
            loadedHex[index] = *saved;
        return saved;
    }

    // Offsets relative to the record of `index` that differ from the image as made.
    std::vector<std::int64_t> changedInRecord(int index) const
    {
        std::vector<std::int64_t> relative;
        for (auto offset : differingOffsets(before, readFile(path)))
            relative.push_back(offset - base - 44 * index);
        return relative;
    }

    FieldValue& at(SpeciesValues& values, SpeciesField field)
    {
        return values[static_cast<std::size_t>(field)];
    }

    TempDir dir;
    std::string path, gameCode, tableBase;
    std::int64_t base = 0;
    RomFingerprint rom;
    std::map<int, RecordBytes> loadedHex;
    Bytes before;
    RecordingMessageBox messages;

    // A failed read or write in the "Error: N" box, as the window shows it.
    template <class T>
    T shown(T result)
    {
        if (!result) {
            if (const auto error = fileErrorToShow(result.error()))
                platform::showFileError(messages, *error);
        }
        return result;
    }
};

TEST_F(SpeciesEditor, LoadThenSaveOfEveryRecordChangesNoByte)
{
    for (const char* code : {"ADAE", "APAJ"}) {
        makeImage(code);
        int unlisted = 0;
        for (int i = 0; i < kSpeciesCount; ++i) {
            const auto values = load(i);
            for (const auto& value : values)
                unlisted += value.unlistedCode.has_value();
            ASSERT_TRUE(save(i, values)) << code << " species " << i;
        }
        EXPECT_GT(unlisted, 1000) << "the synthetic table should hold codes that name no entry";
        EXPECT_EQ(readFile(path), before) << code;
        EXPECT_TRUE(messages.shown.empty());
    }
}

TEST_F(SpeciesEditor, LoadShowsRealValuesAsTheControlsHoldThem)
{
    auto records = romimage::readPersonalCsv(samplesDir() + "/dp_personal.csv", nullptr);
    ASSERT_TRUE(records);
    (*records)[0][0] = 0x00;  // a record whose first bytes run 00 01 7F 80 FE FF
    (*records)[0][1] = 0x01;
    (*records)[0][2] = 0x7F;
    (*records)[0][3] = 0x80;
    (*records)[0][4] = 0xFE;
    (*records)[0][5] = 0xFF;
    makeImage("ADAE", *records);

    auto edge = load(0);
    const char* texts[] = {"0", "1", "127", "128", "254", "255"};
    for (int f = 0; f < 6; ++f)
        EXPECT_EQ(edge[static_cast<std::size_t>(f)].text, texts[f]);

    auto ivysaur = load(1);
    EXPECT_EQ(at(ivysaur, SpeciesField::BaseXP).text, "141");
    EXPECT_EQ(at(ivysaur, SpeciesField::CatchRate).text, "45");
    EXPECT_EQ(at(ivysaur, SpeciesField::Type1).selectedIndex, 12);  // Grass
    EXPECT_EQ(at(ivysaur, SpeciesField::Type2).selectedIndex, 3);   // Poison
    EXPECT_EQ(at(ivysaur, SpeciesField::Gender).selectedIndex, 31);
    EXPECT_EQ(at(ivysaur, SpeciesField::HatchSteps).selectedIndex, 20);
    EXPECT_EQ(at(ivysaur, SpeciesField::EggType1).selectedIndex, 1);
    EXPECT_EQ(at(ivysaur, SpeciesField::EggType2).selectedIndex, 7);
    EXPECT_EQ(at(ivysaur, SpeciesField::Ability1).selectedIndex, 65);  // Overgrow

    auto magikarp = load(128);
    EXPECT_EQ(at(magikarp, SpeciesField::EggType1).selectedIndex, 12);  // Water 2
    EXPECT_EQ(at(magikarp, SpeciesField::EggType2).selectedIndex, 14);  // Dragon
    auto ditto = load(131);
    EXPECT_EQ(at(ditto, SpeciesField::Gender).selectedIndex, 255);      // None
    EXPECT_EQ(at(ditto, SpeciesField::Item1).selectedIndex, 274);       // Quick Powder
    for (const auto& value : ditto)
        EXPECT_FALSE(value.unlistedCode);
}

TEST_F(SpeciesEditor, CodesThatNameNoEntryAreShownEmptyAndKept)
{
    romimage::Record odd{};
    odd[6] = 0x12;                 // type 18
    odd[7] = 0xFF;
    odd[12] = 0xD1, odd[13] = 0x01;  // item 465
    odd[14] = 0xFF, odd[15] = 0xFF;  // item 0xFFFF
    odd[20] = 0x10;                // egg group 16
    odd[22] = 0x7C;                // ability 124
    std::vector<romimage::Record> records(kSpeciesCount, romimage::Record{});
    records[7] = odd;
    makeImage("ADAE", records);

    auto values = load(7);
    EXPECT_EQ(at(values, SpeciesField::Type1).selectedIndex, -1);
    EXPECT_EQ(at(values, SpeciesField::Type1).unlistedCode, 0x12);
    EXPECT_EQ(at(values, SpeciesField::Item1).selectedIndex, -1);
    EXPECT_EQ(at(values, SpeciesField::Item1).unlistedCode, 0x01D1);
    EXPECT_EQ(at(values, SpeciesField::Item2).selectedIndex, -1);
    EXPECT_EQ(at(values, SpeciesField::EggType1).selectedIndex, -1);
    EXPECT_EQ(at(values, SpeciesField::Ability1).selectedIndex, -1);
    ASSERT_TRUE(save(7, values));
    EXPECT_EQ(readFile(path), before);

    // Picking an entry replaces the kept code; a field with neither writes all ones.
    at(values, SpeciesField::Type1).selectedIndex = 0;
    at(values, SpeciesField::Item1) = FieldValue{};
    ASSERT_TRUE(save(7, values));
    EXPECT_EQ(changedInRecord(7), (std::vector<std::int64_t>{6, 12, 13}));
    const auto after = readFile(path);
    EXPECT_EQ(after[static_cast<std::size_t>(base + 44 * 7 + 6)], 0x00);
    EXPECT_EQ(after[static_cast<std::size_t>(base + 44 * 7 + 12)], 0xFF);
    EXPECT_EQ(after[static_cast<std::size_t>(base + 44 * 7 + 13)], 0xFF);
}

TEST_F(SpeciesEditor, EachKindOfEditChangesExactlyItsBytes)
{
    makeImage("APAF", romimage::syntheticRecords());
    struct Case {
        const char* what;
        std::function<void(SpeciesValues&)> edit;
        std::vector<std::pair<int, std::uint8_t>> bytes;  // record offset, value
    } cases[] = {
        {"2.5 rounds to even", [&](auto& v) { at(v, SpeciesField::HP).text = "2.5"; }, {{0, 0x02}}},
        {"3.5 rounds to even", [&](auto& v) { at(v, SpeciesField::Speed).text = "3.5"; }, {{3, 0x04}}},
        {"0.4 rounds down", [&](auto& v) { at(v, SpeciesField::CatchRate).text = "0.4"; }, {{8, 0x00}}},
        {"255 is accepted", [&](auto& v) { at(v, SpeciesField::BaseXP).text = "255"; }, {{9, 0xFF}}},
        {"10", [&](auto& v) { at(v, SpeciesField::RunChance).text = "10"; }, {{24, 0x0A}}},
        {"type", [&](auto& v) { at(v, SpeciesField::Type2) = {"", 12, {}}; }, {{7, 0x0C}}},
        {"hatch steps", [&](auto& v) { at(v, SpeciesField::HatchSteps) = {"", 20, {}}; }, {{17, 0x14}}},
        {"item 308", [&](auto& v) { at(v, SpeciesField::Item2) = {"", 308, {}}; }, {{14, 0x34}, {15, 0x01}}},
        {"fifth ???", [&](auto& v) { at(v, SpeciesField::Item1) = {"", 116, {}}; }, {{12, 0x74}, {13, 0x00}}},
        {"gender None", [&](auto& v) { at(v, SpeciesField::Gender) = {"", 255, {}}; }, {{16, 0xFF}}},
        {"ability", [&](auto& v) { at(v, SpeciesField::Ability2) = {"", 123, {}}; }, {{23, 0x7B}}},
        {"egg group", [&](auto& v) { at(v, SpeciesField::EggType1) = {"", 15, {}}; }, {{20, 0x0F}}},
    };
    int index = 0;
    for (const auto& c : cases) {
        index += 37;
        auto values = load(index);
        c.edit(values);
        const auto imageBefore = readFile(path);
        ASSERT_TRUE(save(index, values)) << c.what;
        const auto after = readFile(path);
        std::vector<std::int64_t> expectedChanged;
        for (const auto& [offset, value] : c.bytes) {
            const auto at = static_cast<std::size_t>(base + 44 * index + offset);
            EXPECT_EQ(after[at], value) << c.what;
            if (imageBefore[at] != value)
                expectedChanged.push_back(static_cast<std::int64_t>(at));
        }
        EXPECT_EQ(differingOffsets(imageBefore, after), expectedChanged) << c.what;
    }
}

TEST_F(SpeciesEditor, NumbersOutsideZeroTo255OrNotNumbersWriteNothing)
{
    makeImage("ADAE");
    const auto loaded = load(3);
    for (const char* bad : {"256", "-1", "255.01", "", "abc", "1,,", " ", "1e3"}) {
        for (const auto& field : SpeciesFieldMap) {
            if (field.kind != FieldKind::Number)
                continue;
            auto values = loaded;
            for (auto& v : values) {
                if (!v.text.empty())
                    v.text = "1";
            }
            values[static_cast<std::size_t>(field.field)].text = bad;
            auto saved = save(3, values);
            ASSERT_FALSE(saved) << bad;
            EXPECT_EQ(saved.error().kind, SpeciesFailure::InvalidNumber);
            EXPECT_EQ(userMessage(saved.error(), SpeciesOperation::Save),
                      "Please enter Base Stat values between 0 and 255.");
        }
    }
    EXPECT_EQ(readFile(path), before);
    EXPECT_TRUE(messages.shown.empty());

    // A German user types a decimal comma.
    auto values = loaded;
    at(values, SpeciesField::HP).text = "2,5";
    ASSERT_TRUE(save(3, values, NumberFormat{","}));
    EXPECT_EQ(changedInRecord(3), std::vector<std::int64_t>{0});
}

TEST_F(SpeciesEditor, RefusesFilesThatCannotHoldTheTable)
{
    // An image without a file system whose table would end 1 byte past the end of
    // the file; one byte longer, and it fits exactly.
    const auto retail = romimage::readPersonalCsv(samplesDir() + "/dp_personal.csv", nullptr).value();
    makeImage("ADAE", retail, 29448712 + 21692, romimage::Layout::HeaderAndTable);
    EXPECT_EQ(locateSpeciesTable(path, "ADAE")->tableBase, 29448712);
    // Loaded while it fitted, then cut a byte short by another program.
    RomDocument window(path, rom);
    ASSERT_TRUE(window.load(0, partsOf<SpeciesRecordsPart>()));
    makeImage("ADAE", retail, 29448712 + 21692 - 1, romimage::Layout::HeaderAndTable);
    auto located = locateSpeciesTable(path, "ADAE");
    ASSERT_FALSE(located);
    EXPECT_EQ(located.error().kind, SpeciesFailure::TableOutsideFile);
    auto loaded = loadSpecies(path, rom, 0);
    ASSERT_FALSE(loaded);
    auto saved = window.save(0, {SpeciesValues{}, kEnglish});
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().kind, SpeciesFailure::InvalidNumber);
    SpeciesValues zeros;
    for (auto& v : zeros)
        v.text = "0";
    saved = window.save(0, {zeros, kEnglish});
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().kind, SpeciesFailure::TableOutsideFile);
    EXPECT_EQ(readFile(path), before);

    // A file far too short, as a wrong ROM would be: never grown by a save at 29 MB.
    const auto tiny = dir.file("tiny.nds");
    writeFile(tiny, Bytes(64, 0));
    EXPECT_FALSE(saveSpecies(tiny, tableBase, 0, zeros, kEnglish, SaveGuard{rom, {}}));
    EXPECT_EQ(fileSize(tiny), 64);

    const auto missing = dir.file("missing.nds");
    auto gone = loadSpecies(missing, rom, 0);
    ASSERT_FALSE(gone);
    EXPECT_EQ(gone.error().kind, SpeciesFailure::FileUnavailable);
    EXPECT_FALSE(saveSpecies(missing, tableBase, 0, zeros, kEnglish, SaveGuard{rom, {}}));
    EXPECT_EQ(fileSize(missing), -1);
    EXPECT_TRUE(messages.shown.empty()) << "refusals are values, shown by the caller";

    auto unsupported = locateSpeciesTable(path, "adae");
    ASSERT_FALSE(unsupported);
    EXPECT_EQ(unsupported.error().kind, SpeciesFailure::UnsupportedRom);
    EXPECT_EQ(userMessage(unsupported.error(), SpeciesOperation::Load), "Unsupported ROM");
}

TEST_F(SpeciesEditor, AFailedWriteStopsTheSaveAndSaysHowFarItGot)
{
    makeImage("ADAE");
    auto values = load(10);
    for (auto& v : values) {
        if (!v.text.empty())
            v.text = "200";
    }
    FaultyFileServices faulty;
    faulty.failWriteNumber = 5;  // HP..Speed, then Sp Attack fails
    faulty.ioError = platform::FileError::PermissionDenied;
    platform::ScopedFileServices scoped(faulty);
    auto saved = save(10, values);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().kind, SpeciesFailure::WriteFailed);
    EXPECT_EQ(saved.error().fieldsWritten, 4);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Error: 70");
    EXPECT_EQ(changedInRecord(10), (std::vector<std::int64_t>{0, 1, 2, 3}));
    EXPECT_NE(userMessage(saved.error(), SpeciesOperation::Save).find("only partly saved"),
              std::string::npos);
}

TEST_F(SpeciesEditor, AFailedReadStopsTheLoad)
{
    makeImage("ADAE");
    FaultyFileServices faulty;
    faulty.failReadNumber = 8;  // 7 fields, then Catch Rate fails
    platform::ScopedFileServices scoped(faulty);
    auto loaded = shown(loadSpecies(path, rom, 0));
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.error().kind, SpeciesFailure::ReadFailed);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Error: 57");
    EXPECT_EQ(faulty.reads, 8) << "nothing is read after the failure";
}

} // namespace
