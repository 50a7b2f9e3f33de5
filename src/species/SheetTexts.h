#pragma once

#include "rom/RomIdentification.h"
#include "species/Vocabulary.h"

#include <string>

namespace quillmark::species {

// The words the sheets, the command line and the comparison of two ROMs write for the
// codes of moves, items and species; "#N" for a code no list names.
std::string numberedCode(int code);
std::string moveText(int move);
std::string itemText(int item, rom::Game game);
// A member of the archives numbered like the species archive (member k is list index
// k - 1), as an evolution's target or parameter names it.
std::string memberText(int member, const Vocabulary& words);

} // namespace quillmark::species
