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

} // namespace quillmark::species
