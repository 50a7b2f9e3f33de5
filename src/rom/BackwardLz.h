#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillmark::rom {

// The DS's backward LZ ("BLZ"), in which HeartGold and SoulSilver store their ARM9
// overlays: [raw prefix][stream, stored back to front][0xFF padding][footer], the
// footer two little-endian words at the end E: A (bits 0-23 the length of stream,
// padding and footer; bits 24-31 the length of padding and footer) and B (the
// decompressed size less the stored size). Decoding runs from the end down: a flag
// byte, then for each of its bits, high first, a literal byte (0) or a copy (1) of
// (hi >> 4) + 3 bytes from ((hi & 15) << 8 | lo) + 3 above.
struct BackwardLzError {
    std::string detail;
};

// The decompressed bytes, or why the stored ones are no such stream (every length
// and distance is checked: a damaged file is refused, never read past its ends).
std::optional<std::vector<std::uint8_t>> decompressBackward(std::span<const std::uint8_t> stored,
                                                            std::string* why = nullptr);

} // namespace quillmark::rom
