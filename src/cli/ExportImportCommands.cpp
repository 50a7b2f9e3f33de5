#include "cli/CliErrors.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/SheetEdits.h"
#include "platform/OutputFiles.h"
#include "cli/SheetFormats.h"
#include "cli/SheetText.h"
#include "species/DocumentParts.h"

#include <iostream>

#include <numeric>

namespace quillmark::cli {

int runExport(const std::string& romPath, const ExportOptions& options)
{
    const auto format = outputFormat(options.format, options.output);
    checkOutputName(options.output, !options.format.empty());
    CliRom rom = openCliRom(romPath, Access::Read);
    const SheetOptions sheetOptions{format, rom.game(), options.codes, options.bom, options.separator, &rom.words()};
    if (!options.table.empty()) {
        const auto* sheet = tableSheetNamed(options.table, false);
        if (!sheet)
            fail(BadInput, "no table is called " + species::quoteCell(options.table));
        readTable(rom, *sheet);
        writeOutput(options.output, formatSheet(sheet->write(*rom.document, {options.codes, options.forms}), sheetOptions),
                    romPath, !options.format.empty());
        return Ok;
    }
    // The egg and form records only when asked for: most sheets are about the species.
    std::vector<int> indices(options.forms ? rom.records().size() : std::size_t{species::kSpeciesCount});
    std::iota(indices.begin(), indices.end(), 0);
    writeOutput(options.output, writeSheet(rom.records(), indices, sheetOptions), romPath, !options.format.empty());
    return Ok;
}

char separatorOption(const std::string& text)
{
    const auto name = lowered(text);
    if (name == "," || name == "comma")
        return ',';
    if (name == ";" || name == "semicolon")
        return ';';
    if (name == "tab" || name == "\t")
        return '\t';
    fail(BadInput, "--separator is \",\", \";\" or tab, not " + species::quoteCell(text));
}

// The sheet as UTF-8 text, from whatever a spreadsheet saved; a file that holds no
// text is refused for what it is.
std::string sheetText(const std::string& file)
{
    const auto bytes = readInput(file);
    const auto name = file == "-" ? std::string("standard input") : file;
    const auto start = std::string_view(bytes).substr(0, 64 * 1024);
    if (const auto workbook = workbookKind(start))
        fail(BadInput, name + " is " + *workbook +
                           ", not a sheet of text: save it as CSV first (Excel: File > Save As > "
                           "\"CSV UTF-8 (Comma delimited)\"; LibreOffice: File > Save As > \"Text "
                           "CSV\" with the character set \"Unicode (UTF-8)\"), then import that file");
    if (const auto unreadable = unreadableText(start))
        fail(BadInput, name + " " + *unreadable);
    if (const auto kind = nonTextKind(start))
        fail(BadInput, name + " is " + *kind + ", not a CSV or JSON sheet");
    if (file != "-") {
        if (const auto lock = platform::officeLockFile(file))
            std::cerr << "quillmark-cli: note: " << file << " is open in another program (" << *lock
                      << " lies beside it): what that program has not saved is not in what was read\n";
    }
    auto decoded = decodeSheet(bytes);
    if (decoded.encoding == SheetEncoding::Windows1252)
        std::cerr << "quillmark-cli: " << name
                  << ": read as Windows-1252, not UTF-8 (as Excel saves plain \"CSV\"); save it as "
                     "\"CSV UTF-8\" to keep every character\n";
    return std::move(decoded.utf8);
}

int runImport(const std::string& romPath, const std::string& file, const std::string& formatOption,
              bool dryRun)
{
    const auto text = sheetText(file);
    const auto format = inputFormat(formatOption, file, text);
    // From here to the last write the file is locked against other writers of ours,
    // so the changes are worked out against what the file holds while they are made.
    CliRom rom = openCliRom(romPath, dryRun ? Access::Read : Access::Write);
    // A table's sheet by a column only it has; else the species'.
    const auto header = headerColumns(text, format);
    for (const auto* sheet : species::tableSheets()) {
        if (!sheet->isSheetOf(header))
            continue;
        readTable(rom, *sheet);
        ErrorList errors;
        const auto reader = sheet->reader(*rom.document, errors);
        forEachSheetRow(text, format, reader->columns(), errors, [&](const SheetRow& row) { reader->row(row); });
        if (reader->edits().empty() && errors.empty())
            errors.add(file, "holds no rows");
        if (!errors.empty())
            errors.report();
        return writeTableChanges(rom, *sheet, reader->edits(), reader->changes(), dryRun);
    }
    // Row by row as the sheet is read: a sheet is never held as rows.
    ErrorList errors;
    SheetEdits edits(rom.words(), rom.records(), rom.game(), errors);
    std::size_t rows = 0;
    forEachSheetRow(text, format, errors, [&](const SheetRow& row) {
        ++rows;
        edits.apply(row);
    });
    if (rows == 0 && errors.empty())
        errors.add(file, "holds no species rows");
    if (!errors.empty())
        errors.report();
    return writeChanges(rom, edits.wanted(), dryRun);
}

} // namespace quillmark::cli
