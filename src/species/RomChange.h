#pragma once

#include "rom/RomIdentification.h"
#include "species/Vocabulary.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillmark::species {

// One change between two ROMs of one game, in the words of the sheets. `part` is
// "species" (field: the species sheet's column), "learnset" (field "move": a (level,
// move) entry removed or added, or "order": the same entries in another order),
// "evolutions" (field "slot N"), "eggmoves" (field "move", or "order"), "tutors"
// (field: the move) or "file" (field: the part's name, before and after its size in
// bytes; no species). An empty before or after: nothing there.
struct RomChange {
    int index = -1;  // list index, -1 for a file
    std::optional<int> dex;
    std::string name;
    std::string part, field, before, after;
    bool operator==(const RomChange&) const = default;
};

// A table that could not be read in one ROM or both, left out of a comparison: `part`
// as RomChange names it ("learnset", "eggmoves"...), `why` naming the ROM and the
// reason. Its bytes are then compared as a file, as any other.
struct UncomparedTable {
    std::string part, why;
    bool operator==(const UncomparedTable&) const = default;
};

// Bytes a table's comparison covers, left out of the comparison of the image's files:
// the whole of file `where`, or `size` bytes from `offset` of the image inside it (a
// table inside an overlay or the ARM9 code).
struct ComparedBytes {
    std::string where;
    std::optional<std::int64_t> offset = std::nullopt;
    std::int64_t size = 0;
};

// What a part compares one record by: the record's row so far (its index, Dex number
// and name), the words of the newer ROM and its game.
struct RecordToCompare {
    RomChange base;
    const Vocabulary& words;
    rom::Game game;
};

} // namespace quillmark::species
