#include "species/MoveTutors.h"

#include "platform/FileServices.h"
#include "rom/ArchiveFile.h"
#include "rom/LittleEndian.h"
#include "rom/OverlayTable.h"
#include "species/SpeciesTableLocator.h"
#include "species/MoveNames.h"
#include "species/LookupLists.h"

#include <algorithm>

namespace quillmark::species {

namespace {

constexpr const char* kPlatinumPlaces[] = {"Route 212", "Survival Area", "Snowpoint City"};
constexpr const char* kHeartGoldTutors[] = {"Battle Frontier, top left", "Battle Frontier, top right",
                                            "Battle Frontier, bottom right", "Headbutt tutor"};
constexpr int kSpeciesRecords = 493;
// The forms' records follow the species, in the order of the species archive's form
// members (list indices 495 on: Deoxys Attack ... Rotom Mow).
constexpr int kFirstFormListIndex = 495;

bool isMove(unsigned move) { return move >= 1 && move < kMoveCount; }

} // namespace

std::optional<TutorLayout> tutorLayoutOf(rom::Game game)
{
    switch (game) {
    case rom::Game::Platinum: return TutorLayout{38, 12, 5};
    case rom::Game::HeartGold:
    case rom::Game::SoulSilver: return TutorLayout{52, 4, 8};
    case rom::Game::Diamond:
    case rom::Game::Pearl: break;
    }
    return std::nullopt;
}

std::optional<int> tutorRecordOf(int listIndex)
{
    if (listIndex >= 0 && listIndex < kSpeciesRecords)
        return listIndex;
    if (listIndex >= kFirstFormListIndex && listIndex < kFirstFormListIndex + (kTutorRecords - kSpeciesRecords))
        return listIndex - kFirstFormListIndex + kSpeciesRecords;
    return std::nullopt;
}

int listIndexOfTutorRecord(int record)
{
    return record < kSpeciesRecords ? record : record - kSpeciesRecords + kFirstFormListIndex;
}

std::optional<std::vector<TutorMove>> decodeTutorMoves(std::span<const std::uint8_t> bytes, rom::Game game)
{
    const auto layout = tutorLayoutOf(game);
    if (!layout || bytes.size() < static_cast<std::size_t>(layout->moves * layout->entrySize))
        return std::nullopt;
    std::vector<TutorMove> moves;
    for (int i = 0; i < layout->moves; ++i) {
        const auto at = static_cast<std::size_t>(i * layout->entrySize);
        const auto move = rom::le16(bytes, at);
        if (!isMove(move))
            return std::nullopt;
        std::string teacher;
        if (game == rom::Game::Platinum) {
            const auto place = rom::le32(bytes, at + 8);
            if (place > 2)
                return std::nullopt;
            teacher = std::string(kPlatinumPlaces[place]) + ": " + std::to_string(bytes[at + 2]) + " Red, " +
                      std::to_string(bytes[at + 3]) + " Blue, " + std::to_string(bytes[at + 4]) + " Yellow, " +
                      std::to_string(bytes[at + 5]) + " Green Shards";
        } else {
            const auto tutor = bytes[at + 3];
            if (tutor > 3)
                return std::nullopt;
            teacher = std::string(kHeartGoldTutors[tutor]) + ": " + std::to_string(bytes[at + 2]) + " BP";
        }
        moves.push_back({static_cast<int>(move), std::move(teacher)});
    }
    return moves;
}

std::optional<std::size_t> findTutorMoves(std::span<const std::uint8_t> image, rom::Game game, int* found)
{
    const auto layout = tutorLayoutOf(game);
    std::optional<std::size_t> at;
    int matches = 0;
    if (layout) {
        const auto list = static_cast<std::size_t>(layout->moves * layout->entrySize);
        const auto records = game == rom::Game::Platinum ? static_cast<std::size_t>(kTutorRecords * layout->recordSize) : 0;
        for (std::size_t k = 0; k + list + records <= image.size(); k += 2) {
            if (!decodeTutorMoves(image.subspan(k), game))
                continue;
            if (records) {
                // The records follow at once; in each the bits past move 38 are clear.
                bool fits = true;
                for (int r = 0; r < kTutorRecords && fits; ++r)
                    fits = (image[k + list + static_cast<std::size_t>(r * layout->recordSize + 4)] & 0xC0) == 0;
                if (!fits)
                    continue;
            }
            ++matches;
            at = k;
            k += list - 2;
        }
    }
    if (found)
        *found = matches;
    return matches == 1 ? at : std::nullopt;
}

bool TutorCompatibility::learns(int record, int move) const
{
    const auto at = static_cast<std::size_t>(record * recordSize + move / 8);
    return at < bytes.size() && (bytes[at] >> (move % 8) & 1);
}

std::vector<int> TutorCompatibility::movesOf(int record) const
{
    std::vector<int> list;
    for (int move = 0; move < moves; ++move) {
        if (learns(record, move))
            list.push_back(move);
    }
    return list;
}

std::vector<std::uint8_t> editedTutorCompatibility(const TutorCompatibility& compatibility,
                                                   const std::map<int, std::vector<int>>& edits)
{
    auto bytes = compatibility.bytes;
    for (const auto& [record, list] : edits) {
        for (int move = 0; move < compatibility.moves; ++move) {
            const auto at = static_cast<std::size_t>(record * compatibility.recordSize + move / 8);
            const auto bit = static_cast<std::uint8_t>(1u << (move % 8));
            if (std::find(list.begin(), list.end(), move) != list.end())
                bytes[at] |= bit;
            else
                bytes[at] &= static_cast<std::uint8_t>(~bit);
        }
    }
    return bytes;
}

Result<std::optional<MoveTutorTables>, SpeciesError> readMoveTutors(platform::OpenFile& file, const rom::NitroFs& fs,
                                                                     rom::Game game,
                                                                     const std::vector<rom::OverlayEntry>* overlays)
{
    const auto layout = tutorLayoutOf(game);
    if (!layout)
        return std::optional<MoveTutorTables>{};
    MoveTutorTables tables;
    tables.compatibility.recordSize = layout->recordSize;
    tables.compatibility.moves = layout->moves;
    const auto recordBytes = static_cast<std::size_t>(kTutorRecords * layout->recordSize);
    const auto listBytes = static_cast<std::size_t>(layout->moves * layout->entrySize);
    // The list: overlay 5 (Platinum) or overlay 1 (HeartGold, SoulSilver), decompressed.
    const std::uint32_t overlayId = game == rom::Game::Platinum ? 5 : 1;
    auto overlay = rom::readOverlay(file, fs, overlayId, overlays);
    if (!overlay)
        return speciesErrorOf(overlay.error());
    int matches = 0;
    const auto at = findTutorMoves(overlay->image, game, &matches);
    const auto name = "overlay " + std::to_string(overlayId);
    if (!at)
        return tableNotFound(matches == 0 ? "the move tutor list was not found in " + name
                                          : name + " holds " + std::to_string(matches) +
                                                " runs that read as the move tutor list, so which one the game reads "
                                                "cannot be told");
    tables.moves = *decodeTutorMoves(std::span(overlay->image).subspan(*at), game);
    if (game == rom::Game::Platinum) {
        const auto start = *at + listBytes;
        tables.compatibility.bytes.assign(overlay->image.begin() + static_cast<std::ptrdiff_t>(start),
                                          overlay->image.begin() + static_cast<std::ptrdiff_t>(start + recordBytes));
        tables.compatibilityOffset = overlay->extent.start + static_cast<std::int64_t>(start);
        tables.where = name;
        tables.writable = overlay->writable();
        tables.readOnlyReason = overlay->readOnlyReason();
        return std::optional<MoveTutorTables>{std::move(tables)};
    }
    // HeartGold and SoulSilver: the records are a file of their own, of one size.
    tables.where = std::string(kTutorCompatibilityPath);
    auto extent = fs.find(kTutorCompatibilityPath);
    if (!extent)
        return speciesErrorOf(extent.error());
    if (extent->size() != static_cast<std::int64_t>(recordBytes))
        return tableNotFound(tables.where + " is " + std::to_string(extent->size()) + " bytes long, not the " +
                             std::to_string(recordBytes) + " the games require");
    if (const auto other = fs.overlappingFile(*fs.fileId(kTutorCompatibilityPath)))
        return tableNotFound(tables.where + " shares its bytes with " + fs.describeFile(*other));
    tables.compatibility.bytes.resize(recordBytes);
    if (auto got = file.read(extent->start, tables.compatibility.bytes); !got)
        return SpeciesError{SpeciesFailure::FileUnavailable, got.error()};
    tables.compatibilityOffset = extent->start;
    return std::optional<MoveTutorTables>{std::move(tables)};
}

} // namespace quillmark::species
