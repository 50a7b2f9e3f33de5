#include "species/CsvWriter.h"

namespace quillmark::species {

void appendCsvField(std::string& out, std::string_view field, char separator)
{
    bool needs = !field.empty() && (field.front() == ' ' || field.back() == ' ');
    for (const char c : field)
        needs = needs || c == separator || c == '"' || c == '\r' || c == '\n';
    if (!needs) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

std::string writeCsv(const std::vector<std::vector<std::string>>& rows, char separator)
{
    std::string out(kCsvByteOrderMark);
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i)
                out += separator;
            appendCsvField(out, row[i], separator);
        }
        out += "\r\n";
    }
    return out;
}

} // namespace quillmark::species
