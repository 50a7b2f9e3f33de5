#include "species/MoveArchivesPart.h"

#include "species/LookupLists.h"

namespace quillmark::species {

Result<Done, SpeciesError> MoveArchivesPart::readTable(PartSource& source)
{
    m_game = source.game();
    auto fs = source.fileSystem();
    if (!fs)
        return fs.error();
    auto read = readMoveArchives(source.file(), **fs, source.rom().gameCode);
    if (!read)
        return read.error();
    m_archives = std::move(*read);
    return Done{};
}

void MoveArchivesPart::showSpecies(int listIndex, SpeciesLoad& load) const
{
    if (!m_archives) {
        load.moves = readError().value_or(SpeciesError{SpeciesFailure::RomChanged});
        return;
    }
    const auto member = static_cast<std::size_t>(memberOfRecord(listIndex));
    if (member >= m_archives->levelUpMoves.size() || member >= m_archives->evolutions.size()) {
        load.moves = tableNotFound("its level-up and evolution archives hold nothing for " + recordLabel(listIndex));
        return;
    }
    SpeciesMoves moves{m_archives->levelUpMoves[member], m_archives->evolutions[member], m_archives->growthRoom(),
                       std::nullopt};
    if (auto readable = m_archives->levelUpReadable(); !readable)
        moves.levelUpDamage = readable.error();
    load.moves = std::move(moves);
}

void MoveArchivesPart::takeSpeciesEdits(int listIndex, const SpeciesChanges& changes, DocumentEdits& edits) const
{
    if (!m_archives)
        return;
    const int member = memberOfRecord(listIndex);
    const auto k = static_cast<std::size_t>(member);
    if (changes.levelUp && k < m_archives->levelUpMoves.size() && *changes.levelUp != m_archives->levelUpMoves[k])
        edits.moves.levelUp[member] = *changes.levelUp;
    if (changes.evolutions && k < m_archives->evolutions.size() && *changes.evolutions != m_archives->evolutions[k])
        edits.moves.evolutions[member] = *changes.evolutions;
}

Result<Done, SpeciesError> MoveArchivesPart::plan(const DocumentEdits& edits, WritePlan& plan) const
{
    if (edits.moves.empty())
        return Done{};
    if (!m_archives)
        return SpeciesError{SpeciesFailure::RomChanged};
    auto archive = editedLevelUpArchive(*m_archives, edits.moves, m_game);
    if (!archive)
        return archive.error();
    plan.levelUp = std::move(*archive);
    plan.movesRead = &*m_archives;
    // Only what differs is written: an edit equal to what was read leaves its bytes.
    for (const auto& [member, moves] : edits.moves.levelUp) {
        if (moves != m_archives->levelUpMoves[static_cast<std::size_t>(member)])
            plan.moves.levelUp[member] = moves;
    }
    for (const auto& [member, slots] : edits.moves.evolutions) {
        if (slots != m_archives->evolutions[static_cast<std::size_t>(member)])
            plan.moves.evolutions[member] = slots;
    }
    return Done{};
}

void MoveArchivesPart::written(const WritePlan& plan, bool)
{
    // What lies in the archives now is no longer what was read: read them again.
    if (plan.writesMoves())
        m_archives.reset();
}

} // namespace quillmark::species
