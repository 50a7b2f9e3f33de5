#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The games' text as people read and type it, and back to the games' code units.
namespace quillmark::species {

inline constexpr std::uint16_t kLineBreak = 0xE000;
inline constexpr std::uint16_t kNewBox = 0x25BC;
inline constexpr std::uint16_t kScroll = 0x25BD;
inline constexpr std::uint16_t kCommand = 0xFFFE;
inline constexpr std::uint16_t kCompressed = 0xF100;

// The text of `units`, up to their 0xFFFF end. Decoding never fails: a unit that the
// character table lacks, and a command (0xFFFE, its code, its argument count and its
// arguments), are written as their units in hex between braces ("{0000}",
// "{FFFE FF00 0001 0001}"), which encodeGameText writes back to the same units. Line
// breaks are "\n", a new text box "\r", a scroll "\f"; a compressed (9-bit) string reads
// as its characters.
std::string decodeGameText(std::span<const std::uint16_t> units);

// A character of a text that the games cannot write, and where it stands (bytes).
struct TextRefusal {
    std::string character;
    std::size_t at = 0;
};
// The units of `text`, ended by 0xFFFF; or the first character no code stands for.
Result<std::vector<std::uint16_t>, TextRefusal> encodeGameText(std::string_view text);

} // namespace quillmark::species
