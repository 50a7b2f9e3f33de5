#pragma once

#include "species/CsvWriter.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::cli {

using species::appendCsvField;
using species::kCsvByteOrderMark;
using species::writeCsv;

// The separator of a sheet by its first line, outside quotes: ';' as spreadsheets
// write CSV in locales with a decimal comma, a tab as text copied out of one, ','
// otherwise.
char detectSeparator(std::string_view text);

struct CsvRecord {
    int line = 0;  // 1-based line of the record's start
    std::vector<std::string> fields;
};

// Reads CSV as written above or by a spreadsheet (CRLF or LF, with or without the
// byte order mark, empty lines skipped), handing each record on as it is read, so
// that a sheet of millions of lines never lives in memory twice. False, and the
// reason, for a broken quote (the records before it have been handed on).
bool readCsv(std::string_view text, const std::function<void(CsvRecord&&)>& onRecord,
             std::string& error, char separator = ',');
// A record of empty cells only, as spreadsheets leave below the last row they wrote.
bool isBlankRecord(const CsvRecord& record);
// Says on standard error that these lines were skipped as empty; nothing for none.
void noteBlankLines(const std::vector<int>& lines);

// All records at once; nothing, and the reason, for a broken quote.
bool parseCsv(std::string_view text, std::vector<CsvRecord>& records, std::string& error,
              char separator = ',');

} // namespace quillmark::cli
