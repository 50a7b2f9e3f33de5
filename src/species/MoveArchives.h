#pragma once

#include "platform/Result.h"
#include "rom/ArchiveFile.h"
#include "rom/NitroFs.h"
#include "rom/RomIdentification.h"
#include "species/Evolutions.h"
#include "species/LevelUpMoves.h"
#include "species/SpeciesError.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::platform {
class OpenFile;
}

namespace quillmark::species {

// The archives beside the species archive, numbered like it (member k is list index
// k - 1): Diamond, Pearl and Platinum poketool/personal/wotbl.narc and evo.narc,
// HeartGold and SoulSilver a/0/3/3 and a/0/3/4.
struct MoveArchivePaths {
    std::string_view levelUp;
    std::string_view evolutions;
};
MoveArchivePaths moveArchivePaths(std::string_view gameCode);

// Both archives as read, with what a write must find unchanged before it writes.
struct MoveArchives {
    // The first byte after the level-up archive that something else holds (the next
    // file, a table of the header, the end of the image): the archive may grow to it.
    std::int64_t levelUpRoomEnd = 0;
    rom::ArchiveFile levelUpArchive, evolutionArchive;  // as read, bytes and all
    std::vector<LevelUpMoves> levelUpMoves;  // per member
    std::vector<Evolutions> evolutions;      // per member
    std::vector<std::int64_t> evolutionMembers;  // where each evolution member starts
    // What the room was worked out from: the header's words up to 0x84, the whole file
    // allocation table, and the image's size. A write finds them unchanged first.
    std::vector<std::uint8_t> headerWords, allocationTable;
    std::int64_t allocationTableOffset = 0;
    std::int64_t imageSize = 0;

    // Why the level-up lists cannot be used, if a member is damaged ("Garchomp
    // (444)'s level-up list in a/0/3/3 has no end mark"): the evolutions still can.
    // Its lists are then empty.
    std::optional<std::string> levelUpDamage;

    const std::string& levelUpPath() const { return levelUpArchive.path; }
    const std::string& evolutionPath() const { return evolutionArchive.path; }
    // Where the archives lie in the file, and the level-up archive's FAT entry.
    const rom::FileExtent& levelUp() const { return levelUpArchive.extent; }
    const rom::FileExtent& evolution() const { return evolutionArchive.extent; }
    std::int64_t levelUpFatEntry() const { return levelUpArchive.allocationEntry; }

    std::int64_t freeBytes() const { return levelUpRoomEnd - levelUp().end; }
    // LevelUpMovesDamaged naming the damage, if any.
    Result<Done, SpeciesError> levelUpReadable() const;
};

// Both archives through the ROM's own file system, every member decoded.
Result<MoveArchives, SpeciesError> readMoveArchives(platform::OpenFile& file, std::string_view gameCode);
// The same with the file system already read.
Result<MoveArchives, SpeciesError> readMoveArchives(platform::OpenFile& file, const rom::NitroFs& fs,
                                                    std::string_view gameCode);

// New level-up lists and evolution slots, by member.
struct MoveEdits {
    std::map<int, LevelUpMoves> levelUp;
    std::map<int, Evolutions> evolutions;
    bool empty() const { return levelUp.empty() && evolutions.empty(); }
};

// What the edits would make of the level-up archive: every byte of it, from its start.
// InvalidMoveData for what the game cannot take, NoRoomForMoves when it outgrows its room.
Result<std::vector<std::uint8_t>, SpeciesError> editedLevelUpArchive(const MoveArchives& read,
                                                                     const MoveEdits& edits,
                                                                     rom::Game game);

// RomChanged unless the file still holds both archives, and everything their room was
// worked out from (the header's regions and used size, every file's place, the image's
// size), as `read` found them.
Result<Done, SpeciesError> checkMoveArchivesUnchanged(platform::OpenFile& file, const MoveArchives& read);

// Writes, after RomDocument has made `levelUpArchive` with editedLevelUpArchive and
// checked the file: the level-up archive from its first changed byte on, its member
// table, its sizes and the file table's end of it; each changed evolution member's
// slots in place. The level-up archive's size word is 0 while its bytes are rewritten
// and takes its value last, so a write cut short (a crash, a kill, a power cut) leaves
// an archive every reader refuses as half written, never lists shifted into one another.
Result<Done, SpeciesError> writeCheckedMoveEdits(platform::OpenFile& file, const MoveArchives& read,
                                                 const MoveEdits& edits,
                                                 const std::vector<std::uint8_t>& levelUpArchive);

} // namespace quillmark::species
