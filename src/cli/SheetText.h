#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillmark::cli {

// How a sheet's bytes were taken: spreadsheets save CSV in UTF-8 (with or without a
// byte order mark), as "Unicode Text" in UTF-16 with one, or in the Windows code page.
enum class SheetEncoding { Utf8, Utf16LE, Utf16BE, Windows1252 };

struct DecodedSheet {
    std::string utf8;  // without a byte order mark
    SheetEncoding encoding = SheetEncoding::Utf8;
};

// UTF-16 with its byte order mark, UTF-8, or else Windows-1252, as UTF-8 text.
DecodedSheet decodeSheet(std::string_view bytes);

bool isValidUtf8(std::string_view text);
std::string windows1252ToUtf8(std::string_view bytes);

// What a file that holds no text is, in words for a message ("an Excel workbook
// (.xlsx)", "a zip archive", "a ROM image", "binary data"), judged by its first bytes
// (64 KiB are enough); nothing when it reads as text in one of the encodings above.
std::optional<std::string> nonTextKind(std::string_view start);

// Text this program cannot read, in a sentence that says what to do: UTF-32 (named by
// its byte order mark), or a sheet that is neither UTF-8 nor Windows-1252 for one of
// the five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D), named
// with its line and column. Checked before nonTextKind, which would call both binary.
std::optional<std::string> unreadableText(std::string_view start);

// The same for a workbook alone: an Excel or OpenDocument file, which holds the sheet
// but is no CSV.
std::optional<std::string> workbookKind(std::string_view start);

} // namespace quillmark::cli
