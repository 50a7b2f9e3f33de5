#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quillmark::species {

// Moves 0..467 of the Gen 4 games, 0 standing for none.
inline constexpr int kMoveCount = 468;
extern const std::array<std::string_view, kMoveCount> MoveNames;

// A move by its name as people type it (case, blanks, hyphens and apostrophes aside:
// "will o wisp", "x scissor"); never move 0.
std::optional<int> findMove(std::string_view text);
// "; nearest: ..." for a name that matches none, or "".
std::string nearestMoves(std::string_view text);

} // namespace quillmark::species
