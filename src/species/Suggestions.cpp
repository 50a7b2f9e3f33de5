#include "species/Suggestions.h"

#include "species/LookupLists.h"

#include <algorithm>

namespace quillmark::species {

namespace {

constexpr std::size_t kShown = 5;

// The distinct names at `found`, in the list's order.
std::string listed(const std::vector<std::string_view>& names, const std::vector<int>& found)
{
    std::vector<std::string_view> distinct;
    for (const int i : found) {
        const auto name = names[static_cast<std::size_t>(i)];
        if (std::find(distinct.begin(), distinct.end(), name) == distinct.end())
            distinct.push_back(name);
    }
    std::string out;
    for (std::size_t k = 0; k < distinct.size() && k < kShown; ++k)
        out += (k == 0 ? "" : ", ") + std::string(distinct[k]);
    if (distinct.size() > kShown)
        out += " and " + std::to_string(distinct.size() - kShown) + " more";
    return out;
}

} // namespace

std::string suggestedNames(std::string_view text, const std::vector<std::string_view>& names)
{
    const auto key = nameKey(text);
    if (key.empty())
        return {};
    std::vector<std::string> keys;
    keys.reserve(names.size());
    for (const auto name : names)
        keys.push_back(nameKey(name));
    std::vector<int> starting, holding;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].empty())
            continue;
        if (keys[i].starts_with(key))
            starting.push_back(static_cast<int>(i));
        else if (keys[i].find(key) != std::string::npos)
            holding.push_back(static_cast<int>(i));
    }
    if (!starting.empty())
        return listed(names, starting);
    if (!holding.empty())
        return listed(names, holding);
    // A name with no letters (the "-" of no choice) is near nothing.
    return listed(names, nearestCandidates(key, static_cast<int>(keys.size()), [&](int i) {
                      const auto& candidate = keys[static_cast<std::size_t>(i)];
                      return candidate.empty() ? std::string(key.size() + 8, '\x01') : candidate;
                  }));
}

std::string didYouMean(std::string_view text, const std::vector<std::string_view>& names)
{
    const auto suggested = suggestedNames(text, names);
    return suggested.empty() ? std::string() : "; did you mean " + suggested + "?";
}

} // namespace quillmark::species
