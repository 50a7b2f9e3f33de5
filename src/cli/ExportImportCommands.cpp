#include "cli/CliErrors.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/SheetEdits.h"
#include "cli/SheetFormats.h"

#include <numeric>

namespace quillmark::cli {

int runExport(const std::string& romPath, const ExportOptions& options)
{
    const auto format = outputFormat(options.format, options.output);
    const CliRom rom = openCliRom(romPath, Access::Read);
    // The egg and form records only when asked for: most sheets are about the species.
    std::vector<int> indices(options.forms ? rom.records.size() : std::size_t{species::kSpeciesCount});
    std::iota(indices.begin(), indices.end(), 0);
    writeOutput(options.output,
                writeSheet(rom.records, indices,
                           {format, rom.game(), options.codes, options.bom, options.separator}),
                romPath, !options.format.empty());
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

int runImport(const std::string& romPath, const std::string& file, const std::string& formatOption,
              bool dryRun)
{
    const auto text = readInput(file);
    const auto format = inputFormat(formatOption, file, text);
    // From here to the last write the file is locked against other writers of ours,
    // so the changes are worked out against what the file holds while they are made.
    CliRom rom = openCliRom(romPath, dryRun ? Access::Read : Access::Write);
    // Row by row as the sheet is read: a sheet is never held as rows.
    ErrorList errors;
    SheetEdits edits(rom.records, rom.game(), errors);
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
