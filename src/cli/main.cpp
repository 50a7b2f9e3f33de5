// quillmark-cli: every species of a Diamond or Pearl ROM at once, to and from CSV or
// JSON, and single fields for scripts. The same field rules and file safety as the
// editor: the ROM is edited in place, only the bytes that change are written, and a
// file is never created or extended.
#include "cli/Csv.h"
#include "cli/SpeciesTable.h"
#include "platform/FileServices.h"
#include "platform/MessageBoxService.h"
#include "rom/ByteAccess.h"
#include "rom/HexCodec.h"
#include "rom/RomIdentification.h"
#include "species/LookupLists.h"
#include "species/SpeciesMessages.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iostream>
#include <sstream>

namespace {

using namespace quillmark;
using namespace quillmark::cli;

enum Exit { Ok = 0, BadInput = 1, BadRom = 2 };

// Failures inside the byte access show here instead of in a box.
struct StderrMessages : platform::MessageBoxService {
    void show(std::string_view text, std::optional<std::string> title, platform::MessageIcon) override
    {
        std::cerr << "quillmark-cli: " << (title ? *title + ": " : "") << text << '\n';
    }
};

struct Failure {
    Exit code;
};

[[noreturn]] void fail(Exit code, const std::string& message)
{
    std::cerr << "quillmark-cli: " << message << '\n';
    throw Failure{code};
}

struct Rom {
    std::string path;
    std::string gameCode;
    const rom::Edition* edition = nullptr;
    species::SpeciesTable table;
    std::string tableBase;
    // A writer holds the lock of every writer of this program for the whole command,
    // from the first read of the current values to the last write.
    std::unique_ptr<platform::OpenFile> writersLock;
};

enum class Access { Read, Write };

std::string fileErrorText(const std::string& path, platform::FileError error)
{
    return path + ": " + std::string(platform::errorDescription(error));
}

// Identifies the ROM and finds its table through the ROM's own file system, once per
// command; refuses (exit 2) with the reason the window would give.
Rom openRom(const std::string& path, Access access)
{
    Rom rom{path, "", nullptr, {}, "", nullptr};
    if (access == Access::Write) {
        auto file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
        if (!file)
            fail(BadRom, fileErrorText(path, file.error()));
        if (auto locked = (*file)->lockForWriting(species::kLockWait); !locked)
            fail(BadRom, fileErrorText(path, locked.error()));
        rom.writersLock = std::move(*file);
    }
    auto code = rom::readGameCode(path);
    if (!code) {
        if (code.error() == platform::FileError::PastEndOfFile)
            fail(BadRom, std::string(species::kUnsupportedRom));
        fail(BadRom, fileErrorText(path, code.error()));
    }
    rom.gameCode = *code;
    rom.edition = rom::findEdition(*code);
    if (!rom.edition)
        fail(BadRom, std::string(species::kUnsupportedRom));
    auto table = species::locateSpeciesTable(path, *code);
    if (!table) {
        fail(BadRom, species::userMessage(table.error(), access == Access::Write
                                                             ? species::SpeciesOperation::Save
                                                             : species::SpeciesOperation::Load));
    }
    rom.table = *table;
    rom.tableBase = std::to_string(table->tableBase);
    return rom;
}

species::SpeciesValues loadOne(const Rom& rom, int index)
{
    StderrMessages messages;
    auto loaded = species::loadSpeciesAt(rom.path, rom.tableBase, index, messages);
    if (!loaded)
        fail(BadRom, "cannot read species " + std::to_string(index));
    return std::move(loaded->values);
}

std::string readInput(const std::string& file)
{
    std::ostringstream text;
    if (file == "-") {
        text << std::cin.rdbuf();
        return text.str();
    }
    std::ifstream in(file, std::ios::binary);
    if (!in)
        fail(BadInput, "cannot read " + file);
    text << in.rdbuf();
    return text.str();
}

void writeOutput(const std::string& file, const std::string& text)
{
    if (file.empty() || file == "-") {
        std::cout << text;
        return;
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!(out << text))
        fail(BadInput, "cannot write " + file);
}

int resolveSpecies(const std::string& text)
{
    std::vector<InputError> errors;
    InputRow row;
    const bool number = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    row[number ? "index" : "name"] = Cell{text, "species"};
    const auto edits = parseRows({row}, errors);
    if (!errors.empty())
        fail(BadInput, errors.front().message);
    return edits.front().index;
}

// ---- commands -------------------------------------------------------------------

int info(const std::string& path)
{
    auto code = rom::readGameCode(path);
    if (!code || !rom::findEdition(*code))
        openRom(path, Access::Read);  // refuses with the reason
    const auto* edition = rom::findEdition(*code);
    const auto status = platform::fileServices().status(path);
    std::cout << "game code:   " << *code << '\n'
              << "title:       " << edition->title << '\n'
              << "language:    " << edition->language << '\n'
              << "file size:   " << (status ? status->size : 0) << '\n';
    const auto retail = species::tableBaseFor(*code);
    auto table = species::locateSpeciesTable(path, *code);
    if (!table && table.error().kind == species::SpeciesFailure::TableOutsideFile) {
        std::cout << "table start: " << *retail << " (fixed start: the ROM has no file table)\n"
                  << "table fits:  no, the file is too short (" << species::kSpeciesCount
                  << " records of " << species::kRecordSize << " bytes)\n";
        return Ok;
    }
    if (!table)
        fail(BadRom, species::userMessage(table.error(), species::SpeciesOperation::Load));
    const auto start = std::to_string(table->tableBase);
    if (table->narcPath.empty())
        std::cout << "table start: " << start << " (fixed start: the ROM has no file table)\n";
    else
        std::cout << "table file:  " << table->narcPath << '\n'
                  << "table start: " << start << " (record 1 of that file)\n";
    std::cout << "retail:      "
              << (retail && *retail == start ? "the same place as on the cartridge"
                                             : "not where the cartridge has it (a rebuilt ROM)")
              << '\n'
              << "table fits:  yes (" << species::kSpeciesCount << " records of "
              << species::kRecordSize << " bytes)\n";
    return Ok;
}

bool numericColumn(const std::string& column)
{
    if (column == "index" || column.ends_with("_code"))
        return true;
    for (const auto& field : species::SpeciesFieldMap) {
        if (field.kind == species::FieldKind::Number &&
            fieldColumns()[static_cast<std::size_t>(field.field)].text == column)
            return true;
    }
    return false;
}

int exportTable(const std::string& path, const std::string& output, const std::string& format)
{
    const Rom rom = openRom(path, Access::Read);
    const auto header = exportHeader();
    std::vector<std::vector<std::string>> rows{header};
    for (int i = 0; i < species::kSpeciesCount; ++i)
        rows.push_back(exportCells({i, loadOne(rom, i)}));
    if (format == "csv") {
        writeOutput(output, writeCsv(rows));
        return Ok;
    }
    nlohmann::ordered_json json = nlohmann::ordered_json::array();
    for (std::size_t r = 1; r < rows.size(); ++r) {
        nlohmann::ordered_json object;
        for (std::size_t c = 0; c < header.size(); ++c) {
            // Index, codes and number fields are numbers; texts stay texts.
            if (numericColumn(header[c]))
                object[header[c]] = std::stol(rows[r][c]);
            else
                object[header[c]] = rows[r][c];
        }
        json.push_back(std::move(object));
    }
    writeOutput(output, json.dump(2) + "\n");
    return Ok;
}

std::vector<InputRow> readRows(const std::string& file, const std::string& format)
{
    const std::string text = readInput(file);
    std::vector<InputRow> rows;
    if (format == "json") {
        nlohmann::json json;
        try {
            json = nlohmann::json::parse(text);
        } catch (const nlohmann::json::parse_error& e) {
            fail(BadInput, file + ": " + e.what());
        }
        if (!json.is_array())
            fail(BadInput, file + ": expected an array of species objects");
        for (std::size_t r = 0; r < json.size(); ++r) {
            if (!json[r].is_object())
                fail(BadInput, file + ": row " + std::to_string(r + 1) + " is not an object");
            InputRow row;
            for (const auto& [key, value] : json[r].items()) {
                const std::string cell = value.is_string() ? value.get<std::string>() : value.dump();
                row[key] = Cell{cell, "row " + std::to_string(r + 1) + ", field " + key};
            }
            rows.push_back(std::move(row));
        }
        return rows;
    }
    std::vector<CsvRecord> records;
    std::string error;
    if (!parseCsv(text, records, error))
        fail(BadInput, file + ": " + error);
    if (records.empty())
        fail(BadInput, file + ": no header line");
    const auto& header = records.front().fields;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const auto& record = records[r];
        if (record.fields.size() != header.size())
            fail(BadInput, file + ": line " + std::to_string(record.line) + " has " +
                               std::to_string(record.fields.size()) + " fields, the header " +
                               std::to_string(header.size()));
        InputRow row;
        for (std::size_t c = 0; c < header.size(); ++c)
            row[header[c]] = Cell{record.fields[c], "line " + std::to_string(record.line) +
                                                        ", column " + std::to_string(c + 1) +
                                                        " (" + header[c] + ")"};
        rows.push_back(std::move(row));
    }
    return rows;
}

// Writes only the bytes that differ, unless dryRun. The caller opened the ROM for
// writing, which checked that the whole table fits.
int applyEdits(const Rom& rom, const std::vector<std::pair<int, species::SpeciesValues>>& wanted,
               bool dryRun)
{
    std::vector<FieldChange> changes;
    for (const auto& [index, values] : wanted) {
        auto diff = diffSpecies(rom.tableBase, index, loadOne(rom, index), values);
        changes.insert(changes.end(), diff.begin(), diff.end());
    }
    std::size_t bytes = 0;
    for (const auto& change : changes) {
        std::cout << species::SpeciesNames[static_cast<std::size_t>(change.index)] << " ("
                  << change.index << "): " << fieldColumns()[static_cast<std::size_t>(change.field)].text
                  << " " << change.before << " -> " << change.after << '\n';
        bytes += change.bytes.size();
    }
    std::cout << changes.size() << " field(s), " << bytes << " byte(s) "
              << (dryRun ? "would change; nothing was written (dry run)" : "changed") << '\n';
    if (dryRun || changes.empty())
        return Ok;
    StderrMessages messages;
    for (const auto& change : changes) {
        for (const auto& [offset, value] : change.bytes) {
            if (!rom::WriteHexAsBytes(rom.path, static_cast<std::int32_t>(offset),
                                      rom::bytesToHex(std::vector<std::uint8_t>{value}), messages))
                fail(BadRom, "the ROM was only partly written; run the same import again");
        }
    }
    return Ok;
}

void reportErrors(const std::vector<InputError>& errors)
{
    for (const auto& error : errors)
        std::cerr << "quillmark-cli: " << error.where << ": " << error.message << '\n';
    fail(BadInput, std::to_string(errors.size()) + " error(s); nothing was written");
}

int importTable(const std::string& path, const std::string& file, std::string format, bool dryRun)
{
    if (format.empty())
        format = file.ends_with(".json") ? "json" : "csv";
    const auto rows = readRows(file, format);
    std::vector<InputError> errors;
    const auto edits = parseRows(rows, errors);
    const Rom rom = openRom(path, dryRun ? Access::Read : Access::Write);
    std::vector<std::pair<int, species::SpeciesValues>> wanted;
    for (const auto& edit : edits) {
        const auto current = loadOne(rom, edit.index);
        species::SpeciesValues values = current;
        for (const auto& field : species::SpeciesFieldMap) {
            const auto i = static_cast<std::size_t>(field.field);
            const auto& columns = fieldColumns()[i];
            if (auto value = resolveField(field, cellOf(*edit.row, columns.text),
                                          cellOf(*edit.row, columns.code), current[i], errors))
                values[i] = *value;
        }
        wanted.emplace_back(edit.index, values);
    }
    if (!errors.empty())
        reportErrors(errors);
    return applyEdits(rom, wanted, dryRun);
}

int get(const std::string& path, const std::string& speciesText)
{
    const Rom rom = openRom(path, Access::Read);
    const int index = resolveSpecies(speciesText);
    const auto values = loadOne(rom, index);
    std::cout << "species: " << species::SpeciesNames[static_cast<std::size_t>(index)] << " ("
              << index << ")\n";
    for (const auto& field : species::SpeciesFieldMap) {
        const auto& value = values[static_cast<std::size_t>(field.field)];
        std::cout << fieldColumns()[static_cast<std::size_t>(field.field)].text << ": "
                  << describe(field, value);
        if (field.kind != species::FieldKind::Number)
            std::cout << " [" << storedCode(value) << "]";
        std::cout << '\n';
    }
    return Ok;
}

int set(const std::string& path, const std::string& speciesText,
        const std::vector<std::string>& assignments, bool dryRun)
{
    const Rom rom = openRom(path, dryRun ? Access::Read : Access::Write);
    const int index = resolveSpecies(speciesText);
    const auto current = loadOne(rom, index);
    auto values = current;
    std::vector<InputError> errors;
    for (const auto& assignment : assignments) {
        const auto eq = assignment.find('=');
        const std::string key = assignment.substr(0, eq);
        const auto& columns = fieldColumns();
        const auto found = std::find_if(columns.begin(), columns.end(), [&](const FieldColumns& c) {
            return c.text == key || c.code == key;
        });
        if (eq == std::string::npos || found == columns.end()) {
            errors.push_back({assignment, "expected FIELD=VALUE with a field of: hp, attack, ..."
                                          " (see --help)"});
            continue;
        }
        const auto i = static_cast<std::size_t>(found - columns.begin());
        const auto& field = species::SpeciesFieldMap[i];
        const Cell cell{assignment.substr(eq + 1), assignment};
        auto value = key == found->code ? resolveField(field, std::nullopt, cell, current[i], errors)
                                        : parseSetValue(field, cell.value, current[i], errors);
        if (value)
            values[i] = *value;
    }
    if (!errors.empty())
        reportErrors(errors);
    return applyEdits(rom, {{index, values}}, dryRun);
}

std::string fieldList()
{
    std::string list;
    for (const auto& columns : fieldColumns())
        list += (list.empty() ? "" : ", ") + columns.text;
    return list;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"quillmark-cli: the species data of Pokémon Diamond and Pearl ROMs, all at once.\n"
                 "Exit status: 0 done, 1 bad input (nothing written), 2 unsupported or "
                 "unreadable ROM."};
    app.require_subcommand(1);
    std::string rom, output, format = "csv", file, speciesText;
    std::vector<std::string> assignments;
    bool dryRun = false;

    auto* infoCmd = app.add_subcommand("info", "Game code, title, language and table of a ROM");
    infoCmd->add_option("ROM", rom, "the .nds file")->required();

    auto* exportCmd = app.add_subcommand("export", "Write all 493 species as CSV or JSON");
    exportCmd->add_option("ROM", rom, "the .nds file")->required();
    exportCmd->add_option("-o,--output", output, "file to write (standard output by default)");
    exportCmd->add_option("--format", format, "csv or json")->check(CLI::IsMember({"csv", "json"}));

    auto* importCmd = app.add_subcommand(
        "import", "Write the species of a CSV or JSON file into the ROM; rows may be a "
                  "subset, columns text or code");
    importCmd->add_option("ROM", rom, "the .nds file")->required();
    importCmd->add_option("FILE", file, "CSV or JSON as export writes it; - for standard input")
        ->required();
    std::string importFormat;
    importCmd->add_option("--format", importFormat, "csv or json (by default from the extension)")
        ->check(CLI::IsMember({"csv", "json"}));
    importCmd->add_flag("--dry-run", dryRun, "print what would change, write nothing");

    auto* getCmd = app.add_subcommand("get", "Print the fields of one species");
    getCmd->add_option("ROM", rom, "the .nds file")->required();
    getCmd->add_option("SPECIES", speciesText, "list index (0..492) or name")->required();

    auto* setCmd = app.add_subcommand("set", "Change fields of one species: FIELD=VALUE, a list "
                                             "field by text or code. Fields: " + fieldList());
    setCmd->add_option("ROM", rom, "the .nds file")->required();
    setCmd->add_option("SPECIES", speciesText, "list index (0..492) or name")->required();
    setCmd->add_option("FIELD=VALUE", assignments, "e.g. hp=80 type1=Fire item1_code=234")
        ->required();
    setCmd->add_flag("--dry-run", dryRun, "print what would change, write nothing");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? Ok : BadInput;
    }
    try {
        if (*infoCmd)
            return info(rom);
        if (*exportCmd)
            return exportTable(rom, output, format);
        if (*importCmd)
            return importTable(rom, file, importFormat, dryRun);
        if (*getCmd)
            return get(rom, speciesText);
        return set(rom, speciesText, assignments, dryRun);
    } catch (const Failure& failure) {
        return failure.code;
    }
}
