#include "cli/SheetText.h"

#include "rom/RomIdentification.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

namespace quillmark::cli {

namespace {

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Bytes 0x80..0x9F of Windows-1252; the five it leaves undefined map to the C1
// controls of the same number, as Windows itself converts them.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size());
    auto unit = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        // A lone surrogate is no character: the replacement character names the place.
        appendUtf8(out, c >= 0xD800 && c < 0xE000 ? char32_t{0xFFFD} : c);
    }
    return out;
}

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// Bytes no text in any of the encodings above holds: the C0 controls other than tab,
// line ends and form feed, DEL, and the five bytes Windows-1252 leaves undefined.
bool isTextByte(unsigned char c, bool utf8)
{
    if (c < 0x20)
        return c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == 0x1A;  // 0x1A: DOS end of file
    if (c == 0x7F)
        return false;
    return utf8 || !(c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D);
}

// A DS cartridge header, also one whose checksum is damaged or stale: a game code and
// a maker code of letters and digits, and a title of printable ASCII padded with NULs.
bool looksLikeDsHeaderOfAnyChecksum(std::string_view start)
{
    if (start.size() < 0x160)
        return false;
    const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(start.data()), start.size());
    if (rom::looksLikeDsHeader(bytes))
        return true;
    auto alnum = [](std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); };
    for (std::size_t i = 12; i < 18; ++i) {
        if (!alnum(bytes[i]))
            return false;
    }
    bool padding = false;
    for (std::size_t i = 0; i < 12; ++i) {
        if (bytes[i] == 0)
            padding = true;
        else if (padding || bytes[i] < 0x20 || bytes[i] > 0x7E)
            return false;
    }
    return bytes[0] != 0;
}

} // namespace

bool isValidUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size() || (length == 2 && c < 0xC2))
            return false;
        char32_t code = length == 1 ? c : c & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        // Overlong forms, surrogates and what lies past U+10FFFF are not UTF-8.
        if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code < 0xE000))
            return false;
        i += length;
    }
    return true;
}

std::string windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        appendUtf8(out, c >= 0x80 && c < 0xA0 ? char32_t{kWindows1252High[c - 0x80]} : char32_t{c});
    }
    return out;
}

DecodedSheet decodeSheet(std::string_view bytes)
{
    if (startsWith(bytes, "\xFF\xFE"))
        return {utf16ToUtf8(bytes.substr(2), false), SheetEncoding::Utf16LE};
    if (startsWith(bytes, "\xFE\xFF"))
        return {utf16ToUtf8(bytes.substr(2), true), SheetEncoding::Utf16BE};
    if (startsWith(bytes, "\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    if (isValidUtf8(bytes))
        return {std::string(bytes), SheetEncoding::Utf8};
    return {windows1252ToUtf8(bytes), SheetEncoding::Windows1252};
}

namespace {

// UTF-8, also when cut at 64 KiB inside a character: a last lead byte that its
// continuation bytes follow up to the cut, but not past what it announces.
bool isUtf8UpToACut(std::string_view start)
{
    if (isValidUtf8(start))
        return true;
    for (std::size_t tail = 1; tail <= 3 && tail <= start.size(); ++tail) {
        const auto lead = static_cast<unsigned char>(start[start.size() - tail]);
        if ((lead & 0xC0) == 0x80)
            continue;
        const std::size_t length = (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        return length > tail && isValidUtf8(start.substr(0, start.size() - tail));
    }
    return false;
}

} // namespace

std::optional<std::string> unreadableText(std::string_view start)
{
    constexpr std::string_view kSaveAs = "save it as \"CSV UTF-8\" (or as UTF-16 \"Unicode Text\") and import that";
    if (startsWith(start, std::string_view("\xFF\xFE\0\0", 4)))
        return "is UTF-32 text (little-endian, by its byte order mark), which is not read here: " + std::string(kSaveAs);
    if (startsWith(start, std::string_view("\0\0\xFE\xFF", 4)))
        return "is UTF-32 text (big-endian, by its byte order mark), which is not read here: " + std::string(kSaveAs);
    if (startsWith(start, "\xFF\xFE") || startsWith(start, "\xFE\xFF") || startsWith(start, "\xEF\xBB\xBF"))
        return std::nullopt;
    if (isUtf8UpToACut(start))
        return std::nullopt;
    // Text in all but a byte Windows-1252 leaves undefined: name it where it stands.
    std::optional<std::size_t> undefined;
    for (std::size_t i = 0; i < start.size(); ++i) {
        const auto c = static_cast<unsigned char>(start[i]);
        if (isTextByte(c, false))
            continue;
        if (!isTextByte(c, true))
            return std::nullopt;  // a control byte: binary, said elsewhere
        if (!undefined)
            undefined = i;
    }
    if (!undefined)
        return std::nullopt;
    const auto before = start.substr(0, *undefined);
    const auto line = 1 + std::count(before.begin(), before.end(), '\n');
    const auto lineStart = before.rfind('\n');
    const auto column = *undefined - (lineStart == std::string_view::npos ? 0 : lineStart + 1) + 1;
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(start[*undefined]);
    return "is neither UTF-8 nor Windows-1252: byte 0x" + std::string{kHex[byte >> 4], kHex[byte & 15]} +
           " at line " + std::to_string(line) + ", byte " + std::to_string(column) +
           " of that line, is no character in either; " + std::string(kSaveAs);
}

std::optional<std::string> workbookKind(std::string_view start)
{
    if (startsWith(start, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return "an Excel 97-2003 workbook (.xls)";
    if (!startsWith(start, "PK\x03\x04"))
        return std::nullopt;
    if (start.find("opendocument.spreadsheet") != std::string_view::npos)
        return "an OpenDocument spreadsheet (.ods)";
    if (start.find("xl/") != std::string_view::npos)
        return "an Excel workbook (.xlsx)";
    return std::nullopt;
}

std::optional<std::string> nonTextKind(std::string_view start)
{
    if (looksLikeDsHeaderOfAnyChecksum(start))
        return "a ROM image";
    if (auto workbook = workbookKind(start))
        return workbook;
    if (startsWith(start, "PK\x03\x04") || startsWith(start, "PK\x05\x06"))
        return "a zip archive";
    if (start.size() >= 262 && start.substr(257, 5) == "ustar")
        return "a tar archive";
    if (startsWith(start, "7z\xBC\xAF\x27\x1C"))
        return "a 7z archive";
    if (startsWith(start, "\x1F\x8B"))
        return "a gzip archive";
    if (startsWith(start, "\xFF\xFE") || startsWith(start, "\xFE\xFF"))
        return std::nullopt;  // UTF-16 text, NULs and all
    if (startsWith(start, "\xEF\xBB\xBF"))
        start.remove_prefix(3);
    const bool utf8 = isUtf8UpToACut(start);
    for (const char c : start) {
        if (!isTextByte(static_cast<unsigned char>(c), utf8))
            return "binary data";
    }
    return std::nullopt;
}

} // namespace quillmark::cli
