#pragma once

#include "rom/RomIdentification.h"

#include <array>
#include <functional>
#include <optional>
#include <vector>
#include <string>
#include <string_view>

namespace quillmark::species {

// The built-in names: only Vocabulary::builtIn() reads them; everything else asks a
// vocabulary.
extern const std::array<std::string_view, 493> SpeciesNames;
extern const std::array<std::string_view, 18> TypeNames;
extern const std::array<std::string_view, 465> ItemNames;
extern const std::array<std::string_view, 16> EggGroupNames;
extern const std::array<std::string_view, 124> AbilityNames;

// The items of each game: Diamond and Pearl have ItemNames; Platinum adds three and
// names item 112; HeartGold and SoulSilver add 72 more and leave item 428 unnamed.
const std::vector<std::string>& itemNamesOf(rom::Game game);

// The records after the 493 species, from list index 493 on: the egg records and the
// forms with data of their own (the first seven in every game, all fourteen from
// Platinum on).
extern const std::array<std::string_view, 14> FormNames;
int recordCountOf(rom::Game game);
// The species a record belongs to: itself below 493, the species of a form record
// ("Rotom (Heat)": Rotom, 478), nothing for the two egg records.
std::optional<int> baseSpeciesOf(int index);  // 500 or 507 records after the empty first one
// The archives numbered like the species archive start with an empty member before
// Bulbasaur: list index i is member i + 1. Every step between the two goes through these.
constexpr int memberOfRecord(int listIndex) { return listIndex + 1; }
constexpr int recordOfMember(int member) { return member - 1; }
// Species list index i (0..492) is National Dex number i + 1: the egg move table and
// the sheets' dex column count by Dex number. Every step between the two goes through
// these.
constexpr int dexOfSpecies(int listIndex) { return listIndex + 1; }
constexpr int speciesOfDex(int dex) { return dex - 1; }

// A name folded for matching: case, accents, blanks, dots, hyphens and apostrophes do
// not count, ♀/♂ may be f/m; in the order written ("Mr. Mime" -> "mrmime").
std::string nameKey(std::string_view text);
// The same with its words in a fixed order, "Forme", "Form" and "Cloak" left out
// ("Heat Rotom" and "Rotom (Heat)" alike).
std::string formKey(std::string_view text);
// Edits that turn one text into another (Levenshtein), for nearest suggestions.
std::size_t editDistance(std::string_view a, std::string_view b);
// The candidates 0..count-1 whose keys lie close to `key` (folded as keyOf folds
// them): within a third of its length, and at least two edits. Closest first.
std::vector<int> nearestCandidates(std::string_view key, int count,
                                   const std::function<std::string(int)>& keyOf);
// "; nearest: a, b, c" from the first three different labels, or "" for none.
std::string nearestPhrase(const std::vector<std::string>& labels);

// Entry v reads v x 256: "0", "256", ... "65280".
const std::array<std::string, 256>& HatchStepTexts();

} // namespace quillmark::species
