#pragma once

#include "species/EggMovesPart.h"
#include "species/MoveArchivesPart.h"
#include "species/SpeciesRecordsPart.h"
#include "species/TutorMovesPart.h"

#include <tuple>
#include <utility>

namespace quillmark::species {

// Every table a ROM document reads and writes, in the order their edits are judged and
// their steps written. A new table is a DocumentPart of its own and one entry here.
using DocumentParts = std::tuple<SpeciesRecordsPart, MoveArchivesPart, EggMovesPart, TutorMovesPart>;

static_assert(std::tuple_size_v<DocumentParts> <= PartSet().size(), "a PartSet names every part");

// What the windows show of one species, read through one open of the file: each part's
// own, when it was asked for.
struct SpeciesLoad {
    PartSet parts;  // the parts read: only theirs is shown
    PartSet shown;  // of those, the parts that show the species (not why they cannot)
    LoadedSpecies record;
    // The lists and slots, or why the archives cannot be read.
    std::optional<Result<SpeciesMoves, SpeciesError>> moves;
    std::optional<EggMovesShown> eggMoves;
    std::optional<TutorMovesShown> tutors;
};

// What the window's Save writes for one species: each page's own, where it shows one.
struct SpeciesChanges {
    SpeciesValues values = {};  // the 20 fields as the main window's controls hold them
    platform::NumberFormat format = {};
    std::optional<RecordBytes> moreData = {};  // the whole record as More Data has it
    std::optional<LevelUpMoves> levelUp = {};
    std::optional<Evolutions> evolutions = {};
    std::optional<std::vector<int>> eggMoves = {};
    std::optional<std::vector<int>> tutorLearns = {};  // list indices of the tutor moves
};

// What a save, an import or a `set` wants: whole records by list index (as many as
// were read, or none) or the window's fields of one, lists and slots by member.
struct DocumentEdits {
    std::vector<RecordBytes> records = {};
    MoveEdits moves = {};
    EggMoves eggMoves = {};                       // by National Dex number
    std::map<int, std::vector<int>> tutors = {};  // by tutor record: the list moves it learns
    std::optional<RecordFieldEdits> fields = {};
    bool empty() const { return records.empty() && moves.empty() && eggMoves.empty() && tutors.empty() && !fields; }
};

template <class Part, std::size_t I = 0>
constexpr std::size_t partIndex()
{
    static_assert(I < std::tuple_size_v<DocumentParts>, "not a part of DocumentParts");
    if constexpr (std::is_same_v<Part, std::tuple_element_t<I, DocumentParts>>)
        return I;
    else
        return partIndex<Part, I + 1>();
}

template <class... Parts>
PartSet partsOf()
{
    PartSet set;
    (set.set(partIndex<Parts>()), ...);
    return set;
}

// The parts of `set`, in their order.
// Whether a load holds what `Part` read of its species.
template <class Part>
bool holds(const SpeciesLoad& load)
{
    return load.parts[partIndex<Part>()];
}

template <class Visit>
void forEachPart(DocumentParts& parts, const PartSet& set, Visit&& visit)
{
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        ((set[I] ? visit(static_cast<DocumentPart&>(std::get<I>(parts)), I) : void()), ...);
    }(std::make_index_sequence<std::tuple_size_v<DocumentParts>>{});
}

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

// Every table's sheet, in the order of the parts: what the command line loops over.
inline std::vector<const TableSheet*> tableSheets()
{
    static const DocumentParts parts;
    std::vector<const TableSheet*> sheets;
    forEachPart(parts, [&](const DocumentPart& part) {
        for (const auto* sheet : part.sheets())
            sheets.push_back(sheet);
    });
    return sheets;
}

// The same part of two documents, part by part.
template <class Visit>
void forEachPartPair(const DocumentParts& a, const DocumentParts& b, Visit&& visit)
{
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        (visit(static_cast<const DocumentPart&>(std::get<I>(a)), static_cast<const DocumentPart&>(std::get<I>(b))),
         ...);
    }(std::make_index_sequence<std::tuple_size_v<DocumentParts>>{});
}

} // namespace quillmark::species
