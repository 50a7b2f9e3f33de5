#pragma once

#include "platform/Result.h"
#include "rom/ArchiveFile.h"
#include "rom/ImageLayout.h"
#include "rom/NitroFs.h"
#include "rom/RomIdentification.h"
#include "species/Evolutions.h"
#include "species/LevelUpMoves.h"
#include "species/SpeciesError.h"
#include "species/Vocabulary.h"

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
    rom::ArchiveFile levelUpArchive, evolutionArchive;  // as read, bytes and all
    std::vector<LevelUpMoves> levelUpMoves;  // per member
    std::vector<Evolutions> evolutions;      // per member
    std::vector<std::int64_t> evolutionMembers;  // where each evolution member starts
    // The image's layout as read with them: where the level-up archive may grow or move.
    rom::ImageLayout layout;

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

    // What the level-up archive may grow by where it lies, before what follows it.
    std::int64_t freeBytes() const { return layout.freeAfter(levelUp()); }
    // What it may grow by at all: where it lies, or where it goes, up to the capacity.
    std::int64_t growthRoom() const { return layout.growthRoom(levelUp()); }
    // LevelUpMovesDamaged naming the damage, if any.
    Result<Done, SpeciesError> levelUpReadable() const;
};

// Both archives through the ROM's own file system, every member decoded.
Result<MoveArchives, SpeciesError> readMoveArchives(platform::OpenFile& file, std::string_view gameCode);
// The same with the file system already read.
Result<MoveArchives, SpeciesError> readMoveArchives(platform::OpenFile& file, const rom::NitroFs& fs,
                                                    std::string_view gameCode);
// The same with the image's layout already read.
Result<MoveArchives, SpeciesError> readMoveArchives(platform::OpenFile& file, const rom::NitroFs& fs,
                                                    const rom::ImageLayout& layout, std::string_view gameCode,
                                                    const Vocabulary& words);

// New level-up lists and evolution slots, by member.
struct MoveEdits {
    std::map<int, LevelUpMoves> levelUp;
    std::map<int, Evolutions> evolutions;
    bool empty() const { return levelUp.empty() && evolutions.empty(); }
};

// What the edits make of the level-up archive, and where it goes.
struct LevelUpArchiveWrite {
    std::vector<std::uint8_t> bytes;  // every byte of it, from its start
    rom::Placement placement;
};

// InvalidMoveData for what the game cannot take, NoRoomForMoves when it outgrows the
// capacity (or the image says none).
Result<LevelUpArchiveWrite, SpeciesError> editedLevelUpArchive(const MoveArchives& read, const MoveEdits& edits,
                                                               rom::Game game, const Vocabulary& words);

// The level-up list of each member, encoded anew where `edits` change it.
std::map<int, std::vector<std::uint8_t>> changedLevelUpMembers(const MoveArchives& read, const MoveEdits& edits);

} // namespace quillmark::species
