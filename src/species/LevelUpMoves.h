#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillmark::species {

// One member of the level-up move archive (wotbl.narc, HG/SS a/0/3/3): 16-bit
// little-endian entries `move | level << 9` in stored order, then 0xFFFF, then zero
// bytes up to a multiple of 4 (4 to 44 bytes).
struct LevelUpMove {
    int level = 1;
    int move = 0;
    bool operator==(const LevelUpMove&) const = default;
};
using LevelUpMoves = std::vector<LevelUpMove>;

// The game reads a member into a buffer of 20 entries and the end mark; more crash
// its move relearner.
inline constexpr int kMaxLevelUpMoves = 20;
inline constexpr int kMaxLevel = 100;
inline constexpr std::uint16_t kLevelUpEnd = 0xFFFF;

// The entries of a member; nothing when it has no end mark.
std::optional<LevelUpMoves> decodeLevelUpMoves(std::span<const std::uint8_t> member);
// The member's bytes, end mark and padding included.
std::vector<std::uint8_t> encodeLevelUpMoves(const LevelUpMoves& moves);
// Why the game could not take the list, in words for the user; nothing if it can. An
// entry of `stored` (the list as read) is kept as it is, wherever it has moved to.
std::optional<std::string> levelUpMovesProblem(const LevelUpMoves& moves, const LevelUpMoves& stored = {});
// The same list in level order, entries of one level keeping their order.
LevelUpMoves sortedByLevel(LevelUpMoves moves);

} // namespace quillmark::species
