#pragma once

#include "rom/NitroFs.h"

#include <vector>

namespace quillmark::rom {

// A NARC archive inside the ROM file:
//   0x00  "NARC", u16 0xFFFE byte-order mark, u16 version, u32 archive size,
//         u16 header size (16), u16 section count (3)
//   BTAF  "BTAF", u32 section size, u16 member count, u16 reserved, then per member
//         u32 start and u32 end (exclusive), relative to the data of GMIF
//   BTNF  "BTNF", u32 section size (names, unused here)
//   GMIF  "GMIF", u32 section size, then the members' data
// Bytes 8..11 of an archive: its whole size.
inline constexpr std::size_t kNarcSizeWord = 8;

class Narc {
public:
    // Reads the header and the member table of the archive at `extent`.
    static Result<Narc, RomFsError> read(platform::OpenFile& file, const FileExtent& extent,
                                         std::string_view name);

    int memberCount() const { return static_cast<int>(m_members.size()); }
    // Absolute file offsets of member k, inside the archive and the file.
    const FileExtent& member(int k) const { return m_members[static_cast<std::size_t>(k)]; }
    // Where the GMIF section (its header, then the members' data) starts, from the
    // archive's start.
    std::int64_t gmifOffset() const { return m_gmifOffset; }

private:
    std::vector<FileExtent> m_members;
    std::int64_t m_gmifOffset = 0;
};

} // namespace quillmark::rom
