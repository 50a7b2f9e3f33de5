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
// "will o wisp", "x scissor", "solar beam" for SolarBeam), or by the start of one name
// alone ("thunder p" is ThunderPunch; "thunder" starts several and finds none); never
// move 0. The window and the command line take a move's name through this one call.
std::optional<int> findMove(std::string_view text);
// "; did you mean ...?" for a name that matches none (the rule of Suggestions.h), or "".
std::string nearestMoves(std::string_view text);

} // namespace quillmark::species
