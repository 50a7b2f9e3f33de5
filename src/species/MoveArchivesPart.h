#pragma once

#include "species/DocumentPart.h"
#include "species/MoveArchives.h"

namespace quillmark::species {

// One species' level-up list and evolution slots as the Moves window shows them.
struct SpeciesMoves {
    LevelUpMoves levelUp;
    Evolutions evolutions;
    std::int64_t freeBytes = 0;  // after the level-up archive, for longer lists
    // Why the level-up lists cannot be used (they are empty then); the evolutions can.
    std::optional<SpeciesError> levelUpDamage;
};

// The level-up lists and evolution slots, keyed by member of their archives (a form's
// member is not its list index).
class MoveArchivesPart final : public DocumentPart {
public:
    using Value = MoveArchives;
    const Value* value() const { return m_archives ? &*m_archives : nullptr; }

    void forget() override { m_archives.reset(); }
    // Shows the species when its lists and slots can be read.
    Result<bool, SpeciesError> load(PartSource& source, int listIndex, SpeciesLoad& load) override;
    void showSpecies(int listIndex, SpeciesLoad& load) const override;
    void takeSpeciesEdits(int listIndex, const SpeciesChanges& changes, DocumentEdits& edits) const override;
    Result<Done, SpeciesError> plan(const DocumentEdits& edits, WritePlan& plan) const override;
    std::vector<std::string> comparedParts() const override;
    bool holdsTable() const override;
    void compareRecord(const DocumentPart& before, const RecordToCompare& record,
                       std::vector<RomChange>& changes) const override;
    void comparedBytes(const DocumentPart& before, std::vector<ComparedBytes>& bytes) const override;
    std::vector<const TableSheet*> sheets() const override;
    void notComparable(const std::string& path, std::vector<UncomparedTable>& uncompared) const override;

protected:
    Result<Done, SpeciesError> readTable(PartSource& source) override;

private:
    std::optional<Value> m_archives;
    rom::Game m_game = rom::Game::Diamond;  // whose limits an edit is judged by
    std::shared_ptr<const Vocabulary> m_words;  // what its messages call a species
};

} // namespace quillmark::species
