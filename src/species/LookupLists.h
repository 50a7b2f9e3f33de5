#pragma once

#include "rom/RomIdentification.h"

#include <array>
#include <functional>
#include <optional>
#include <vector>
#include <string>
#include <string_view>

namespace quillmark::species {

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
// The name of list index i: a species below 493, then an egg or form record.
std::string_view recordName(int index);
// "Garchomp (444)": a record as messages name it, by list index.
std::string recordLabel(int index);
// The same for member k of the archives numbered like the species archive (member k
// is list index k - 1); "member k" only for one that no record stands for.
std::string memberLabel(int member);
// The archives numbered like the species archive start with an empty member before
// Bulbasaur: list index i is member i + 1. Every step between the two goes through these.
constexpr int memberOfRecord(int listIndex) { return listIndex + 1; }
constexpr int recordOfMember(int member) { return member - 1; }
// Species list index i (0..492) is National Dex number i + 1: the egg move table and
// the sheets' dex column count by Dex number. Every step between the two goes through
// these.
constexpr int dexOfSpecies(int listIndex) { return listIndex + 1; }
constexpr int speciesOfDex(int dex) { return dex - 1; }

// A record by its name as people write it: case, accents, blanks, dots, hyphens and
// apostrophes do not count, ♀/♂ may be f/m, and the words of a form name may come in
// any order, "Forme" and "Cloak" left out ("mr mime", "hooh", "nidoran f", "Heat
// Rotom", "giratina origin"). Among the first `count` records.
std::optional<int> findRecordByName(std::string_view text, int count);
// Up to three names closest to what was typed, best first.
std::vector<std::string> nearestRecordNames(std::string_view text, int count);
// Folded for matching as above, in the order written ("Mr. Mime" -> "mrmime").
std::string nameKey(std::string_view text);
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
