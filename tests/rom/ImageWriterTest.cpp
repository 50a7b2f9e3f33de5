// An archive of the file system written anew, in place or moved, on a small image made
// here byte by byte: a header with its used size and CRC, a file table entry, the
// archive with its size word, and padding after the used image.
#include "platform/FileServices.h"
#include "rom/CartridgeHeader.h"
#include "rom/ImageWriter.h"
#include "rom/LittleEndian.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quillmark;
using namespace quillmark::test;

namespace {

constexpr std::int64_t kEntry = 0x400, kArchive = 0x1000, kUsed = 0x2000, kImage = 0x3000;

// The header's CRC as the DS computes it: CRC-16/MODBUS over 0x000..0x15D.
std::uint16_t crc16(const Bytes& bytes)
{
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < 0x15E; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

void put32(Bytes& bytes, std::int64_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(at + i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// An archive of `size` bytes: "NARC", the byte order mark, its size at 8, then `fill`.
Bytes archive(std::uint32_t size, std::uint8_t fill)
{
    Bytes bytes(size, fill);
    bytes[0] = 'N', bytes[1] = 'A', bytes[2] = 'R', bytes[3] = 'C';
    bytes[4] = 0xFE, bytes[5] = 0xFF;
    put32(bytes, 8, size);
    return bytes;
}

class ImageWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        image = Bytes(kImage, 0xFF);
        std::fill(image.begin(), image.begin() + kUsed, std::uint8_t{0x11});
        put32(image, 0x80, kUsed);
        const auto crc = crc16(image);
        image[0x15E] = static_cast<std::uint8_t>(crc);
        image[0x15F] = static_cast<std::uint8_t>(crc >> 8);
        old = archive(0x100, 0x22);
        std::copy(old.begin(), old.end(), image.begin() + kArchive);
        put32(image, kEntry, kArchive);
        put32(image, kEntry + 4, kArchive + 0x100);
        path = dir.file("image.nds");
        writeFile(path, image);
    }

    rom::ArchiveRewrite rewrite(std::int64_t start, const Bytes& bytes) const
    {
        rom::ArchiveRewrite r;
        r.name = "the test archive";
        r.was = {kArchive, kArchive + static_cast<std::int64_t>(old.size())};
        r.oldBytes = old;
        r.allocationEntry = kEntry;
        r.start = start;
        r.bytes = bytes;
        r.header = std::span(image).subspan(0, rom::kHeaderEnd);
        r.imageSize = static_cast<std::int64_t>(image.size());
        return r;
    }

    Result<Done, rom::ImageWriteError> write(const rom::ArchiveRewrite& r) const
    {
        auto file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
        return rom::rewriteArchive(**file, r);
    }

    // The image as it must be after: the entry, the archive, the used size and CRC.
    Bytes expected(std::int64_t start, const Bytes& bytes, std::optional<std::int64_t> usedSize) const
    {
        Bytes after = image;
        if (after.size() < static_cast<std::size_t>(start) + bytes.size())
            after.resize(static_cast<std::size_t>(start) + bytes.size(), 0xFF);
        std::copy(bytes.begin(), bytes.end(), after.begin() + start);
        put32(after, kEntry, static_cast<std::uint32_t>(start));
        put32(after, kEntry + 4, static_cast<std::uint32_t>(start + static_cast<std::int64_t>(bytes.size())));
        if (usedSize) {
            put32(after, 0x80, static_cast<std::uint32_t>(*usedSize));
            const auto crc = crc16(after);
            after[0x15E] = static_cast<std::uint8_t>(crc);
            after[0x15F] = static_cast<std::uint8_t>(crc >> 8);
        }
        return after;
    }

    TempDir dir;
    std::string path;
    Bytes image, old;
};

// In place, shorter or longer: the bytes that differ, the entry's end and the size word;
// nothing else of the image changes.
TEST_F(ImageWriterTest, InPlaceOnlyWhatDiffers)
{
    for (const std::uint32_t size : {0x100u, 0xF0u, 0x140u}) {
        SetUp();
        auto bytes = archive(size, 0x22);
        bytes[0x20] = 0x99;
        ASSERT_TRUE(write(rewrite(kArchive, bytes))) << size;
        EXPECT_EQ(readFile(path), expected(kArchive, bytes, std::nullopt)) << size;
    }
}

// Moved after the used image: the archive, the download-play block after it, the used
// size with a CRC that matches, the entry naming the new place; the old bytes stay.
TEST_F(ImageWriterTest, MovedAfterTheUsedImageWithTheBlock)
{
    const auto bytes = archive(0x300, 0x33);
    const Bytes block(0x88, 0x44);
    auto r = rewrite(kUsed, bytes);
    r.trailer = block;
    r.usedSize = kUsed + 0x300;
    ASSERT_TRUE(write(r));
    auto want = expected(kUsed, bytes, kUsed + 0x300);
    std::copy(block.begin(), block.end(), want.begin() + kUsed + 0x300);
    const auto now = readFile(path);
    EXPECT_EQ(now, want);
    EXPECT_EQ(Bytes(now.begin() + kArchive, now.begin() + kArchive + 0x100), old) << "the old bytes stay";
    EXPECT_TRUE((rom::CartridgeHeader{Bytes(now.begin(), now.begin() + rom::kHeaderEnd)}.crcMatches()));
}

// A trimmed image grows first, its new bytes the padding the image has.
TEST_F(ImageWriterTest, ATrimmedImageGrowsWithItsPadding)
{
    image.resize(kUsed);
    writeFile(path, image);
    const auto bytes = archive(0x300, 0x33);
    auto r = rewrite(kUsed, bytes);
    r.usedSize = kUsed + 0x300;
    r.imageSize = kUsed;
    r.fileSize = kUsed + 0x400;
    r.fill = 0x00;
    ASSERT_TRUE(write(r));
    auto want = expected(kUsed, bytes, kUsed + 0x300);
    want.resize(kUsed + 0x400, 0x00);
    EXPECT_EQ(readFile(path), want);
}

// Another program cuts the image back to its used size at any write of a move: the
// entry and the used size are put back, the file names only bytes it holds.
TEST_F(ImageWriterTest, ACutAtAnyStepLeavesTheOldArchiveNamed)
{
    const auto bytes = archive(0x300, 0x33);
    for (int step = 1; step <= 3; ++step) {
        SetUp();
        auto r = rewrite(kUsed, bytes);
        r.usedSize = kUsed + 0x300;
        FaultyFileServices trimmer;
        trimmer.afterWrite = [&](int n) {
            if (n == step)
                std::filesystem::resize_file(path, static_cast<std::uintmax_t>(kUsed));
        };
        Result<Done, rom::ImageWriteError> written = Done{};
        {
            platform::ScopedFileServices installed(trimmer);
            written = write(r);
        }
        ASSERT_FALSE(written) << step;
        EXPECT_EQ(readFile(path), Bytes(image.begin(), image.begin() + kUsed)) << step << ": " << written.error().detail;
    }
}

// The runs of a table that differ, joined across fewer than `join` equal bytes.
TEST(DifferingRuns, AreJoinedAcrossShortGaps)
{
    const Bytes before(32, 0);
    Bytes after = before;
    after[2] = 1;
    after[5] = 1;   // 2 equal bytes apart: joined
    after[20] = 1;  // 14 apart: a run of its own
    const auto runs = rom::differingRuns(100, before, after, 8);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], (rom::ByteRun{102, {1, 0, 0, 1}}));
    EXPECT_EQ(runs[1], (rom::ByteRun{120, {1}}));
    EXPECT_TRUE(rom::differingRuns(0, before, before).empty());
    const Bytes longer(34, 0);
    EXPECT_EQ(rom::differingRuns(0, before, longer), (std::vector<rom::ByteRun>{{32, {0, 0}}}))
        << "bytes past the old end differ";
}

} // namespace
