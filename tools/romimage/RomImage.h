#pragma once

#include "rom/RomIdentification.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// .nds images for tests and for the sample ROM: a header with its CRC, the real file
// tree of the game in a NitroFS, and the species NARC where the game keeps it. The
// content of every other file is filler, so an image does not boot.
namespace quillmark::romimage {

using Record = std::array<std::uint8_t, 44>;

// 493 records in which every byte position varies from record to record, with
// codes that name no list entry among them.
std::vector<Record> syntheticRecords();

// The retail species data: one row per species, the 44 record bytes as columns
// (see samples/README.md). Nothing if the file is missing or malformed.
std::optional<std::vector<Record>> readPersonalCsv(const std::string& path, std::string* error);
// The same for a file with one row per archive member (dp_personal_members.csv,
// pt_personal.csv, hgss_personal.csv): every member, the empty first one included.
std::optional<std::vector<Record>> readPersonalMembersCsv(const std::string& path, std::string* error);

// Fills the 44 bytes after the table in every image, and before it where an archive
// holds it, so that a write one record too early or too late shows up in a byte
// comparison. An image without a file system has the empty record before its table,
// as the games have.
inline constexpr std::uint8_t kGuardByte = 0xA5;

enum class Layout {
    Retail,          // the species NARC where the cartridge has it: record 1 at the table start
    Rebuilt,         // files packed from 0x4000 as a rebuilding tool leaves them; the last
                     // file lies over the retail table start
    HeaderAndTable,  // no file system: a header and the table at the table start alone
};

// What lies after the used image, and the capacity the header names (the smallest
// power of two that holds the file, as builders pick it).
enum class Tail {
    Zeros,    // the file ends at the next MiB, zeros after the used image
    Padded,   // 0xFF up to the capacity, as retail cartridges are dumped
    Trimmed,  // the file ends where the used image does
    Full,     // the used size is the capacity: no room after it at all
};

struct ImageRecipe {
    std::string gameCode = "ADAE";
    Layout layout = Layout::Retail;
    std::int64_t tableBase = -1;  // -1: the table start of the game code's language
    std::int64_t fileSize = 0;    // 0: the next MiB above the last byte written
    std::vector<Record> records;  // written from list index 0 on; empty: synthetic
    // Every member of the species archive, member 0 included; when given, it is used
    // instead of records.
    std::vector<Record> members;
    // The species archive's path; empty: the one the game code's game reads.
    std::string narcPath;
    // A copy of Diamond's archive the game does not read; empty: the one the game
    // ships (Platinum, HG/SS), none for Diamond and Pearl.
    std::string leftoverPath;
    // The members of the level-up move archive; empty: the game's own.
    std::vector<std::vector<std::uint8_t>> levelUpMembers;
    Tail tail = Tail::Zeros;
    // Overlay 5's egg move table this many bytes later than the cartridge has it (even),
    // given twice, or left out; overlay 5 stored compressed.
    int eggTableShift = 0;
    bool eggTableTwice = false;
    bool noEggTable = false;
    bool overlay5Compressed = false;
    // The level-up archive placed after every other file, as some rebuilding tools
    // leave it (its file ID stays where the file name table puts it).
    bool levelUpLast = false;
    // The game's text archive with the species names bank (samples/species_names.csv,
    // or these names, by Dex number from 1), every other bank empty; left out, the
    // archive's file is filler.
    bool textArchive = false;
    std::vector<std::string> speciesNames;
    // Another bank holding the same names (a copy no game has), or -1.
    int namesBankCopy = -1;
};

// The text archive's path and its species names bank, by the game code's game.
std::string textArchivePathOf(const std::string& gameCode);
int namesBankOf(const std::string& gameCode);
// The English names of samples/species_names.csv, by Dex number from 1.
std::vector<std::string> sampleSpeciesNames();

// Where an image put things, for tests that damage one part of it.
struct ImageLayout {
    std::int64_t fntOffset = 0, fntSize = 0, fatOffset = 0, fatSize = 0;
    std::int64_t narcStart = 0, narcEnd = 0;
    int narcFileId = -1;
    std::string narcPath;
    int narcMembers = 0;
    std::int64_t tableBase = 0;  // record of list index 0
    // Platinum's and HG/SS's copy of Diamond's archive, which the games never read.
    std::string leftoverPath;
    std::int64_t leftoverStart = 0, leftoverEnd = 0;
    // The level-up move archive, the file after it, and the evolution archive.
    int levelUpFileId = -1;
    std::int64_t levelUpStart = 0, levelUpEnd = 0, afterLevelUp = 0;
    std::int64_t evolutionStart = 0, evolutionEnd = 0;
    std::int64_t usedSize = 0, capacity = 0, fileSize = 0;
    // The overlay table, and where overlays 1 and 5 lie.
    std::int64_t overlayTableOffset = 0;
    std::int64_t overlay1Start = 0, overlay5Start = 0;
};

// Members of the species archive: 501 in Diamond and Pearl, 508 from Platinum on.
int narcMembersOf(const std::string& gameCode);
// Offset of member k in an archive of `members` 44-byte members.
constexpr std::int64_t narcMemberOffset(int k, int members = 501)
{
    return 16 + (12 + 8 * std::int64_t{members}) + 16 + 8 + 44 * std::int64_t{k};
}

// The file list of the game's file system (samples/*_nitrofs_files.txt).
std::vector<std::string> gameFilePaths(const std::string& gameCode);
// The archive the game reads its species data from.
std::string speciesArchivePath(const std::string& gameCode);

// The members of the game's level-up move and evolution archives, from the reference
// tables in samples/ (the same evolutions in every game).
std::string learnsetCsvOf(const std::string& gameCode);
std::vector<std::vector<std::uint8_t>> levelUpMembersOf(const std::string& gameCode);
std::vector<std::vector<std::uint8_t>> evolutionMembersOf(const std::string& gameCode);

// Writes a sparse image. Returns false and says why on failure.
bool writeRomImage(const std::string& path, const ImageRecipe& recipe, std::string* error,
                   ImageLayout* layout = nullptr);

// The header's CRC-16 over 0x000..0x15D, stored at 0x15E.
using rom::headerCrc16;

// Overlay `id` of an image as the game loads it (before any compression), for the
// test that decompression gives it back byte for byte.
std::vector<std::uint8_t> overlaySource(const ImageRecipe& recipe, int id);

} // namespace quillmark::romimage
