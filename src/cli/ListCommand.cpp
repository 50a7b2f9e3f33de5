#include "cli/CliErrors.h"
#include "cli/Commands.h"
#include "species/LookupLists.h"

#include <iostream>

namespace quillmark::cli {

namespace {
constexpr std::string_view kOtherLists[] = {"machines", "species"};
}

std::string listNames()
{
    std::string names;
    for (const auto list : {species::ValueList::Types, species::ValueList::Abilities,
                            species::ValueList::Items, species::ValueList::EggGroups,
                            species::ValueList::GrowthRates, species::ValueList::Colors,
                            species::ValueList::GenderRatios, species::ValueList::HatchSteps})
        names += std::string(species::listName(list)) + "|";
    for (const auto name : kOtherLists)
        names += std::string(name) + "|";
    names.pop_back();
    return names;
}

int runList(const std::string& what, const std::string& gameText, const std::string& romPath)
{
    std::optional<rom::Game> game;
    for (const auto each : {rom::Game::Diamond, rom::Game::Pearl, rom::Game::Platinum,
                            rom::Game::HeartGold, rom::Game::SoulSilver}) {
        if (lowered(rom::gameName(each)) == lowered(gameText))
            game = each;
    }
    if (!game)
        fail(BadInput, "--game is diamond, pearl, platinum, heartgold or soulsilver, not " +
                           species::quoteCell(gameText));
    const auto name = lowered(what);
    if (!romPath.empty() && name != "species")
        fail(BadInput, "--rom goes with list species only");
    if (name == "species" && !romPath.empty()) {
        // The ROM's own names: index, National Dex number (none for the egg records), name.
        const auto rom = openCliRom(romPath, Access::Read);
        for (int i = 0; i < static_cast<int>(rom.records().size()); ++i) {
            const auto base = species::baseSpeciesOf(i);
            std::cout << i << '\t' << (base ? std::to_string(species::dexOfSpecies(*base)) : std::string()) << '\t'
                      << rom.words().recordName(i) << '\n';
        }
        return Ok;
    }
    if (name == "species") {
        for (int i = 0; i < species::recordCountOf(*game); ++i)
            std::cout << i << '\t' << species::Vocabulary::builtIn().recordName(i) << '\n';
        return Ok;
    }
    if (name == "machines") {
        for (int bit = 0; bit < species::kMachineCount; ++bit)
            std::cout << species::machineName(bit) << '\t' << species::machineMove(bit, *game) << '\n';
        return Ok;
    }
    const auto list = species::listByName(what);
    if (!list)
        fail(BadInput, "no list named " + species::quoteCell(what) + "; the lists are " + listNames());
    const auto& entries = species::listEntries(*list, *game);
    for (std::size_t code = 0; code < entries.size(); ++code)
        std::cout << code << '\t' << entries[code] << '\n';
    return Ok;
}

} // namespace quillmark::cli
