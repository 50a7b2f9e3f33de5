#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quillmark::rom {

// What the cartridge header says of the image as a whole, and what a file that moves
// to the end of the used image must change in it:
//   0x14  the device capacity, 128 KiB << n
//   0x80  the used size: the end of the last file's data
//   0x15E the header's CRC-16 over 0x000..0x15D
inline constexpr std::size_t kCapacityField = 0x14;
inline constexpr std::size_t kUsedSizeField = 0x80;
inline constexpr std::size_t kHeaderEnd = 0x160;  // through the CRC
// Files start on 512-byte boundaries in retail images and in those of the common
// rebuilding tools, which fill the gaps with 0xFF.
inline constexpr std::int64_t kFileAlignment = 0x200;

// The header's first kHeaderEnd bytes.
struct CartridgeHeader {
    std::vector<std::uint8_t> bytes;

    std::int64_t usedSize() const;
    // Nothing for a capacity byte no DS cartridge has (above 512 MiB).
    std::optional<std::int64_t> capacity() const;
    bool crcMatches() const;
    // The same header with another used size, and its CRC made to match.
    CartridgeHeader withUsedSize(std::int64_t usedSize) const;
};

constexpr std::int64_t alignedUp(std::int64_t value, std::int64_t to) { return (value + to - 1) / to * to; }

// A run of bytes that is nothing but padding: all 0xFF or all 0x00 (empty too). The
// padding byte, or nothing for bytes that hold something.
std::optional<std::uint8_t> paddingByte(std::span<const std::uint8_t> bytes);

} // namespace quillmark::rom
