#pragma once

#include "platform/Result.h"
#include "rom/Narc.h"
#include "rom/NitroFs.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::platform {
class OpenFile;
}

namespace quillmark::rom {

// The header's regions, which no file of the allocation table lists, and the end of
// the used image: a file may grow only up to the first of them past it.
//   0x20/0x2C ARM9 code, 0x30/0x3C ARM7 code, 0x40/0x44 FNT, 0x48/0x4C FAT,
//   0x50/0x54 and 0x58/0x5C the overlay tables, 0x68 the banner (0x840 bytes at least),
//   0x80 the end of the used image, where retail cartridges keep a signature.
inline constexpr std::size_t kHeaderWordsEnd = 0x84;

// A NARC archive found by its path through the ROM's own file system and checked: its
// extent inside the file, no other file sharing its bytes, every member inside it.
struct ArchiveFile {
    std::string path;
    FileExtent extent;
    std::uint16_t fileId = 0;
    std::int64_t allocationEntry = 0;  // where its start and end words lie in the file
    Narc narc;
    std::vector<std::uint8_t> bytes;  // the whole archive as read (unless Skipped)

    // The bytes of member k, as stored.
    std::span<const std::uint8_t> memberBytes(int k) const;
    // The members lie back to back from the start of the member data to the archive's
    // end, as the games' tools write them: then one can grow and shift the rest.
    bool membersBackToBack() const;
};

enum class ArchiveBytes { Read, Skipped };  // Skipped: the member table alone, `bytes` empty
Result<ArchiveFile, RomFsError> readArchiveFile(platform::OpenFile& file, const NitroFs& fs, std::string_view path,
                                                ArchiveBytes withBytes = ArchiveBytes::Read);

// `archive` with the members of `replaced` (by member number) in place of theirs, the
// others byte for byte as stored, and its member table and sizes made to match. The
// members must lie back to back.
std::vector<std::uint8_t> archiveWithMembers(const ArchiveFile& archive,
                                             const std::map<int, std::vector<std::uint8_t>>& replaced);

} // namespace quillmark::rom
