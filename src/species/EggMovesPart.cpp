#include "species/EggMovesPart.h"

#include "species/DocumentParts.h"

#include "species/ListChanges.h"
#include "species/LookupLists.h"
#include "species/SheetTexts.h"

namespace quillmark::species {

namespace {

std::vector<std::uint8_t> wordBytes(const std::vector<std::uint16_t>& words)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(words.size() * 2);
    for (const auto word : words) {
        bytes.push_back(static_cast<std::uint8_t>(word));
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    return bytes;
}

} // namespace

Result<Done, SpeciesError> EggMovesPart::readTable(PartSource& source)
{
    auto fs = source.fileSystem();
    if (!fs)
        return fs.error();
    m_words = source.words();
    auto read = readEggMoveTable(source.file(), **fs, source.rom().gameCode, *m_words, source.overlays());
    if (!read)
        return read.error();
    m_table = std::move(*read);
    return Done{};
}

std::vector<int> EggMovesPart::movesOf(int dex) const
{
    const auto found = m_table->table.moves.find(dex);
    return found == m_table->table.moves.end() ? std::vector<int>{} : found->second;
}

void EggMovesPart::showSpecies(int listIndex, SpeciesLoad& load) const
{
    auto& shown = load.eggMoves.emplace();
    if (!m_table) {
        shown.problem = readError() ? readError()->detail : std::string();
        return;
    }
    shown.wordsFree = m_table->table.freeWords();
    shown.writable = m_table->writable;
    shown.problem = m_table->readOnlyReason;
    if (listIndex >= 0 && listIndex < kSpeciesCount)
        shown.moves = movesOf(dexOfSpecies(listIndex));
}

void EggMovesPart::takeSpeciesEdits(int listIndex, const SpeciesChanges& changes, DocumentEdits& edits) const
{
    if (!changes.eggMoves || !m_table || listIndex < 0 || listIndex >= kSpeciesCount)
        return;
    const int dex = dexOfSpecies(listIndex);
    if (*changes.eggMoves != movesOf(dex))
        edits.eggMoves[dex] = *changes.eggMoves;
}

Result<Done, SpeciesError> EggMovesPart::plan(const DocumentEdits& edits, WritePlan& plan) const
{
    if (edits.eggMoves.empty())
        return Done{};
    if (!m_table)
        return SpeciesError{SpeciesFailure::RomChanged};
    auto words = editedEggMoveTable(m_table->table, edits.eggMoves, *m_words);
    if (!words)
        return words.error();
    auto before = wordBytes(m_table->table.words), after = wordBytes(*words);
    if (before == after)
        return Done{};
    if (!m_table->writable)
        return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0,
                            "the egg moves cannot be written: " + m_table->readOnlyReason};
    plan.steps.push_back(inPlaceStep(this, m_table->offset, std::move(before), after));
    return Done{};
}

std::vector<std::string> EggMovesPart::comparedParts() const { return {"eggmoves"}; }

bool EggMovesPart::holdsTable() const { return m_table.has_value(); }

void EggMovesPart::compareRecord(const DocumentPart& before, const RecordToCompare& record,
                                 std::vector<RomChange>& changes) const
{
    // Only the species have egg moves of their own.
    if (record.base.index >= kSpeciesCount)
        return;
    auto base = record.base;
    base.part = "eggmoves";
    const int dex = dexOfSpecies(base.index);
    compareLists(static_cast<const EggMovesPart&>(before).movesOf(dex), movesOf(dex),
                 [](int move) { return moveText(move); }, base, changes);
}

void EggMovesPart::comparedBytes(const DocumentPart&, std::vector<ComparedBytes>& bytes) const
{
    bytes.push_back({m_table->where, m_table->offset, static_cast<std::int64_t>(m_table->table.words.size() * 2)});
}

} // namespace quillmark::species
