#include "platform/FileServices.h"
#include "rom/ByteAccess.h"
#include "rom/HexCodec.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace quillmark;
using namespace quillmark::test;
using platform::FileError;

namespace {

class ByteAccess : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.file("rom.nds");
        Bytes bytes(256);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<std::uint8_t>(i);
        bytes[12] = 0x34;
        bytes[13] = 0x12;
        writeFile(path, bytes);
        original = readFile(path);
    }

    std::vector<std::int64_t> changed() const { return differingOffsets(original, readFile(path)); }

    TempDir dir;
    std::string path;
    Bytes original;
    RecordingMessageBox messages;
};

TEST_F(ByteAccess, ReadsBytesAsUpperCaseHexInFileOrder)
{
    EXPECT_EQ(rom::ReadBytesAsHex(path, 10, 1, messages), "0A");
    EXPECT_EQ(rom::ReadBytesAsHex(path, 255, 1, messages), "FF");
    EXPECT_EQ(rom::ReadBytesAsHex(path, 0, 1, messages), "00");
    EXPECT_EQ(rom::ReadBytesAsHex(path, 12, 2, messages), "3412");
    EXPECT_EQ(rom::ReverseHexBytes("3412"), "1234");
    EXPECT_EQ(rom::ReadBytesAsHex(path, 0, 0, messages), "");
    EXPECT_EQ(rom::ReadBytesAsHex(path, 0, -3, messages), "");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(changed().empty());
}

TEST_F(ByteAccess, WritesPairsInPlace)
{
    EXPECT_TRUE(rom::WriteHexAsBytes(path, 100, "ABC", messages));
    EXPECT_TRUE(rom::WriteHexAsBytes(path, 5, "ff", messages));
    EXPECT_TRUE(rom::WriteHexAsBytes(path, 7, "", messages));
    const auto after = readFile(path);
    EXPECT_EQ(changed(), (std::vector<std::int64_t>{5, 100, 101}));
    EXPECT_EQ(after[5], 0xFF);
    EXPECT_EQ(after[100], 0x0A);
    EXPECT_EQ(after[101], 0xBC);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ByteAccess, ReverseHexBytesMovesPairsWithoutLookingAtThem)
{
    EXPECT_EQ(rom::ReverseHexBytes("12AB34"), "34AB12");
    EXPECT_EQ(rom::ReverseHexBytes("ABC"), "BC0A");
    EXPECT_EQ(rom::ReverseHexBytes("7"), "07");
    EXPECT_EQ(rom::ReverseHexBytes(""), "");
    EXPECT_EQ(rom::ReverseHexBytes("zz!?"), "!?zz");
}

TEST_F(ByteAccess, EveryByteValueSurvivesTheCodec)
{
    Bytes all(256);
    for (int i = 0; i < 256; ++i)
        all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    const auto hex = rom::bytesToHex(all);
    EXPECT_EQ(hex.substr(0, 6), "000102");
    EXPECT_EQ(rom::hexToBytes(hex), all);
    Bytes lower = *rom::hexToBytes("0aff");
    EXPECT_EQ(lower, (Bytes{0x0A, 0xFF}));
}

// Each failure shows one "Error: N" box, yields "" or false, writes nothing, and
// leaves no handle open.
TEST_F(ByteAccess, FailuresAreReportedAndChangeNothing)
{
    const std::string missing = dir.file("missing.nds");
    struct Case {
        const char* what;
        std::function<bool()> call;  // true when the call reported success
        FileError expected;
    } cases[] = {
        {"read at -1", [&] { return !rom::ReadBytesAsHex(path, -1, 1, messages).empty(); },
         FileError::BadRecordNumber},
        {"write at -1", [&] { return rom::WriteHexAsBytes(path, -1, "00", messages); },
         FileError::BadRecordNumber},
        {"read past the end", [&] { return !rom::ReadBytesAsHex(path, 255, 2, messages).empty(); },
         FileError::PastEndOfFile},
        {"write at the end", [&] { return rom::WriteHexAsBytes(path, 256, "00", messages); },
         FileError::WritePastEndOfFile},
        {"write across the end", [&] { return rom::WriteHexAsBytes(path, 255, "0102", messages); },
         FileError::WritePastEndOfFile},
        {"write at 29 MB", [&] { return rom::WriteHexAsBytes(path, 29448712, "FF", messages); },
         FileError::WritePastEndOfFile},
        {"invalid pair", [&] { return rom::WriteHexAsBytes(path, 0, "01G2", messages); },
         FileError::TypeMismatch},
        {"read a missing file", [&] { return !rom::ReadBytesAsHex(missing, 0, 1, messages).empty(); },
         FileError::FileNotFound},
        {"write a missing file", [&] { return rom::WriteHexAsBytes(missing, 0, "00", messages); },
         FileError::FileNotFound},
        {"missing folder", [&] { return rom::WriteHexAsBytes(dir.file("no/rom.nds"), 0, "00", messages); },
         FileError::PathNotFound},
        {"a directory", [&] { return !rom::ReadBytesAsHex(dir.path(), 0, 1, messages).empty(); },
         FileError::PathFileAccess},
        {"position overflow", [&] { return !rom::ReadBytesAsHex(path, 2147483647, 2, messages).empty(); },
         FileError::Overflow},
    };
    const int descriptors = openDescriptorCount();
    for (const auto& c : cases) {
        messages.shown.clear();
        EXPECT_FALSE(c.call()) << c.what;
        ASSERT_EQ(messages.shown.size(), 1u) << c.what;
        const auto& box = messages.shown[0];
        EXPECT_EQ(box.title, "Error: " + std::to_string(platform::errorNumber(c.expected))) << c.what;
        EXPECT_EQ(box.text, platform::errorDescription(c.expected)) << c.what;
        EXPECT_EQ(box.icon, platform::MessageIcon::None) << c.what;
        EXPECT_EQ(openDescriptorCount(), descriptors) << c.what;
        EXPECT_TRUE(changed().empty()) << c.what;
    }
    EXPECT_EQ(fileSize(missing), -1) << "a read or write must not create the file";
    // The file is usable again at once.
    EXPECT_EQ(rom::ReadBytesAsHex(path, 1, 1, messages), "01");
}

// Another program cuts the file short while it is open here: no write call may
// reach past the new end, whatever size the file had at the open.
TEST_F(ByteAccess, AFileCutShortAfterTheOpenIsNeverExtended)
{
    auto file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
    ASSERT_TRUE(file);
    ASSERT_EQ(::truncate(path.c_str(), 100), 0);
    const std::uint8_t two[2] = {1, 2};
    EXPECT_EQ((*file)->writeByte(100, 7).error(), FileError::WritePastEndOfFile);
    EXPECT_EQ((*file)->write(99, two).error(), FileError::WritePastEndOfFile);
    EXPECT_EQ(rom::writeHex(**file, 150, "07").error(), FileError::WritePastEndOfFile);
    EXPECT_EQ(fileSize(path), 100);
    EXPECT_TRUE((*file)->writeByte(99, 7));
    EXPECT_TRUE((*file)->write(98, two));
    EXPECT_EQ(fileSize(path), 100);

    // Cut between a write's check of the size and the write itself: the file keeps the
    // length the other program gave it, with no hole, whether the cut lies in the
    // write's own page, pages before it, or ends one byte short of the write's end.
    const struct {
        int size, cutTo, at;
    } cuts[] = {{200, 120, 150}, {200, 151, 150}, {3 * 4096, 100, 2 * 4096 + 10}, {3 * 4096, 4096, 4096},
                {3 * 4096, 0, 5}};
    for (const auto& cut : cuts) {
        for (const bool run : {false, true}) {
            writeFile(path, Bytes(static_cast<std::size_t>(cut.size), 0));
            file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
            platform::setAfterWriteCheckObserver([&] { ASSERT_EQ(::truncate(path.c_str(), cut.cutTo), 0); });
            const auto written = run ? (*file)->write(cut.at, two) : (*file)->writeByte(cut.at + 1, 7);
            platform::setAfterWriteCheckObserver({});
            EXPECT_EQ(written.error(), FileError::WritePastEndOfFile) << cut.cutTo << " " << run;
            EXPECT_EQ(fileSize(path), cut.cutTo) << cut.at << " " << run;
        }
    }
    // Cut, but still past the write's end: the write lands inside and stands.
    writeFile(path, Bytes(200, 0));
    file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
    platform::setAfterWriteCheckObserver([&] { ASSERT_EQ(::truncate(path.c_str(), 153), 0); });
    EXPECT_TRUE((*file)->write(150, two));
    platform::setAfterWriteCheckObserver({});
    EXPECT_EQ(fileSize(path), 153);
}

TEST(FileErrors, EachHasItsOwnNumberAndWords)
{
    const struct {
        FileError error;
        int number;
        const char* words;
    } expected[] = {
        {FileError::TooManyFiles, 67, "Too many files are open."},
        {FileError::BadFileName, 52, "Bad file name."},
        {FileError::FileNotFound, 53, "File not found."},
        {FileError::PathNotFound, 76, "Path not found."},
        {FileError::PermissionDenied, 70, "Permission denied."},
        {FileError::PathFileAccess, 75, "Path/File access error: "},
        {FileError::BadRecordNumber, 63, "Bad record number: "},
        {FileError::PastEndOfFile, 62, "Input past end of file: "},
        {FileError::WritePastEndOfFile, 5, "nothing was written and the file was not extended."},
        {FileError::DeviceIoError, 57, "Device I/O error."},
        {FileError::DiskFull, 61, "Disk full: "},
        {FileError::LockedByAnotherWriter, 55, "another program is writing to this file"},
        {FileError::TypeMismatch, 13, "Type mismatch: "},
        {FileError::Overflow, 6, "Overflow: "},
    };
    ASSERT_EQ(std::size(expected), static_cast<std::size_t>(FileError::Overflow) + 1);
    for (const auto& e : expected) {
        EXPECT_EQ(platform::errorNumber(e.error), e.number) << e.words;
        EXPECT_NE(platform::errorDescription(e.error).find(e.words), std::string_view::npos) << e.words;
    }
    // A read speaks of reading, never of what was written.
    EXPECT_EQ(platform::errorDescription(FileError::PastEndOfFile).find("written"), std::string_view::npos);
}

} // namespace
