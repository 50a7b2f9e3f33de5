#pragma once

#include "rom/RomIdentification.h"
#include "species/Vocabulary.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quillmark::species {

// One member of the evolution archive (evo.narc, HG/SS a/0/3/4), always 44 bytes:
// 7 slots of three 16-bit little-endian words (method, parameter, target member),
// then 2 zero bytes. An unused slot is all zero.
struct EvolutionSlot {
    int method = 0;
    int parameter = 0;
    int target = 0;  // the species' member: National Dex number, 1..493
    bool operator==(const EvolutionSlot&) const = default;
};
inline constexpr int kEvolutionSlots = 7;
inline constexpr int kEvolutionMemberSize = 44;
using Evolutions = std::array<EvolutionSlot, kEvolutionSlots>;

// What a method's parameter holds.
enum class EvolutionParameter { None, Level, Item, Move, Species, Beauty };

struct EvolutionMethod {
    std::string_view name;
    EvolutionParameter parameter;
};
inline constexpr int kEvolutionMethodCount = 27;
extern const std::array<EvolutionMethod, kEvolutionMethodCount> EvolutionMethods;

// A method by its name in any case, with or without blanks, commas, dots, hyphens and
// brackets ("use item", "Level at Mt Coronet"); its id.
std::optional<int> findEvolutionMethod(std::string_view text);

// Nothing for a member of another size.
std::optional<Evolutions> decodeEvolutions(std::span<const std::uint8_t> member);
// The 42 bytes of the 7 slots (the member's last two bytes are not theirs).
std::array<std::uint8_t, kEvolutionSlots * 6> encodeEvolutionSlots(const Evolutions& slots);
// Whether the game takes `value` as a parameter of this kind: a level 1..100, an item
// of `game`, a move, a species, a beauty value 0..255, or 0 for none.
bool parameterFits(EvolutionParameter kind, int value, rom::Game game);

// Why the game could not take the slots, in words for the user; nothing if it can.
// Items are those of `game`.
std::optional<std::string> evolutionsProblem(const Evolutions& slots, rom::Game game);

// The words the sheets, the command line and a comparison write for a method ("#N"
// for a code no method has), and for a slot's parameter in the kind its method takes:
// a level, an item, a move, a species; empty for a method that takes none and a
// parameter of 0.
std::string methodText(int method);
std::string parameterText(const EvolutionSlot& slot, rom::Game game, const Vocabulary& words);

} // namespace quillmark::species
