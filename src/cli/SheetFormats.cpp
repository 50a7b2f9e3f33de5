#include "cli/SheetFormats.h"

#include "cli/CliRom.h"
#include "cli/Csv.h"
#include "species/LookupLists.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

namespace quillmark::cli {

using species::ColumnKind;
using species::RecordColumn;

namespace {

// A full sheet is about 100 KB; anything this large is not one.
constexpr std::size_t kMaxInput = std::size_t{16} << 20;
// An array of species objects, and in them the machines as an array or object.
constexpr int kMaxJsonDepth = 3;

std::optional<SheetFormat> formatByName(std::string_view name)
{
    const auto lower = lowered(name);
    if (lower == "csv")
        return SheetFormat::Csv;
    if (lower == "json")
        return SheetFormat::Json;
    return std::nullopt;
}

std::optional<SheetFormat> formatByExtension(const std::string& path)
{
    const auto ext = lowered(std::filesystem::path(path).extension().string());
    if (ext == ".json")
        return SheetFormat::Json;
    if (ext == ".csv")
        return SheetFormat::Csv;
    return std::nullopt;
}

SheetFormat formatOption(const std::string& option)
{
    const auto format = formatByName(option);
    if (!format)
        fail(BadInput, "--format is csv or json, not " + species::quoteCell(option));
    return *format;
}

// How a cell of a column is given: a whole number, a text, or machine names.
enum class CellType { Number, Text, Machines, Unknown };

CellType cellType(const std::string& column)
{
    if (column == "index" || species::findCodeColumn(column))
        return CellType::Number;
    if (column == "name")
        return CellType::Text;
    const auto* known = species::findColumn(column);
    if (!known)
        return CellType::Unknown;
    if (known->kind == ColumnKind::Machines)
        return CellType::Machines;
    return known->hasList() ? CellType::Text : CellType::Number;
}

std::vector<SheetRow> readCsvSheet(std::string_view text, ErrorList& errors)
{
    std::vector<CsvRecord> records;
    std::string error;
    if (!parseCsv(text, records, error)) {
        errors.add("", "not valid CSV: " + error);
        return {};
    }
    if (records.empty()) {
        errors.add("", "the sheet is empty: no header line");
        return {};
    }
    const auto& header = records.front().fields;
    // Columns that cannot be used are reported here, once, and left out of the rows.
    std::vector<bool> usable(header.size(), true);
    std::map<std::string, std::size_t> seen;
    for (std::size_t c = 0; c < header.size(); ++c) {
        const auto where = "line 1, column " + std::to_string(c + 1);
        if (cellType(header[c]) == CellType::Unknown) {
            errors.add(where, "unknown column " + species::quoteCell(header[c]) +
                                  " (quillmark-cli export shows the columns)");
            usable[c] = false;
        } else if (const auto [at, added] = seen.emplace(header[c], c + 1); !added) {
            errors.add(where, "the column " + species::quoteCell(header[c]) +
                                  " is given twice (columns " + std::to_string(at->second) +
                                  " and " + std::to_string(c + 1) + ")");
            usable[c] = false;
        }
    }
    std::vector<SheetRow> rows;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const auto& record = records[r];
        const auto line = "line " + std::to_string(record.line);
        if (record.fields.size() != header.size()) {
            errors.add(line, "has " + std::to_string(record.fields.size()) + " fields, the header " +
                                 std::to_string(header.size()));
            continue;
        }
        SheetRow row{line, {}};
        for (std::size_t c = 0; c < header.size(); ++c) {
            if (usable[c])
                row.cells.emplace_back(header[c], Cell{record.fields[c], line + ", column " +
                                                                             std::to_string(c + 1) +
                                                                             " (" + header[c] + ")"});
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// Deeper nesting than a list of species objects is refused before the parser walks it.
bool nestedTooDeep(std::string_view text)
{
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxJsonDepth)
                return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

// The cell text of a JSON value, if its type suits the column.
std::optional<std::string> jsonCell(const nlohmann::json& value, CellType type)
{
    switch (type) {
    case CellType::Number:
        if (value.is_number_unsigned())
            return std::to_string(value.get<std::uint64_t>());
        return std::nullopt;
    case CellType::Text:
        if (value.is_string())
            return value.get<std::string>();
        return std::nullopt;
    case CellType::Machines: {
        if (value.is_string())
            return value.get<std::string>();
        std::string names;
        if (value.is_array()) {
            for (const auto& name : value) {
                if (!name.is_string())
                    return std::nullopt;
                names += name.get<std::string>() + " ";
            }
            return names;
        }
        if (value.is_object()) {
            for (const auto& item : value.items())
                names += item.key() + " ";
            return names;
        }
        return std::nullopt;
    }
    case CellType::Unknown: break;
    }
    return std::nullopt;
}

std::string_view typeWanted(CellType type)
{
    switch (type) {
    case CellType::Number: return "a whole number (not a text, not a fraction)";
    case CellType::Text: return "a text";
    case CellType::Machines: return "a list of machine names";
    case CellType::Unknown: break;
    }
    return "";
}

std::vector<SheetRow> readJsonSheet(std::string_view text, ErrorList& errors)
{
    if (nestedTooDeep(text)) {
        errors.add("", "the JSON is nested deeper than a list of species objects");
        return {};
    }
    int row = 0;
    std::vector<std::set<std::string>> keys;
    bool duplicates = false;
    auto callback = [&](int, nlohmann::json::parse_event_t event, nlohmann::json& parsed) {
        using Event = nlohmann::json::parse_event_t;
        if (event == Event::object_start) {
            if (keys.empty())
                ++row;
            keys.emplace_back();
        } else if (event == Event::object_end && !keys.empty()) {
            keys.pop_back();
        } else if (event == Event::key && !keys.empty()) {
            const auto key = parsed.get<std::string>();
            if (!keys.back().insert(key).second) {
                errors.add("row " + std::to_string(row), "the key " + species::quoteCell(key) +
                                                             " is given twice");
                duplicates = true;
            }
        }
        return true;
    };
    nlohmann::json json;
    try {
        json = nlohmann::json::parse(text.begin(), text.end(), callback);
    } catch (const nlohmann::json::exception& e) {
        errors.add("", "not valid JSON: " + std::string(e.what()).substr(0, 200));
        return {};
    }
    if (duplicates)
        return {};
    if (!json.is_array()) {
        errors.add("", "expected a JSON array of species objects");
        return {};
    }
    std::set<std::string> unknownReported;
    std::vector<SheetRow> rows;
    for (std::size_t r = 0; r < json.size(); ++r) {
        const auto where = "row " + std::to_string(r + 1);
        if (!json[r].is_object()) {
            errors.add(where, "is not an object of fields");
            continue;
        }
        SheetRow sheetRow{where, {}};
        for (const auto& item : json[r].items()) {
            const auto type = cellType(item.key());
            if (type == CellType::Unknown) {
                if (unknownReported.insert(item.key()).second)
                    errors.add(where, "unknown field " + species::quoteCell(item.key()) +
                                          " (quillmark-cli export --format json shows the fields)");
                continue;
            }
            const auto cell = jsonCell(item.value(), type);
            if (!cell) {
                errors.add(where + ", " + item.key(),
                           "must be " + std::string(typeWanted(type)) + ", not " +
                               species::quoteCell(item.value().dump()));
                continue;
            }
            sheetRow.cells.emplace_back(item.key(), Cell{*cell, where + ", " + item.key()});
        }
        rows.push_back(std::move(sheetRow));
    }
    return rows;
}

std::string columnHeader(const RecordColumn& column, bool codes)
{
    return codes && column.hasList() ? species::codeColumnName(column) : std::string(column.name);
}

std::string writeJson(const std::vector<species::RecordBytes>& records,
                      const std::vector<int>& indices, bool codes, rom::Game game)
{
    nlohmann::ordered_json json = nlohmann::ordered_json::array();
    for (const int index : indices) {
        const auto& record = records[static_cast<std::size_t>(index)];
        nlohmann::ordered_json object;
        object["index"] = index;
        object["name"] = species::recordName(index);
        for (const auto& column : species::recordColumns()) {
            const auto key = columnHeader(column, codes);
            if (column.kind == ColumnKind::Machines) {
                nlohmann::ordered_json machines = nlohmann::ordered_json::object();
                for (const int bit : species::machinesOf(record))
                    machines[species::machineName(bit)] = species::machineMove(bit, game);
                object[key] = std::move(machines);
            } else if (column.hasList() && !codes) {
                object[key] = species::cellText(column, record, game);
            } else {
                object[key] = species::codeOf(column, record);
            }
        }
        json.push_back(std::move(object));
    }
    return json.dump(2) + "\n";
}

} // namespace

SheetFormat outputFormat(const std::string& option, const std::string& path)
{
    if (!option.empty())
        return formatOption(option);
    return formatByExtension(path).value_or(SheetFormat::Csv);
}

SheetFormat inputFormat(const std::string& option, const std::string& path, std::string_view content)
{
    if (!option.empty())
        return formatOption(option);
    if (const auto format = formatByExtension(path))
        return *format;
    if (content.starts_with("\xEF\xBB\xBF"))
        content.remove_prefix(3);
    const auto first = content.find_first_not_of(" \t\r\n");
    const bool json = first != std::string_view::npos && (content[first] == '[' || content[first] == '{');
    return json ? SheetFormat::Json : SheetFormat::Csv;
}

std::string readInput(const std::string& file)
{
    FILE* in = file == "-" ? stdin : std::fopen(file.c_str(), "rb");
    if (!in)
        fail(BadInput, "cannot read " + file);
    std::string text;
    char buffer[1 << 16];
    while (const auto n = std::fread(buffer, 1, sizeof buffer, in)) {
        text.append(buffer, n);
        if (text.size() > kMaxInput) {
            if (in != stdin)
                std::fclose(in);
            fail(BadInput, (file == "-" ? std::string("standard input") : file) +
                               " is larger than 16 MiB, which no sheet of species is; nothing was read");
        }
    }
    const bool failed = std::ferror(in);
    if (in != stdin)
        std::fclose(in);
    if (failed)
        fail(BadInput, "cannot read " + file);
    return text;
}

std::vector<SheetRow> readSheet(std::string_view text, SheetFormat format, ErrorList& errors)
{
    return format == SheetFormat::Json ? readJsonSheet(text, errors) : readCsvSheet(text, errors);
}

std::string writeSheet(const std::vector<species::RecordBytes>& records,
                       const std::vector<int>& indices, const SheetOptions& options)
{
    if (options.format == SheetFormat::Json)
        return writeJson(records, indices, options.codes, options.game);
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header{"index", "name"};
    for (const auto& column : species::recordColumns())
        header.push_back(columnHeader(column, options.codes));
    rows.push_back(std::move(header));
    for (const int index : indices) {
        const auto& record = records[static_cast<std::size_t>(index)];
        std::vector<std::string> cells{std::to_string(index),
                                       std::string(species::recordName(index))};
        for (const auto& column : species::recordColumns()) {
            cells.push_back(options.codes && column.hasList()
                                ? std::to_string(species::codeOf(column, record))
                                : species::cellText(column, record, options.game));
        }
        rows.push_back(std::move(cells));
    }
    auto csv = writeCsv(rows);
    if (!options.bom)
        csv.erase(0, 3);
    return csv;
}

} // namespace quillmark::cli
