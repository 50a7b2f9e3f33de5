#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillmark::platform {

// The user's number format as far as this program needs it. The window fills it
// from the system locale; the core never asks the environment itself.
struct NumberFormat {
    std::string decimalSeparator = ".";
};

// At most 15 significant digits, no exponent, no trailing zeros, and no separator at
// all for a whole number: 100 -> "100", 100.0/254 -> "0.393700787401575".
std::string doubleToText(double value, const NumberFormat& format);

// Decimal text with the user's separator, fractions allowed, surrounding blanks
// ignored. Anything else (empty, letters, "1,,", a lone sign) is no number.
std::optional<double> textToDouble(std::string_view text, const NumberFormat& format);

// One to four hexadecimal digits, either case, read as a 16-bit two's-complement
// value: "FF" -> 255, "0134" -> 308, "FFFF" -> -1.
std::optional<int> hexToInt(std::string_view digits);

// Nearest whole number, an exact half going to the even neighbour (2.5 -> 2, 3.5 -> 4).
std::int64_t roundHalfEven(double value);

// Upper-case hexadecimal digits without leading zeros. A negative value that fits
// 16 bits is written as its 16-bit two's complement (-1 -> "FFFF").
std::string toHex(std::int64_t value);

} // namespace quillmark::platform
