#pragma once

#include "platform/Result.h"
#include "rom/ArchiveFile.h"
#include "rom/ImageClaims.h"
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
    // What the room was worked out from: the header through its CRC, the whole file
    // allocation table, and the image's size. A write finds them unchanged first.
    std::vector<std::uint8_t> headerWords, allocationTable;
    std::int64_t allocationTableOffset = 0;
    std::int64_t imageSize = 0;
    // The header's used size and device capacity (nothing for a capacity byte no
    // cartridge has), and whether nothing lies after the level-up archive but the end
    // of the used image (a rebuilding tool put it last, or it was moved there).
    std::int64_t usedSize = 0;
    std::optional<std::int64_t> capacity;
    bool levelUpLast = false;
    // What the ROM's tables give bytes to, and where the last of them (or the used
    // size, if further) ends: a moved archive lands after all of it.
    std::vector<rom::Claim> claims;
    std::int64_t imageEnd = 0;
    // The download-play block found at the used size, if any: it moves to the new used
    // size with a moved archive.
    std::vector<std::uint8_t> downloadPlay;

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

    // Where the level-up archive goes when it outgrows its room: its own start when it
    // lies last, else the first 512-byte boundary after everything the ROM's tables
    // hold and the used size (and a download-play block there). It may grow there up to
    // the capacity.
    std::int64_t growthStart() const;
    // What the level-up archive may grow by where it lies, before what follows it.
    std::int64_t freeBytes() const { return levelUpRoomEnd - levelUp().end; }
    // What it may grow by at all: where it lies, or where it goes, up to the capacity.
    std::int64_t growthRoom() const;
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

// What the edits make of the level-up archive, and where it goes.
struct LevelUpArchiveWrite {
    std::vector<std::uint8_t> bytes;  // every byte of it, from its start
    std::int64_t start = 0;
    bool moves = false;  // to `start`, from where it lay; the old bytes stay, unreferenced
    // The header's new used size, when the archive ends the used image anew.
    std::optional<std::int64_t> usedSize;
    // A trimmed image grows to this size, as far as the archive needs (aligned); 0: as is.
    std::int64_t fileSize = 0;
    // The download-play block, written again at the new used size (the archive's end).
    std::vector<std::uint8_t> downloadPlay;
    // The bytes from here to paddingTo() (within the file) must be padding.
    std::int64_t paddingFrom = 0;
    std::int64_t end() const { return start + static_cast<std::int64_t>(bytes.size()); }
    std::int64_t paddingTo() const { return end() + static_cast<std::int64_t>(downloadPlay.size()); }
};

// InvalidMoveData for what the game cannot take, NoRoomForMoves when it outgrows the
// capacity (or the image says none).
Result<LevelUpArchiveWrite, SpeciesError> editedLevelUpArchive(const MoveArchives& read, const MoveEdits& edits,
                                                               rom::Game game);

// The bytes a growing archive takes after the used image, checked under the writers'
// lock: NoRoomForMoves unless they are padding (all 0xFF or all 0x00); the padding
// byte to fill a trimmed image's new bytes with.
Result<std::uint8_t, SpeciesError> checkPadding(platform::OpenFile& file, const LevelUpArchiveWrite& levelUp);

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
// A moved archive: its bytes into the padding (the image grown first if trimmed), then
// its file table entry, then the header's used size with the header's CRC in one
// write; a cut at any point leaves the old archive or the new one, never a mix.
Result<Done, SpeciesError> writeCheckedMoveEdits(platform::OpenFile& file, const MoveArchives& read,
                                                 const MoveEdits& edits, const LevelUpArchiveWrite& levelUp,
                                                 std::uint8_t padding);

} // namespace quillmark::species
