#pragma once

#include "species/SheetRows.h"
#include "species/Vocabulary.h"

#include <optional>
#include <string>
#include <string_view>

// A species as a sheet or a command names it.
namespace quillmark::species {

// "dex:445" (any case): the species of that National Dex number, 1 to 493.
std::optional<int> speciesByDex(std::string_view text);
// The list index of "444", "dex:445", "Garchomp", "garchomp", "Rotom (Heat)" or "heat
// rotom" among the first `count` records, by the names of `words`; nothing when no
// record has that index or name.
std::optional<int> findSpecies(const Vocabulary& words, std::string_view text, int count);
// "; nearest: Garchomp, ..." for a name that matched none, or "".
std::string nearestSpecies(const Vocabulary& words, std::string_view text, int count);
// The species a sheet's row names by its "index", "name" or "dex" cell (the Dex number
// only where neither of the others is given); nothing, with the problem in `errors`,
// when they name none or disagree.
std::optional<int> speciesOfRow(const Vocabulary& words, const SheetRow& row, int count, SheetErrors& errors);

} // namespace quillmark::species
