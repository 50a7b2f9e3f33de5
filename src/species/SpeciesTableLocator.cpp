#include "species/SpeciesTableLocator.h"

#include "platform/FileServices.h"
#include "rom/ArchiveFile.h"
#include "rom/Narc.h"
#include "rom/NitroFs.h"
#include "rom/RomIdentification.h"
#include "species/LookupLists.h"
#include "platform/Quantity.h"
#include "species/RecordCodec.h"
#include "species/SpeciesRecord.h"
#include "species/SpeciesTableFile.h"

#include <limits>

namespace quillmark::species {

namespace {

constexpr std::string_view kDiamondNarc = "poketool/personal/personal.narc";
constexpr std::string_view kPearlNarc = "poketool/personal_pearl/personal.narc";
// Platinum and HeartGold/SoulSilver also carry Diamond's file (as
// poketool/personal/personal.narc and pbr/personal.narc), but never read it.
constexpr std::string_view kPlatinumNarc = "poketool/personal/pl_personal.narc";
constexpr std::string_view kHeartGoldSoulSilverNarc = "a/0/0/2";

// Member 0 is the empty record before list index 0.
constexpr int kFirstSpeciesMember = memberOfRecord(0);

Result<SpeciesTable, SpeciesError> tableInNarc(platform::OpenFile& file, const rom::NitroFs& fs,
                                               std::string_view path, int maxRecords)
{
    // One answer from the file system: the archive found, checked, its member table read.
    auto archive = rom::readArchiveFile(file, fs, path, rom::ArchiveBytes::Skipped);
    if (!archive)
        return speciesErrorOf(archive.error());
    const auto* narc = &archive->narc;
    const int last = kFirstSpeciesMember + kSpeciesCount - 1;
    if (narc->memberCount() <= last)
        return tableNotFound(std::string(path) + " has " + std::to_string(narc->memberCount()) +
                        " records, too few for an empty one and the " +
                        std::to_string(kSpeciesCount) + " Pokémon");
    for (int k = kFirstSpeciesMember; k <= last; ++k) {
        const auto& member = narc->member(k);
        if (member.size() != kRecordSize)
            return tableNotFound("record " + std::to_string(k) + " of " + std::string(path) + " is " +
                            platform::quantity(member.size(), "byte") + " long, not " +
                            std::to_string(kRecordSize));
        if (k > kFirstSpeciesMember && member.start != narc->member(k - 1).end)
            return tableNotFound("the records of " + std::string(path) + " do not follow each other");
    }
    // The egg and form records count as long as they follow on, 44 bytes each.
    int records = kSpeciesCount;
    while (records < maxRecords && kFirstSpeciesMember + records < narc->memberCount()) {
        const auto& member = narc->member(kFirstSpeciesMember + records);
        if (member.size() != kRecordSize || member.start != narc->member(kFirstSpeciesMember + records - 1).end)
            break;
        ++records;
    }
    const std::int64_t base = narc->member(kFirstSpeciesMember).start;
    // Positions are 32-bit signed numbers from here on.
    if (base + std::int64_t{kRecordSize} * records > std::numeric_limits<std::int32_t>::max())
        return tableNotFound("the table lies beyond the first 2 GiB of the file");
    return SpeciesTable{base, std::string(path), records};
}

// Without a file system nothing says where the table is but the retail place, and a
// rebuilt ROM whose header lost its file table keeps other files there. The bytes must
// read as a species table: the empty record first, and in every species record the
// fields that take only a few codes within their lists.
Result<Done, SpeciesError> checkLooksLikeTable(platform::OpenFile& file, std::int64_t start)
{
    const auto refused = [] {
        return tableNotFound("this ROM has no file table, and its data is not where retail "
                        "cartridges keep it");
    };
    if (start < kRecordSize)
        return refused();
    auto records = readSpeciesRecords(file, start - kRecordSize, kSpeciesCount + 1);
    if (!records)
        return records.error();
    if ((*records)[0] != RecordBytes{})
        return refused();
    for (const char* name : {"type1", "type2", "growth_rate", "egg_group1", "egg_group2", "color"}) {
        const auto& column = *findColumn(name);
        const auto codes = listEntries(column.list).size();
        for (std::size_t i = 1; i < records->size(); ++i) {
            if (codeOf(column, (*records)[i]) >= codes)
                return refused();
        }
    }
    return Done{};
}

} // namespace

SpeciesError tableNotFound(const std::string& why)
{
    return SpeciesError{SpeciesFailure::TableNotFound, std::nullopt, 0, why};
}

SpeciesError speciesErrorOf(const rom::RomFsError& error)
{
    if (error.problem == rom::RomFsProblem::ReadFailed)
        return SpeciesError{SpeciesFailure::FileUnavailable, error.fileError};
    return tableNotFound(error.detail);
}

std::vector<std::string_view> speciesNarcPaths(std::string_view gameCode)
{
    const auto* edition = rom::findEdition(gameCode);
    if (!edition)
        return {};
    switch (edition->game) {
    case rom::Game::Diamond: return {kDiamondNarc};
    // A Pearl cartridge carries its own file instead of Diamond's; an image of a Pearl
    // code that has only Diamond's file was built that way on purpose.
    case rom::Game::Pearl: return {kPearlNarc, kDiamondNarc};
    case rom::Game::Platinum: return {kPlatinumNarc};
    case rom::Game::HeartGold:
    case rom::Game::SoulSilver: break;
    }
    return {kHeartGoldSoulSilverNarc};
}

Result<SpeciesTable, SpeciesError> locateSpeciesTable(platform::OpenFile& file,
                                                      std::string_view gameCode)
{
    return locateSpeciesTable(file, nullptr, gameCode);
}

Result<SpeciesTable, SpeciesError> locateSpeciesTable(platform::OpenFile& file, const rom::NitroFs* read,
                                                      std::string_view gameCode)
{
    const auto paths = speciesNarcPaths(gameCode);
    if (paths.empty())
        return SpeciesError{SpeciesFailure::UnsupportedRom};

    auto fs = read ? Result<rom::NitroFs, rom::RomFsError>(*read) : rom::NitroFs::read(file);
    if (!fs && fs.error().problem == rom::RomFsProblem::NoFileSystem) {
        // An image made of a header and the table alone: the retail place applies.
        const auto base = tableBaseFor(gameCode);
        const auto start = base ? tableStart(*base) : std::nullopt;
        if (!start)
            return tableNotFound("this ROM has no file table");
        if (file.size() < *start + kTableSize)
            return SpeciesError{SpeciesFailure::TableOutsideFile};
        if (auto table = checkLooksLikeTable(file, *start); !table)
            return table.error();
        return SpeciesTable{*start, "", kSpeciesCount};
    }
    if (!fs)
        return speciesErrorOf(fs.error());
    for (const auto path : paths) {
        if (fs->fileId(path))
            return tableInNarc(file, *fs, path, recordCountOf(rom::findEdition(gameCode)->game));
    }
    return tableNotFound("the file table has no " + std::string(paths.front()));
}

Result<SpeciesTable, SpeciesError> locateSpeciesTable(const std::string& path,
                                                      std::string_view gameCode)
{
    auto file = platform::fileServices().open(path, platform::FileAccess::Read);
    if (!file)
        return SpeciesError{SpeciesFailure::FileUnavailable, file.error()};
    return locateSpeciesTable(**file, gameCode);
}

Result<Done, SpeciesError> checkFingerprint(platform::OpenFile& file, const RomFingerprint& expected,
                                            const rom::NitroFs* fs)
{
    const auto code = rom::readGameCode(file);
    if (!code || *code != expected.gameCode)
        return SpeciesError{SpeciesFailure::RomChanged};
    const auto table = locateSpeciesTable(file, fs, expected.gameCode);
    if (!table || *table != expected.table)
        return SpeciesError{SpeciesFailure::RomChanged};
    return Done{};
}

} // namespace quillmark::species
