#pragma once

#include "species/SpeciesError.h"
#include "species/SpeciesTableFile.h"

#include <bitset>
#include <optional>

// What a ROM document gives the window and the command line, and what it takes from
// them to write.
namespace quillmark::species {

// Some of a document's parts, by their place in DocumentParts (DocumentParts.h): what
// a page asks a load for, and what a load holds.
using PartSet = std::bitset<16>;

// What the windows show of one species, what the window's Save writes of it, and what an
// import or a `set` wants: each holds every part's own, so they are made where the
// parts are listed (DocumentParts.h).
struct SpeciesLoad;
struct SpeciesChanges;
struct DocumentEdits;

// How far an apply came, for a report that names what is and is not in the file: the
// records (by list index) written, and the one that failed.
struct DocumentWrite {
    RecordWrites records;
    std::optional<SpeciesError> error;  // nothing when everything went through
};

} // namespace quillmark::species
