#pragma once

#include "species/DocumentPart.h"
#include "species/EggMoves.h"

namespace quillmark::species {

// One species' egg moves as the window shows them: nothing for a record that has none
// of its own (a form, an egg); the egg table's free words; why they cannot be read or
// written, if so.
struct EggMovesShown {
    std::optional<std::vector<int>> moves;
    int wordsFree = 0;
    std::string problem;
    bool writable = false;
};

// The egg move table, keyed by National Dex number (forms and eggs have no list of
// their own).
class EggMovesPart final : public DocumentPart {
public:
    using Value = EggMoveTableFile;
    const Value* value() const { return m_table ? &*m_table : nullptr; }

    void forget() override { m_table.reset(); }
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
    std::vector<int> movesOf(int dex) const;

    std::optional<Value> m_table;
    std::shared_ptr<const Vocabulary> m_words;  // what its messages call a species
};

} // namespace quillmark::species
