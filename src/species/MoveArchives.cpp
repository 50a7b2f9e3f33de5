#include "species/MoveArchives.h"

#include "platform/FileServices.h"
#include "rom/LittleEndian.h"
#include "rom/Narc.h"
#include "species/LookupLists.h"
#include "species/Quantity.h"
#include "species/SpeciesTableLocator.h"

#include <algorithm>
#include <array>

namespace quillmark::species {

namespace {

// The header's own regions, which no file of the table lists: offset and size words.
//   0x20/0x2C ARM9 code, 0x30/0x3C ARM7 code, 0x40/0x44 FNT, 0x48/0x4C FAT,
//   0x50/0x54 and 0x58/0x5C the overlay tables, 0x68 the banner (0x840 bytes at least),
//   0x80 the end of the used image, where retail cartridges keep a signature.
constexpr std::array<std::pair<std::size_t, std::size_t>, 6> kHeaderRegions = {{
    {0x20, 0x2C}, {0x30, 0x3C}, {0x40, 0x44}, {0x48, 0x4C}, {0x50, 0x54}, {0x58, 0x5C},
}};
constexpr std::size_t kBannerOffsetField = 0x68;
constexpr std::int64_t kBannerSize = 0x840;
constexpr std::size_t kUsedSizeField = 0x80;
constexpr std::size_t kHeaderWords = 0x84;

// NARC layout, from the archive's start.
constexpr std::size_t kNarcSizeField = 8;
constexpr std::int64_t kSectionHeaderSize = 8;
constexpr std::int64_t kBtafEntries = 16 + 12;  // after the archive's header and BTAF's own

struct Archive {
    rom::FileExtent extent;
    rom::Narc narc;
    std::uint16_t fileId;
    std::vector<std::uint8_t> bytes;
};

Result<Archive, SpeciesError> readArchive(platform::OpenFile& file, const rom::NitroFs& fs, std::string_view path)
{
    auto extent = fs.find(path);
    if (!extent)
        return speciesErrorOf(extent.error());
    const auto id = *fs.fileId(path);
    if (const auto other = fs.overlappingFile(id))
        return tableNotFound("the file allocation table is damaged: " + std::string(path) + " shares bytes with " +
                        fs.describeFile(*other));
    auto narc = rom::Narc::read(file, *extent, path);
    if (!narc)
        return speciesErrorOf(narc.error());
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(extent->size()));
    if (auto read = file.read(extent->start, bytes); !read)
        return SpeciesError{SpeciesFailure::FileUnavailable, read.error()};
    return Archive{*extent, std::move(*narc), id, std::move(bytes)};
}

std::span<const std::uint8_t> memberBytes(const Archive& archive, int k)
{
    const auto& member = archive.narc.member(k);
    return std::span(archive.bytes).subspan(static_cast<std::size_t>(member.start - archive.extent.start),
                                            static_cast<std::size_t>(member.size()));
}

void put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (std::size_t k = 0; k < 4; ++k)
        bytes[at + k] = static_cast<std::uint8_t>(value >> (8 * k));
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
    const auto paths = moveArchivePaths(gameCode);
    auto levelUp = readArchive(file, *fs, paths.levelUp);
    if (!levelUp)
        return levelUp.error();
    auto evolution = readArchive(file, *fs, paths.evolutions);
    if (!evolution)
        return evolution.error();

    MoveArchives read;
    read.levelUpPath = paths.levelUp;
    read.evolutionPath = paths.evolutions;
    read.levelUp = levelUp->extent;
    read.evolution = evolution->extent;
    read.levelUpFatEntry = fs->fatEntryOffset(levelUp->fileId);

    // The members must lie back to back to the end of the archive's data, as the games'
    // own tools write them: then a longer list can shift the ones after it.
    // A damage here stops only the level-up lists: the evolutions and the records
    // are read and written without them.
    const auto& narc = levelUp->narc;
    const std::string where(paths.levelUp);
    if (narc.memberCount() == 0)
        return tableNotFound(where + " holds no level-up moves");
    const auto& bytes = levelUp->bytes;
    read.levelUpGmif = narc.gmifOffset();
    const std::int64_t dataStart = levelUp->extent.start + read.levelUpGmif + kSectionHeaderSize;
    const std::int64_t narcEnd = levelUp->extent.start + rom::le32(bytes, kNarcSizeField);
    auto damaged = [&](std::string why) {
        if (!read.levelUpDamage)
            read.levelUpDamage = std::move(why);
    };
    for (int k = 0; k < narc.memberCount(); ++k) {
        const std::int64_t expected = k == 0 ? dataStart : narc.member(k - 1).end;
        if (narc.member(k).start != expected)
            damaged("the members of " + where + " do not follow each other");
        auto moves = decodeLevelUpMoves(memberBytes(*levelUp, k));
        if (!moves)
            damaged(memberLabel(k) + "'s level-up list in " + where + " has no end mark");
        read.levelUpMoves.push_back(moves.value_or(LevelUpMoves{}));
    }
    if (narc.member(narc.memberCount() - 1).end != narcEnd || narcEnd != levelUp->extent.end)
        damaged(where + " does not end where its last member does");
    if (read.levelUpDamage)
        for (auto& list : read.levelUpMoves)
            list.clear();

    for (int k = 0; k < evolution->narc.memberCount(); ++k) {
        auto slots = decodeEvolutions(memberBytes(*evolution, k));
        if (!slots)
            return tableNotFound(memberLabel(k) + "'s evolutions in " + std::string(paths.evolutions) + " are " +
                            quantity(evolution->narc.member(k).size(), "byte") + " long, not " +
                            std::to_string(kEvolutionMemberSize));
        read.evolutions.push_back(*slots);
        read.evolutionMembers.push_back(evolution->narc.member(k).start);
    }

    // Room to grow: up to the next file, the next of the header's regions, or the end.
    std::array<std::uint8_t, kHeaderWords> header{};
    if (auto got = file.read(0, header); !got)
        return SpeciesError{SpeciesFailure::FileUnavailable, got.error()};
    std::int64_t roomEnd = fs->nextFileStart(levelUp->extent.end);
    auto obstacle = [&](std::int64_t start, std::int64_t size) {
        if (size > 0 && start + size > levelUp->extent.end)
            roomEnd = std::min(roomEnd, std::max(start, levelUp->extent.end));
    };
    for (const auto& [offset, size] : kHeaderRegions)
        obstacle(rom::le32(header, offset), rom::le32(header, size));
    obstacle(rom::le32(header, kBannerOffsetField), rom::le32(header, kBannerOffsetField) ? kBannerSize : 0);
    obstacle(rom::le32(header, kUsedSizeField), rom::le32(header, kUsedSizeField) ? 1 : 0);
    read.levelUpRoomEnd = roomEnd;
    read.headerWords.assign(header.begin(), header.end());
    read.allocationTable = fs->allocationTable();
    read.allocationTableOffset = fs->allocationTableOffset();
    read.imageSize = file.size();
    read.levelUpBytes = std::move(levelUp->bytes);
    read.evolutionBytes = std::move(evolution->bytes);
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
        return read.levelUpBytes;

    // The archive up to the data, then every member: an edited one encoded anew, the
    // others as they are (their bytes need not be as this program would write them).
    const auto& old = read.levelUpBytes;
    const auto dataStart = static_cast<std::size_t>(read.levelUpGmif + kSectionHeaderSize);
    std::vector<std::uint8_t> archive(old.begin(), old.begin() + static_cast<std::ptrdiff_t>(dataStart));
    std::size_t oldAt = dataStart;
    for (int k = 0; k < members; ++k) {
        const auto start = static_cast<std::uint32_t>(archive.size() - dataStart);
        const auto oldSize = static_cast<std::size_t>(rom::le32(old, static_cast<std::size_t>(kBtafEntries) + 8 * static_cast<std::size_t>(k) + 4) -
                                                      rom::le32(old, static_cast<std::size_t>(kBtafEntries) + 8 * static_cast<std::size_t>(k)));
        // A list edited to what it was keeps its stored bytes: padding, bytes after the
        // end mark and all.
        if (const auto edit = edits.levelUp.find(k);
            edit != edits.levelUp.end() && edit->second != read.levelUpMoves[static_cast<std::size_t>(k)]) {
            const auto bytes = encodeLevelUpMoves(edit->second);
            archive.insert(archive.end(), bytes.begin(), bytes.end());
        } else {
            archive.insert(archive.end(), old.begin() + static_cast<std::ptrdiff_t>(oldAt),
                           old.begin() + static_cast<std::ptrdiff_t>(oldAt + oldSize));
        }
        oldAt += oldSize;
        put32(archive, static_cast<std::size_t>(kBtafEntries) + 8 * static_cast<std::size_t>(k), start);
        put32(archive, static_cast<std::size_t>(kBtafEntries) + 8 * static_cast<std::size_t>(k) + 4,
              static_cast<std::uint32_t>(archive.size() - dataStart));
    }
    put32(archive, kNarcSizeField, static_cast<std::uint32_t>(archive.size()));
    put32(archive, static_cast<std::size_t>(read.levelUpGmif) + 4,
          static_cast<std::uint32_t>(archive.size() - static_cast<std::size_t>(read.levelUpGmif)));

    const auto room = read.levelUpRoomEnd - read.levelUp.start;
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
                                std::to_string(read.levelUp.size()) + "), " + quantity(over, "byte") + " too few"};
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
        !same(read.allocationTableOffset, read.allocationTable) || !same(read.levelUp.start, read.levelUpBytes) ||
        !same(read.evolution.start, read.evolutionBytes))
        return SpeciesError{SpeciesFailure::RomChanged};
    return Done{};
}

Result<Done, SpeciesError> writeMoveEdits(platform::OpenFile& file, const MoveArchives& read,
                                          const MoveEdits& edits, rom::Game game)
{
    auto archive = editedLevelUpArchive(read, edits, game);
    if (!archive)
        return archive.error();

    if (auto same = checkMoveArchivesUnchanged(file, read); !same)
        return same.error();
    return writeCheckedMoveEdits(file, read, edits, *archive);
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
    const auto& old = read.levelUpBytes;
    const auto& now = levelUpArchive;
    const std::span<const std::uint8_t> sizeWord = std::span(now).subspan(kNarcSizeField, 4);
    auto differs = [&](std::size_t i) { return i >= old.size() || now[i] != old[i]; };
    const bool rewritten = now != old;
    if (rewritten) {
        const std::uint8_t halfWritten[4] = {0, 0, 0, 0};
        if (auto done = write(read.levelUp.start + static_cast<std::int64_t>(kNarcSizeField), halfWritten); !done)
            return done;
    }
    constexpr std::size_t kJoin = 16;
    // The runs start after the size word: what lies before it (the magic, the byte
    // order mark) never changes.
    for (std::size_t i = kNarcSizeField + 4; i < now.size();) {
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
        if (auto done = write(read.levelUp.start + static_cast<std::int64_t>(i), std::span(now).subspan(i, end - i)); !done)
            return done;
        i = end;
    }
    if (now.size() != old.size()) {
        std::vector<std::uint8_t> end(4);
        put32(end, 0, static_cast<std::uint32_t>(read.levelUp.start + static_cast<std::int64_t>(now.size())));
        if (auto done = write(read.levelUpFatEntry + 4, end); !done)
            return done;
    }
    if (rewritten) {
        if (auto done = write(read.levelUp.start + static_cast<std::int64_t>(kNarcSizeField), sizeWord); !done)
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
