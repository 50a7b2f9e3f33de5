#include "species/MoveArchivesPart.h"

#include "species/DocumentParts.h"

#include "species/ListChanges.h"
#include "species/LookupLists.h"
#include "species/SheetTexts.h"

namespace quillmark::species {

Result<Done, SpeciesError> MoveArchivesPart::readTable(PartSource& source)
{
    m_game = source.game();
    m_words = source.words();
    auto fs = source.fileSystem();
    if (!fs)
        return fs.error();
    auto layout = source.layout();
    if (!layout)
        return layout.error();
    auto read = readMoveArchives(source.file(), **fs, **layout, source.rom().gameCode, *m_words);
    if (!read)
        return read.error();
    m_archives = std::move(*read);
    return Done{};
}

Result<bool, SpeciesError> MoveArchivesPart::load(PartSource& source, int listIndex, SpeciesLoad& load)
{
    (void)read(source);
    showSpecies(listIndex, load);
    return load.moves && *load.moves;
}

void MoveArchivesPart::showSpecies(int listIndex, SpeciesLoad& load) const
{
    if (!m_archives) {
        load.moves = readError().value_or(SpeciesError{SpeciesFailure::RomChanged});
        return;
    }
    const auto member = static_cast<std::size_t>(memberOfRecord(listIndex));
    if (member >= m_archives->levelUpMoves.size() || member >= m_archives->evolutions.size()) {
        load.moves = tableNotFound("its level-up and evolution archives hold nothing for " + m_words->recordLabel(listIndex));
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
    const auto& read = *m_archives;
    auto archive = editedLevelUpArchive(read, edits.moves, m_game, *m_words);
    if (!archive)
        return archive.error();
    // Only what differs is written: an edit equal to what was read leaves its bytes.
    WriteStep step;
    for (const auto& [member, slots] : edits.moves.evolutions) {
        const auto k = static_cast<std::size_t>(member);
        if (slots == read.evolutions[k])
            continue;
        const auto bytes = encodeEvolutionSlots(slots);
        for (auto& run : rom::differingRuns(read.evolutionMembers[k], read.evolutionArchive.memberBytes(member), bytes))
            step.runs.push_back(std::move(run));
    }
    if (archive->bytes != read.levelUpArchive.bytes || archive->placement.usedSize)
        step.rewrite = FileRewrite{"the level-up archive", read.levelUp(), read.levelUpArchive.bytes, read.levelUpFatEntry(),
                                   std::move(archive->bytes), std::move(archive->placement)};
    if (!step.rewrite && step.runs.empty())
        return Done{};
    // Both archives, and all that decided how far the level-up one may grow: another
    // program that moved a file into its room, or a table of the header, moved the end.
    step.owner = this;
    step.expected = {{read.levelUp().start, read.levelUpArchive.bytes}, {read.evolution().start, read.evolutionArchive.bytes}};
    step.layout = &read.layout;
    step.progressFrom = kFieldCount;
    plan.steps.push_back(std::move(step));
    return Done{};
}

namespace {

std::string slotText(const EvolutionSlot& slot, rom::Game game, const Vocabulary& words)
{
    if (slot.method == 0 && slot.parameter == 0 && slot.target == 0)
        return "None";
    std::string text = methodText(slot.method);
    if (const auto parameter = parameterText(slot, game, words); !parameter.empty())
        text += " / " + parameter;
    return text + " / " + memberText(slot.target, words);
}

} // namespace

std::vector<std::string> MoveArchivesPart::comparedParts() const { return {"learnset", "evolutions"}; }

bool MoveArchivesPart::holdsTable() const { return m_archives.has_value(); }

void MoveArchivesPart::notComparable(const std::string& path, std::vector<UncomparedTable>& uncompared) const
{
    // The evolutions are compared all the same.
    if (m_archives && m_archives->levelUpDamage)
        uncompared.push_back({"learnset", path + ": " + *m_archives->levelUpDamage});
}

void MoveArchivesPart::compareRecord(const DocumentPart& before, const RecordToCompare& record,
                                     std::vector<RomChange>& changes) const
{
    const auto& was = *static_cast<const MoveArchivesPart&>(before).m_archives;
    const auto& now = *m_archives;
    const auto member = static_cast<std::size_t>(memberOfRecord(record.base.index));
    auto base = record.base;
    if (!was.levelUpDamage && !now.levelUpDamage && member < was.levelUpMoves.size() &&
        member < now.levelUpMoves.size()) {
        base.part = "learnset";
        compareLists(was.levelUpMoves[member], now.levelUpMoves[member],
                     [](const LevelUpMove& entry) { return std::to_string(entry.level) + " " + moveText(entry.move); },
                     base, changes);
    }
    if (member >= was.evolutions.size() || member >= now.evolutions.size())
        return;
    const auto& slotsWere = was.evolutions[member];
    const auto& slotsAre = now.evolutions[member];
    for (std::size_t slot = 0; slot < slotsWere.size(); ++slot) {
        if (slotsWere[slot] != slotsAre[slot])
            changes.push_back({base.index, base.dex, base.name, "evolutions", "slot " + std::to_string(slot + 1),
                               slotText(slotsWere[slot], record.game, record.words),
                               slotText(slotsAre[slot], record.game, record.words)});
    }
}

void MoveArchivesPart::comparedBytes(const DocumentPart& before, std::vector<ComparedBytes>& bytes) const
{
    // The level-up archive only where both lists were compared: else it is a file like
    // any other.
    const auto& other = static_cast<const MoveArchivesPart&>(before).m_archives;
    if (!m_archives->levelUpDamage && !other->levelUpDamage)
        bytes.push_back({m_archives->levelUpPath()});
    bytes.push_back({m_archives->evolutionPath()});
}

} // namespace quillmark::species
