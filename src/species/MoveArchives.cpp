#include "species/MoveArchives.h"

#include "platform/FileServices.h"
#include "rom/LittleEndian.h"
#include "rom/ArchiveFile.h"
#include "rom/Narc.h"
#include "species/LookupLists.h"
#include "species/Quantity.h"
#include "species/SpeciesTableLocator.h"

#include <algorithm>
#include <array>

namespace quillmark::species {

namespace {

Result<rom::ArchiveFile, SpeciesError> readArchive(platform::OpenFile& file, const rom::NitroFs& fs,
                                                   std::string_view path)
{
    auto archive = rom::readArchiveFile(file, fs, path);
    if (!archive)
        return speciesErrorOf(archive.error());
    return std::move(*archive);
}

} // namespace

MoveArchivePaths moveArchivePaths(std::string_view gameCode)
{
    if (gameCode.starts_with("IPK") || gameCode.starts_with("IPG"))
        return {"a/0/3/3", "a/0/3/4"};
    return {"poketool/personal/wotbl.narc", "poketool/personal/evo.narc"};
}

Result<MoveArchives, SpeciesError> readMoveArchives(platform::OpenFile& file, std::string_view gameCode)
{
    auto fs = rom::NitroFs::read(file);
    if (!fs)
        return speciesErrorOf(fs.error());
    return readMoveArchives(file, *fs, gameCode);
}

Result<MoveArchives, SpeciesError> readMoveArchives(platform::OpenFile& file, const rom::NitroFs& fs,
                                                    std::string_view gameCode)
{
    const auto paths = moveArchivePaths(gameCode);
    auto levelUp = readArchive(file, fs, paths.levelUp);
    if (!levelUp)
        return levelUp.error();
    auto evolution = readArchive(file, fs, paths.evolutions);
    if (!evolution)
        return evolution.error();

    MoveArchives read;
    // The members must lie back to back to the end of the archive's data, as the games'
    // own tools write them: then a longer list can shift the ones after it. A damage
    // here stops only the level-up lists: the evolutions and the records are read and
    // written without them.
    const std::string where(paths.levelUp);
    if (levelUp->narc.memberCount() == 0)
        return tableNotFound(where + " holds no level-up moves");
    if (!levelUp->membersBackToBack())
        read.levelUpDamage = "the members of " + where + " do not lie back to back up to its end";
    for (int k = 0; k < levelUp->narc.memberCount(); ++k) {
        auto moves = decodeLevelUpMoves(levelUp->memberBytes(k));
        if (!moves && !read.levelUpDamage)
            read.levelUpDamage = memberLabel(k) + "'s level-up list in " + where + " has no end mark";
        read.levelUpMoves.push_back(moves.value_or(LevelUpMoves{}));
    }
    if (read.levelUpDamage)
        for (auto& list : read.levelUpMoves)
            list.clear();

    for (int k = 0; k < evolution->narc.memberCount(); ++k) {
        auto slots = decodeEvolutions(evolution->memberBytes(k));
        if (!slots)
            return tableNotFound(memberLabel(k) + "'s evolutions in " + std::string(paths.evolutions) + " are " +
                            quantity(evolution->narc.member(k).size(), "byte") + " long, not " +
                            std::to_string(kEvolutionMemberSize));
        read.evolutions.push_back(*slots);
        read.evolutionMembers.push_back(evolution->narc.member(k).start);
    }

    // Room to grow: up to the next file, the next of the header's regions, or the end.
    std::array<std::uint8_t, rom::kHeaderWordsEnd> header{};
    if (auto got = file.read(0, header); !got)
        return SpeciesError{SpeciesFailure::FileUnavailable, got.error()};
    read.levelUpRoomEnd = rom::roomEnd(fs, header, levelUp->extent);
    read.headerWords.assign(header.begin(), header.end());
    read.allocationTable = fs.allocationTable();
    read.allocationTableOffset = fs.allocationTableOffset();
    read.imageSize = file.size();
    read.levelUpArchive = std::move(*levelUp);
    read.evolutionArchive = std::move(*evolution);
    return read;
}

Result<Done, SpeciesError> MoveArchives::levelUpReadable() const
{
    if (levelUpDamage)
        return SpeciesError{SpeciesFailure::LevelUpMovesDamaged, std::nullopt, 0, *levelUpDamage};
    return Done{};
}

Result<std::vector<std::uint8_t>, SpeciesError> editedLevelUpArchive(const MoveArchives& read,
                                                                     const MoveEdits& edits,
                                                                     rom::Game game)
{
    const int members = static_cast<int>(read.levelUpMoves.size());
    const bool listsChange = std::any_of(edits.levelUp.begin(), edits.levelUp.end(), [&](const auto& edit) {
        return edit.first < 0 || edit.first >= members || edit.second != read.levelUpMoves[static_cast<std::size_t>(edit.first)];
    });
    if (listsChange) {
        if (auto readable = read.levelUpReadable(); !readable)
            return readable.error();
    }
    for (const auto& [member, moves] : edits.levelUp) {
        if (member < 0 || member >= members)
            return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0,
                                "the level-up archive has no list for " + memberLabel(member)};
        // Only a list that changes is judged: what is stored stays as it is.
        if (moves == read.levelUpMoves[static_cast<std::size_t>(member)])
            continue;
        if (auto problem = levelUpMovesProblem(moves))
            return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0, memberLabel(member) + ": " + *problem};
    }
    for (const auto& [member, slots] : edits.evolutions) {
        if (member < 0 || member >= static_cast<int>(read.evolutions.size()))
            return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0,
                                "the evolution archive has no slots for " + memberLabel(member)};
        if (slots == read.evolutions[static_cast<std::size_t>(member)])
            continue;
        if (auto problem = evolutionsProblem(slots, game))
            return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0, memberLabel(member) + ": " + *problem};
    }

    // No list changes: the archive stays byte for byte as it is.
    if (!listsChange)
        return read.levelUpArchive.bytes;
    // An edited list encoded anew, the others as they are (their bytes need not be as
    // this program would write them).
    std::map<int, std::vector<std::uint8_t>> replaced;
    for (const auto& [member, moves] : edits.levelUp) {
        if (moves != read.levelUpMoves[static_cast<std::size_t>(member)])
            replaced[member] = encodeLevelUpMoves(moves);
    }
    const auto archive = rom::archiveWithMembers(read.levelUpArchive, replaced);

    const auto room = read.levelUpRoomEnd - read.levelUp().start;
    if (static_cast<std::int64_t>(archive.size()) > room) {
        // In the words of the species changed, and in moves: each entry takes 2 bytes.
        std::string changed;
        int named = 0;
        for (const auto& [member, moves] : edits.levelUp) {
            if (moves == read.levelUpMoves[static_cast<std::size_t>(member)])
                continue;
            if (named++ < 3)
                changed += (changed.empty() ? "" : ", ") + memberLabel(member);
        }
        if (named > 3)
            changed += " and " + std::to_string(named - 3) + " more";
        const auto over = static_cast<std::int64_t>(archive.size()) - room;
        return SpeciesError{SpeciesFailure::NoRoomForMoves, std::nullopt, 0,
                            "the level-up moves of " + changed + " need " + quantity(over, "byte") +
                                " more than this ROM has room for (about " + quantity((over + 1) / 2, "move") +
                                "): the level-up archive would need " +
                                quantity(static_cast<std::int64_t>(archive.size()), "byte") + ", and the ROM gives it " +
                                std::to_string(room) + " (" + std::to_string(read.freeBytes()) + " free after its " +
                                std::to_string(read.levelUp().size()) + "), " + quantity(over, "byte") + " too few"};
    }
    return archive;
}

Result<Done, SpeciesError> checkMoveArchivesUnchanged(platform::OpenFile& file, const MoveArchives& read)
{
    auto same = [&](std::int64_t at, const std::vector<std::uint8_t>& expected) {
        std::vector<std::uint8_t> now(expected.size());
        return file.read(at, now) && now == expected;
    };
    // The archives, and all that decided how far the level-up one may grow: another
    // program that moved a file into its room, or a table of the header, moved the end.
    if (file.size() != read.imageSize || !same(0, read.headerWords) ||
        !same(read.allocationTableOffset, read.allocationTable) || !same(read.levelUp().start, read.levelUpArchive.bytes) ||
        !same(read.evolution().start, read.evolutionArchive.bytes))
        return SpeciesError{SpeciesFailure::RomChanged};
    return Done{};
}

Result<Done, SpeciesError> writeCheckedMoveEdits(platform::OpenFile& file, const MoveArchives& read,
                                                 const MoveEdits& edits,
                                                 const std::vector<std::uint8_t>& levelUpArchive)
{
    auto write = [&](std::int64_t at, std::span<const std::uint8_t> bytes) -> Result<Done, SpeciesError> {
        if (bytes.empty())
            return Done{};
        if (auto written = file.write(at, bytes); !written)
            return SpeciesError{SpeciesFailure::WriteFailed, written.error(), 0};
        return Done{};
    };

    // The level-up archive: each run of bytes that differ from what lay there (a
    // longer archive also the bytes past its old end), runs a few equal bytes apart
    // written as one. Data, member table and sizes go before the file table's end.
    const auto& old = read.levelUpArchive.bytes;
    const auto& now = levelUpArchive;
    const std::span<const std::uint8_t> sizeWord = std::span(now).subspan(rom::kNarcSizeWord, 4);
    auto differs = [&](std::size_t i) { return i >= old.size() || now[i] != old[i]; };
    const bool rewritten = now != old;
    if (rewritten) {
        const std::uint8_t halfWritten[4] = {0, 0, 0, 0};
        if (auto done = write(read.levelUp().start + static_cast<std::int64_t>(rom::kNarcSizeWord), halfWritten); !done)
            return done;
    }
    constexpr std::size_t kJoin = 16;
    // The runs start after the size word: what lies before it (the magic, the byte
    // order mark) never changes.
    for (std::size_t i = rom::kNarcSizeWord + 4; i < now.size();) {
        if (!differs(i)) {
            ++i;
            continue;
        }
        std::size_t end = i + 1, equal = 0;
        for (std::size_t j = end; j < now.size() && equal < kJoin; ++j) {
            if (differs(j)) {
                end = j + 1;
                equal = 0;
            } else {
                ++equal;
            }
        }
        if (auto done = write(read.levelUp().start + static_cast<std::int64_t>(i), std::span(now).subspan(i, end - i)); !done)
            return done;
        i = end;
    }
    if (now.size() != old.size()) {
        std::vector<std::uint8_t> end(4);
        rom::putLe32(end, 0, static_cast<std::uint32_t>(read.levelUp().start + static_cast<std::int64_t>(now.size())));
        if (auto done = write(read.levelUpFatEntry() + 4, end); !done)
            return done;
    }
    if (rewritten) {
        if (auto done = write(read.levelUp().start + static_cast<std::int64_t>(rom::kNarcSizeWord), sizeWord); !done)
            return done;
    }

    for (const auto& [member, slots] : edits.evolutions) {
        if (slots == read.evolutions[static_cast<std::size_t>(member)])
            continue;
        const auto bytes = encodeEvolutionSlots(slots);
        if (auto done = write(read.evolutionMembers[static_cast<std::size_t>(member)], bytes); !done)
            return done;
    }
    return Done{};
}

} // namespace quillmark::species
