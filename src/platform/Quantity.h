#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmark::platform {

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
    if (count < 10000)
        return quantity(count, singular);
    // Appended piece by piece: GCC 12 warns wrongly about "text" + std::to_string(n).
    std::string text = "about ";
    if (count < 1000000) {
        text.append(std::to_string(count / 1000)).append(" thousand ");
    } else {
        const auto tenths = (count + 50000) / 100000;
        text.append(std::to_string(tenths / 10));
        if (tenths % 10)
            text.append(".").append(std::to_string(tenths % 10));
        text.append(" million ");
    }
    return text.append(singular).append("s");
}

} // namespace quillmark::platform
