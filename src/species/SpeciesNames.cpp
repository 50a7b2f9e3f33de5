#include "species/SpeciesNames.h"

#include "platform/FileServices.h"
#include "rom/ArchiveFile.h"
#include "rom/MessageBank.h"
#include "species/GameText.h"
#include "species/SpeciesRecord.h"

#include <algorithm>

namespace quillmark::species {

namespace {

constexpr std::size_t kNamesBankEntries = 496;  // a placeholder, the 493 species, two more
constexpr std::size_t kLongestName = 10;        // the games' name buffer

// The names of a bank shaped as the names bank is; nothing for any other.
std::optional<std::vector<std::string>> namesOf(const rom::MessageBank& bank)
{
    if (bank.damagedEntry || bank.entries.size() != kNamesBankEntries)
        return std::nullopt;
    std::vector<std::string> names;
    for (int dex = 1; dex <= kSpeciesCount; ++dex) {
        const auto& units = bank.entries[static_cast<std::size_t>(dex)];
        const auto length = std::find(units.begin(), units.end(), rom::kTextEnd) - units.begin();
        const bool command = std::find(units.begin(), units.end(), kCommand) != units.end();
        if (length < 1 || static_cast<std::size_t>(length) > kLongestName || command)
            return std::nullopt;
        names.push_back(decodeGameText(units));
    }
    return names;
}

} // namespace

std::string_view textArchivePath(rom::Game game)
{
    switch (game) {
    case rom::Game::Diamond:
    case rom::Game::Pearl: return "msgdata/msg.narc";
    case rom::Game::Platinum: return "msgdata/pl_msg.narc";
    case rom::Game::HeartGold:
    case rom::Game::SoulSilver: break;
    }
    return "a/0/2/7";
}

std::optional<int> knownNamesBank(const rom::Edition& edition)
{
    if (edition.language != "English")
        return std::nullopt;
    switch (edition.game) {
    case rom::Game::Diamond:
    case rom::Game::Pearl: return 362;
    case rom::Game::Platinum: return 412;
    case rom::Game::HeartGold:
    case rom::Game::SoulSilver: break;
    }
    return 237;
}

RomNames readRomNames(platform::OpenFile& file, const rom::NitroFs& fs, const rom::Edition& edition)
{
    RomNames read;
    const std::string path(textArchivePath(edition.game));
    // The member table first: a US edition needs only its names bank read.
    auto archive = rom::readArchiveFile(file, fs, path, rom::ArchiveBytes::Skipped);
    if (!archive) {
        read.why = path + " cannot be read as the game's text archive";
        return read;
    }
    auto take = [&](int bank, std::vector<std::string> names) {
        read.names = std::move(names);
        read.bank = bank;
        read.where = path + ", bank " + std::to_string(bank);
    };
    const auto members = archive->narc.memberCount();
    if (const auto known = knownNamesBank(edition); known && *known < members) {
        const auto& extent = archive->narc.member(*known);
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(extent.size()));
        if (file.read(extent.start, bytes)) {
            if (const auto bank = rom::decodeMessageBank(bytes)) {
                if (auto names = namesOf(*bank)) {
                    take(*known, std::move(*names));
                    return read;
                }
            }
        }
    }
    // By its shape, where the number is not known or its bank holds no names: every bank.
    archive = rom::readArchiveFile(file, fs, path);
    if (!archive) {
        read.why = path + " cannot be read as the game's text archive";
        return read;
    }
    std::vector<int> fitting;
    std::vector<std::string> names;
    for (int k = 0; k < members; ++k) {
        const auto bank = rom::decodeMessageBank(archive->memberBytes(k));
        if (!bank)
            continue;
        if (auto found = namesOf(*bank)) {
            fitting.push_back(k);
            names = std::move(*found);
        }
    }
    if (fitting.size() == 1) {
        take(fitting.front(), std::move(names));
    } else if (fitting.empty()) {
        read.why = "no bank of " + path + " holds the species names";
    } else {
        read.why = std::to_string(fitting.size()) + " banks of " + path + " (" + std::to_string(fitting[0]) + " and " +
                   std::to_string(fitting[1]) + ") could hold the species names";
    }
    return read;
}

} // namespace quillmark::species
