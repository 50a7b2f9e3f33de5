#pragma once

#include "platform/Result.h"
#include "species/SpeciesError.h"
#include "species/Vocabulary.h"

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillmark::platform {
class OpenFile;
}
namespace quillmark::rom {
class NitroFs;
struct OverlayEntry;
}

namespace quillmark::species {

// The egg move table of all five games: 16-bit words, for each species with egg
// moves the marker 20000 + its National Dex number, then its moves; 0xFFFF ends it.
// The games scan only the first `bound` words for a marker (1909 in Diamond, Pearl and
// Platinum, 2045 in HeartGold and SoulSilver) and take at most 16 moves after it.
inline constexpr std::uint16_t kEggMoveMarkerBase = 20000;
inline constexpr std::uint16_t kEggMoveEnd = 0xFFFF;
inline constexpr int kMaxEggMoves = 16;
inline constexpr int kLastEggMove = 467;  // Shadow Force: the games' last move

// Moves by National Dex number (1..493), in stored order; species without egg moves
// are absent.
using EggMoves = std::map<int, std::vector<int>>;

struct EggMoveTable {
    std::vector<std::uint16_t> words;  // as stored, the whole table's room (bound + 1)
    int bound = 0;
    EggMoves moves;                    // as read
    int usedWords() const;             // markers, moves and the end mark
    int freeWords() const { return static_cast<int>(words.size()) - usedWords(); }
};

int eggMoveBound(bool heartGoldSoulSilver);

// The table in `bytes` (bound + 1 words), or why it is none: a marker first, only
// markers 20001..20493 in rising order and moves 1..467, at most 16 a species, the
// end mark within the bound.
std::optional<EggMoveTable> decodeEggMoveTable(std::span<const std::uint8_t> bytes, int bound,
                                               const Vocabulary& words = Vocabulary::builtIn(),
                                               std::string* why = nullptr);

// Where in `image` (an overlay) such a table starts: the run of words from a marker to
// an end mark with the most markers, taken whole (never from a marker inside it), and
// decoded as above. Its damage if it does not decode; how many such runs decode, when
// more than one does (then which the game reads cannot be told).
struct EggTableSearch {
    std::optional<std::size_t> at;
    std::optional<std::string> damage;
    int runs = 0;
};
EggTableSearch findEggMoveTable(std::span<const std::uint8_t> image, int bound,
                                const Vocabulary& words = Vocabulary::builtIn());

// The table's words with `edits` (the species' new lists; an empty list takes the
// species out). Species order and every list not edited stay as stored; a species
// given its first egg moves gets a marker in dex order. InvalidMoveData for a list the
// games cannot take, NoRoomForMoves when the words would pass the bound.
Result<std::vector<std::uint16_t>, SpeciesError> editedEggMoveTable(const EggMoveTable& table, const EggMoves& edits,
                                                                   const Vocabulary& names);

// The table where the game keeps it: in ARM9 overlay 5 (Diamond, Pearl, Platinum),
// found there by its shape, or in member 0 of the archive a/2/2/9 (HeartGold,
// SoulSilver; data/kowaza.narc is an unused copy the games never read).
struct EggMoveTableFile {
    EggMoveTable table;
    std::int64_t offset = 0;  // where its first word lies in the ROM
    bool writable = true;     // false inside an overlay stored compressed
    std::string where;        // "overlay 5", "a/2/2/9", for messages
    std::string readOnlyReason;
};
// `overlays`: the overlay table already read, or nothing to read it here.
Result<EggMoveTableFile, SpeciesError> readEggMoveTable(platform::OpenFile& file, const rom::NitroFs& fs,
                                                        std::string_view gameCode, const Vocabulary& words,
                                                        const std::vector<rom::OverlayEntry>* overlays = nullptr);

} // namespace quillmark::species
