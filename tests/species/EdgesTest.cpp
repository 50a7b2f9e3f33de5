// Every bound of the readers and checks at both sides of its edge, on small images
// made byte by byte, so that a bound moved by one or half of a condition dropped
// changes some row's outcome.
#include "platform/FileServices.h"
#include "platform/MessageBoxService.h"
#include "rom/ImageClaims.h"
#include "rom/Narc.h"
#include "rom/NitroFs.h"
#include "species/LookupLists.h"
#include "species/RecordCodec.h"
#include "species/SpeciesEditor.h"
#include "species/SpeciesTableFile.h"
#include "species/WriteSteps.h"

#include "romimage/RomImage.h"
#include "SpeciesEditing.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>

using namespace quillmark;
using namespace quillmark::test;
using rom::RomFsProblem;

namespace {

void put16(Bytes& b, std::size_t at, unsigned v)
{
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int k = 0; k < 4; ++k)
        b[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v >> (8 * k));
}

// A file system of three directories (root, "d" = 0xF001, "d/e" = 0xF002) and three
// files ("a", "d/b", "d/e/c"), as the header, FNT and FAT lay it out.
struct TinyFs {
    std::uint32_t fntAt = 0x200, fatAt = 0x300, dataAt = 0x400;
    std::uint16_t subdirectoryId = 0xF001;   // the root's entry for "d"
    std::uint16_t innerId = 0xF002;          // d's entry for "e"
    std::uint16_t directoryCount = 3;
    std::uint16_t firstFileOfE = 2;
    std::int64_t fntSizeDelta = 0, fatSizeDelta = 0;
    std::int64_t size = -1;  // -1: just past the last of FNT, FAT and data

    Bytes fnt() const
    {
        Bytes sub0 = {0x01, 'a', 0x81, 'd', 0, 0, 0x00};
        put16(sub0, 4, subdirectoryId);
        Bytes sub1 = {0x01, 'b', 0x81, 'e', 0, 0, 0x00};
        put16(sub1, 4, innerId);
        const Bytes sub2 = {0x01, 'c', 0x00};
        Bytes table(24);
        const std::uint32_t at0 = 24, at1 = at0 + 7, at2 = at1 + 7;
        put32(table, 0, at0), put16(table, 4, 0), put16(table, 6, directoryCount);
        put32(table, 8, at1), put16(table, 12, 1), put16(table, 14, 0xF000);
        put32(table, 16, at2), put16(table, 20, firstFileOfE), put16(table, 22, 0xF001);
        for (const Bytes* sub : std::initializer_list<const Bytes*>{&sub0, &sub1, &sub2})
            table.insert(table.end(), sub->begin(), sub->end());
        return table;
    }

    Bytes image() const
    {
        const auto names = fnt();
        Bytes fat(24);
        for (std::uint32_t k = 0; k < 3; ++k) {
            put32(fat, 8 * k, dataAt + 4 * k);
            put32(fat, 8 * k + 4, dataAt + 4 * k + 4);
        }
        const auto end = std::max({std::int64_t{fntAt} + static_cast<std::int64_t>(names.size()),
                                   std::int64_t{fatAt} + 24, std::int64_t{dataAt} + 12});
        Bytes rom(static_cast<std::size_t>(size < 0 ? end : size), 0);
        const auto place = [&](std::uint32_t at, const Bytes& bytes) {
            for (std::size_t k = 0; k < bytes.size() && at + k < rom.size(); ++k)
                rom[at + k] = bytes[k];
        };
        place(fntAt, names);
        place(fatAt, fat);
        Bytes words(16);
        put32(words, 0, fntAt);
        put32(words, 4, static_cast<std::uint32_t>(static_cast<std::int64_t>(names.size()) + fntSizeDelta));
        put32(words, 8, fatAt);
        put32(words, 12, static_cast<std::uint32_t>(24 + fatSizeDelta));
        place(0x40, words);
        return rom;
    }
};

class Edges : public ::testing::Test {
protected:
    Result<rom::NitroFs, rom::RomFsError> readFs(const Bytes& image)
    {
        writeFile(path, image);
        file = std::move(*platform::fileServices().open(path, platform::FileAccess::Read));
        return rom::NitroFs::read(*file);
    }

    TempDir dir;
    std::string path = dir.file("tiny.nds");
    std::unique_ptr<platform::OpenFile> file;
};

TEST_F(Edges, FileSystemBounds)
{
    const auto fntSize = static_cast<std::uint32_t>(TinyFs{}.fnt().size());
    const struct {
        const char* edge;
        TinyFs fs;
        std::optional<RomFsProblem> refused;
        const char* why = "";
    } rows[] = {
        {"as made", {}, std::nullopt},
        {"FNT ending at the file's last byte", {.fntAt = 0x500}, std::nullopt},
        {"FNT one byte past it", {.fntAt = 0x500, .fntSizeDelta = 1}, RomFsProblem::FileSystemOutside},
        {"FAT ending at the file's last byte", {.fatAt = 0x500}, std::nullopt},
        {"FAT one byte past it", {.fatAt = 0x500, .fatSizeDelta = 8}, RomFsProblem::FileSystemOutside},
        {"FNT right after the header words", {.fntAt = 0x50}, std::nullopt},
        {"FNT over the header words", {.fntAt = 0x4F}, RomFsProblem::FileSystemOutside},
        {"FAT of a size not made of entries", {.fatSizeDelta = -1}, RomFsProblem::FileSystemOutside},
        {"FAT of no entry", {.fatSizeDelta = -24}, RomFsProblem::FileSystemOutside},
        {"last directory ID", {.innerId = 0xF002}, std::nullopt},
        {"directory ID equal to the count", {.innerId = 0xF003}, RomFsProblem::DirectoriesDamaged,
         "directory ID out of range"},
        {"directory ID below 0xF000", {.innerId = 0xEFFF}, RomFsProblem::DirectoriesDamaged,
         "directory ID out of range"},
        {"no directory", {.directoryCount = 0}, RomFsProblem::DirectoriesDamaged},
        {"a loop through a directory that is not the root", {.innerId = 0xF001},
         RomFsProblem::DirectoriesDamaged, "contains itself"},
        {"last file ID", {.firstFileOfE = 0xEFFF}, std::nullopt},
        {"file ID 0xF000", {.firstFileOfE = 0xF000}, RomFsProblem::DirectoriesDamaged, "file ID out of range"},
        {"FNT cut inside a sub-table", {.fntSizeDelta = -1}, RomFsProblem::DirectoriesDamaged},
        {"FNT shorter than a main entry", {.fntSizeDelta = -static_cast<std::int64_t>(fntSize) + 7},
         RomFsProblem::FileSystemOutside},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.edge);
        const auto fs = readFs(row.fs.image());
        ASSERT_EQ(fs.ok(), !row.refused) << (fs ? "" : fs.error().detail);
        if (row.refused) {
            EXPECT_EQ(fs.error().problem, *row.refused) << fs.error().detail;
            EXPECT_NE(fs.error().detail.find(row.why), std::string::npos) << fs.error().detail;
        } else {
            EXPECT_EQ(fs->fileId("d/e/c"), row.fs.firstFileOfE);
        }
    }
}

TEST_F(Edges, AllocationBounds)
{
    TinyFs tiny;
    auto image = tiny.image();
    const auto end = static_cast<std::uint32_t>(image.size());
    const struct {
        const char* edge;
        std::uint32_t start, stop;
        bool taken;
    } rows[] = {
        {"ending at the file's last byte", end - 4, end, true},
        {"ending one byte past it", end - 3, end + 1, false},
        {"empty", 0x400, 0x400, true},
        {"ending before it starts", 0x401, 0x400, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.edge);
        put32(image, tiny.fatAt + 16, row.start);
        put32(image, tiny.fatAt + 20, row.stop);
        const auto fs = readFs(image);
        ASSERT_TRUE(fs);
        EXPECT_EQ(fs->extent(2).ok(), row.taken);
    }
    const auto fs = readFs(tiny.image());
    EXPECT_TRUE(fs->extent(2)) << "the last entry of the FAT";
    EXPECT_NE(fs->extent(3).error().detail.find("has no entry for file 3"), std::string::npos) << "one past it";
}

// A NARC of `members` members of 4 bytes, its sizes shifted where a test says.
struct TinyNarc {
    int members = 3;
    std::int64_t archiveSizeDelta = 0, btafSizeDelta = 0, gmifSizeDelta = 0;
    std::int64_t lastEndDelta = 0, lastStartDelta = 0;

    Bytes bytes() const
    {
        const auto count = static_cast<std::uint32_t>(members);
        const std::uint32_t btafSize = 12 + 8 * count, gmifSize = 8 + 4 * count;
        Bytes narc(16 + btafSize + 8 + gmifSize, 0);
        std::copy_n("NARC", 4, narc.begin());
        put16(narc, 4, 0xFFFE);
        put16(narc, 6, 0x0100);
        put32(narc, 8, static_cast<std::uint32_t>(static_cast<std::int64_t>(narc.size()) + archiveSizeDelta));
        put16(narc, 12, 16);
        put16(narc, 14, 3);
        std::copy_n("BTAF", 4, narc.begin() + 16);
        put32(narc, 20, static_cast<std::uint32_t>(btafSize + btafSizeDelta));
        put16(narc, 24, count);
        for (std::uint32_t k = 0; k < count; ++k) {
            const bool last = k + 1 == count;
            put32(narc, 28 + 8 * k, static_cast<std::uint32_t>(4 * k + (last ? lastStartDelta : 0)));
            put32(narc, 32 + 8 * k, static_cast<std::uint32_t>(4 * k + 4 + (last ? lastEndDelta : 0)));
        }
        const std::size_t btnf = 16 + btafSize;
        std::copy_n("BTNF", 4, narc.begin() + static_cast<std::ptrdiff_t>(btnf));
        put32(narc, btnf + 4, 8);
        std::copy_n("GMIF", 4, narc.begin() + static_cast<std::ptrdiff_t>(btnf + 8));
        put32(narc, btnf + 12, static_cast<std::uint32_t>(gmifSize + gmifSizeDelta));
        return narc;
    }
};

TEST_F(Edges, ArchiveBounds)
{
    const struct {
        const char* edge;
        TinyNarc narc;
        bool taken;
        const char* why = "";
    } rows[] = {
        {"as made", {}, true},
        {"archive size one past its extent", {.archiveSizeDelta = 1}, false, "larger than the file"},
        {"archive size one short of its sections", {.archiveSizeDelta = -1}, false, "past its end"},
        {"member table one byte short", {.btafSizeDelta = -1}, false, "no member table"},
        {"member data one byte past the archive", {.gmifSizeDelta = 1}, false, "past its end"},
        {"last member ending one byte past the data", {.lastEndDelta = 1}, false, "outside its data"},
        {"last member empty", {.lastStartDelta = 4}, true},
        {"last member ending before it starts", {.lastStartDelta = 5}, false, "outside its data"},
        {"no members", {.members = 0}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.edge);
        const auto bytes = row.narc.bytes();
        writeFile(path, bytes);
        auto opened = platform::fileServices().open(path, platform::FileAccess::Read);
        const auto narc = rom::Narc::read(**opened, {0, static_cast<std::int64_t>(bytes.size())}, "x.narc");
        ASSERT_EQ(narc.ok(), row.taken) << (narc ? "" : narc.error().detail);
        if (row.taken) {
            EXPECT_EQ(narc->memberCount(), row.narc.members);
        } else {
            EXPECT_NE(narc.error().detail.find(row.why), std::string::npos) << narc.error().detail;
        }
    }
    // An archive of 15 bytes is too short to be one; 16 bytes of header are not enough
    // for its sections.
    writeFile(path, TinyNarc{}.bytes());
    auto opened = platform::fileServices().open(path, platform::FileAccess::Read);
    EXPECT_EQ(rom::Narc::read(**opened, {0, 15}, "x").error().problem, RomFsProblem::NotAnArchive);
    EXPECT_EQ(rom::Narc::read(**opened, {0, 16}, "x").error().problem, RomFsProblem::ArchiveDamaged);
}

// How many records the species archive holds, at the counts around 493 species.
TEST_F(Edges, SpeciesArchiveMemberCounts)
{
    const auto members = *romimage::readPersonalMembersCsv(samplesDir() + "/pt_personal.csv", nullptr);
    const struct {
        const char* edge;
        std::size_t members;
        int records;  // 0: refused
        std::int64_t shiftMember = -1;  // moved 4 bytes back, out of sequence
        std::int64_t shortMember = -1;  // its end a byte early: in sequence, 43 bytes long
    } rows[] = {
        {"the empty record and 492 species", 493, 0},
        {"the empty record and 493 species", 494, 493},
        {"and the Egg", 495, 494},
        {"every member of Platinum's file", 508, 507},
        {"the first form record out of sequence", 508, 494, 495},
        {"the last form record out of sequence", 508, 506, 507},
        {"the last form record a byte short", 508, 506, -1, 507},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.edge);
        romimage::ImageRecipe recipe;
        recipe.gameCode = "CPUE";
        recipe.members.assign(members.begin(), members.begin() + static_cast<std::ptrdiff_t>(row.members));
        romimage::ImageLayout layout;
        ASSERT_TRUE(romimage::writeRomImage(path, recipe, nullptr, &layout));
        if (row.shiftMember >= 0) {
            const auto entry = layout.narcStart + 28 + 8 * row.shiftMember;
            const auto bytes = readFile(path);
            auto word = [&](std::int64_t at) {
                return static_cast<std::uint32_t>(bytes[static_cast<std::size_t>(at)] |
                                                  bytes[static_cast<std::size_t>(at) + 1] << 8);
            };
            patchWord32(path, entry, word(entry) - 4);
            patchWord32(path, entry + 4, word(entry + 4) - 4);
        }
        if (row.shortMember >= 0) {
            const auto entry = layout.narcStart + 28 + 8 * row.shortMember + 4;
            const auto bytes = readFile(path);
            patchWord32(path, entry, static_cast<std::uint32_t>(bytes[static_cast<std::size_t>(entry)] |
                                                                bytes[static_cast<std::size_t>(entry) + 1] << 8) - 1);
        }
        const auto table = species::locateSpeciesTable(path, "CPUE");
        ASSERT_EQ(table.ok(), row.records > 0);
        if (table) {
            EXPECT_EQ(table->recordCount, row.records);
        }
    }
}

// A table that ends exactly where the file does is whole; one byte less is not.
TEST_F(Edges, TableEndAgainstTheFileEnd)
{
    for (const auto& [size, whole] : {std::pair{44 * 3, true}, std::pair{44 * 3 - 1, false}}) {
        SCOPED_TRACE(size);
        writeFile(path, Bytes(static_cast<std::size_t>(size), 0));
        auto opened = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
        std::vector<species::RecordBytes> before(3), after(3);
        after[2][43] = 1;
        EXPECT_EQ(species::readSpeciesRecords(**opened, 0, 3).ok(), whole);
        species::RecordWrites writes;
        (void)species::writeStep(**opened, species::changedRecordsStep(nullptr, 0, before, after), 0xFF, writes);
        EXPECT_EQ(writes.complete(), whole);
    }
}

// An import whose second changed record lies past a cut made after the open writes the
// first and stops there, never extending the file.
TEST_F(Edges, RecordsPastACutAreNotWritten)
{
    writeFile(path, Bytes(44 * 4, 0));
    auto file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
    std::vector<species::RecordBytes> before(3), after(3);
    after[0][0] = after[2][43] = 9;
    std::filesystem::resize_file(path, 44 * 2);
    species::RecordWrites writes;
    EXPECT_FALSE(species::writeStep(**file, species::changedRecordsStep(nullptr, 0, before, after), 0xFF, writes));
    EXPECT_EQ(writes.written, std::vector<int>{0});
    EXPECT_EQ(writes.failedAt, 2);
    EXPECT_EQ(writes.error, platform::FileError::WritePastEndOfFile);
    EXPECT_EQ(fileSize(path), 44 * 2);
}

// Each column's largest code is taken and the next refused, by code and as a number.
TEST(EdgesOfCodes, LastCodeAndTheNext)
{
    const std::pair<const char*, unsigned> lastCodes[] = {
        {"type1", 255}, {"type2", 255}, {"item1", 0xFFFF}, {"item2", 0xFFFF},
        {"gender_ratio", 255}, {"hatch_steps", 255}, {"growth_rate", 255}, {"egg_group1", 255},
        {"egg_group2", 255}, {"ability1", 255}, {"ability2", 255}, {"color", 127},
    };
    for (const auto& [name, last] : lastCodes) {
        SCOPED_TRACE(name);
        const auto* column = species::findColumn(name);
        ASSERT_NE(column, nullptr);
        species::RecordBytes record{};
        EXPECT_FALSE(species::applyCodeCell(*column, std::to_string(last), record));
        EXPECT_EQ(species::codeOf(*column, record), last);
        EXPECT_TRUE(species::applyCodeCell(*column, std::to_string(last + 1), record));
        EXPECT_FALSE(species::applyCell(*column, "#" + std::to_string(last), record));
        EXPECT_TRUE(species::applyCell(*column, "#" + std::to_string(last + 1), record));
    }
    const std::pair<const char*, unsigned> lastNumbers[] = {
        {"hp", 255}, {"run_chance", 255}, {"ev_hp", 3}, {"ev_sp_defense", 3}, {"flip", 1},
    };
    for (const auto& [name, last] : lastNumbers) {
        SCOPED_TRACE(name);
        const auto* column = species::findColumn(name);
        species::RecordBytes record{};
        EXPECT_FALSE(species::applyCell(*column, std::to_string(last), record));
        EXPECT_EQ(species::codeOf(*column, record), last);
        EXPECT_TRUE(species::applyCell(*column, std::to_string(last + 1), record));
        EXPECT_EQ(species::codeOf(*column, record), last) << "a refusal changes nothing";
    }
    // Neighbouring bits stay: EV Sp Defense is bits 10-11 of the word; the top four
    // bits have no meaning. Flip is bit 7 of the colour byte.
    species::RecordBytes record{};
    record[11] = 0xF0;
    species::applyCell(*species::findColumn("ev_sp_defense"), "3", record);
    EXPECT_EQ(record[11], 0xFC);
    record[25] = 0x7F;
    species::applyCell(*species::findColumn("flip"), "1", record);
    EXPECT_EQ(record[25], 0xFF);
}

// The bytes More Data writes: the EV word (10-11), growth (19), colour and flip (25)
// and the machines (28-43), each range at both of its ends.
TEST(EdgesOfCodes, MoreDataBytesAreTheirFieldsExactly)
{
    const std::pair<int, bool> rows[] = {
        {9, false}, {10, true}, {11, true}, {12, false}, {18, false}, {19, true}, {20, false},
        {24, false}, {25, true}, {26, false}, {27, false}, {28, true}, {43, true},
    };
    for (const auto& [offset, more] : rows)
        EXPECT_EQ(species::isMoreDataByte(offset), more) << offset;
}

// At most three suggestions, each once.
TEST(EdgesOfCodes, NearestNamesAreThreeDifferentOnes)
{
    EXPECT_EQ(species::nearestPhrase({"a", "b", "c", "d"}), "; nearest: a, b, c");
    EXPECT_EQ(species::nearestPhrase({"a", "a", "b"}), "; nearest: a, b");
    EXPECT_EQ(species::nearestPhrase({}), "");
}

// Apostrophes, accents and blanks, typed one way where the list has the other.
TEST(EdgesOfCodes, TextsMatchWhicheverApostropheOrAccent)
{
    const struct {
        const char* column;
        const char* typed;
        unsigned code;
    } rows[] = {
        {"item1", "King's Rock", 221},  {"item1", "King\u2019s Rock", 221}, {"item1", "kings rock", 221},
        {"item1", "Poke Ball", 4},      {"item1", "Pok\u00E9 Ball", 4},     {"item1", "POKÉBALL", 4},
        {"item1", " Leftovers ", 234},  {"ability1", "Speed Boost", 3},     {"ability1", "speedboost", 3},
        {"type1", "dragon", 16},
    };
    for (const auto& row : rows) {
        species::RecordBytes record{};
        EXPECT_FALSE(species::applyCell(*species::findColumn(row.column), row.typed, record)) << row.typed;
        EXPECT_EQ(species::codeOf(*species::findColumn(row.column), record), row.code) << row.typed;
    }
}

// Every system error the file services can meet, in the words the user reads.
TEST(EdgesOfErrors, EachSystemErrorHasItsWords)
{
    const std::pair<int, const char*> rows[] = {
        {ENOENT, "File not found."}, {ENOTDIR, "Path not found."}, {EACCES, "Permission denied."},
        {EPERM, "Permission denied."}, {EROFS, "Permission denied."}, {ETXTBSY, "Permission denied."},
        {EISDIR, "Path/File access error"}, {ENXIO, "Path/File access error"}, {ENOSPC, "Disk full"},
        {EFBIG, "Disk full"},
#ifdef EDQUOT
        {EDQUOT, "Disk full"},
#endif
        {EMFILE, "Too many files"}, {ENFILE, "Too many files"},
        {EWOULDBLOCK, "File already open"}, {ENAMETOOLONG, "Bad file name."}, {EINVAL, "Bad file name."},
        {EIO, "Device I/O error."}, {0, "Device I/O error."},
    };
    for (const auto& [error, words] : rows)
        EXPECT_TRUE(platform::errorDescription(platform::fileErrorOf(error)).starts_with(words)) << error;
}

// The writers' lock: a writer waits while another holds it, and gets it as soon as it
// is let go; one that holds it past the wait is reported. Driven by the waits
// themselves, not by sleeps.
TEST_F(Edges, AWriterWaitsForTheLockAndNoLonger)
{
    writeFile(path, Bytes(64, 0));
    auto holder = std::make_unique<OtherWriter>(path);
    ASSERT_TRUE(holder->holds());
    int retries = 0;
    platform::setLockRetryObserver([&] {
        if (++retries == 2)
            holder->letGo();
    });
    auto waiting = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
    EXPECT_TRUE((*waiting)->lockForWriting(std::chrono::seconds(30)));
    EXPECT_EQ(retries, 2) << "taken once let go";
    waiting->reset();

    holder = std::make_unique<OtherWriter>(path);
    ASSERT_TRUE(holder->holds());
    retries = 0;
    platform::setLockRetryObserver([&] { ++retries; });
    auto refused = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
    const auto start = std::chrono::steady_clock::now();
    const auto locked = (*refused)->lockForWriting(std::chrono::milliseconds(100));
    EXPECT_EQ(locked.error(), platform::FileError::LockedByAnotherWriter);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_GE(retries, 1);
    platform::setLockRetryObserver(nullptr);
}

// A save waits for the lock the same way, for as long as it promises.
TEST_F(Edges, ASaveWaitsForTheLock)
{
    romimage::ImageRecipe recipe;
    ASSERT_TRUE(romimage::writeRomImage(path, recipe, nullptr));
    const species::RomFingerprint rom{"ADAE", *species::locateSpeciesTable(path, "ADAE")};
    const auto loaded = test::loadSpecies(path, rom, 7);
    ASSERT_TRUE(loaded);
    OtherWriter holder(path);
    ASSERT_TRUE(holder.holds());
    // Let go only once the save has waited most of its time.
    const auto start = std::chrono::steady_clock::now();
    platform::setLockRetryObserver([&] {
        if (std::chrono::steady_clock::now() - start > species::kLockWait - std::chrono::milliseconds(300))
            holder.letGo();
    });
    const auto saved = test::saveSpecies(path, loaded->tableBase, 7, loaded->values, {"."},
                                            {rom, loaded->record});
    platform::setLockRetryObserver(nullptr);
    EXPECT_TRUE(saved) << (saved ? "" : platform::errorDescription(*saved.error().fileError));
    EXPECT_GE(species::kLockWait, std::chrono::milliseconds(1000)) << "a person's patience, not a blink";
}

} // namespace
