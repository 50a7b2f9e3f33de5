#include "species/LevelUpMoves.h"

#include "species/MoveNames.h"

#include <algorithm>

namespace quillmark::species {

namespace {

constexpr int kLevelShift = 9;
constexpr unsigned kMoveMask = (1u << kLevelShift) - 1;

} // namespace

std::optional<LevelUpMoves> decodeLevelUpMoves(std::span<const std::uint8_t> member)
{
    LevelUpMoves moves;
    for (std::size_t at = 0; at + 1 < member.size(); at += 2) {
        const unsigned word = member[at] | unsigned{member[at + 1]} << 8;
        if (word == kLevelUpEnd)
            return moves;
        moves.push_back({static_cast<int>(word >> kLevelShift), static_cast<int>(word & kMoveMask)});
    }
    return std::nullopt;
}

std::vector<std::uint8_t> encodeLevelUpMoves(const LevelUpMoves& moves)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(moves.size() * 2 + 4);
    auto put = [&](unsigned word) {
        bytes.push_back(static_cast<std::uint8_t>(word));
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    };
    for (const auto& entry : moves)
        put(static_cast<unsigned>(entry.move) | static_cast<unsigned>(entry.level) << kLevelShift);
    put(kLevelUpEnd);
    bytes.resize((bytes.size() + 3) / 4 * 4, 0);
    return bytes;
}

std::optional<std::string> levelUpMovesProblem(const LevelUpMoves& moves, const LevelUpMoves& stored)
{
    if (moves.size() > static_cast<std::size_t>(kMaxLevelUpMoves))
        return std::to_string(moves.size()) + " level-up moves, and the game takes at most " +
               std::to_string(kMaxLevelUpMoves);
    // An entry the list held as stored, wherever it has moved to, is kept as it is.
    auto unjudged = stored;
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const auto& entry = moves[i];
        if (const auto kept = std::find(unjudged.begin(), unjudged.end(), entry); kept != unjudged.end()) {
            unjudged.erase(kept);
            continue;
        }
        const auto which = "entry " + std::to_string(i + 1);
        if (entry.level < 1 || entry.level > kMaxLevel)
            return which + " has level " + std::to_string(entry.level) + "; levels are 1 to " +
                   std::to_string(kMaxLevel);
        if (entry.move < 1 || entry.move >= kMoveCount)
            return which + " has move " + std::to_string(entry.move) + "; moves are 1 to " +
                   std::to_string(kMoveCount - 1);
    }
    return std::nullopt;
}

LevelUpMoves sortedByLevel(LevelUpMoves moves)
{
    std::stable_sort(moves.begin(), moves.end(),
                     [](const LevelUpMove& a, const LevelUpMove& b) { return a.level < b.level; });
    return moves;
}

} // namespace quillmark::species
