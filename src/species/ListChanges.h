#pragma once

#include "species/RomChange.h"

#include <algorithm>
#include <string>
#include <vector>

namespace quillmark::species {

// What one list loses and gains between two ROMs, entries matched one for one whatever
// their order: the removed in the old order, the added in the new, each a row of field
// "move"; nothing either way and yet another list: one row "order", the same entries in
// another order.
template <typename Entry, typename Text>
void compareLists(const std::vector<Entry>& was, const std::vector<Entry>& now, Text text, const RomChange& base,
                  std::vector<RomChange>& changes)
{
    if (was == now)
        return;
    // The entries of `list` that `other` does not match one for one, in list's order.
    auto unmatchedIn = [](const std::vector<Entry>& list, std::vector<Entry> other) {
        std::vector<Entry> left;
        for (const auto& entry : list) {
            if (const auto found = std::find(other.begin(), other.end(), entry); found != other.end())
                other.erase(found);
            else
                left.push_back(entry);
        }
        return left;
    };
    const auto removed = unmatchedIn(was, now), added = unmatchedIn(now, was);
    for (const auto& entry : removed)
        changes.push_back({base.index, base.dex, base.name, base.part, "move", text(entry), ""});
    for (const auto& entry : added)
        changes.push_back({base.index, base.dex, base.name, base.part, "move", "", text(entry)});
    if (removed.empty() && added.empty()) {
        auto joined = [&](const std::vector<Entry>& list) {
            std::string all;
            for (const auto& entry : list)
                all += (all.empty() ? "" : ", ") + text(entry);
            return all;
        };
        changes.push_back({base.index, base.dex, base.name, base.part, "order", joined(was), joined(now)});
    }
}

} // namespace quillmark::species
