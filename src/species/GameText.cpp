#include "species/GameText.h"

#include "rom/MessageBank.h"
#include "species/CharacterTable.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace quillmark::species {

namespace {

const GameCharacter* characterOf(std::uint16_t code)
{
    const auto found = std::lower_bound(GameCharacters.begin(), GameCharacters.end(), code,
                                        [](const GameCharacter& c, std::uint16_t value) { return c.code < value; });
    return found != GameCharacters.end() && found->code == code ? &*found : nullptr;
}

// Each text's code: the lowest where two codes share a text (a Japanese "ｚ").
const std::map<std::string_view, std::uint16_t>& codesByText()
{
    static const auto codes = [] {
        std::map<std::string_view, std::uint16_t> made;
        for (const auto& c : GameCharacters)
            made.emplace(c.text, c.code);
        return made;
    }();
    return codes;
}

std::size_t longestText()
{
    static const auto longest = [] {
        std::size_t n = 0;
        for (const auto& c : GameCharacters)
            n = std::max(n, c.text.size());
        return n;
    }();
    return longest;
}

std::string hexUnits(std::span<const std::uint16_t> units)
{
    std::string text = "{";
    for (std::size_t i = 0; i < units.size(); ++i) {
        char word[8];
        std::snprintf(word, sizeof word, "%04X", units[i]);
        // Appended piece by piece: GCC 12 warns wrongly about " " + std::string(word).
        if (i)
            text += ' ';
        text += word;
    }
    return text + "}";
}

void appendCharacter(std::string& text, std::uint16_t code)
{
    if (const auto* c = characterOf(code))
        text += c->text;
    else
        text += hexUnits(std::span(&code, 1));
}

// The 9-bit characters packed after 0xF100, least significant bit first into 15-bit
// units, up to the value 0x1FF; `i` is left on the first unit after them.
void appendCompressed(std::string& text, std::span<const std::uint16_t> units, std::size_t& i)
{
    std::uint32_t bits = 0;
    int count = 0;
    while (i < units.size()) {
        bits |= std::uint32_t{units[i++] & 0x7FFFu} << count;
        count += 15;
        while (count >= 9) {
            const auto code = static_cast<std::uint16_t>(bits & 0x1FF);
            bits >>= 9;
            count -= 9;
            if (code == 0x1FF)
                return;
            appendCharacter(text, code);
        }
    }
}

} // namespace

std::string decodeGameText(std::span<const std::uint16_t> units)
{
    std::string text;
    for (std::size_t i = 0; i < units.size();) {
        const auto unit = units[i];
        if (unit == rom::kTextEnd)
            break;
        if (unit == kCommand && i + 2 < units.size()) {
            const auto end = std::min(units.size(), i + 3 + units[i + 2]);
            text += hexUnits(units.subspan(i, end - i));
            i = end;
            continue;
        }
        ++i;
        if (unit == kLineBreak)
            text += '\n';
        else if (unit == kNewBox)
            text += '\r';
        else if (unit == kScroll)
            text += '\f';
        else if (unit == kCompressed)
            appendCompressed(text, units, i);
        else
            appendCharacter(text, unit);
    }
    return text;
}

Result<std::vector<std::uint16_t>, TextRefusal> encodeGameText(std::string_view text)
{
    std::vector<std::uint16_t> units;
    const auto& codes = codesByText();
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (c == '\n' || c == '\r' || c == '\f') {
            units.push_back(c == '\n' ? kLineBreak : c == '\r' ? kNewBox : kScroll);
            ++at;
            continue;
        }
        if (c == '{') {
            // Units written as hex: as they stood.
            const auto close = text.find('}', at);
            if (close != std::string_view::npos) {
                std::string group(text.substr(at + 1, close - at - 1));
                std::size_t pos = 0;
                bool valid = !group.empty();
                std::vector<std::uint16_t> written;
                while (valid && pos < group.size()) {
                    const auto space = std::min(group.find(' ', pos), group.size());
                    const auto word = group.substr(pos, space - pos);
                    valid = word.size() == 4 && word.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
                    if (valid)
                        written.push_back(static_cast<std::uint16_t>(std::stoul(word, nullptr, 16)));
                    pos = space + 1;
                }
                if (valid) {
                    units.insert(units.end(), written.begin(), written.end());
                    at = close + 1;
                    continue;
                }
            }
        }
        // The longest text of the table that stands here.
        bool found = false;
        for (auto n = std::min(longestText(), text.size() - at); n > 0 && !found; --n) {
            if (const auto code = codes.find(text.substr(at, n)); code != codes.end()) {
                units.push_back(code->second);
                at += n;
                found = true;
            }
        }
        if (!found) {
            // One character, as UTF-8 writes it.
            const auto lead = static_cast<unsigned char>(c);
            const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            return TextRefusal{std::string(text.substr(at, length)), at};
        }
    }
    units.push_back(rom::kTextEnd);
    return units;
}

} // namespace quillmark::species
