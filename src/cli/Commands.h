#pragma once

#include "cli/CliRom.h"
#include "species/TableSheet.h"

#include <string>
#include <vector>

namespace quillmark::cli {

// One function per command of quillmark-cli; each returns the exit status or throws
// Failure after printing why.

int runInfo(const std::string& romPath);

struct ExportOptions {
    std::string output;  // "" or "-": standard output
    std::string format;  // "" : from the output's extension
    bool codes = false;
    bool bom = true;
    bool forms = false;  // the egg and form records after the 493 species too
    char separator = ',';
    // Instead of the species records, a table's sheet by its export flag ("learnsets",
    // "evolutions", "eggmoves", "tutors"); "": the species.
    std::string table;
};

// "," ";" "tab" (or a tab itself) as --separator takes them; exit 1 otherwise.
char separatorOption(const std::string& text);
int runExport(const std::string& romPath, const ExportOptions& options);

int runImport(const std::string& romPath, const std::string& file, const std::string& format,
              bool dryRun);
// Every field, or only those named ("hp", "type1_code"), one per line; valuesOnly
// prints the bare values, for scripts.
int runGet(const std::string& romPath, const std::string& speciesText,
           const std::vector<std::string>& fields = {}, bool valuesOnly = false);
int runSet(const std::string& romPath, const std::string& speciesText,
           const std::vector<std::string>& assignments, bool dryRun);
// `romPath` (list species only): the names that ROM gives its species, with their list
// indices and Dex numbers.
int runList(const std::string& what, const std::string& game, const std::string& romPath = {});

struct DiffOptions {
    std::string output;  // "" or "-": standard output
    std::string format;  // text, csv or json; "" : from the output's extension, else text
    bool bom = true;
    bool exitCode = false;  // 1 when they differ, as git diff --exit-code
    std::string bps;        // also write the patch from the first ROM to the second here
};
// What changed from BEFORE to AFTER, two ROMs of one game, both only read.
int runDiff(const std::string& beforePath, const std::string& afterPath, const DiffOptions& options);
// ROM with the BPS patch applied, into OUTPUT, a new file; the ROM is only read.
int runPatch(const std::string& romPath, const std::string& patchPath, const std::string& output);

// What list prints: its names, for --help.
std::string listNames();

// Prints each change as "Garchomp (444): hp 108 -> 110" and writes the changed runs of
// each record with one write each, unless dryRun; the summary comes after the writes.
// A write that fails part-way is exit 3, naming what was written and what was not.
int writeChanges(CliRom& rom, const std::vector<species::RecordBytes>& wanted, bool dryRun);
// The table of `sheet` read through the ROM's open: exit 2 when it cannot be read,
// exit 1 when the game has none (the tutors of Diamond and Pearl).
void readTable(CliRom& rom, const species::TableSheet& sheet);
// The sheet whose export flag (or, with `byName`, whose name or another name `get`
// takes) is `text`; nothing for none.
const species::TableSheet* tableSheetNamed(std::string_view text, bool byName);

// Checks the edits a table's sheet asks for, prints `lines` (what changes) and the
// count, and writes them unless dryRun, under the lock the ROM was opened with: a file
// that grows or moves is said where it goes.
int writeTableChanges(CliRom& rom, const species::TableSheet& sheet, const species::DocumentEdits& edits,
                      std::vector<std::string> lines, bool dryRun);

[[noreturn]] void failToRead(const species::SpeciesError& error);

} // namespace quillmark::cli
