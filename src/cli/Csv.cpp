#include "cli/Csv.h"

#include <algorithm>
#include <iostream>

namespace quillmark::cli {

char detectSeparator(std::string_view text)
{
    if (text.substr(0, kCsvByteOrderMark.size()) == kCsvByteOrderMark)
        text.remove_prefix(kCsvByteOrderMark.size());
    std::size_t commas = 0, semicolons = 0, tabs = 0;
    bool inQuotes = false;
    for (const char c : text) {
        if (c == '"')
            inQuotes = !inQuotes;
        else if (!inQuotes && (c == '\n' || c == '\r'))
            break;
        else if (!inQuotes) {
            commas += c == ',';
            semicolons += c == ';';
            tabs += c == '\t';
        }
    }
    if (semicolons > commas && semicolons >= tabs)
        return ';';
    if (tabs > commas && tabs > semicolons)
        return '\t';
    return ',';
}

bool parseCsv(std::string_view text, std::vector<CsvRecord>& records, std::string& error, char separator)
{
    std::vector<CsvRecord> read;
    if (!readCsv(text, [&](CsvRecord&& record) { read.push_back(std::move(record)); }, error, separator))
        return false;
    records = std::move(read);
    return true;
}

bool readCsv(std::string_view text, const std::function<void(CsvRecord&&)>& onRecord,
             std::string& error, char separator)
{
    if (text.substr(0, kCsvByteOrderMark.size()) == kCsvByteOrderMark)
        text.remove_prefix(kCsvByteOrderMark.size());
    int line = 1;
    std::size_t i = 0;
    while (i < text.size()) {
        CsvRecord record{line, {}};
        std::string field;
        bool endOfRecord = false;
        while (!endOfRecord) {
            if (i < text.size() && text[i] == '"') {
                const int startLine = line;
                ++i;
                while (true) {
                    if (i >= text.size()) {
                        error = "line " + std::to_string(startLine) + ": a quoted field is not closed";
                        return false;
                    }
                    if (text[i] == '"') {
                        if (i + 1 < text.size() && text[i + 1] == '"') {
                            field += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (text[i] == '\n')
                        ++line;
                    field += text[i++];
                }
            }
            std::size_t end = i;
            while (end < text.size() && text[end] != separator && text[end] != '\n' && text[end] != '\r')
                ++end;
            field.append(text.substr(i, end - i));
            i = end;
            record.fields.push_back(std::move(field));
            field.clear();
            if (i < text.size() && text[i] == separator) {
                ++i;
                continue;
            }
            if (i < text.size() && text[i] == '\r')
                ++i;
            if (i < text.size() && text[i] == '\n')
                ++i;
            ++line;
            endOfRecord = true;
        }
        if (!(record.fields.size() == 1 && record.fields[0].empty()))
            onRecord(std::move(record));
    }
    return true;
}

bool isBlankRecord(const CsvRecord& record)
{
    return std::all_of(record.fields.begin(), record.fields.end(), [](const std::string& field) {
        return field.find_first_not_of(" \t") == std::string::npos;
    });
}

void noteBlankLines(const std::vector<int>& lines)
{
    if (lines.empty())
        return;
    std::string which;
    for (std::size_t i = 0; i < lines.size() && i < 10; ++i)
        which += (i ? ", " : "") + std::to_string(lines[i]);
    if (lines.size() > 10)
        which += " and " + std::to_string(lines.size() - 10) + " more";
    std::cerr << "quillmark-cli: note: " << (lines.size() == 1 ? "line " : "lines ") << which
              << (lines.size() == 1 ? " holds" : " hold") << " only empty cells and " << (lines.size() == 1 ? "was" : "were")
              << " skipped\n";
}

} // namespace quillmark::cli
