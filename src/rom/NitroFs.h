#pragma once

#include "platform/FileError.h"
#include "platform/Result.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::platform {
class OpenFile;
}

namespace quillmark::rom {

// The ROM's own file system (NitroFS), located by four words of the header:
//   0x40  u32  FNT offset    0x44  u32  FNT size   (file name table)
//   0x48  u32  FAT offset    0x4C  u32  FAT size   (file allocation table)
// FNT: a main table of 8 bytes per directory (u32 sub-table offset, u16 first file
// ID, u16 parent ID; the root holds the directory count instead), directory IDs
// 0xF000 + n. A sub-table is a run of entries: a length byte (0 ends the run, bit 7
// marks a directory), the name, and for a directory its u16 ID. File IDs count up
// from the directory's first file ID in entry order.
// FAT: 8 bytes per file ID, u32 start and u32 end (exclusive), absolute offsets.
inline constexpr std::int64_t kFntOffsetField = 0x40;
inline constexpr std::int64_t kHeaderFieldsEnd = 0x50;
inline constexpr std::uint16_t kFirstDirectoryId = 0xF000;

enum class RomFsProblem {
    NoFileSystem,         // the four header words are all zero
    FileSystemOutside,    // the FNT or FAT lies outside the file, or is implausibly large
    DirectoriesDamaged,   // a sub-table runs off the FNT, an ID is out of range, a loop,
                          // a name with "/" or NUL, a name given twice in a directory
    AllocationDamaged,    // a file ID past the FAT, an entry outside the file, or two
                          // files sharing bytes
    FileMissing,          // no file of that path
    NotAnArchive,         // the file does not start with a NARC header
    ArchiveDamaged,       // a NARC section or member runs outside the archive
    ReadFailed,           // the file itself could not be read (fileError says why)
};

struct RomFsError {
    RomFsProblem problem;
    std::string detail;  // plain words for the user, naming the path where it helps
    std::optional<platform::FileError> fileError = std::nullopt;
};

// A byte range of the ROM file, [start, end).
struct FileExtent {
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::int64_t size() const { return end - start; }
    bool operator==(const FileExtent&) const = default;
};

// The ROM's file tree as read from the header, FNT and FAT (tens of KB, three reads).
// Every offset, length and ID is checked against the file and the tables, so a
// damaged file system is an error, never a hang or a read out of bounds.
class NitroFs {
public:
    static Result<NitroFs, RomFsError> read(platform::OpenFile& file);

    // The file ID of a path such as "poketool/personal/personal.narc".
    std::optional<std::uint16_t> fileId(std::string_view path) const;
    Result<FileExtent, RomFsError> extent(std::uint16_t fileId) const;
    // Both in one: FileMissing when there is no such path.
    Result<FileExtent, RomFsError> find(std::string_view path) const;

    // Another file whose bytes share some of this one's, if any (empty files aside):
    // a damaged allocation table that would let a write meant for one file land in
    // another.
    std::optional<std::uint16_t> overlappingFile(std::uint16_t fileId) const;
    // The path of a file ID, or "file N" for a file without a name (an overlay).
    std::string describeFile(std::uint16_t fileId) const;

    const std::map<std::string, std::uint16_t, std::less<>>& files() const { return m_files; }

    // Where a file's entry lies in the ROM: its start word, then its end word.
    std::int64_t fatEntryOffset(std::uint16_t fileId) const { return m_fatOffset + 8 * std::int64_t{fileId}; }
    // The allocation table as read, and where it lies: a writer that relies on where
    // every file lies compares it again before writing.
    const std::vector<std::uint8_t>& allocationTable() const { return m_fat; }
    std::int64_t allocationTableOffset() const { return m_fatOffset; }
    // The size of the file the table was read from.
    std::int64_t fileSize() const { return m_fileSize; }

private:
    std::map<std::string, std::uint16_t, std::less<>> m_files;
    std::vector<std::uint8_t> m_fat;
    std::int64_t m_fatOffset = 0;
    std::int64_t m_fileSize = 0;
};

} // namespace quillmark::rom
