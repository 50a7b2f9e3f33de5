#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmark::species {

// "1 byte", "2 bytes", "0 moves": a count with its noun in the number it needs.
inline std::string quantity(std::int64_t count, std::string_view singular)
{
    auto text = std::to_string(count) + " " + std::string(singular);
    if (count != 1 && count != -1)
        text += 's';
    return text;
}

// A count as people say a large one: exact below ten thousand ("9,999" reads badly
// where "about 3.5 million" reads at once), then "about 344 thousand", "3.5 million".
inline std::string roughQuantity(std::int64_t count, std::string_view singular)
{
    const auto plural = std::string(singular) + "s";
    if (count < 10000)
        return quantity(count, singular);
    if (count < 1000000)
        return "about " + std::to_string(count / 1000) + " thousand " + plural;
    const auto tenths = count / 100000;
    return "about " + std::to_string(tenths / 10) + (tenths % 10 ? "." + std::to_string(tenths % 10) : "") +
           " million " + plural;
}

} // namespace quillmark::species
