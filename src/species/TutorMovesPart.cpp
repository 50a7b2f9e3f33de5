#include "species/TutorMovesPart.h"

#include "species/DocumentParts.h"

#include "species/SheetTexts.h"

#include <algorithm>

namespace quillmark::species {

Result<Done, SpeciesError> TutorMovesPart::readTable(PartSource& source)
{
    m_game = source.game();
    auto fs = source.fileSystem();
    if (!fs)
        return fs.error();
    auto read = readMoveTutors(source.file(), **fs, source.game(), source.overlays());
    if (!read)
        return read.error();
    m_tables = std::move(*read);
    return Done{};
}

void TutorMovesPart::showSpecies(int listIndex, SpeciesLoad& load) const
{
    auto& shown = load.tutors.emplace();
    if (!m_tables) {
        shown.problem = readError() ? readError()->detail : std::string();
        return;
    }
    if (!*m_tables)
        return;
    const auto& tables = **m_tables;
    shown.moves = tables.moves;
    shown.writable = tables.writable;
    shown.problem = tables.readOnlyReason;
    if (const auto record = tutorRecordOf(listIndex))
        shown.learns = tables.compatibility.movesOf(*record);
}

void TutorMovesPart::takeSpeciesEdits(int listIndex, const SpeciesChanges& changes, DocumentEdits& edits) const
{
    const auto* tables = value();
    if (!changes.tutorLearns || !tables)
        return;
    if (const auto record = tutorRecordOf(listIndex);
        record && *changes.tutorLearns != tables->compatibility.movesOf(*record))
        edits.tutors[*record] = *changes.tutorLearns;
}

Result<Done, SpeciesError> TutorMovesPart::plan(const DocumentEdits& edits, WritePlan& plan) const
{
    if (edits.tutors.empty())
        return Done{};
    if (!m_tables)
        return SpeciesError{SpeciesFailure::RomChanged};
    if (!*m_tables)
        return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0,
                            std::string(rom::gameName(m_game)) + " teaches no moves from a tutor table"};
    const auto& tutors = **m_tables;
    for (const auto& [record, list] : edits.tutors) {
        if (record < 0 || record >= kTutorRecords)
            return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0,
                                "tutor record " + std::to_string(record) + " does not exist"};
        for (const int move : list) {
            if (move < 0 || move >= tutors.compatibility.moves)
                return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0,
                                    "the tutors teach " + std::to_string(tutors.compatibility.moves) +
                                        " moves; there is no tutor move " + std::to_string(move + 1)};
        }
    }
    auto after = editedTutorCompatibility(tutors.compatibility, edits.tutors);
    if (after == tutors.compatibility.bytes)
        return Done{};
    if (!tutors.writable)
        return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0,
                            "the tutor moves cannot be written: " + tutors.readOnlyReason};
    plan.steps.push_back(inPlaceStep(this, tutors.compatibilityOffset, tutors.compatibility.bytes, after));
    return Done{};
}

std::vector<std::string> TutorMovesPart::comparedParts() const { return {"tutors"}; }

bool TutorMovesPart::holdsTable() const { return value() != nullptr; }

void TutorMovesPart::compareRecord(const DocumentPart& before, const RecordToCompare& record,
                                   std::vector<RomChange>& changes) const
{
    const auto& base = record.base;
    const auto tutorRecord = tutorRecordOf(base.index);
    if (!tutorRecord)
        return;
    const auto& was = *static_cast<const TutorMovesPart&>(before).value();
    const auto had = was.compatibility.movesOf(*tutorRecord);
    const auto has = value()->compatibility.movesOf(*tutorRecord);
    for (int move = 0; move < static_cast<int>(was.moves.size()); ++move) {
        const bool learnt = std::find(had.begin(), had.end(), move) != had.end();
        const bool learns = std::find(has.begin(), has.end(), move) != has.end();
        if (learnt != learns)
            changes.push_back({base.index, base.dex, base.name, "tutors",
                               moveText(was.moves[static_cast<std::size_t>(move)].move), learnt ? "x" : "",
                               learns ? "x" : ""});
    }
}

void TutorMovesPart::comparedBytes(const DocumentPart&, std::vector<ComparedBytes>& bytes) const
{
    bytes.push_back({value()->where, value()->compatibilityOffset,
                     static_cast<std::int64_t>(value()->compatibility.bytes.size())});
}

} // namespace quillmark::species
