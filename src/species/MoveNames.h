#pragma once

#include <array>
#include <string_view>

namespace quillmark::species {

// Moves 0..467 of the Gen 4 games, 0 standing for none.
inline constexpr int kMoveCount = 468;
extern const std::array<std::string_view, kMoveCount> MoveNames;

} // namespace quillmark::species
