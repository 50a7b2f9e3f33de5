#pragma once

#include "platform/Result.h"
#include "rom/NitroFs.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillmark::platform {
class OpenFile;
}

namespace quillmark::rom {

// The ARM9 overlay table, at header 0x50 (offset) and 0x54 (size): 32 bytes per
// overlay, eight little-endian words: id, RAM address, size in RAM, bss size, the two
// static-initialiser addresses, the file ID of its bytes, and the stored size (bits
// 0-23) with the flags (bits 24-31; bit 0: stored compressed, backward LZ).
inline constexpr std::int64_t kOverlayTableField = 0x50;
inline constexpr std::int64_t kOverlayEntrySize = 32;

struct OverlayEntry {
    std::uint32_t id = 0;
    std::uint32_t ramAddress = 0;
    std::uint32_t ramSize = 0;
    std::uint16_t fileId = 0;
    std::uint32_t storedSize = 0;  // the compressed size, when compressed
    std::uint8_t flags = 0;
    std::int64_t entryOffset = 0;  // where the entry lies in the ROM
    bool compressed() const { return flags & 1; }
};

// An overlay as the game loads it.
struct Overlay {
    OverlayEntry entry;
    FileExtent extent;                 // its bytes in the ROM
    std::vector<std::uint8_t> image;   // decompressed when stored compressed
    // Another file or overlay whose bytes the file table lets share this one's.
    std::optional<std::string> sharedWith;
    // Stored as it loads and its bytes its own: a table found in `image` at offset k
    // lies in the ROM at extent.start + k, and may be written there. Never so for a
    // compressed one, nor for one whose bytes another file shares.
    bool writable() const { return !entry.compressed() && !sharedWith; }
    // Why it is not writable, in words; empty when it is.
    std::string readOnlyReason() const;
};

// Every entry, checked: inside the file, its file ID one of the file system's, no two
// overlays with one ID.
Result<std::vector<OverlayEntry>, RomFsError> readOverlayTable(platform::OpenFile& file, const NitroFs& fs);

// Overlay `id`, read and, if flagged compressed, decompressed (a stream that does not
// decode to the size the table gives is refused as damaged).
// `entries`: the table as readOverlayTable gave it, or nothing to read it here.
Result<Overlay, RomFsError> readOverlay(platform::OpenFile& file, const NitroFs& fs, std::uint32_t id,
                                        const std::vector<OverlayEntry>* entries = nullptr);

} // namespace quillmark::rom
