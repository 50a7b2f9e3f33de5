#include "platform/FileServices.h"
#include "rom/HexCodec.h"
#include "rom/Narc.h"
#include "rom/NitroFs.h"
#include "species/SpeciesEditor.h"
#include "species/SpeciesMessages.h"

#include "romimage/RomImage.h"
#include "SpeciesEditing.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace quillmark;
using namespace quillmark::species;
using namespace quillmark::test;
using romimage::Layout;

namespace {

constexpr std::string_view kDiamondNarc = "poketool/personal/personal.narc";
constexpr std::string_view kPearlNarc = "poketool/personal_pearl/personal.narc";

struct Image {
    std::string path;
    romimage::ImageLayout layout;
};

Image makeImage(const TempDir& dir, const std::string& name, const std::string& code, Layout layout,
                std::vector<romimage::Record> records = {}, const std::string& narcPath = "")
{
    romimage::ImageRecipe recipe;
    recipe.gameCode = code;
    recipe.layout = layout;
    recipe.records = std::move(records);
    recipe.narcPath = narcPath;
    Image image{dir.file(name), {}};
    std::string error;
    EXPECT_TRUE(romimage::writeRomImage(image.path, recipe, &error, &image.layout)) << error;
    return image;
}

std::vector<romimage::Record> realRecords(const char* file)
{
    return romimage::readPersonalCsv(samplesDir() + "/" + file, nullptr).value();
}

// Renames a file in the image's FNT to a name of the same length.
void renameInFnt(const Image& image, const std::string& from, const std::string& to)
{
    const auto bytes = readFile(image.path);
    const std::string entry = static_cast<char>(from.size()) + from;
    const auto fnt = bytes.begin() + image.layout.fntOffset;
    const auto at = std::search(fnt, fnt + image.layout.fntSize, entry.begin(), entry.end());
    ASSERT_NE(at, fnt + image.layout.fntSize) << from;
    patchFile(image.path, (at - bytes.begin()) + 1, Bytes(to.begin(), to.end()));
}

// Points file `id`'s FAT entry at [start, end).
void moveInFat(const Image& image, int id, std::int64_t start, std::int64_t end)
{
    patchWord32(image.path, image.layout.fatOffset + 8 * id, static_cast<std::uint32_t>(start));
    patchWord32(image.path, image.layout.fatOffset + 8 * id + 4, static_cast<std::uint32_t>(end));
}

std::uint32_t word32(const Bytes& bytes, std::int64_t at)
{
    std::uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

// The byte offset of member k's BTAF entry in the image's species archive.
std::int64_t btafEntry(const Image& image, int k) { return image.layout.narcStart + 28 + 8 * k; }

// Offset of the first directory entry's ID in the root's sub-table.
std::int64_t firstSubdirectoryId(const Image& image)
{
    const auto bytes = readFile(image.path);
    std::int64_t at = image.layout.fntOffset + word32(bytes, image.layout.fntOffset);
    for (;;) {
        const std::uint8_t length = bytes[static_cast<std::size_t>(at)];
        if (length & 0x80)
            return at + 1 + (length & 0x7F);
        at += 1 + length;
    }
}

TEST(SpeciesTableLocator, RetailImagesAgreeWithTheCartridgeTableStarts)
{
    // The table starts of the fourteen editions, as the cartridges have them.
    const struct {
        const char* code;
        std::int64_t start;
        std::string_view narc;
    } editions[] = {
        {"ADAS", 29257224, kDiamondNarc}, {"APAS", 29257224, kPearlNarc},
        {"ADAE", 29448712, kDiamondNarc}, {"APAE", 29448712, kPearlNarc},
        {"ADAD", 29421064, kDiamondNarc}, {"APAD", 29421064, kPearlNarc},
        {"ADAF", 29368840, kDiamondNarc}, {"APAF", 29368840, kPearlNarc},
        {"ADAI", 29316104, kDiamondNarc}, {"APAI", 29316104, kPearlNarc},
        {"ADAK", 28315656, kDiamondNarc}, {"APAK", 28315656, kPearlNarc},
        {"ADAJ", 29817352, kDiamondNarc}, {"APAJ", 29817352, kPearlNarc},
    };
    TempDir dir;
    for (const auto& edition : editions) {
        const auto image = makeImage(dir, "rom.nds", edition.code, Layout::Retail);
        const int descriptors = openDescriptorCount();
        const auto table = locateSpeciesTable(image.path, edition.code);
        EXPECT_EQ(openDescriptorCount(), descriptors);
        ASSERT_TRUE(table) << edition.code;
        EXPECT_EQ(table->tableBase, edition.start) << edition.code;
        EXPECT_EQ(table->narcPath, edition.narc) << edition.code;
        // The same file without its file system falls back to the same start.
        const auto bare = makeImage(dir, "bare.nds", edition.code, Layout::HeaderAndTable,
                                    realRecords("dp_personal.csv"));
        EXPECT_EQ(locateSpeciesTable(bare.path, edition.code)->tableBase, edition.start);
    }
    // A Pearl image that also carries Diamond's file reads its own.
    romimage::ImageRecipe both;
    both.gameCode = "APAE";
    both.leftoverPath = std::string(kDiamondNarc);
    const auto bothPath = dir.file("both.nds");
    ASSERT_TRUE(romimage::writeRomImage(bothPath, both, nullptr));
    EXPECT_EQ(locateSpeciesTable(bothPath, "APAE")->narcPath, kPearlNarc);
    // A Pearl image built with Diamond's file only uses that file.
    const auto pearl = makeImage(dir, "pearl.nds", "APAE", Layout::Rebuilt, {}, std::string(kDiamondNarc));
    EXPECT_EQ(locateSpeciesTable(pearl.path, "APAE")->narcPath, kDiamondNarc);
    // A Diamond image never reads Pearl's file.
    const auto diamond = makeImage(dir, "diamond.nds", "ADAE", Layout::Rebuilt, {}, std::string(kPearlNarc));
    EXPECT_EQ(locateSpeciesTable(diamond.path, "ADAE").error().kind, SpeciesFailure::TableNotFound);
}

TEST(SpeciesTableLocator, RebuiltImagesAreEditedWhereTheirFileSystemSays)
{
    TempDir dir;
    for (const auto& [code, data] : {std::pair{"ADAE", "dp_personal.csv"},
                                     std::pair{"APAE", "dp_personal_pearl.csv"}}) {
        SCOPED_TRACE(code);
        const auto records = realRecords(data);
        const auto image = makeImage(dir, std::string(code) + ".nds", code, Layout::Rebuilt, records);
        const auto before = readFile(image.path);
        const auto table = locateSpeciesTable(image.path, code);
        ASSERT_TRUE(table);
        ASSERT_NE(table->tableBase, 29448712);
        const RomFingerprint rom{code, *table};
        LoadedSpecies garchomp;
        for (int i = 0; i < kSpeciesCount; ++i) {
            auto loaded = loadSpecies(image.path, rom, i);
            ASSERT_TRUE(loaded) << i;
            const auto& r = records[static_cast<std::size_t>(i)];
            auto v = [&](SpeciesField f) { return loaded->values[static_cast<std::size_t>(f)]; };
            ASSERT_EQ(v(SpeciesField::HP).text, std::to_string(r[0])) << i;
            ASSERT_EQ(v(SpeciesField::BaseXP).text, std::to_string(r[9])) << i;
            ASSERT_EQ(v(SpeciesField::Type1).selectedIndex, r[6]) << i;
            ASSERT_EQ(v(SpeciesField::Item1).selectedIndex, r[12] | r[13] << 8) << i;
            ASSERT_EQ(v(SpeciesField::Ability2).selectedIndex, r[23]) << i;
            if (i == 444)
                garchomp = std::move(*loaded);
        }
        auto values = garchomp.values;
        values[static_cast<std::size_t>(SpeciesField::HP)].text = "110";
        ASSERT_TRUE(saveSpecies(image.path, garchomp.tableBase, 444, values, {"."},
                                SaveGuard{rom, garchomp.record}));

        // Read back through the file system: member 445 is Garchomp's record.
        auto file = platform::fileServices().open(image.path, platform::FileAccess::Read);
        auto fs = rom::NitroFs::read(**file);
        auto narc = rom::Narc::read(**file, *fs->find(table->narcPath), table->narcPath);
        const auto hp = narc->member(445).start;
        const auto after = readFile(image.path);
        EXPECT_EQ(after[static_cast<std::size_t>(hp)], 110);
        EXPECT_EQ(differingOffsets(before, after), std::vector<std::int64_t>{hp});
    }
}

TEST(SpeciesTableLocator, DamagedFileSystemsAreRefusedWithTheirReason)
{
    const struct {
        const char* what;
        void (*damage)(const Image&);
        const char* reason;
    } cases[] = {
        {"FAT entry past the end of the file",
         [](const Image& i) {
             patchWord32(i.path, i.layout.fatOffset + 8 * i.layout.narcFileId + 4,
                         static_cast<std::uint32_t>(fileSize(i.path) + 1));
         },
         "places file"},
        {"FNT outside the file",
         [](const Image& i) { patchWord32(i.path, 0x40, static_cast<std::uint32_t>(fileSize(i.path) - 4)); },
         "file name table given by the header lies outside the file"},
        {"directory loop",
         [](const Image& i) { patchFile(i.path, firstSubdirectoryId(i), {0x00, 0xF0}); },
         "contains itself"},
        {"sub-table running off the FNT",
         [](const Image& i) { patchWord32(i.path, 0x44, static_cast<std::uint32_t>(i.layout.fntSize - 1)); },
         "run off the table"},
        {"directory ID out of range",
         [](const Image& i) { patchFile(i.path, firstSubdirectoryId(i), {0xFF, 0xFF}); },
         "directory ID out of range"},
        {"missing species file",
         [](const Image& i) {
             auto bytes = readFile(i.path);
             const std::string name = "\x0dpersonal.narc";
             const auto fnt = bytes.begin() + i.layout.fntOffset;
             const auto at = std::search(fnt, fnt + i.layout.fntSize, name.begin(), name.end());
             patchFile(i.path, (at - bytes.begin()) + 13, {'d'});
         },
         "the file table has no poketool/personal/personal.narc"},
        {"NARC with a wrong magic",
         [](const Image& i) { patchFile(i.path, i.layout.narcStart, {'N', 'A', 'R', 'X'}); },
         "is not a NARC archive"},
        {"member of 40 bytes",
         [](const Image& i) { patchWord32(i.path, btafEntry(i, 100) + 4, 100 * 44 + 40); },
         "record 100 of poketool/personal/personal.narc is 40 bytes long"},
        {"member of 48 bytes",
         [](const Image& i) { patchWord32(i.path, btafEntry(i, 493) + 4, 493 * 44 + 48); },
         "record 493 of poketool/personal/personal.narc is 48 bytes long"},
        {"member past the archive's data",
         [](const Image& i) { patchWord32(i.path, btafEntry(i, 500) + 4, 501 * 44 + 4); },
         "member 500 lies outside its data"},
        {"members not back to back",
         [](const Image& i) {
             patchWord32(i.path, btafEntry(i, 101), 101 * 44 + 4);
             patchWord32(i.path, btafEntry(i, 101) + 4, 102 * 44 + 4);
         },
         "the records of poketool/personal/personal.narc do not follow each other"},
        {"name with a slash", [](const Image& i) { renameInFnt(i, "evo.narc", "e/o.narc"); },
         "a name containing \"/\""},
        {"name with a NUL byte", [](const Image& i) { renameInFnt(i, "evo.narc", std::string("e\0o.narc", 8)); },
         "a name containing \"/\" or a NUL byte"},
        {"file name given twice", [](const Image& i) { renameInFnt(i, "pms.narc", "evo.narc"); },
         "poketool/personal/evo.narc given twice"},
        // evo.narc follows the species archive in the file list.
        {"another file over Garchomp's record",
         [](const Image& i) {
             const auto garchomp = i.layout.narcStart + romimage::narcMemberOffset(445);
             moveInFat(i, i.layout.narcFileId + 1, garchomp, garchomp + 44);
         },
         "personal.narc shares bytes with poketool/personal/evo.narc"},
        {"another file ending one byte into the archive",
         [](const Image& i) {
             moveInFat(i, i.layout.narcFileId + 1, i.layout.narcStart - 8, i.layout.narcStart + 1);
         },
         "shares bytes with poketool/personal/evo.narc"},
        {"another file starting at the archive's last byte",
         [](const Image& i) {
             moveInFat(i, i.layout.narcFileId + 1, i.layout.narcEnd - 1, i.layout.narcEnd + 8);
         },
         "shares bytes with poketool/personal/evo.narc"},
        {"truncated NARC",
         [](const Image& i) {
             patchWord32(i.path, i.layout.fatOffset + 8 * i.layout.narcFileId + 4,
                         static_cast<std::uint32_t>(i.layout.narcEnd - 44));
         },
         "poketool/personal/personal.narc is damaged"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto image = makeImage(dir, "rom.nds", "ADAE", Layout::Retail);
        c.damage(image);
        const auto damaged = readFile(image.path);
        const auto table = locateSpeciesTable(image.path, "ADAE");
        ASSERT_FALSE(table);
        EXPECT_EQ(table.error().kind, SpeciesFailure::TableNotFound);
        const auto text = userMessage(table.error(), SpeciesOperation::Load);
        EXPECT_TRUE(text.starts_with("The Pokémon data could not be found in this ROM's file table: "))
            << text;
        EXPECT_NE(text.find(c.reason), std::string::npos) << text;
        EXPECT_EQ(readFile(image.path), damaged);
    }
    // Files that end where the archive starts, or hold no bytes inside it, share none.
    for (const auto& [fromEnd, start, end] : {std::tuple{false, -8, 0}, std::tuple{false, 100, 100},
                                               std::tuple{true, 0, 8}}) {
        const auto image = makeImage(dir, "touching.nds", "ADAE", Layout::Retail);
        const auto edge = fromEnd ? image.layout.narcEnd : image.layout.narcStart;
        moveInFat(image, image.layout.narcFileId + 1, edge + start, edge + end);
        EXPECT_TRUE(locateSpeciesTable(image.path, "ADAE")) << fromEnd << " " << start << ".." << end;
    }
    // A member table ending one record early leaves 493 members: refused as too few.
    const auto image = makeImage(dir, "few.nds", "ADAE", Layout::Retail);
    patchFile(image.path, image.layout.narcStart + 24, {0xED, 0x01});  // 493 members
    EXPECT_NE(userMessage(locateSpeciesTable(image.path, "ADAE").error(), SpeciesOperation::Load)
                  .find("has 493 records"),
              std::string::npos);
}

TEST(SpeciesTableLocator, WithoutAFileTableOnlyASpeciesTableAtTheRetailStartIsTaken)
{
    TempDir dir;
    constexpr std::int64_t kStart = 29448712;  // ADAE
    const char* const refusal = "this ROM has no file table, and its data is not where retail "
                                "cartridges keep it";
    // A rebuilt ROM whose header lost its file table keeps evo.narc and others there.
    const auto rebuilt = makeImage(dir, "rebuilt.nds", "ADAE", Layout::Rebuilt,
                                   realRecords("dp_personal.csv"));
    patchFile(rebuilt.path, 0x40, Bytes(16, 0));
    const auto before = readFile(rebuilt.path);
    auto table = locateSpeciesTable(rebuilt.path, "ADAE");
    ASSERT_FALSE(table);
    EXPECT_NE(userMessage(table.error(), SpeciesOperation::Save).find(refusal), std::string::npos);
    EXPECT_EQ(readFile(rebuilt.path), before);

    // Each checked field at its last code (taken) and the next (refused), on a bare
    // image of the retail data. Record offsets: 6-7 types, 19 growth, 20-21 egg groups,
    // 25 colour (bit 7 is the flip flag, whatever it is).
    const struct {
        const char* what;
        std::int64_t at;  // from the table start
        std::uint8_t value;
        bool taken;
    } cases[] = {
        {"retail data as it is", 0, 45, true},
        {"type 1 Dark (17)", 6, 17, true},           {"type 1 18", 6, 18, false},
        {"type 2 of the last species 18", 492 * 44 + 7, 18, false},
        {"growth Slow (5)", 19, 5, true},            {"growth 6", 19, 6, false},
        {"egg group 1 Undiscovered (15)", 20, 15, true}, {"egg group 1 16", 20, 16, false},
        {"egg group 2 16", 21, 16, false},
        {"colour Pink, flipped (0x89)", 25, 0x89, true}, {"colour 10, flipped (0x8A)", 25, 0x8A, false},
        {"colour 10", 25, 10, false},
        {"a byte in the empty record before", -44, 1, false},
        {"the last byte of the empty record", -1, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto bare = makeImage(dir, "bare.nds", "ADAE", Layout::HeaderAndTable,
                                    realRecords("dp_personal.csv"));
        patchFile(bare.path, kStart + c.at, {c.value});
        table = locateSpeciesTable(bare.path, "ADAE");
        ASSERT_EQ(table.ok(), c.taken);
        if (c.taken)
            EXPECT_EQ(table->tableBase, kStart);
        else
            EXPECT_NE(userMessage(table.error(), SpeciesOperation::Load).find(refusal), std::string::npos);
    }
}

TEST(SpeciesTableLocator, ASaveWritesNothingIntoAFileThatIsNoLongerTheOneLoaded)
{
    TempDir dir;
    const auto image = makeImage(dir, "rom.nds", "ADAE", Layout::Rebuilt);
    const RomFingerprint rom{"ADAE", *locateSpeciesTable(image.path, "ADAE")};
    auto loaded = loadSpecies(image.path, rom, 5);
    ASSERT_TRUE(loaded);
    auto values = loaded->values;
    values[static_cast<std::size_t>(SpeciesField::HP)].text = "50";
    const SaveGuard guard{rom, loaded->record};
    auto save = [&] {
        return saveSpecies(image.path, loaded->tableBase, 5, values, {"."}, guard);
    };

    const auto original = readFile(image.path);
    const struct {
        const char* what;
        bool loadRefused;  // the file is another ROM, not the same ROM edited
        void (*change)(const Image&, const TempDir&);
    } changes[] = {
        {"another edition", true,
         [](const Image& i, const TempDir& d) {
             const auto other = makeImage(d, "other.nds", "APAJ", Layout::Rebuilt);
             std::filesystem::rename(other.path, i.path);
         }},
        {"an unsupported code", true, [](const Image& i, const TempDir&) { patchFile(i.path, 12, {'X', 'X', 'X', 'X'}); }},
        {"the table moved", true, [](const Image& i, const TempDir& d) {
             const auto other = makeImage(d, "other.nds", "ADAE", Layout::Retail);
             std::filesystem::rename(other.path, i.path);
         }},
        {"another writer changed Attack", false, [](const Image& i, const TempDir&) {
             patchFile(i.path, i.layout.tableBase + 5 * 44 + 1, {99});
         }},
        {"another writer changed an item's high byte", false, [](const Image& i, const TempDir&) {
             patchFile(i.path, i.layout.tableBase + 5 * 44 + 15, {0x7E});
         }},
        // The whole record is edited now (More Data), so every byte of it counts.
        {"another writer changed a machine byte", false, [](const Image& i, const TempDir&) {
             patchFile(i.path, i.layout.tableBase + 5 * 44 + 30, {0x42});
         }},
        {"another writer changed a byte without meaning", false, [](const Image& i, const TempDir&) {
             patchFile(i.path, i.layout.tableBase + 5 * 44 + 26, {0x01});
         }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.what);
        writeFile(image.path, original);
        c.change(image, dir);
        const auto changed = readFile(image.path);
        auto saved = save();
        ASSERT_FALSE(saved);
        EXPECT_EQ(saved.error().kind, SpeciesFailure::RomChanged);
        EXPECT_EQ(readFile(image.path), changed);
        EXPECT_EQ(loadSpecies(image.path, rom, 5).ok(), !c.loadRefused);
    }
    // The record before and after it are not the species'.
    writeFile(image.path, original);
    patchFile(image.path, image.layout.tableBase + 4 * 44 + 43, {0x42});
    patchFile(image.path, image.layout.tableBase + 6 * 44, {0x42});
    EXPECT_TRUE(save());

#ifndef _WIN32
    // Another program saves by rename after the check, before the first field is
    // written: the fields go into the file that was checked, never into the new one,
    // and the save says where they went. (Windows refuses to rename over a file that
    // is open without delete sharing, as the save's is.)
    writeFile(image.path, original);
    const auto pearl = makeImage(dir, "pearl.nds", "APAE", Layout::Rebuilt);
    const auto pearlBytes = readFile(pearl.path);
    const auto moved = dir.file("moved-away.nds");
    FaultyFileServices replacing;
    replacing.beforeFirstWrite = [&] {
        std::rename(image.path.c_str(), moved.c_str());
        std::rename(pearl.path.c_str(), image.path.c_str());
    };
    {
        platform::ScopedFileServices scoped(replacing);
        auto saved = save();
        ASSERT_FALSE(saved);
        EXPECT_EQ(saved.error().kind, SpeciesFailure::WrittenToReplacedFile);
        EXPECT_NE(userMessage(saved.error(), SpeciesOperation::Save)
                      .find("is not in the file now at this path"),
                  std::string::npos);
    }
    EXPECT_EQ(readFile(image.path), pearlBytes);
    EXPECT_EQ(differingOffsets(original, readFile(moved)),
              std::vector<std::int64_t>{image.layout.tableBase + 5 * 44});
#endif
}

TEST(SpeciesTableLocator, WritersWaitForEachOtherAndSpecialFilesAreNeverOpened)
{
    TempDir dir;
    const auto image = makeImage(dir, "rom.nds", "ADAE", Layout::Retail);
    const RomFingerprint rom{"ADAE", *locateSpeciesTable(image.path, "ADAE")};
    auto loaded = loadSpecies(image.path, rom, 0);
    ASSERT_TRUE(loaded);
    const auto before = readFile(image.path);
    {
        // Another writer holds the lock for longer than a save waits.
        OtherWriter other(image.path);
        ASSERT_TRUE(other.holds());
        auto saved = saveSpecies(image.path, loaded->tableBase, 0, loaded->values, {"."},
                                 SaveGuard{rom, loaded->record});
        other.letGo();
        ASSERT_FALSE(saved);
        EXPECT_EQ(saved.error().fileError, platform::FileError::LockedByAnotherWriter);
        EXPECT_EQ(readFile(image.path), before);
    }
    EXPECT_TRUE(saveSpecies(image.path, loaded->tableBase, 0, loaded->values, {"."},
                            SaveGuard{rom, loaded->record}));

#ifndef _WIN32
    // Opening a FIFO for reading would wait for a writer that never comes.
    const auto fifo = dir.file("fifo.nds");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    for (const auto access : {platform::FileAccess::Read, platform::FileAccess::ReadWrite}) {
        auto opened = platform::fileServices().open(fifo, access);
        ASSERT_FALSE(opened);
        EXPECT_EQ(opened.error(), platform::FileError::PathFileAccess);
    }
    EXPECT_EQ(locateSpeciesTable(fifo, "ADAE").error().kind, SpeciesFailure::FileUnavailable);
#endif
}

TEST(SpeciesTableLocator, EveryGameIsReadAndEditedInTheArchiveItReads)
{
    const struct {
        const char* code;
        const char* data;
        const char* archive;
        const char* leftover;  // Diamond's archive, which the game never reads
        int records;
    } games[] = {
        {"ADAE", "dp_personal.csv", "poketool/personal/personal.narc", "", 500},
        {"APAE", "dp_personal_pearl.csv", "poketool/personal_pearl/personal.narc", "", 500},
        {"CPUE", "pt_personal.csv", "poketool/personal/pl_personal.narc", "poketool/personal/personal.narc", 507},
        {"IPKE", "hgss_personal.csv", "a/0/0/2", "pbr/personal.narc", 507},
        {"IPGE", "hgss_personal.csv", "a/0/0/2", "pbr/personal.narc", 507},
    };
    TempDir dir;
    for (const auto& game : games) {
        SCOPED_TRACE(game.code);
        // Members 1.. of the archive are the records of list index 0..
        std::vector<romimage::Record> records;
        romimage::ImageRecipe recipe;
        recipe.gameCode = game.code;
        const auto path = samplesDir() + "/" + game.data;
        if (game.records == 507) {
            recipe.members = *romimage::readPersonalMembersCsv(path, nullptr);
            records.assign(recipe.members.begin() + 1, recipe.members.end());
        } else {
            recipe.records = *romimage::readPersonalCsv(path, nullptr);
            records = recipe.records;
        }
        Image image{dir.file(std::string(game.code) + ".nds"), {}};
        ASSERT_TRUE(romimage::writeRomImage(image.path, recipe, nullptr, &image.layout));
        const auto before = readFile(image.path);

        const auto table = locateSpeciesTable(image.path, game.code);
        ASSERT_TRUE(table);
        EXPECT_EQ(table->narcPath, game.archive);
        EXPECT_EQ(table->recordCount, game.records);
        EXPECT_EQ(image.layout.leftoverPath, game.leftover);
        const RomFingerprint rom{game.code, *table};
        for (int i = 0; i < kSpeciesCount; ++i) {
            auto loaded = loadSpecies(image.path, rom, i);
            ASSERT_TRUE(loaded);
            for (const auto& field : SpeciesFieldMap) {
                const auto& r = records[static_cast<std::size_t>(i)];
                ASSERT_EQ(loaded->fieldHex[static_cast<std::size_t>(field.field)],
                          rom::bytesToHex(std::span(r).subspan(static_cast<std::size_t>(field.offset),
                                                               static_cast<std::size_t>(field.width))))
                    << i << " " << field.caption;
            }
        }
        // Giratina's HP: the byte of member 487 of the archive the game reads, and no other.
        auto giratina = *loadSpecies(image.path, rom, 486);
        giratina.values[static_cast<std::size_t>(SpeciesField::HP)].text = "151";
        ASSERT_TRUE(saveSpecies(image.path, giratina.tableBase, 486, giratina.values, {"."},
                                SaveGuard{rom, giratina.record}));
        auto file = platform::fileServices().open(image.path, platform::FileAccess::Read);
        auto fs = rom::NitroFs::read(**file);
        auto narc = rom::Narc::read(**file, *fs->find(game.archive), game.archive);
        EXPECT_EQ(differingOffsets(before, readFile(image.path)),
                  std::vector<std::int64_t>{narc->member(487).start});
    }
    // Platinum and HG/SS have no fixed table start to fall back on.
    const auto bare = makeImage(dir, "bare.nds", "CPUE", Layout::HeaderAndTable);
    EXPECT_NE(userMessage(locateSpeciesTable(bare.path, "CPUE").error(), SpeciesOperation::Load)
                  .find("this ROM has no file table"),
              std::string::npos);
}

TEST(RomImage, HeaderChecksumIsTheCartridgeCrc16)
{
    // CRC-16/MODBUS check value of "123456789".
    const std::string check = "123456789";
    EXPECT_EQ(romimage::headerCrc16(reinterpret_cast<const std::uint8_t*>(check.data()), check.size()),
              0x4B37);
    TempDir dir;
    const auto image = makeImage(dir, "rom.nds", "ADAE", Layout::Retail);
    const auto bytes = readFile(image.path);
    EXPECT_EQ(bytes[0x15E] | bytes[0x15F] << 8, romimage::headerCrc16(bytes.data(), 0x15E));
}

} // namespace
