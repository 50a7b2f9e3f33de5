#include "species/SheetTexts.h"

#include "species/LookupLists.h"
#include "species/MoveNames.h"
#include "species/SpeciesRecord.h"

namespace quillmark::species {

// Built in two steps: GCC 12 warns wrongly about "#" + std::to_string(code) when
// optimising.
std::string numberedCode(int code)
{
    std::string text(1, '#');
    return text += std::to_string(code);
}

std::string itemText(int id, rom::Game game)
{
    const auto& items = itemNamesOf(game);
    return id >= 0 && id < static_cast<int>(items.size()) ? items[static_cast<std::size_t>(id)] : numberedCode(id);
}

std::string memberText(int member, const Vocabulary& words)
{
    return member >= 1 && member <= kSpeciesCount ? words.recordName(recordOfMember(member)) : numberedCode(member);
}

std::string moveText(int id)
{
    return id >= 0 && id < kMoveCount ? std::string(MoveNames[static_cast<std::size_t>(id)]) : numberedCode(id);
}

} // namespace quillmark::species
