#include "rom/HexCodec.h"

#include "platform/Conversions.h"

namespace quillmark::rom {

namespace {

std::string padToEvenLength(std::string_view hex)
{
    std::string padded;
    padded.reserve(hex.size() + 1);
    if (hex.size() % 2 != 0)
        padded += '0';
    padded += hex;
    return padded;
}

} // namespace

std::string bytesToHex(std::span<const std::uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const auto byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

std::optional<std::vector<std::uint8_t>> hexToBytes(std::string_view hex)
{
    const std::string padded = padToEvenLength(hex);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(padded.size() / 2);
    for (std::size_t i = 0; i < padded.size(); i += 2) {
        const auto value = platform::hexToInt(std::string_view(padded).substr(i, 2));
        if (!value)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(*value));
    }
    return bytes;
}

std::string ReverseHexBytes(std::string_view hex)
{
    const std::string padded = padToEvenLength(hex);
    std::string reversed;
    reversed.reserve(padded.size());
    for (std::size_t end = padded.size(); end >= 2; end -= 2)
        reversed.append(padded, end - 2, 2);
    return reversed;
}

} // namespace quillmark::rom
