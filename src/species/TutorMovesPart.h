#pragma once

#include "species/DocumentPart.h"
#include "species/MoveTutors.h"

namespace quillmark::species {

// One species' tutor moves as the window shows them: the game's list (empty for
// Diamond and Pearl), the list moves this record learns (nothing: a record without
// tutor moves), or why not.
struct TutorMovesShown {
    std::vector<TutorMove> moves;
    std::optional<std::vector<int>> learns;
    std::string problem;
    bool writable = false;
};

// The move tutors' list and which records learn each, keyed by tutor record (Platinum
// leaves some forms out); Diamond and Pearl have none.
class TutorMovesPart final : public DocumentPart {
public:
    using Value = MoveTutorTables;
    // Nothing for Diamond and Pearl, or before a read.
    const Value* value() const { return m_tables && *m_tables ? &**m_tables : nullptr; }

    void forget() override { m_tables.reset(); }
    void showSpecies(int listIndex, SpeciesLoad& load) const override;
    void takeSpeciesEdits(int listIndex, const SpeciesChanges& changes, DocumentEdits& edits) const override;
    Result<Done, SpeciesError> plan(const DocumentEdits& edits, WritePlan& plan) const override;
    std::vector<std::string> comparedParts() const override;
    bool holdsTable() const override;
    void compareRecord(const DocumentPart& before, const RecordToCompare& record,
                       std::vector<RomChange>& changes) const override;
    void comparedBytes(const DocumentPart& before, std::vector<ComparedBytes>& bytes) const override;
    std::vector<const TableSheet*> sheets() const override;

protected:
    Result<Done, SpeciesError> readTable(PartSource& source) override;

private:
    std::optional<std::optional<Value>> m_tables;  // read, and none for Diamond and Pearl
    rom::Game m_game = rom::Game::Diamond;
};

} // namespace quillmark::species
