#include "species/Vocabulary.h"

#include "species/LookupLists.h"

#include <algorithm>

namespace quillmark::species {

const Vocabulary& Vocabulary::builtIn()
{
    static const Vocabulary words = [] {
        std::vector<std::string> names(SpeciesNames.begin(), SpeciesNames.end());
        names.insert(names.end(), FormNames.begin(), FormNames.end());
        return Vocabulary(std::move(names));
    }();
    return words;
}

Vocabulary::Vocabulary(std::vector<std::string> recordNames) : m_names(std::move(recordNames))
{
    for (const auto& name : m_names) {
        m_keys.push_back(nameKey(name));
        m_formKeys.push_back(formKey(name));
    }
}

const std::string& Vocabulary::recordName(int index) const
{
    static const std::string none;
    return index >= 0 && index < recordCount() ? m_names[static_cast<std::size_t>(index)] : none;
}

std::string Vocabulary::recordLabel(int index) const
{
    return recordName(index) + " (" + std::to_string(index) + ")";
}

std::string Vocabulary::memberLabel(int member) const
{
    return member >= 1 && member <= recordCount() ? recordLabel(recordOfMember(member))
                                                  : "member " + std::to_string(member);
}

std::optional<int> Vocabulary::findRecord(std::string_view text, int count) const
{
    const auto key = nameKey(text);
    if (key.empty())
        return std::nullopt;
    count = std::min(count, recordCount());
    for (int i = 0; i < count; ++i) {
        if (m_keys[static_cast<std::size_t>(i)] == key)
            return i;
    }
    // Then in any order of words: "Heat Rotom" is Rotom (Heat).
    const auto words = formKey(text);
    for (int i = 0; i < count; ++i) {
        if (m_formKeys[static_cast<std::size_t>(i)] == words)
            return i;
    }
    return std::nullopt;
}

std::vector<std::string> Vocabulary::nearestRecordNames(std::string_view text, int count) const
{
    std::vector<std::string> names;
    count = std::min(count, recordCount());
    for (const int i : nearestCandidates(nameKey(text), count, [&](int k) { return m_keys[static_cast<std::size_t>(k)]; })) {
        if (names.size() < 3)
            names.push_back(recordName(i));
    }
    return names;
}

} // namespace quillmark::species
