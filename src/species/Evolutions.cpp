#include "species/Evolutions.h"

#include "species/LevelUpMoves.h"
#include "species/LookupLists.h"
#include "species/MoveNames.h"
#include "species/SheetTexts.h"
#include "species/SpeciesRecord.h"

#include <cctype>

namespace quillmark::species {

using P = EvolutionParameter;

const std::array<EvolutionMethod, kEvolutionMethodCount> EvolutionMethods = {{
    {"None", P::None},  // 0
    {"Happiness", P::None},  // 1
    {"Happiness (day)", P::None},  // 2
    {"Happiness (night)", P::None},  // 3
    {"Level", P::Level},  // 4
    {"Trade", P::None},  // 5
    {"Trade holding item", P::Item},  // 6
    {"Use item", P::Item},  // 7
    {"Level, Attack > Defense", P::Level},  // 8
    {"Level, Attack = Defense", P::Level},  // 9
    {"Level, Attack < Defense", P::Level},  // 10
    {"Level, personality low", P::Level},  // 11
    {"Level, personality high", P::Level},  // 12
    {"Level (Ninjask)", P::Level},  // 13
    {"Level (Shedinja)", P::Level},  // 14
    {"Beauty", P::Beauty},  // 15
    {"Use item (male)", P::Item},  // 16
    {"Use item (female)", P::Item},  // 17
    {"Level holding item (day)", P::Item},  // 18
    {"Level holding item (night)", P::Item},  // 19
    {"Level knowing move", P::Move},  // 20
    {"Level with species in party", P::Species},  // 21
    {"Level (male)", P::Level},  // 22
    {"Level (female)", P::Level},  // 23
    {"Level at Mt. Coronet", P::None},  // 24
    {"Level near Moss Rock", P::None},  // 25
    {"Level near Ice Rock", P::None},  // 26
}};

namespace {

unsigned word(std::span<const std::uint8_t> bytes, std::size_t at) { return bytes[at] | unsigned{bytes[at + 1]} << 8; }

// "<", "=" and ">" tell three methods apart; the rest of the punctuation does not count.
std::string methodKey(std::string_view text)
{
    std::string key;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || c == '<' || c == '=' || c == '>')
            key += static_cast<char>(std::tolower(u));
    }
    return key;
}

} // namespace

std::optional<int> findEvolutionMethod(std::string_view text)
{
    const auto key = methodKey(text);
    for (int id = 0; id < kEvolutionMethodCount; ++id) {
        if (methodKey(EvolutionMethods[static_cast<std::size_t>(id)].name) == key)
            return id;
    }
    return std::nullopt;
}

std::optional<Evolutions> decodeEvolutions(std::span<const std::uint8_t> member)
{
    if (member.size() != kEvolutionMemberSize)
        return std::nullopt;
    Evolutions slots;
    for (std::size_t i = 0; i < slots.size(); ++i)
        slots[i] = {static_cast<int>(word(member, i * 6)), static_cast<int>(word(member, i * 6 + 2)),
                    static_cast<int>(word(member, i * 6 + 4))};
    return slots;
}

std::array<std::uint8_t, kEvolutionSlots * 6> encodeEvolutionSlots(const Evolutions& slots)
{
    std::array<std::uint8_t, kEvolutionSlots * 6> bytes{};
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const int words[] = {slots[i].method, slots[i].parameter, slots[i].target};
        for (std::size_t k = 0; k < 3; ++k) {
            bytes[i * 6 + k * 2] = static_cast<std::uint8_t>(words[k]);
            bytes[i * 6 + k * 2 + 1] = static_cast<std::uint8_t>(words[k] >> 8);
        }
    }
    return bytes;
}

namespace {

std::pair<int, int> parameterRange(EvolutionParameter kind, rom::Game game)
{
    switch (kind) {
    case P::None: return {0, 0};
    case P::Level: return {1, kMaxLevel};
    case P::Item: return {1, static_cast<int>(itemNamesOf(game).size()) - 1};
    case P::Move: return {1, kMoveCount - 1};
    case P::Species: return {1, kSpeciesCount};
    case P::Beauty: return {0, 255};
    }
    return {0, 0};
}

} // namespace

bool parameterFits(EvolutionParameter kind, int value, rom::Game game)
{
    const auto [low, high] = parameterRange(kind, game);
    return value >= low && value <= high;
}

std::optional<std::string> evolutionsProblem(const Evolutions& slots, rom::Game game)
{
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const auto& slot = slots[i];
        const auto which = "evolution " + std::to_string(i + 1);
        if (slot.method < 0 || slot.method >= kEvolutionMethodCount)
            return which + " has method " + std::to_string(slot.method) + "; methods are 0 to " +
                   std::to_string(kEvolutionMethodCount - 1);
        if (slot.method == 0) {
            if (slot.parameter != 0 || slot.target != 0)
                return which + " has no method but a parameter or target; an unused slot is all zero";
            continue;
        }
        if (slot.target < 1 || slot.target > kSpeciesCount)
            return which + " evolves into " + std::to_string(slot.target) + ", which is no species (1 to " +
                   std::to_string(kSpeciesCount) + ")";
        const auto& method = EvolutionMethods[static_cast<std::size_t>(slot.method)];
        if (!parameterFits(method.parameter, slot.parameter, game)) {
            const auto [low, high] = parameterRange(method.parameter, game);
            static constexpr std::string_view kWhat[] = {"parameter", "level", "item", "move", "species", "beauty"};
            return which + " (" + std::string(method.name) + ") has " +
                   std::string(kWhat[static_cast<std::size_t>(method.parameter)]) + " " +
                   std::to_string(slot.parameter) + "; it takes " + std::to_string(low) + " to " +
                   std::to_string(high);
        }
    }
    return std::nullopt;
}

std::string parameterText(const EvolutionSlot& slot, rom::Game game, const Vocabulary& words)
{
    if (slot.method < 0 || slot.method >= kEvolutionMethodCount)
        return std::to_string(slot.parameter);
    switch (EvolutionMethods[static_cast<std::size_t>(slot.method)].parameter) {
    case EvolutionParameter::None: return slot.parameter ? std::to_string(slot.parameter) : "";
    case EvolutionParameter::Item: return itemText(slot.parameter, game);
    case EvolutionParameter::Move: return moveText(slot.parameter);
    case EvolutionParameter::Species: return memberText(slot.parameter, words);
    case EvolutionParameter::Level:
    case EvolutionParameter::Beauty: break;
    }
    return std::to_string(slot.parameter);
}

std::string methodText(int method)
{
    return method >= 0 && method < kEvolutionMethodCount ? std::string(EvolutionMethods[static_cast<std::size_t>(method)].name)
                                                         : numberedCode(method);
}

} // namespace quillmark::species
