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

namespace {

// One UTF-8 character in lower case: ASCII, and the Latin-1 capitals with accents.
std::string lowered(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 'A' && c <= 'Z') {
            out += static_cast<char>(c + 32);
        } else if (c == 0xC3 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9E && static_cast<unsigned char>(text[i + 1]) != 0x97) {
            out += text[i];
            out += static_cast<char>(static_cast<unsigned char>(text[++i]) + 0x20);
        } else {
            out += text[i];
        }
    }
    return out;
}

// SHARKOMP: Sharkomp; MR. SHARK: Mr. Shark; HO-OH: Ho-oh.
std::string titleCase(std::string_view name)
{
    const auto lower = lowered(name);
    std::string out;
    bool wordStart = true;
    for (std::size_t i = 0; i < lower.size(); ++i) {
        const char c = lower[i];
        out += wordStart && c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
        if (wordStart && c == '\xC3' && i + 1 < lower.size()) {
            const auto next = static_cast<unsigned char>(lower[i + 1]);
            out += next >= 0xA0 && next <= 0xBE && next != 0xB7 ? static_cast<char>(next - 0x20) : lower[i + 1];
            ++i;
        }
        wordStart = c == ' ';
    }
    return out;
}

} // namespace

Vocabulary Vocabulary::fromRom(const std::vector<std::string>& speciesNames)
{
    const auto& builtIn = Vocabulary::builtIn();
    std::vector<std::string> names;
    for (int i = 0; i < builtIn.recordCount(); ++i) {
        const auto& ours = builtIn.recordName(i);
        if (i >= static_cast<int>(speciesNames.size())) {
            names.push_back(ours);
            continue;
        }
        const auto& rom = speciesNames[static_cast<std::size_t>(i)];
        names.push_back(nameKey(rom) == nameKey(ours) ? ours : titleCase(rom));
    }
    Vocabulary words(std::move(names));
    for (int i = 0; i < builtIn.recordCount(); ++i)
        words.m_builtInKeys.push_back(builtIn.m_keys[static_cast<std::size_t>(i)]);
    return words;
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
    // Then by the built-in name, for what was written before the ROM renamed it.
    for (int i = 0; i < count && i < static_cast<int>(m_builtInKeys.size()); ++i) {
        if (m_builtInKeys[static_cast<std::size_t>(i)] == key)
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
