#pragma once

#include "rom/NitroFs.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillmark::rom {

// A byte range that the ROM's own tables give to something: a file of the allocation
// table (overlays included), one of the header's regions (the header itself, ARM9 and
// ARM7 code, FNT, FAT, both overlay tables, the banner). A write that moves bytes to a
// new place must find none of them there.
struct Claim {
    FileExtent extent;
    std::string owner;                   // "poketool/personal/personal.narc", "the banner"
    std::optional<std::uint16_t> fileId;  // for a file of the allocation table
};

// Every non-empty claim, from the file system and the header's first kHeaderWordsEnd
// bytes.
std::vector<Claim> imageClaims(const NitroFs& fs, std::span<const std::uint8_t> headerWords);

// Where the last claim ends: the used image's true end, whatever the header's used size
// says of it.
std::int64_t claimsEnd(const std::vector<Claim>& claims);

// The first claim that shares bytes with `range`, file `except` aside.
const Claim* claimWithin(const std::vector<Claim>& claims, const FileExtent& range,
                         std::optional<std::uint16_t> except = std::nullopt);

// The download-play signature some cartridges keep right at the used size: 0x88 bytes
// starting "ac\x01\x00". ROM rebuilders keep it at the used size, wherever that moves.
inline constexpr std::int64_t kDownloadPlayBlockSize = 0x88;
bool isDownloadPlayBlock(std::span<const std::uint8_t> bytes);

} // namespace quillmark::rom
