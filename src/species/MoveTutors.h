#pragma once

#include "platform/Result.h"
#include "rom/RomIdentification.h"
#include "species/SpeciesError.h"

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

// The move tutors of Platinum, HeartGold and SoulSilver (Diamond and Pearl teach none
// from a table). The list of tutor moves, then per species and form a record whose bit
// i (bit i % 8 of byte i / 8) says it learns list move i:
//   Platinum: 38 moves of 12 bytes (u16 move, the red, blue, yellow and green shard
//   costs, 2 bytes, u32 place 0..2), directly followed by 505 records of 5 bytes, all
//   in overlay 5.
//   HeartGold/SoulSilver: 52 moves of 4 bytes (u16 move, u8 Battle Point cost, u8
//   tutor 0..3) in overlay 1; 505 records of 8 bytes in the file
//   fielddata/wazaoshie/waza_oshie.bin (4040 bytes exactly: the games assert it).
// Records 0..492 are species 1..493, 493..504 the twelve forms in record order.
inline constexpr int kTutorRecords = 505;
inline constexpr std::string_view kTutorCompatibilityPath = "fielddata/wazaoshie/waza_oshie.bin";

struct TutorMove {
    int move = 0;
    std::string teacher;  // where, and at what cost: for a tooltip and the sheets' notes
};

struct TutorLayout {
    int moves = 0;       // 38, 52
    int entrySize = 0;   // 12, 4
    int recordSize = 0;  // 5, 8
};
// Nothing for Diamond and Pearl.
std::optional<TutorLayout> tutorLayoutOf(rom::Game game);

// The record of a list index (a species or form of the species archive), or nothing
// for one without (the egg records, and the forms a game's archive has no record of).
std::optional<int> tutorRecordOf(int listIndex);
int listIndexOfTutorRecord(int record);

// The tutor list at the start of `bytes`, if it is one: every move 1..467, every
// place (Platinum) 0..2 or tutor (HeartGold/SoulSilver) 0..3.
std::optional<std::vector<TutorMove>> decodeTutorMoves(std::span<const std::uint8_t> bytes, rom::Game game);

// Where in `image` the tutor list starts (Platinum: followed at once by the records,
// whose two unused high bits are clear). Nothing if none or more than one.
std::optional<std::size_t> findTutorMoves(std::span<const std::uint8_t> image, rom::Game game, int* found = nullptr);

// Records as stored, `recordSize` bytes each.
struct TutorCompatibility {
    int recordSize = 0;
    int moves = 0;
    std::vector<std::uint8_t> bytes;
    bool learns(int record, int move) const;
    // The moves (list indices) a record has, in list order.
    std::vector<int> movesOf(int record) const;
};

// `compatibility` with each edited record's bits for the list's moves set as given
// (list indices); the bits past the list's end stay as stored.
std::vector<std::uint8_t> editedTutorCompatibility(const TutorCompatibility& compatibility,
                                                   const std::map<int, std::vector<int>>& edits);

// Both tables where the game keeps them.
struct MoveTutorTables {
    std::vector<TutorMove> moves;
    TutorCompatibility compatibility;
    std::int64_t compatibilityOffset = 0;  // where record 0 lies in the ROM
    bool writable = true;
    std::string where;  // of the records: "overlay 5", "fielddata/wazaoshie/waza_oshie.bin"
    std::string readOnlyReason;
};
// UnsupportedRom's kin for Diamond and Pearl: nothing (they have no tutor tables).
// `overlays`: the overlay table already read, or nothing to read it here.
Result<std::optional<MoveTutorTables>, SpeciesError> readMoveTutors(platform::OpenFile& file, const rom::NitroFs& fs,
                                                                     rom::Game game,
                                                                     const std::vector<rom::OverlayEntry>* overlays = nullptr);

} // namespace quillmark::species
