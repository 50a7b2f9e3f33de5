#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillmark::species {

// RFC 4180: CRLF line ends, fields quoted when they hold a comma, quote, line break
// or a blank at either end (spreadsheets would trim those). A UTF-8 byte order mark
// first, so that Excel reads the file as UTF-8.
std::string writeCsv(const std::vector<std::vector<std::string>>& rows, char separator = ',');

// One field as writeCsv writes it, quoted where it must be.
void appendCsvField(std::string& out, std::string_view field, char separator);
inline constexpr std::string_view kCsvByteOrderMark = "\xEF\xBB\xBF";

} // namespace quillmark::species
