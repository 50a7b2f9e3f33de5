#include "species/EggMoves.h"

#include "platform/FileServices.h"
#include "rom/ArchiveFile.h"
#include "rom/LittleEndian.h"
#include "rom/OverlayTable.h"
#include "rom/RomIdentification.h"
#include "species/SpeciesTableLocator.h"
#include "species/LookupLists.h"
#include "species/SpeciesRecord.h"
#include "platform/Quantity.h"

namespace quillmark::species {

namespace {

constexpr int kDiamondPearlPlatinumBound = 1909, kHeartGoldSoulSilverBound = 2045;

bool isMarker(unsigned word) { return word > kEggMoveMarkerBase && word <= kEggMoveMarkerBase + kSpeciesCount; }
// A word the game takes into a table before its end mark: a marker, or what it would
// copy as a move (hacks add moves past 467; damage leaves 0 or 468).
constexpr unsigned kLastMoveOfAnyHack = 1023;
bool tableWord(unsigned word) { return isMarker(word) || word <= kLastMoveOfAnyHack; }


} // namespace

int eggMoveBound(bool heartGoldSoulSilver)
{
    return heartGoldSoulSilver ? kHeartGoldSoulSilverBound : kDiamondPearlPlatinumBound;
}

int EggMoveTable::usedWords() const
{
    int used = 1;  // the end mark
    for (const auto& [dex, list] : moves)
        used += 1 + static_cast<int>(list.size());
    return used;
}

std::optional<EggMoveTable> decodeEggMoveTable(std::span<const std::uint8_t> bytes, int bound, const Vocabulary& words,
                                               std::string* why)
{
    auto refuse = [&](std::string reason) -> std::optional<EggMoveTable> {
        if (why)
            *why = std::move(reason);
        return std::nullopt;
    };
    const auto count = static_cast<std::size_t>(bound) + 1;
    if (bytes.size() < count * 2)
        return refuse("it is shorter than its " + std::to_string(count) + " words");
    EggMoveTable table;
    table.bound = bound;
    for (std::size_t k = 0; k < count; ++k)
        table.words.push_back(static_cast<std::uint16_t>(rom::le16(bytes, 2 * k)));
    if (!isMarker(table.words[0]))
        return refuse("its first word is no species marker");
    int dex = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const unsigned word = table.words[k];
        if (word == kEggMoveEnd)
            return table;
        if (isMarker(word)) {
            const int next = static_cast<int>(word - kEggMoveMarkerBase);
            if (next <= dex)
                return refuse(words.recordLabel(speciesOfDex(next)) + "'s marker at word " + std::to_string(k) + " comes after " +
                              words.recordLabel(speciesOfDex(dex)) + "'s: the species are not in rising order");
            if (k >= static_cast<std::size_t>(bound))
                return refuse(words.recordLabel(speciesOfDex(next)) + "'s marker lies past the games' bound of " + std::to_string(bound) +
                              " words");
            dex = next;
            table.moves[dex];
            continue;
        }
        if (word < 1 || word > kLastEggMove)
            return refuse("word " + std::to_string(k) + (dex ? " (in " + words.recordLabel(speciesOfDex(dex)) + "'s list)" : std::string()) +
                          " holds " + std::to_string(word) + ", neither a move of these games nor a species marker");
        auto& list = table.moves[dex];
        if (static_cast<int>(list.size()) >= kMaxEggMoves)
            return refuse(words.recordLabel(speciesOfDex(dex)) + " has more than 16 egg moves");
        list.push_back(static_cast<int>(word));
    }
    return refuse("it has no end mark within its " + std::to_string(count) + " words");
}

EggTableSearch findEggMoveTable(std::span<const std::uint8_t> image, int bound, const Vocabulary& words)
{
    const std::size_t length = (static_cast<std::size_t>(bound) + 1) * 2;
    auto word = [&](std::size_t k) { return static_cast<unsigned>(rom::le16(image, k)); };
    struct Run {
        std::size_t start;
        int markers;
        std::optional<EggMoveTable> table;
        std::string why;
    };
    std::vector<Run> runs;
    for (std::size_t k = 0; k + 4 <= image.size(); k += 2) {
        // A table starts with a marker, and a move follows it.
        if (!isMarker(word(k)) || isMarker(word(k + 2)) || !tableWord(word(k + 2)))
            continue;
        // The whole run as the game would read it: markers and what it would take as
        // moves, up to the end mark. No table starts inside it: a damaged table is
        // refused whole rather than re-framed from a later marker.
        std::size_t end = k;
        int markers = 0;
        while (end + 2 <= image.size() && tableWord(word(end))) {
            markers += isMarker(word(end));
            end += 2;
        }
        const bool ended = end + 2 <= image.size() && word(end) == kEggMoveEnd;
        if (ended) {
            Run run{k, markers, std::nullopt, {}};
            const auto available = std::min(image.size(), k + length);
            std::vector<std::uint8_t> bytes(image.begin() + static_cast<std::ptrdiff_t>(k),
                                            image.begin() + static_cast<std::ptrdiff_t>(available));
            if (bytes.size() < length)
                run.why = "it runs past the end of the overlay";
            else
                run.table = decodeEggMoveTable(bytes, bound, words, &run.why);
            runs.push_back(std::move(run));
        }
        k = end;
    }
    EggTableSearch search;
    if (runs.empty())
        return search;
    // The real table holds a marker for every species with egg moves; a run in the
    // overlay's code that merely looks like one holds a marker or two.
    const auto most = std::max_element(runs.begin(), runs.end(),
                                       [](const Run& a, const Run& b) { return a.markers < b.markers; });
    search.runs = static_cast<int>(std::count_if(runs.begin(), runs.end(), [&](const Run& run) {
        return run.markers == most->markers && run.table;
    }));
    if (!most->table) {
        search.damage = most->why;
        return search;
    }
    if (search.runs == 1)
        search.at = most->start;
    return search;
}

Result<std::vector<std::uint16_t>, SpeciesError> editedEggMoveTable(const EggMoveTable& table, const EggMoves& edits,
                                                                   const Vocabulary& names)
{
    auto invalid = [](std::string why) { return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0, std::move(why)}; };
    EggMoves moves = table.moves;
    for (const auto& [dex, list] : edits) {
        if (dex < 1 || dex > kSpeciesCount)
            return invalid("species " + std::to_string(dex) + " has no egg moves: only the 493 species do");
        if (list == moves[dex])
            continue;
        if (static_cast<int>(list.size()) > kMaxEggMoves)
            return invalid(names.recordLabel(speciesOfDex(dex)) + ": " + std::to_string(list.size()) +
                           " egg moves; the games read at most 16");
        for (const int move : list) {
            if (move < 1 || move > kLastEggMove)
                return invalid(names.recordLabel(speciesOfDex(dex)) + ": move " + std::to_string(move) + " is no move of these games");
        }
        moves[dex] = list;
    }
    // In the stored order of species (which is dex order in every game): the lists as
    // they are, edited ones replaced, emptied ones left out.
    std::vector<std::uint16_t> words;
    for (const auto& [dex, list] : moves) {
        if (list.empty())
            continue;
        words.push_back(static_cast<std::uint16_t>(kEggMoveMarkerBase + dex));
        for (const int move : list)
            words.push_back(static_cast<std::uint16_t>(move));
    }
    words.push_back(kEggMoveEnd);
    const auto room = table.words.size();
    if (words.size() > room) {
        const auto over = words.size() - room;
        return SpeciesError{SpeciesFailure::NoRoomForMoves, std::nullopt, 0,
                            "the egg move table would need " + platform::quantity(static_cast<std::int64_t>(words.size()), "word") +
                                " and the games read " + std::to_string(room) + " (" +
                                platform::quantity(table.freeWords(), "word") + " free): remove " +
                                platform::quantity(static_cast<std::int64_t>(over), "egg move") + " elsewhere to add these"};
    }
    // The games search every word up to the bound for a species' marker, past the end
    // mark too: what a shorter table leaves behind becomes end marks, never a stale
    // marker that would bring back a species' old moves.
    words.resize(room, kEggMoveEnd);
    return words;
}

Result<EggMoveTableFile, SpeciesError> readEggMoveTable(platform::OpenFile& file, const rom::NitroFs& fs,
                                                        std::string_view gameCode, const Vocabulary& words,
                                                        const std::vector<rom::OverlayEntry>* overlays)
{
    const auto* edition = rom::findEdition(gameCode);
    if (!edition)
        return SpeciesError{SpeciesFailure::UnsupportedRom};
    const bool heartGold = edition->game == rom::Game::HeartGold || edition->game == rom::Game::SoulSilver;
    const int bound = eggMoveBound(heartGold);
    EggMoveTableFile found;
    std::string why;
    if (heartGold) {
        found.where = "a/2/2/9";
        auto archive = rom::readArchiveFile(file, fs, found.where);
        if (!archive)
            return speciesErrorOf(archive.error());
        if (archive->narc.memberCount() < 1)
            return tableNotFound("a/2/2/9 holds no egg move table");
        auto table = decodeEggMoveTable(archive->memberBytes(0), bound, words, &why);
        if (!table)
            return tableNotFound("the egg move table in a/2/2/9 is damaged: " + why);
        found.table = std::move(*table);
        found.offset = archive->narc.member(0).start;
        return found;
    }
    found.where = "overlay 5";
    auto overlay = rom::readOverlay(file, fs, 5, overlays);
    if (!overlay)
        return speciesErrorOf(overlay.error());
    const auto search = findEggMoveTable(overlay->image, bound, words);
    if (search.damage)
        return tableNotFound("the egg move table in overlay 5 is damaged: " + *search.damage);
    if (!search.at)
        return tableNotFound(search.runs == 0 ? "the egg move table was not found in overlay 5"
                                              : "overlay 5 holds " + std::to_string(search.runs) +
                                                    " runs that read as an egg move table, so which one the game reads "
                                                    "cannot be told");
    const auto at = *search.at;
    const std::span<const std::uint8_t> bytes(overlay->image.data() + at, 2 * (static_cast<std::size_t>(bound) + 1));
    found.table = *decodeEggMoveTable(bytes, bound, words);
    found.writable = overlay->writable();
    found.readOnlyReason = overlay->readOnlyReason();
    found.offset = overlay->extent.start + static_cast<std::int64_t>(at);
    return found;
}

} // namespace quillmark::species
