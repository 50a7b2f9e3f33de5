#include "cli/Csv.h"

namespace quillmark::cli {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string quoted(const std::string& field, char separator)
{
    const char special[] = {separator, '"', '\r', '\n', '\0'};
    const bool needs = field.find_first_of(special) != std::string::npos ||
                       (!field.empty() && (field.front() == ' ' || field.back() == ' '));
    if (!needs)
        return field;
    std::string out = "\"";
    for (const char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}

} // namespace

std::string writeCsv(const std::vector<std::vector<std::string>>& rows, char separator)
{
    std::string out(kBom);
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i)
                out += separator;
            out += quoted(row[i], separator);
        }
        out += "\r\n";
    }
    return out;
}

char detectSeparator(std::string_view text)
{
    if (text.substr(0, kBom.size()) == kBom)
        text.remove_prefix(kBom.size());
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
    if (text.substr(0, kBom.size()) == kBom)
        text.remove_prefix(kBom.size());
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

} // namespace quillmark::cli
