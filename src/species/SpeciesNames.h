#pragma once

#include "platform/Result.h"
#include "rom/NitroFs.h"
#include "rom/RomIdentification.h"
#include "species/SpeciesError.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillmark::platform {
class OpenFile;
}

namespace quillmark::species {

// The game's text archive: Diamond and Pearl msgdata/msg.narc, Platinum
// msgdata/pl_msg.narc, HeartGold and SoulSilver a/0/2/7.
std::string_view textArchivePath(rom::Game game);

// The species names as the ROM's names bank spells them (GARCHOMP), by National Dex
// number 1 to 493, and the bank they came from; or, where no bank can be found or
// trusted, nothing and why.
struct RomNames {
    std::vector<std::string> names;  // [dex - 1]
    int bank = -1;
    std::string where;  // "msgdata/pl_msg.narc, bank 412"
    std::string why;    // when no names were read: why the built-in ones stand
    bool found() const { return !names.empty(); }
};

// The names bank of an edition: its known number where the edition is a US one, checked
// to hold names; else the one bank shaped as the names bank is (496 entries, entries 1
// to 493 names of 1 to 10 characters, no commands: not the bank of names with their
// articles). Two banks of that shape are not guessed between.
RomNames readRomNames(platform::OpenFile& file, const rom::NitroFs& fs, const rom::Edition& edition);

// The US names banks: Diamond and Pearl 362, Platinum 412, HeartGold and SoulSilver 237.
std::optional<int> knownNamesBank(const rom::Edition& edition);

} // namespace quillmark::species
