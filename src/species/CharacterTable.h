#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace quillmark::species {

// A character of the games' text: its code unit and its text (UTF-8). The table is the
// same in Diamond, Pearl, Platinum, HeartGold and SoulSilver: kana, full-width digits,
// Latin letters with accents, punctuation, symbols (♂ ♀ ’ “ ”), Hangul.
struct GameCharacter {
    std::uint16_t code;
    std::string_view text;
};

// Every character, by rising code.
extern const std::array<GameCharacter, 2872> GameCharacters;

} // namespace quillmark::species
