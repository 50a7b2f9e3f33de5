// Where a file of N bytes can go in an image, as the image's own tables lay it out: on
// Platinum images with the game's file tree, their numbers from the image maker.
#include "platform/FileServices.h"
#include "rom/CartridgeHeader.h"
#include "rom/ImageClaims.h"
#include "rom/ImageLayout.h"
#include "rom/LittleEndian.h"
#include "rom/NitroFs.h"
#include "romimage/RomImage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace quillmark;
using namespace quillmark::test;

namespace {

std::int64_t aligned(std::int64_t value) { return (value + 511) / 512 * 512; }

class ImageLayoutTest : public ::testing::Test {
protected:
    void image(romimage::Tail tail)
    {
        romimage::ImageRecipe recipe;
        recipe.gameCode = "CPUE";
        recipe.members = *romimage::readPersonalMembersCsv(samplesDir() + "/pt_personal.csv", nullptr);
        recipe.tail = tail;
        path = dir.file("platinum.nds");
        ASSERT_TRUE(romimage::writeRomImage(path, recipe, nullptr, &made));
        levelUp = {made.levelUpStart, made.levelUpEnd};
    }

    rom::ImageLayout read() const
    {
        auto file = platform::fileServices().open(path, platform::FileAccess::Read);
        auto fs = rom::NitroFs::read(**file);
        auto layout = rom::ImageLayout::read(**file, *fs);
        EXPECT_TRUE(layout);
        return *layout;
    }

    Result<rom::Placement, rom::NoRoom> place(std::int64_t size) const
    {
        return read().place(levelUp, static_cast<std::uint16_t>(made.levelUpFileId), size);
    }

    std::int64_t room() const { return made.afterLevelUp - made.levelUpStart; }

    TempDir dir;
    std::string path;
    romimage::ImageLayout made;
    rom::FileExtent levelUp;
};

// Up to what follows it the file stays; a byte more and it goes after the used image,
// where it may grow up to the cartridge's capacity and not one byte further.
TEST_F(ImageLayoutTest, InPlaceAfterTheUsedImageOrNoRoomWithTheNumbers)
{
    image(romimage::Tail::Padded);
    const auto fits = place(room());
    ASSERT_TRUE(fits);
    EXPECT_EQ(fits->start, made.levelUpStart);
    EXPECT_FALSE(fits->moves);
    EXPECT_FALSE(fits->usedSize) << "the used size already covers every file";

    const auto moved = place(room() + 1);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->start, aligned(made.usedSize)) << "the first 512-byte boundary at or after the used size";
    EXPECT_TRUE(moved->moves);
    EXPECT_EQ(moved->usedSize, moved->start + room() + 1);
    EXPECT_EQ(moved->paddingFrom, made.usedSize) << "from the used image's end, the bytes it takes must be padding";
    EXPECT_EQ(moved->fileSize, 0) << "a padded image is already as long as the capacity";
    EXPECT_TRUE(moved->trailer.empty());

    const auto atCapacity = made.capacity - aligned(made.usedSize);
    const auto whole = place(atCapacity);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->end(), made.capacity);
    EXPECT_EQ(read().growthRoom(levelUp), atCapacity - levelUp.size()) << "the room a window promises";

    const auto over = place(atCapacity + 1);
    ASSERT_FALSE(over);
    const auto& noRoom = over.error();
    EXPECT_EQ(noRoom.why, rom::NoRoom::PastCapacity);
    EXPECT_EQ(noRoom.over, 1);
    EXPECT_EQ(noRoom.start, aligned(made.usedSize));
    EXPECT_EQ(noRoom.capacity, made.capacity);
    EXPECT_EQ(noRoom.room, room());
    EXPECT_EQ(noRoom.size, levelUp.size());
    EXPECT_EQ(noRoom.shortBy(), atCapacity + 1 - room());
    EXPECT_EQ(rom::noRoomText(noRoom, "the file", [](std::int64_t bytes) { return std::to_string(bytes) + " units"; }),
              "the file would need " + std::to_string(atCapacity + 1) + " bytes; where it lies it has " +
                  std::to_string(room()) + " (" + std::to_string(room() - levelUp.size()) + " free after its " +
                  std::to_string(levelUp.size()) + "), " + std::to_string(atCapacity + 1 - room()) +
                  " bytes too few; after the used image, from " + std::to_string(aligned(made.usedSize)) +
                  ", the cartridge's capacity of " + std::to_string(made.capacity) + " bytes leaves " +
                  std::to_string(made.capacity - aligned(made.usedSize)) + " bytes, 1 byte too few (1 units)");
}

// A trimmed image ends with its used image: a moved file makes it longer, up to the
// next 512-byte boundary, never past the capacity; a full one has no room after it.
TEST_F(ImageLayoutTest, TrimmedAndFullImages)
{
    image(romimage::Tail::Trimmed);
    const auto moved = place(room() + 1);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->fileSize, aligned(moved->end()));
    EXPECT_LE(moved->fileSize, made.capacity);

    image(romimage::Tail::Full);
    const auto full = place(room() + 1);
    ASSERT_FALSE(full);
    EXPECT_EQ(full.error().why, rom::NoRoom::UsedImageAtCapacity);
    EXPECT_EQ(full.error().capacity, made.capacity);
}

// The download-play block some cartridges keep at the used size moves with the used
// size: a moved file goes past it, and takes it along after its own end.
TEST_F(ImageLayoutTest, PastADownloadPlayBlock)
{
    image(romimage::Tail::Padded);
    Bytes block(0x88, 0x5A);
    block[0] = 'a';
    block[1] = 'c';
    block[2] = 0x01;
    block[3] = 0x00;
    patchFile(path, made.usedSize, block);
    const auto moved = place(room() + 1);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->start, aligned(made.usedSize + 0x88));
    EXPECT_EQ(moved->trailer, block);
    EXPECT_EQ(moved->paddingFrom, made.usedSize + 0x88) << "the block itself is not padding, and stays";
    EXPECT_EQ(moved->paddingTo(), moved->end() + 0x88);

    // The block counts against the capacity: exactly up to it, and a byte more.
    const auto atCapacity = made.capacity - aligned(made.usedSize + 0x88) - 0x88;
    EXPECT_TRUE(place(atCapacity));
    const auto over = place(atCapacity + 1);
    ASSERT_FALSE(over);
    EXPECT_EQ(over.error().over, 1);

    // Something else at the used size is no block: the file goes right after it.
    patchFile(path, made.usedSize, {'x'});
    EXPECT_EQ(place(room() + 1)->start, aligned(made.usedSize));
}

// A used size below the last file (a tool left it so, or a write was cut before the
// header took a moved file's end): a write mends it, and a moved file goes after the
// last file, not over it.
TEST_F(ImageLayoutTest, AUsedSizeBelowTheLastFileIsMended)
{
    image(romimage::Tail::Padded);
    const auto lowered = made.usedSize - 0x1000;
    patchWord32(path, 0x80, static_cast<std::uint32_t>(lowered));
    const auto layout = read();
    EXPECT_EQ(layout.usedSize(), lowered);

    const auto inPlace = place(levelUp.size());
    ASSERT_TRUE(inPlace);
    EXPECT_FALSE(inPlace->moves);
    EXPECT_EQ(inPlace->usedSize, made.usedSize) << "the used image covers every file again";

    const auto moved = place(room() + 1);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->start, aligned(made.usedSize));
    EXPECT_EQ(moved->paddingFrom, made.usedSize);
}

// What a write checks before it begins: the image still laid out as read, and padding
// where a moved file goes.
TEST_F(ImageLayoutTest, AWriteFindsTheLayoutAsReadAndPaddingWhereItGoes)
{
    image(romimage::Tail::Padded);
    const auto layout = read();
    const auto moved = *place(room() + 1);
    {
        auto file = platform::fileServices().open(path, platform::FileAccess::Read);
        EXPECT_TRUE(layout.stillHolds(**file));
        EXPECT_EQ(*layout.paddingFor(**file, moved), 0xFF);
    }
    const auto pristine = readFile(path);
    const struct {
        const char* what;
        std::int64_t at;
        Bytes bytes;
        bool holds;
    } rows[] = {
        {"a file table entry", made.fatOffset + 8 * made.levelUpFileId + 4, {0x01}, false},
        {"the header's used size", 0x80, {0x01}, false},
        {"the image one byte longer", static_cast<std::int64_t>(pristine.size()), {0xFF}, false},
        {"a byte of a file that is no part of the layout", made.levelUpStart + 0x40, {0x01}, true},
    };
    for (const auto& row : rows) {
        writeFile(path, pristine);
        patchFile(path, row.at, row.bytes);
        auto file = platform::fileServices().open(path, platform::FileAccess::Read);
        EXPECT_EQ(layout.stillHolds(**file), row.holds) << row.what;
    }

    writeFile(path, pristine);
    patchFile(path, moved.start + 100, {0x42});
    auto file = platform::fileServices().open(path, platform::FileAccess::Read);
    const auto notPadding = layout.paddingFor(**file, moved);
    ASSERT_FALSE(notPadding);
    EXPECT_EQ(notPadding.error().at, moved.start + 100);
    EXPECT_EQ(notPadding.error().holds, 0x42);
}

// A range shares bytes with a claim only where they overlap: one byte either side of
// a claim is free; the file a write is for is left out.
TEST(ImageClaims, AreHitOnlyWhereTheyOverlap)
{
    const std::vector<rom::Claim> claims = {{{100, 200}, "the banner", std::nullopt}, {{300, 400}, "file 7", 7}};
    const struct {
        rom::FileExtent range;
        std::optional<std::uint16_t> except;
        const char* hit;  // nullptr: none
    } rows[] = {
        {{0, 100}, std::nullopt, nullptr},      {{0, 101}, std::nullopt, "the banner"},
        {{199, 250}, std::nullopt, "the banner"}, {{200, 300}, std::nullopt, nullptr},
        {{250, 301}, std::nullopt, "file 7"},   {{250, 301}, 7, nullptr},
        {{399, 500}, std::nullopt, "file 7"},   {{400, 500}, std::nullopt, nullptr},
    };
    for (const auto& row : rows) {
        const auto* hit = rom::claimWithin(claims, row.range, row.except);
        EXPECT_EQ(hit ? hit->owner : std::string("none"), row.hit ? row.hit : "none")
            << row.range.start << ".." << row.range.end;
    }
}

} // namespace
