#include "species/MoveArchives.h"

#include "platform/FileServices.h"
#include "rom/LittleEndian.h"
#include "rom/ArchiveFile.h"
#include "rom/Narc.h"
#include "species/LookupLists.h"
#include "platform/Quantity.h"
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

// Some hack engines store 4-byte entries (level << 16 | move) ended by 0xFFFF 0x0000,
// which read as this game's 2-byte entries decode into level-0 garbage. A member is of
// that format when its words are such entries up to that end mark; an archive is, when
// every member is and one at least has an entry.
bool fourByteEntries(std::span<const std::uint8_t> member, bool& hasEntry)
{
    if (member.size() < 4 || member.size() % 4 != 0)
        return false;
    for (std::size_t at = 0; at + 4 <= member.size(); at += 4) {
        const auto word = rom::le32(member, at);
        if (word == 0x0000FFFF)
            return true;
        const auto level = word >> 16, move = word & 0xFFFF;
        if (level < 1 || level > 100 || move == 0)
            return false;
        hasEntry = true;
    }
    return false;
}

bool holdsFourByteEntries(const rom::ArchiveFile& archive)
{
    bool anyEntry = false;
    for (int k = 0; k < archive.narc.memberCount(); ++k) {
        if (!fourByteEntries(archive.memberBytes(k), anyEntry))
            return false;
    }
    return anyEntry;
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
    auto layout = rom::ImageLayout::read(file, fs);
    if (!layout)
        return SpeciesError{SpeciesFailure::FileUnavailable, layout.error()};
    return readMoveArchives(file, fs, *layout, gameCode, Vocabulary::builtIn());
}

Result<MoveArchives, SpeciesError> readMoveArchives(platform::OpenFile& file, const rom::NitroFs& fs,
                                                    const rom::ImageLayout& layout, std::string_view gameCode,
                                                    const Vocabulary& words)
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
    else if (holdsFourByteEntries(*levelUp))
        read.levelUpDamage = where + " holds 4-byte entries (level << 16 | move, ended by 0xFFFF 0x0000), as some "
                                     "hack engines write them, not the game's own 2-byte entries";
    for (int k = 0; k < levelUp->narc.memberCount(); ++k) {
        auto moves = decodeLevelUpMoves(levelUp->memberBytes(k));
        if (!moves && !read.levelUpDamage)
            read.levelUpDamage = words.memberLabel(k) + "'s level-up list in " + where + " has no end mark";
        read.levelUpMoves.push_back(moves.value_or(LevelUpMoves{}));
    }
    if (read.levelUpDamage)
        for (auto& list : read.levelUpMoves)
            list.clear();

    for (int k = 0; k < evolution->narc.memberCount(); ++k) {
        auto slots = decodeEvolutions(evolution->memberBytes(k));
        if (!slots)
            return tableNotFound(words.memberLabel(k) + "'s evolutions in " + std::string(paths.evolutions) + " are " +
                            platform::quantity(evolution->narc.member(k).size(), "byte") + " long, not " +
                            std::to_string(kEvolutionMemberSize));
        read.evolutions.push_back(*slots);
        read.evolutionMembers.push_back(evolution->narc.member(k).start);
    }

    // Where it may grow or move: the image as its own tables lay it out.
    read.layout = layout;
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

namespace {

bool listsChange(const MoveArchives& read, const MoveEdits& edits)
{
    const auto members = static_cast<int>(read.levelUpMoves.size());
    return std::any_of(edits.levelUp.begin(), edits.levelUp.end(), [&](const auto& edit) {
        return edit.first < 0 || edit.first >= members ||
               edit.second != read.levelUpMoves[static_cast<std::size_t>(edit.first)];
    });
}

// Only a list or slots that change are judged: what is stored stays as it is.
Result<Done, SpeciesError> editsProblem(const MoveArchives& read, const MoveEdits& edits, rom::Game game,
                                        const Vocabulary& words)
{
    auto refuse = [](std::string detail) {
        return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0, std::move(detail)};
    };
    if (listsChange(read, edits)) {
        if (auto readable = read.levelUpReadable(); !readable)
            return readable.error();
    }
    for (const auto& [member, moves] : edits.levelUp) {
        if (member < 0 || member >= static_cast<int>(read.levelUpMoves.size()))
            return refuse("the level-up archive has no list for " + words.memberLabel(member));
        const auto& was = read.levelUpMoves[static_cast<std::size_t>(member)];
        if (moves == was)
            continue;
        if (auto problem = levelUpMovesProblem(moves, was))
            return refuse(words.memberLabel(member) + ": " + *problem);
    }
    for (const auto& [member, slots] : edits.evolutions) {
        if (member < 0 || member >= static_cast<int>(read.evolutions.size()))
            return refuse("the evolution archive has no slots for " + words.memberLabel(member));
        if (slots == read.evolutions[static_cast<std::size_t>(member)])
            continue;
        if (auto problem = evolutionsProblem(slots, game))
            return refuse(words.memberLabel(member) + ": " + *problem);
    }
    return Done{};
}

// In the words of the species changed, and in moves: each entry takes 2 bytes.
SpeciesError noRoomForLists(const MoveArchives& read, const MoveEdits& edits, const rom::NoRoom& noRoom,
                            const Vocabulary& words)
{
    auto text = rom::noRoomText(noRoom, "the level-up archive",
                                [](std::int64_t bytes) { return "about " + platform::quantity((bytes + 1) / 2, "move"); });
    if (noRoom.why != rom::NoRoom::Claimed) {
        std::string changed;
        int named = 0;
        for (const auto& [member, moves] : edits.levelUp) {
            if (moves == read.levelUpMoves[static_cast<std::size_t>(member)])
                continue;
            if (named++ < 3)
                changed += (changed.empty() ? "" : ", ") + words.memberLabel(member);
        }
        if (named > 3)
            changed += " and " + std::to_string(named - 3) + " more";
        text = "the level-up moves of " + changed + " need more room than this ROM has: " + text;
    }
    return SpeciesError{SpeciesFailure::NoRoomForMoves, std::nullopt, 0, std::move(text)};
}

} // namespace

Result<LevelUpArchiveWrite, SpeciesError> editedLevelUpArchive(const MoveArchives& read, const MoveEdits& edits,
                                                               rom::Game game, const Vocabulary& words)
{
    if (auto problem = editsProblem(read, edits, game, words); !problem)
        return problem.error();
    // No list changes: the archive stays byte for byte as it is.
    LevelUpArchiveWrite write;
    write.placement.start = read.levelUp().start;
    if (!listsChange(read, edits)) {
        write.bytes = read.levelUpArchive.bytes;
        write.placement.size = static_cast<std::int64_t>(write.bytes.size());
        return write;
    }
    write.bytes = rom::archiveWithMembers(read.levelUpArchive, changedLevelUpMembers(read, edits));
    auto placed = read.layout.place(read.levelUp(), read.levelUpArchive.fileId, static_cast<std::int64_t>(write.bytes.size()));
    if (!placed)
        return noRoomForLists(read, edits, placed.error(), words);
    write.placement = std::move(*placed);
    return write;
}

std::map<int, std::vector<std::uint8_t>> changedLevelUpMembers(const MoveArchives& read, const MoveEdits& edits)
{
    // An edited list encoded anew, the others as they are (their bytes need not be as
    // this program would write them).
    std::map<int, std::vector<std::uint8_t>> replaced;
    for (const auto& [member, moves] : edits.levelUp) {
        if (moves != read.levelUpMoves[static_cast<std::size_t>(member)])
            replaced[member] = encodeLevelUpMoves(moves);
    }
    return replaced;
}

} // namespace quillmark::species
