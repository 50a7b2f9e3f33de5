#pragma once

#include "platform/Result.h"
#include "species/RomDocument.h"
#include "species/RomChange.h"
#include "species/SpeciesError.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillmark::species {

struct RomComparison {
    std::vector<RomChange> changes;
    std::vector<UncomparedTable> uncompared;
};

// A ROM opened to be compared: identified, its table found, read only.
Result<RomDocument, SpeciesError> openRomToCompare(const std::string& path);

// Every change from `before` to `after` (documents holding their files), species in
// list order (the forms after), each species' changes by part; then every other part of
// the image whose bytes differ (the tables compared above and where things lie aside).
// A table that cannot be read in either is named in `uncompared`, and the others are
// compared all the same. UnsupportedRom when the game codes differ (detail names both).
Result<RomComparison, SpeciesError> compareRoms(RomDocument& before, RomDocument& after);

// The patch that turns `before` into `after`, the parts that moved (a level-up archive
// moved after the used image, a rebuilt layout) copied from their old place.
Result<std::vector<std::uint8_t>, SpeciesError> patchBetween(RomDocument& before, RomDocument& after);

// Whether the files at `beforePath` and `afterPath` are still the two a patch made by
// patchBetween was made of (their CRC-32s are the patch's): the rows and the patch of a
// comparison are shown or saved only while they are.
Result<bool, SpeciesError> stillAsPatched(const std::string& beforePath, const std::string& afterPath,
                                          std::span<const std::uint8_t> patch);

// The changes as a sheet: the header index,dex,name,part,field,before,after, then a row
// per change (index and dex empty where there are none).
std::vector<std::vector<std::string>> comparisonRows(const std::vector<RomChange>& changes);

// For people: a block per species ("Garchomp (444):"), a line per change with "->"
// between before and after ("(none)" for nothing), "No differences in the species
// data." when there are none; then the other parts that differ, with their sizes; then
// the tables not compared, with why.
std::string comparisonText(const RomComparison& comparison);
// "Not compared: egg moves, before.nds: the overlay table has no overlay 5." for each
// table left out, one line each; "" when every table was compared.
std::string uncomparedText(const std::vector<UncomparedTable>& uncompared);
// The words a table goes by for people: "egg moves" for "eggmoves".
std::string partWords(const std::string& part);
// The sheet of the table a comparison's part names ("eggmoves"); nothing for the
// species records and the files.
const TableSheet* sheetOfPart(const std::string& part);

} // namespace quillmark::species
