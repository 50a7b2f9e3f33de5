#include "species/MoveArchives.h"

#include "platform/FileServices.h"
#include "rom/LittleEndian.h"
#include "rom/ArchiveFile.h"
#include "rom/CartridgeHeader.h"
#include "rom/ImageWriter.h"
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
    rom::CartridgeHeader header{std::vector<std::uint8_t>(rom::kHeaderEnd)};
    if (auto got = file.read(0, header.bytes); !got)
        return SpeciesError{SpeciesFailure::FileUnavailable, got.error()};
    read.levelUpRoomEnd = rom::roomEnd(fs, header.bytes, levelUp->extent);
    read.headerWords = header.bytes;
    read.usedSize = header.usedSize();
    // A capacity below the used size is no capacity this image can be held to.
    read.capacity = header.capacity();
    if (read.capacity && *read.capacity < read.usedSize)
        read.capacity.reset();
    // Last when, the used size aside, nothing follows it up to the end of the file.
    auto withoutUsedSize = header.bytes;
    rom::putLe32(withoutUsedSize, rom::kUsedSizeField, 0);
    read.levelUpLast = rom::roomEnd(fs, withoutUsedSize, levelUp->extent) >= file.size();
    read.claims = rom::imageClaims(fs, header.bytes);
    read.imageEnd = std::max(read.usedSize, rom::claimsEnd(read.claims));
    if (read.usedSize >= rom::claimsEnd(read.claims) && read.usedSize + rom::kDownloadPlayBlockSize <= file.size()) {
        std::vector<std::uint8_t> block(static_cast<std::size_t>(rom::kDownloadPlayBlockSize));
        if (auto got = file.read(read.usedSize, block); got && rom::isDownloadPlayBlock(block))
            read.downloadPlay = std::move(block);
    }
    read.allocationTable = fs.allocationTable();
    read.allocationTableOffset = fs.allocationTableOffset();
    read.imageSize = file.size();
    read.levelUpArchive = std::move(*levelUp);
    read.evolutionArchive = std::move(*evolution);
    return read;
}

std::int64_t MoveArchives::growthStart() const
{
    // The block lies right after a last archive: the archive moves past it rather than
    // over it, so that a cut write leaves the block where the used size says.
    if (levelUpLast && downloadPlay.empty())
        return levelUp().start;
    const auto block = static_cast<std::int64_t>(downloadPlay.size());
    return rom::alignedUp(std::max(imageEnd, usedSize + block), rom::kFileAlignment);
}

std::int64_t MoveArchives::growthRoom() const
{
    if (!capacity)
        return freeBytes();
    const auto block = static_cast<std::int64_t>(downloadPlay.size());
    return std::max(freeBytes(), *capacity - growthStart() - levelUp().size() - block);
}

Result<Done, SpeciesError> MoveArchives::levelUpReadable() const
{
    if (levelUpDamage)
        return SpeciesError{SpeciesFailure::LevelUpMovesDamaged, std::nullopt, 0, *levelUpDamage};
    return Done{};
}

Result<LevelUpArchiveWrite, SpeciesError> editedLevelUpArchive(const MoveArchives& read, const MoveEdits& edits,
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
        if (auto problem = levelUpMovesProblem(moves, read.levelUpMoves[static_cast<std::size_t>(member)]))
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
    LevelUpArchiveWrite write;
    write.start = read.levelUp().start;
    if (!listsChange) {
        write.bytes = read.levelUpArchive.bytes;
        return write;
    }
    // An edited list encoded anew, the others as they are (their bytes need not be as
    // this program would write them).
    std::map<int, std::vector<std::uint8_t>> replaced;
    for (const auto& [member, moves] : edits.levelUp) {
        if (moves != read.levelUpMoves[static_cast<std::size_t>(member)])
            replaced[member] = encodeLevelUpMoves(moves);
    }
    write.bytes = rom::archiveWithMembers(read.levelUpArchive, replaced);
    const auto size = static_cast<std::int64_t>(write.bytes.size());
    const auto ownBytes = [&](const LevelUpArchiveWrite& planned) -> Result<LevelUpArchiveWrite, SpeciesError> {
        const rom::FileExtent target{planned.start, planned.paddingTo()};
        if (const auto* other = rom::claimWithin(read.claims, target, read.levelUpArchive.fileId))
            return SpeciesError{SpeciesFailure::NoRoomForMoves, std::nullopt, 0,
                                "the level-up archive would take bytes " + std::to_string(target.start) + " to " +
                                    std::to_string(target.end) + ", and " + other->owner + " lies at " +
                                    std::to_string(other->extent.start) + " to " + std::to_string(other->extent.end)};
        return planned;
    };
    if (size <= read.levelUpRoomEnd - read.levelUp().start) {
        // A used size below the archive's end (a tool, or a write cut before the header
        // took the archive's new end) is mended: the used image covers every file.
        if (read.usedSize < read.imageEnd) {
            write.usedSize = std::max(read.imageEnd, write.end());
            write.paddingFrom = write.paddingTo();
        }
        return ownBytes(write);
    }

    // Past its room: it goes where the used image ends, and may grow there up to the
    // device's capacity.
    write.start = read.growthStart();
    write.moves = write.start != read.levelUp().start;
    write.usedSize = write.end();
    if (write.moves) {
        write.downloadPlay = read.downloadPlay;
        write.paddingFrom = std::max(read.imageEnd, read.usedSize + static_cast<std::int64_t>(read.downloadPlay.size()));
    } else {
        write.paddingFrom = std::max(read.usedSize, read.levelUp().end);
    }
    if (read.capacity && write.paddingTo() <= *read.capacity) {
        if (write.paddingTo() > read.imageSize)
            write.fileSize = std::min(rom::alignedUp(write.paddingTo(), rom::kFileAlignment), *read.capacity);
        return ownBytes(write);
    }
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
    const auto room = read.levelUpRoomEnd - read.levelUp().start;
    std::string detail = "the level-up moves of " + changed + " need more room than this ROM has: the level-up archive "
                         "would need " + quantity(size, "byte") + "; where it lies it has " + std::to_string(room) +
                         " (" + std::to_string(read.freeBytes()) + " free after its " + std::to_string(read.levelUp().size()) +
                         "), " + quantity(size - room, "byte") + " too few";
    if (!read.capacity)
        return SpeciesError{SpeciesFailure::NoRoomForMoves, std::nullopt, 0,
                            detail + ", and the header names no capacity that holds the image (capacity byte " +
                                std::to_string(read.headerWords[rom::kCapacityField]) + ", used size " +
                                std::to_string(read.usedSize) + "), so it cannot move after the used image"};
    const auto over = write.paddingTo() - *read.capacity;
    if (write.moves && write.start >= *read.capacity)
        return SpeciesError{SpeciesFailure::NoRoomForMoves, std::nullopt, 0,
                            detail + " (about " + quantity((size - room + 1) / 2, "move") +
                                "), and the used image already ends at the cartridge's capacity of " +
                                quantity(*read.capacity, "byte") + ", so it cannot move after it"};
    return SpeciesError{SpeciesFailure::NoRoomForMoves, std::nullopt, 0,
                        detail + "; after the used image, from " + std::to_string(write.start) +
                            ", the cartridge's capacity of " + quantity(*read.capacity, "byte") + " leaves " +
                            quantity(std::max<std::int64_t>(0, *read.capacity - write.start), "byte") + ", " +
                            quantity(over, "byte") + " too few (about " + quantity((over + 1) / 2, "move") + ")"};
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
        !same(read.evolution().start, read.evolutionArchive.bytes) ||
        (!read.downloadPlay.empty() && !same(read.usedSize, read.downloadPlay)))
        return SpeciesError{SpeciesFailure::RomChanged};
    return Done{};
}

Result<std::uint8_t, SpeciesError> checkPadding(platform::OpenFile& file, const LevelUpArchiveWrite& levelUp)
{
    const auto to = std::min(levelUp.paddingTo(), file.size());
    if (!levelUp.usedSize || levelUp.paddingFrom >= to)
        return std::uint8_t{0xFF};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(to - levelUp.paddingFrom));
    if (auto got = file.read(levelUp.paddingFrom, bytes); !got)
        return SpeciesError{SpeciesFailure::FileUnavailable, got.error()};
    if (const auto padding = rom::paddingByte(bytes))
        return *padding;
    const auto front = bytes.front();
    const auto bad = front == 0xFF || front == 0x00
                         ? std::find_if(bytes.begin(), bytes.end(), [front](std::uint8_t b) { return b != front; })
                         : bytes.begin();
    const auto at = levelUp.paddingFrom + (bad - bytes.begin());
    return SpeciesError{SpeciesFailure::NoRoomForMoves, std::nullopt, 0,
                        "the level-up archive would go to " + std::to_string(levelUp.start) +
                            ", after the used image, but the bytes there are not padding (byte " + std::to_string(at) +
                            " holds " + std::to_string(bytes[static_cast<std::size_t>(at - levelUp.paddingFrom)]) +
                            "): something another tool put there would be overwritten"};
}

Result<Done, SpeciesError> writeCheckedMoveEdits(platform::OpenFile& file, const MoveArchives& read,
                                                 const MoveEdits& edits, const LevelUpArchiveWrite& levelUp,
                                                 std::uint8_t padding)
{
    rom::ArchiveRewrite rewrite;
    rewrite.name = "the level-up archive";
    rewrite.was = read.levelUp();
    rewrite.oldBytes = read.levelUpArchive.bytes;
    rewrite.allocationEntry = read.levelUpFatEntry();
    rewrite.start = levelUp.start;
    rewrite.bytes = levelUp.bytes;
    rewrite.trailer = levelUp.downloadPlay;
    rewrite.usedSize = levelUp.usedSize;
    rewrite.header = read.headerWords;
    rewrite.imageSize = read.imageSize;
    rewrite.fileSize = levelUp.fileSize;
    rewrite.fill = padding;
    if (auto done = rom::rewriteArchive(file, rewrite); !done) {
        const auto& error = done.error();
        return SpeciesError{error.kind == rom::ImageWriteError::ImageChanged ? SpeciesFailure::RomChanged
                                                                              : SpeciesFailure::WriteFailed,
                            error.fileError, 0, error.detail};
    }
    for (const auto& [member, slots] : edits.evolutions) {
        const auto k = static_cast<std::size_t>(member);
        if (slots == read.evolutions[k])
            continue;
        const auto bytes = encodeEvolutionSlots(slots);
        if (auto done = rom::writeDifferingRuns(file, read.evolutionMembers[k],
                                                read.evolutionArchive.memberBytes(member), bytes);
            !done)
            return SpeciesError{SpeciesFailure::WriteFailed, done.error(), 0};
    }
    return Done{};
}

} // namespace quillmark::species
