#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::rom {

// HexByteString: two upper-case hexadecimal digits per byte, high digit first,
// bytes in ascending file order. {0x0A, 0xFF, 0x00} <-> "0AFF00".
std::string bytesToHex(std::span<const std::uint8_t> bytes);

// The looser input form: either case, and an odd length reads as if a "0" stood in
// front ("ABC" -> {0x0A, 0xBC}). Nothing at all if any pair is not two hex digits.
std::optional<std::vector<std::uint8_t>> hexToBytes(std::string_view hex);

// Reverses the order of the two-character groups, turning little-endian file order
// into the most-significant-first order of a hex number and back: "3412" <-> "1234".
// Any two characters form a group; an odd length gets a leading "0" first.
std::string ReverseHexBytes(std::string_view hex);

} // namespace quillmark::rom
