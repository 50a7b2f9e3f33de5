#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillmark::rom {

// A bank of the games' text archive: a member of the NARC, a list of strings. Its
// layout:
//   +0 u16 count, +2 u16 key (the bank's own seed)
//   +4 count x { u32 offset; u32 length }, each word XORed with the entry's table key
//   the strings, u16 code units each XORed with a running string key
// `offset` counts bytes from the bank's start; `length` counts code units, the 0xFFFF
// terminator included. The retail banks keep the strings back to back in entry order
// right after the table; the game follows only the offsets.
struct MessageBank {
    std::uint16_t key = 0;
    // Each entry's code units as stored, its terminator included (a damaged entry: as
    // far as it could be read).
    std::vector<std::vector<std::uint16_t>> entries;
    // The first entry that does not lie inside the bank, and why; the entries after it
    // are read all the same.
    std::optional<int> damagedEntry;
    std::string damage;
};

inline constexpr std::uint16_t kTextEnd = 0xFFFF;

// Nothing for bytes too short to hold the header and the table.
std::optional<MessageBank> decodeMessageBank(std::span<const std::uint8_t> bytes);
// The bank laid out as the retail banks are: the table, then the strings back to back
// in entry order, each encrypted with its own key and the bank's.
std::vector<std::uint8_t> encodeMessageBank(const MessageBank& bank);

} // namespace quillmark::rom
