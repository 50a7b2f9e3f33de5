#include "platform/Conversions.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace quillmark::platform {

std::string doubleToText(double value, const NumberFormat& format)
{
    if (value == 0.0 || !std::isfinite(value))
        return value == 0.0 ? "0" : std::string();
    const int integerDigits = static_cast<int>(std::floor(std::log10(std::fabs(value)))) + 1;
    const int decimals = integerDigits >= 15 ? 0 : 15 - integerDigits;
    // to_chars, unlike printf, ignores the process locale: a German session would
    // otherwise get "," here and no trailing zeros trimmed.
    char buffer[400];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value,
                                       std::chars_format::fixed, decimals);
    std::string text(buffer, written.ptr);
    if (const auto point = text.find('.'); point != std::string::npos) {
        const auto last = text.find_last_not_of('0');
        text.erase(last == point ? point : last + 1);
        if (last != point)
            text.replace(point, 1, format.decimalSeparator);
    }
    return text == "-0" ? "0" : text;
}

std::optional<double> textToDouble(std::string_view text, const NumberFormat& format)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);

    // Rebuilt with "." as the separator, whatever the user's is.
    std::string plain;
    std::size_t i = 0;
    const auto digitsAt = [&](std::size_t from) {
        std::size_t n = 0;
        while (from + n < text.size() && text[from + n] >= '0' && text[from + n] <= '9')
            ++n;
        return n;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        plain += text[i++];
    const auto whole = digitsAt(i);
    plain.append(text.substr(i, whole));
    i += whole;
    std::size_t fraction = 0;
    const auto& sep = format.decimalSeparator;
    if (!sep.empty() && text.substr(i, sep.size()) == sep) {
        i += sep.size();
        fraction = digitsAt(i);
        plain += '.';
        plain.append(text.substr(i, fraction));
        i += fraction;
    }
    if (whole + fraction == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        const auto exponent = digitsAt(j);
        if (exponent == 0)
            return std::nullopt;
        plain.append(text.substr(i, j + exponent - i));
        i = j + exponent;
    }
    if (i != text.size())
        return std::nullopt;
    // from_chars reads "." whatever the process locale says; strtod would stop at it
    // in a German session and turn 3,5 into 3.
    const char* first = plain.data();
    if (*first == '+')
        ++first;
    double value = 0;
    const auto [end, error] = std::from_chars(first, plain.data() + plain.size(), value);
    if (error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> hexToInt(std::string_view digits)
{
    if (digits.empty() || digits.size() > 4)
        return std::nullopt;
    int value = 0;
    for (const char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return std::nullopt;
        value = value * 16 + digit;
    }
    return value >= 0x8000 ? value - 0x10000 : value;
}

std::int64_t roundHalfEven(double value)
{
    // nearbyint follows the current rounding mode, which is to-nearest-even unless
    // someone changed it; do it by hand to be independent of that.
    const double floor = std::floor(value);
    const double diff = value - floor;
    auto result = static_cast<std::int64_t>(floor);
    if (diff > 0.5 || (diff == 0.5 && (result % 2 != 0)))
        ++result;
    return result;
}

std::string toHex(std::int64_t value)
{
    std::uint64_t bits;
    if (value >= 0)
        bits = static_cast<std::uint64_t>(value);
    else if (value >= -0x8000)
        bits = static_cast<std::uint64_t>(value) & 0xFFFFu;
    else
        bits = static_cast<std::uint64_t>(value) & 0xFFFFFFFFu;
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(bits));
    return buffer;
}

} // namespace quillmark::platform
