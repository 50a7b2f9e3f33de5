#include "cli/SheetFormats.h"

#include "cli/CliRom.h"
#include "cli/Csv.h"
#include "platform/FileServices.h"
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

} // namespace

const std::vector<std::string>& columnNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all{"index", "dex", "name"};
        for (const auto& column : species::recordColumns()) {
            all.emplace_back(column.name);
            if (column.hasList())
                all.push_back(species::codeColumnName(column));
        }
        return all;
    }();
    return names;
}

namespace {

std::optional<std::string> canonicalIn(const SheetColumns& columns, std::string_view name)
{
    if (columns.canonical)
        return columns.canonical(name);
    const auto key = columnKey(name);
    for (const auto& known : *columns.names) {
        if (known == key)
            return known;
    }
    return std::nullopt;
}

std::string nearestIn(const SheetColumns& columns, std::string_view name)
{
    const auto& names = *columns.names;
    std::vector<std::string> labels;
    for (const int i : species::nearestCandidates(lowered(name), static_cast<int>(names.size()),
                                                  [&](int k) { return names[static_cast<std::size_t>(k)]; }))
        labels.push_back(names[static_cast<std::size_t>(i)]);
    return species::nearestPhrase(labels);
}

CellType speciesCellType(const std::string& column)
{
    if (column == "index" || column == "dex" || species::findCodeColumn(column))
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

} // namespace

std::optional<std::string> canonicalColumn(std::string_view name)
{
    return canonicalIn(speciesSheetColumns(), name);
}

std::string nearestColumns(std::string_view name)
{
    return nearestIn(speciesSheetColumns(), name);
}

const SheetColumns& speciesSheetColumns()
{
    static const SheetColumns columns{&columnNames(), speciesCellType, "species"};
    return columns;
}

namespace {

std::string separatorName(char separator)
{
    return separator == '\t' ? "a tab" : std::string("\"") + separator + "\"";
}

void readCsvSheet(std::string_view text, const SheetColumns& columns, ErrorList& errors, const RowHandler& onRow)
{
    const char separator = detectSeparator(text);
    std::vector<std::string> header;
    // Columns that cannot be used are reported once, with the header, and left out of
    // the rows.
    std::vector<bool> usable;
    bool first = true;
    bool headerRefused = false;  // no row can be read without a column of ours
    std::vector<int> blankLines;
    SheetRow row;  // one, refilled for each line
    std::string error;
    const bool complete = readCsv(text, [&](CsvRecord&& record) {
        if (first) {
            first = false;
            header = std::move(record.fields);
            usable.assign(header.size(), true);
            const bool anyKnown = std::any_of(header.begin(), header.end(),
                                              [&](const std::string& h) { return canonicalIn(columns, h).has_value(); });
            if (!anyKnown) {
                std::string expected;
                for (const auto& name : *columns.names)
                    expected += (expected.empty() ? "" : ", ") + name;
                errors.add("line 1", "the header names none of the columns (read with " +
                                         separatorName(separator) + " between columns; a sheet "
                                         "may use \",\", \";\" or a tab): expected " + expected);
                headerRefused = true;
                return;
            }
            std::map<std::string, std::size_t> seen;
            for (std::size_t c = 0; c < header.size(); ++c) {
                const auto where = "line 1, column " + std::to_string(c + 1);
                const auto canonical = canonicalIn(columns, header[c]);
                if (!canonical) {
                    const auto why = columns.whyUnknown ? columns.whyUnknown(header[c]) : std::nullopt;
                    errors.add(where, "unknown column " + species::quoteCell(header[c]) +
                                          (why ? ": " + *why : nearestIn(columns, header[c]) +
                                                                   " (quillmark-cli export shows the columns)"));
                    usable[c] = false;
                    continue;
                }
                header[c] = *canonical;
                if (const auto [at, added] = seen.emplace(header[c], c + 1); !added) {
                    errors.add(where, "the column " + species::quoteCell(header[c]) +
                                          " is given twice (columns " + std::to_string(at->second) +
                                          " and " + std::to_string(c + 1) + ")");
                    usable[c] = false;
                }
            }
            return;
        }
        if (headerRefused)
            return;
        if (isBlankRecord(record)) {
            blankLines.push_back(record.line);
            return;
        }
        if (record.fields.size() != header.size()) {
            errors.add("line " + std::to_string(record.line),
                       "has " + std::to_string(record.fields.size()) + " fields, the header " +
                           std::to_string(header.size()));
            return;
        }
        row.number = record.line;
        row.cells.clear();
        for (std::size_t c = 0; c < header.size(); ++c) {
            if (usable[c])
                row.cells.emplace_back(header[c], Cell{std::move(record.fields[c]), static_cast<int>(c + 1)});
        }
        onRow(row);
    }, error, separator);
    if (!complete)
        errors.add("", "not valid CSV: " + error);
    else if (first)
        errors.add("", "the sheet is empty: no header line");
    noteBlankLines(blankLines);
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

// One JSON value that is not an array or object, as the sheet reader needs it.
struct JsonScalar {
    enum class Kind { Other, WholeNumber, Text, True, False } kind;
    std::string text;   // the number in decimal, or the string
    std::string shown;  // as JSON writes it, for messages
};

// A JSON sheet read event by event, one species object at a time: the whole document
// is never built, and the keys checked for repeats are those of the open object only.
// Depth 1 is the array of rows, 2 a row's fields, 3 the entries of a machines value.
class JsonSheetReader final : public nlohmann::json_sax<nlohmann::json> {
public:
    JsonSheetReader(const SheetColumns& columns, ErrorList& errors, const RowHandler& onRow)
        : m_columns(columns), m_errors(errors), m_onRow(onRow)
    {
    }

    bool null() override { return scalar({JsonScalar::Kind::Other, {}, "null"}); }
    bool boolean(bool value) override
    {
        return scalar({value ? JsonScalar::Kind::True : JsonScalar::Kind::False, {},
                       value ? "true" : "false"});
    }
    bool number_integer(number_integer_t value) override
    {
        return scalar({JsonScalar::Kind::Other, {}, std::to_string(value)});
    }
    bool number_unsigned(number_unsigned_t value) override
    {
        const auto text = std::to_string(value);
        return scalar({JsonScalar::Kind::WholeNumber, text, text});
    }
    bool number_float(number_float_t, const string_t& raw) override
    {
        return scalar({JsonScalar::Kind::Other, {}, raw});
    }
    bool string(string_t& value) override
    {
        return scalar({JsonScalar::Kind::Text, value, nlohmann::json(value).dump()});
    }
    bool binary(binary_t&) override { return scalar({JsonScalar::Kind::Other, {}, "binary data"}); }

    bool start_object(std::size_t) override { return open(true); }
    bool start_array(std::size_t) override { return open(false); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }

    bool key(string_t& key) override
    {
        if (!m_isArray)
            return true;
        if (m_depth == 2) {
            m_key = canonicalIn(m_columns, key).value_or(key);
            if (!m_keys.insert(m_key).second) {
                m_errors.add(m_row.where(), "the key " + species::quoteCell(key) + " is given twice");
                m_rowRefused = true;
            }
        } else if (m_depth == 3) {
            m_machineKey = key;
        }
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override
    {
        m_errors.add("", "not valid JSON: " + std::string(e.what()).substr(0, 200));
        m_parseFailed = true;
        return false;
    }

    void finish() const
    {
        if (!m_parseFailed && !m_isArray)
            m_errors.add("", "expected a JSON array of " + m_columns.rows + " objects");
    }

private:
    bool open(bool object)
    {
        ++m_depth;
        if (m_depth == 1) {
            m_isArray = !object;
        } else if (!m_isArray) {
            // Inside a document that is no array of rows: said once, by finish().
        } else if (m_depth == 2) {
            beginRow(object);
        } else if (m_depth == 3) {
            m_machinesInObject = object;
            m_machineNames.clear();
            m_valueRefused = false;
        } else {
            m_valueRefused = true;  // refused by the depth check already
        }
        return true;
    }

    bool close()
    {
        if (!m_isArray) {
            --m_depth;
            return true;
        }
        if (m_depth == 2 && m_rowIsObject && !m_rowRefused)
            m_onRow(m_row);
        else if (m_depth == 3)
            endMachines();
        --m_depth;
        return true;
    }

    bool scalar(const JsonScalar& value)
    {
        if (!m_isArray)
            return true;
        if (m_depth == 1)
            beginRow(false);
        else if (m_depth == 2)
            field(value);
        else if (m_depth == 3)
            machineEntry(value);
        return true;
    }

    void beginRow(bool object)
    {
        ++m_rowNumber;
        m_row = SheetRow{true, m_rowNumber, {}};
        m_keys.clear();
        m_rowIsObject = object;
        m_rowRefused = false;
        if (!object)
            m_errors.add(m_row.where(), "is not an object of fields");
    }

    void field(const JsonScalar& value)
    {
        const auto type = m_columns.typeOf(m_key);
        if (type == CellType::Unknown) {
            unknownField();
            return;
        }
        // A list field whose entries are numbers (hatch steps, a gender ratio's byte)
        // may be given as one.
        const bool fits = type == CellType::Number ? value.kind == JsonScalar::Kind::WholeNumber
                                                   : value.kind == JsonScalar::Kind::Text ||
                                                         (type == CellType::Text &&
                                                          value.kind == JsonScalar::Kind::WholeNumber);
        if (!fits)
            refuse(type, value.kind == JsonScalar::Kind::Text ? species::quoteCell(value.text)
                                                              : value.shown.substr(0, 40));
        else
            m_row.cells.emplace_back(m_key, Cell{value.text});
    }

    // Machines as an array of names, or as an object from names to true (or the move's
    // name, as an export writes it): on, or false: off.
    void machineEntry(const JsonScalar& value)
    {
        using Kind = JsonScalar::Kind;
        if (!m_machinesInObject && value.kind == Kind::Text)
            m_machineNames += value.text + " ";
        else if (m_machinesInObject && (value.kind == Kind::True ||
                                        (value.kind == Kind::Text && species::machineTeaches(m_machineKey, value.text))))
            m_machineNames += m_machineKey + " ";
        else if (!(m_machinesInObject && value.kind == Kind::False)) {
            // {"TM01": "x"} is no "on": it would clear every machine not named.
            if (m_machinesInObject && m_refusedEntry.empty())
                m_refusedEntry = species::quoteCell(m_machineKey) + ": " +
                                 (value.kind == Kind::Text ? species::quoteCell(value.text) : value.shown.substr(0, 40));
            m_valueRefused = true;
        }
    }

    void endMachines()
    {
        const auto type = m_columns.typeOf(m_key);
        if (type == CellType::Unknown)
            unknownField();
        else if (type == CellType::Machines && !m_refusedEntry.empty())
            m_errors.add(m_row.where() + ", " + m_key,
                         "the entry " + m_refusedEntry + " is neither true, false nor the move that machine teaches");
        else if (type != CellType::Machines || m_valueRefused)
            refuse(type, m_machinesInObject ? "an object" : "an array");
        else
            m_row.cells.emplace_back(m_key, Cell{std::move(m_machineNames)});
        m_machineNames.clear();
        m_refusedEntry.clear();
    }

    void refuse(CellType type, const std::string& shown)
    {
        std::string_view wanted;
        switch (type) {
        case CellType::Number: wanted = "a whole number (not a text, not a fraction)"; break;
        case CellType::Text: wanted = "a text"; break;
        case CellType::Machines:
            wanted = "a text, an array of machine names, or an object from machine names to "
                     "true or false";
            break;
        case CellType::Unknown: break;
        }
        m_errors.add(m_row.where() + ", " + m_key, "must be " + std::string(wanted) + ", not " + shown);
    }

    void unknownField()
    {
        if (m_unknownReported.insert(m_key).second)
            m_errors.add(m_row.where(), "unknown field " + species::quoteCell(m_key) + nearestIn(m_columns, m_key) +
                                          " (quillmark-cli export --format json shows the fields)");
    }

    const SheetColumns& m_columns;
    ErrorList& m_errors;
    const RowHandler& m_onRow;
    int m_depth = 0;
    bool m_isArray = false;
    bool m_parseFailed = false;
    int m_rowNumber = 0;
    SheetRow m_row;
    bool m_rowIsObject = false;
    bool m_rowRefused = false;  // a key given twice: the row is not used
    std::set<std::string> m_keys;
    std::string m_key;
    std::set<std::string> m_unknownReported;
    bool m_machinesInObject = false;
    std::string m_machineKey;
    std::string m_refusedEntry;  // the first entry of a machines object that is no flag
    std::string m_machineNames;
    bool m_valueRefused = false;
};

void readJsonSheet(std::string_view text, const SheetColumns& columns, ErrorList& errors, const RowHandler& onRow)
{
    if (nestedTooDeep(text)) {
        errors.add("", "the JSON is nested deeper than a list of " + columns.rows + " objects");
        return;
    }
    JsonSheetReader reader(columns, errors, onRow);
    nlohmann::json::sax_parse(text.begin(), text.end(), &reader);
    reader.finish();
}

std::string columnHeader(const RecordColumn& column, bool codes)
{
    return codes && column.hasList() ? species::codeColumnName(column) : std::string(column.name);
}

std::string writeJson(const std::vector<species::RecordBytes>& records,
                      const std::vector<int>& indices, bool codes, rom::Game game, const species::Vocabulary& words)
{
    nlohmann::ordered_json json = nlohmann::ordered_json::array();
    for (const int index : indices) {
        const auto& record = records[static_cast<std::size_t>(index)];
        nlohmann::ordered_json object;
        object["index"] = index;
        // The egg records belong to no species: they have no number.
        if (const auto base = species::baseSpeciesOf(index))
            object["dex"] = species::dexOfSpecies(*base);
        object["name"] = words.recordName(index);
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
    auto text = platform::readWholeFile(file, kMaxInput);
    if (text)
        return std::move(*text);
    switch (text.error()) {
    case platform::WholeFileError::LockedByAnotherProgram:
        fail(BadInput, file + " is open in another program that keeps others from reading it (as "
                              "Excel does with a sheet it has open): close it there, then run the "
                              "command again");
    case platform::WholeFileError::TooLarge:
        fail(BadInput, (file == "-" ? std::string("standard input") : file) +
                           " is larger than 16 MiB, which no sheet of species is; nothing was read");
    case platform::WholeFileError::CannotRead: break;
    }
    fail(BadInput, "cannot read " + file);
}

void forEachSheetRow(std::string_view text, SheetFormat format, ErrorList& errors,
                     const RowHandler& onRow)
{
    forEachSheetRow(text, format, speciesSheetColumns(), errors, onRow);
}

void forEachSheetRow(std::string_view text, SheetFormat format, const SheetColumns& columns, ErrorList& errors,
                     const RowHandler& onRow)
{
    if (format == SheetFormat::Json)
        readJsonSheet(text, columns, errors, onRow);
    else
        readCsvSheet(text, columns, errors, onRow);
}

namespace {

// The keys of the first object of a JSON array, and then a stop: the rows are read
// once, by the reader of the sheet's kind.
class FirstRowKeys final : public nlohmann::json_sax<nlohmann::json> {
public:
    std::vector<std::string> keys;

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return ++m_depth, true; }
    bool start_array(std::size_t) override { return ++m_depth, true; }
    // The first row closed, or the array ended before one: enough read.
    bool end_object() override { return --m_depth != 1; }
    bool end_array() override { return --m_depth > 1; }
    bool key(string_t& key) override
    {
        if (m_depth == 2)
            keys.push_back(columnKey(key));
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

private:
    int m_depth = 0;
};

} // namespace

std::vector<std::string> headerColumns(std::string_view text, SheetFormat format)
{
    if (format == SheetFormat::Json) {
        // The SAX parser keeps its own stack, so any depth is safe to walk here.
        FirstRowKeys reader;
        nlohmann::json::sax_parse(text.begin(), text.end(), &reader);
        return reader.keys;
    }
    std::vector<std::string> columns;
    std::string error;
    bool first = true;
    // The header line alone.
    const auto end = text.find('\n');
    readCsv(text.substr(0, end == std::string_view::npos ? text.size() : end + 1), [&](CsvRecord&& record) {
        if (first)
            for (const auto& field : record.fields)
                columns.push_back(columnKey(field));
        first = false;
    }, error, detectSeparator(text));
    return columns;
}

std::string formatSheet(const species::SheetTable& sheet, const SheetOptions& options)
{
    const auto& columns = sheet.columns;
    if (options.format == SheetFormat::Json) {
        nlohmann::ordered_json json = nlohmann::ordered_json::array();
        for (const auto& cells : sheet.rows) {
            nlohmann::ordered_json object;
            for (std::size_t i = 0; i < cells.size(); ++i) {
                if (const auto* text = std::get_if<std::string>(&cells[i]))
                    object[columns[i]] = *text;
                else if (const auto& value = std::get<0>(cells[i]))
                    object[columns[i]] = *value;
            }
            json.push_back(std::move(object));
        }
        return json.dump(2) + "\n";
    }
    std::string csv = options.bom ? std::string(kCsvByteOrderMark) : "";
    for (std::size_t i = 0; i < columns.size(); ++i)
        (csv += columns[i]) += i + 1 < columns.size() ? std::string(1, options.separator) : "\r\n";
    for (const auto& cells : sheet.rows) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (const auto* text = std::get_if<std::string>(&cells[i]))
                appendCsvField(csv, *text, options.separator);
            else if (const auto& value = std::get<0>(cells[i]))
                csv += std::to_string(*value);
            csv += i + 1 < cells.size() ? std::string(1, options.separator) : "\r\n";
        }
    }
    return csv;
}

std::string writeSheet(const std::vector<species::RecordBytes>& records,
                       const std::vector<int>& indices, const SheetOptions& options)
{
    if (options.format == SheetFormat::Json)
        return writeJson(records, indices, options.codes, options.game, *options.words);
    // Straight into one string: a sheet is some ten thousand cells.
    std::string csv(options.bom ? kCsvByteOrderMark : "");
    csv.reserve(std::size_t{256} * (indices.size() + 1));
    const auto endRow = [&] {
        csv.back() = '\r';
        csv += '\n';
    };
    for (const char* name : {"index", "dex", "name"})
        (csv += name) += options.separator;
    for (const auto& column : species::recordColumns()) {
        appendCsvField(csv, columnHeader(column, options.codes), options.separator);
        csv += options.separator;
    }
    endRow();
    for (const int index : indices) {
        const auto& record = records[static_cast<std::size_t>(index)];
        const auto base = species::baseSpeciesOf(index);
        (csv += std::to_string(index)) += options.separator;
        (csv += base ? std::to_string(species::dexOfSpecies(*base)) : "") += options.separator;
        appendCsvField(csv, options.words->recordName(index), options.separator);
        csv += options.separator;
        for (const auto& column : species::recordColumns()) {
            appendCsvField(csv,
                           options.codes && column.hasList()
                               ? std::to_string(species::codeOf(column, record))
                               : species::cellText(column, record, options.game),
                           options.separator);
            csv += options.separator;
        }
        endRow();
    }
    return csv;
}

} // namespace quillmark::cli
