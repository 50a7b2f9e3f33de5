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

int runList(const std::string& what)
{
    if (what == "species") {
        for (std::size_t i = 0; i < species::SpeciesNames.size(); ++i)
            std::cout << i << '\t' << species::SpeciesNames[i] << '\n';
        return Ok;
    }
    if (what == "machines") {
        for (int bit = 0; bit < species::kMachineCount; ++bit)
            std::cout << species::machineName(bit) << '\t' << species::machineMove(bit) << '\n';
        return Ok;
    }
    const auto list = species::listByName(what);
    if (!list)
        fail(BadInput, "no list named " + species::quoteCell(what) + "; the lists are " + listNames());
    const auto& entries = species::listEntries(*list);
    for (std::size_t code = 0; code < entries.size(); ++code)
        std::cout << code << '\t' << entries[code] << '\n';
    return Ok;
}

} // namespace quillmark::cli
