#include "cli/CliErrors.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/SheetFormats.h"
#include "species/LookupLists.h"
#include "species/MoveNames.h"

#include <iostream>
#include <map>

namespace quillmark::cli {

namespace {

// A field `get` was asked for: a column (or its code alone), a column that names the
// record, or one of the tables by the name its sheet goes by.
struct AskedField {
    const species::RecordColumn* column;  // null: a column that names the record, or a table
    bool code;                            // type1_code: the stored code alone
    std::string name;                     // "index", "dex", "name", or a table's name
};

// The fields asked for, checked before the ROM is read: as the export names its
// sheets, and as people say them.
std::vector<AskedField> fieldsAsked(const std::vector<std::string>& fieldNames)
{
    std::vector<AskedField> fields;
    ErrorList errors;
    for (const auto& name : fieldNames) {
        const auto key = lowered(name);
        if (const auto* sheet = tableSheetNamed(key, true))
            fields.push_back({nullptr, false, std::string(sheet->name())});
        else if (const auto canonical = canonicalColumn(name);
                 canonical && (*canonical == "index" || *canonical == "dex" || *canonical == "name"))
            fields.push_back({nullptr, false, *canonical});
        else {
            const auto* column = canonical ? species::findColumn(*canonical) : nullptr;
            const auto* coded = canonical ? species::findCodeColumn(*canonical) : nullptr;
            if (!column && !coded)
                errors.add(species::quoteCell(name), "is not a field" + nearestColumns(name));
            else
                fields.push_back({column ? column : coded, coded != nullptr, {}});
        }
    }
    if (!errors.empty())
        errors.report(ErrorList::NothingWritable);
    return fields;
}

// One of the tables of a record, a line per entry; each read before anything of it is
// printed, so that a refusal leaves no label behind it.
std::string tableText(CliRom& rom, int index, const std::string& name)
{
    const auto* sheet = tableSheetNamed(name, true);
    readTable(rom, *sheet);
    return sheet->recordText(*rom.document, index);
}

} // namespace

int runGet(const std::string& romPath, const std::string& speciesText,
           const std::vector<std::string>& fieldNames, bool valuesOnly)
{
    const auto fields = fieldsAsked(fieldNames);
    CliRom rom = openCliRom(romPath, Access::Read);
    const int index = speciesIndex(rom.words(), speciesText, static_cast<int>(rom.records().size()));
    const auto& record = rom.records()[static_cast<std::size_t>(index)];
    const auto print = [&](const species::RecordColumn& column, bool code) {
        const auto value = code ? std::to_string(species::codeOf(column, record))
                                : species::cellText(column, record, rom.game());
        if (valuesOnly) {
            std::cout << value << '\n';
            return;
        }
        std::cout << (code ? species::codeColumnName(column) : std::string(column.name)) << ": " << value;
        if (column.hasList() && !code)
            std::cout << " [" << species::codeOf(column, record) << "]";
        std::cout << '\n';
    };
    const auto identity = [&](const std::string& name) -> std::string {
        if (name == "index")
            return std::to_string(index);
        if (name == "name")
            return rom.words().recordName(index);
        const auto base = species::baseSpeciesOf(index);  // the egg records have no dex
        return base ? std::to_string(species::dexOfSpecies(*base)) : std::string();
    };
    if (fields.empty()) {
        if (!valuesOnly)
            std::cout << "species: " << rom.words().recordLabel(index) << '\n';
        for (const auto& column : species::recordColumns())
            print(column, false);
        return Ok;
    }
    for (const auto& [column, code, name] : fields) {
        if (column)
            print(*column, code);
        else if (name == "index" || name == "dex" || name == "name")
            std::cout << (valuesOnly ? "" : name + ": ") << identity(name) << '\n';
        else {
            const auto text = tableText(rom, index, name);
            std::cout << (valuesOnly ? "" : name + ":\n") << text;
        }
    }
    return Ok;
}

int runSet(const std::string& romPath, const std::string& speciesText,
           const std::vector<std::string>& assignments, bool dryRun)
{
    struct Assignment {
        const species::RecordColumn* column;
        bool code;
        char op;  // '=', '+' or '-'
        std::string value;
    };
    std::vector<Assignment> parsed;
    ErrorList errors;
    std::map<std::string, std::string> seen;  // field and operator -> the argument
    for (const auto& argument : assignments) {
        const auto eq = argument.find('=');
        std::string key = argument.substr(0, eq);
        char op = '=';
        if (!key.empty() && (key.back() == '+' || key.back() == '-')) {
            op = key.back();
            key.pop_back();
        }
        const auto canonical = canonicalColumn(key);
        const auto* column = canonical ? species::findColumn(*canonical) : nullptr;
        const auto* codeColumn = canonical ? species::findCodeColumn(*canonical) : nullptr;
        if (eq == std::string::npos || (!column && !codeColumn)) {
            errors.add(species::quoteCell(argument),
                       "expected FIELD=VALUE with one of the fields of quillmark-cli set --help" +
                           (eq == std::string::npos ? std::string() : nearestColumns(key)));
            continue;
        }
        const bool machines = column && column->kind == species::ColumnKind::Machines;
        if (op != '=' && !machines) {
            errors.add(species::quoteCell(argument), "only machines takes += and -=");
            continue;
        }
        const auto field = std::string(column ? column->name : codeColumn->name);
        // type1 and type1_code are one field; machines takes =, += and -= once each.
        const auto slot = field + (machines ? std::string(1, op) : "");
        if (const auto [first, added] = seen.emplace(slot, argument); !added) {
            errors.add(species::quoteCell(argument), "the field " + field + " is already given by " +
                                                          species::quoteCell(first->second));
            continue;
        }
        parsed.push_back({column ? column : codeColumn, codeColumn != nullptr, op, argument.substr(eq + 1)});
    }
    if (seen.count("machines=") && (seen.count("machines+") || seen.count("machines-")))
        errors.add("machines", "give the whole list with machines= or changes with += and -=, not both");
    if (!errors.empty())
        errors.report();

    CliRom rom = openCliRom(romPath, dryRun ? Access::Read : Access::Write);
    const int index = speciesIndex(rom.words(), speciesText, static_cast<int>(rom.records().size()));
    auto wanted = rom.records();
    auto& record = wanted[static_cast<std::size_t>(index)];
    for (const auto& a : parsed) {
        std::optional<std::string> error;
        if (a.op != '=')
            error = species::editMachines(a.value, a.op == '+', record, rom.game());
        else if (a.code)
            error = species::applyCodeCell(*a.column, a.value, record);
        else
            error = species::applyCell(*a.column, a.value, record, rom.game());
        if (error)
            errors.add("", *error);
    }
    if (!errors.empty())
        errors.report();
    return writeChanges(rom, wanted, dryRun);
}

} // namespace quillmark::cli
