#pragma once

#include "species/EggMovesPart.h"
#include "species/MoveArchivesPart.h"
#include "species/SpeciesRecordsPart.h"
#include "species/TutorMovesPart.h"

#include <tuple>

namespace quillmark::species {

// Every table a ROM document reads and writes, in the order their edits are judged.
// A new table is a DocumentPart of its own and one entry here.
using DocumentParts = std::tuple<MoveArchivesPart, EggMovesPart, TutorMovesPart, SpeciesRecordsPart>;

template <class Visit>
void forEachPart(DocumentParts& parts, Visit&& visit)
{
    std::apply([&](auto&... part) { (visit(static_cast<DocumentPart&>(part)), ...); }, parts);
}

template <class Visit>
void forEachPart(const DocumentParts& parts, Visit&& visit)
{
    std::apply([&](const auto&... part) { (visit(static_cast<const DocumentPart&>(part)), ...); }, parts);
}

} // namespace quillmark::species
