// quillmark-cli: every species of a Diamond or Pearl ROM at once, to and from CSV or
// JSON, and single fields for scripts. The ROM is edited in place, only the bytes that
// change are written, and a file is never created or extended.
#include "cli/CliErrors.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "platform/ProcessServices.h"

#include <CLI/CLI.hpp>

#include "species/LookupLists.h"
#include "species/RecordCodec.h"

#include <algorithm>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>


namespace {

constexpr const char* kSpeciesHelp =
    "list index (0-based: 0..492, forms from 493), dex:N for National Dex number N, or name "
    "(any case, \"mr mime\", \"heat rotom\")";

int run(int argc, char** argv)
{
    using namespace quillmark::cli;
    // A closed pipe or a file-size limit is an error to report, not a reason to die
    // silently half-way through.
    catchClosedPipes();
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif

    CLI::App app{"quillmark-cli: the species data of Pokémon Diamond, Pearl, Platinum, HeartGold and "
                 "SoulSilver ROMs, all at once.\n"
                 "Species are given by list index (0-based: Bulbasaur is 0, Garchomp 444), by\n"
                 "dex:445 (National Dex number) or by name (any case: \"mr mime\", \"heat rotom\");\n"
                 "the egg and form records follow from 493 on (Deoxys (Attack Forme), Rotom (Heat)...).\n"
                 "Exit status: 0 done, 1 bad input (nothing written), 2 unsupported or unreadable "
                 "ROM (nothing written), 3 the ROM could not be written completely, 4 the ROM "
                 "was written but the report could not be printed, 141 standard output was a "
                 "pipe that its reader closed; with diff --exit-code, 1 the ROMs differ and 5 "
                 "bad input or an output not written."};
    app.set_version_flag("--version", "quillmark-cli 1.2.0.0");
    // A path such as /roms/x.nds is a path, not a Windows-style /option.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);
    std::string rom, file, speciesText, format, what;
    std::vector<std::string> assignments;
    bool dryRun = false, noBom = false, excel = false;
    ExportOptions exportOptions;

    auto* infoCmd = app.add_subcommand("info", "Game code, title, language and where the table is");
    infoCmd->add_option("ROM", rom, "the .nds file")->required();

    auto* exportCmd = app.add_subcommand(
        "export", "Write all 493 species, every byte of their records, as CSV or JSON. List "
                  "fields are written as their texts (#NNN for a code no text names alone)");
    exportCmd->add_option("ROM", rom, "the .nds file")->required();
    exportCmd->add_option("-o,--output", exportOptions.output,
                          "file to write, .csv or .json unless --format says which; never a ROM "
                          "(standard output by default)");
    exportCmd->add_option("--format", exportOptions.format, "csv or json (by default from the -o extension)");
    exportCmd->add_flag("--codes", exportOptions.codes, "list fields as codes, in <field>_code columns");
    exportCmd->add_flag("--no-bom", noBom, "no UTF-8 byte order mark at the start of a CSV");
    exportCmd->add_flag("--excel", excel,
                        "CSV as Excel opens it by a double-click: UTF-8 with its byte order mark and "
                        "CRLF line ends (the default; --no-bom leaves the mark out)");
    std::string separator = ",";
    exportCmd->add_option("--separator", separator, "between CSV columns: , (the default), ; or tab");
    exportCmd->add_flag("--forms", exportOptions.forms,
                        "also the egg and form records after the 493 species (Deoxys, Rotom...)");
    auto* learnsets = exportCmd->add_flag(
        "--learnsets", exportOptions.learnsets,
        "the level-up moves instead: index,dex,name,entry,level,move, a row per entry in stored order");
    auto* evolutions = exportCmd->add_flag("--evolutions", exportOptions.evolutions,
                                           "the evolutions instead: index,dex,name,slot,method,parameter,target, a "
                                           "row per used slot")
                           ->excludes(learnsets);
    auto* eggMoves = exportCmd->add_flag("--eggmoves", exportOptions.eggMoves,
                                         "the egg moves instead: index,dex,name,entry,move, a row per move")
                         ->excludes(learnsets)
                         ->excludes(evolutions);
    exportCmd->add_flag("--tutors", exportOptions.tutors,
                        "the tutor moves instead (Platinum, HeartGold, SoulSilver): index,dex,name, then a "
                        "column per tutor move, x where the species learns it")
        ->excludes(learnsets)
        ->excludes(evolutions)
        ->excludes(eggMoves);

    auto* importCmd = app.add_subcommand(
        "import", "Write the species of a CSV or JSON sheet into the ROM; rows may be a subset, "
                  "list fields given by text or code");
    importCmd->add_option("ROM", rom, "the .nds file")->required();
    importCmd->add_option("FILE", file,
                          "CSV or JSON as export writes it (species, level-up moves, evolutions, egg moves "
                          "or tutor moves, told apart by the columns); - for standard input")
        ->required();
    importCmd->add_option("--format", format, "csv or json (by default from the extension or the content)");
    importCmd->add_flag("--dry-run", dryRun, "print what would change, write nothing");

    std::vector<std::string> getFields;
    bool valuesOnly = false;
    auto* getCmd = app.add_subcommand("get", "Print every field of one species, or the fields named");
    getCmd->add_option("ROM", rom, "the .nds file")->required();
    getCmd->add_option("SPECIES", speciesText, kSpeciesHelp)->required();
    getCmd->add_option("FIELD", getFields,
                       "only these fields, one per line (hp, type1, type1_code...; learnset, evolutions, "
                       "eggmoves, tutors)");
    getCmd->add_flag("--value", valuesOnly, "bare values, one per line, for scripts");

    std::string fields;
    for (const auto& column : quillmark::species::recordColumns())
        fields += (fields.empty() ? "" : ", ") + std::string(column.name);
    auto* setCmd = app.add_subcommand(
        "set", "Change fields of one species: FIELD=VALUE, a list field by text, #code or "
               "<field>_code=N; machines=TM01,HM04 or machines+=TM26 machines-=HM04. Fields: " + fields);
    setCmd->add_option("ROM", rom, "the .nds file")->required();
    setCmd->add_option("SPECIES", speciesText, kSpeciesHelp)->required();
    setCmd->add_option("FIELD=VALUE", assignments, "e.g. hp=80 type1=Fire item1_code=234")->required();
    setCmd->add_flag("--dry-run", dryRun, "print what would change, write nothing");

    auto* listCmd = app.add_subcommand("list", "Print the texts of a list with their codes");
    listCmd->add_option("LIST", what, listNames())->required();
    std::string game = "diamond";
    listCmd->add_option("--game", game, "diamond, pearl, platinum, heartgold or soulsilver (items "
                                        "and HM05 differ)");

    std::string otherRom, patchFile, patchOutput;
    DiffOptions diffOptions;
    bool diffCsv = false, diffJson = false, diffNoBom = false;
    auto* diffCmd = app.add_subcommand(
        "diff", "What changed from BEFORE to AFTER, two ROMs of one game, in the sheets' words: a block "
                "per species, then the other files that differ; both are only read");
    diffCmd->add_option("BEFORE", rom, "the .nds file as it was (the original, usually)")->required();
    diffCmd->add_option("AFTER", otherRom, "the .nds file as it is now")->required();
    auto* diffCsvFlag = diffCmd->add_flag("--csv", diffCsv, "index,dex,name,part,field,before,after, a row per change");
    diffCmd->add_flag("--json", diffJson, "the same rows as JSON")->excludes(diffCsvFlag);
    diffCmd->add_option("--format", diffOptions.format, "text, csv or json (by default from the -o extension)");
    diffCmd->add_option("-o,--output", diffOptions.output, "file to write (standard output by default); never a ROM");
    diffCmd->add_flag("--no-bom", diffNoBom, "no UTF-8 byte order mark at the start of a CSV");
    diffCmd->add_flag("--exit-code", diffOptions.exitCode, "exit 1 when the data differ, 0 when they do not, 5 for bad input or an output not written");
    diffCmd->add_option("--bps", diffOptions.bps, "also write the BPS patch that turns BEFORE into AFTER (a .bps file)");
    auto* patchCmd = app.add_subcommand("patch", "Apply a BPS patch to a ROM, into a new file; the ROM is only read");
    patchCmd->add_option("ROM", rom, "the .nds file the patch was made for")->required();
    patchCmd->add_option("PATCH", patchFile, "the .bps patch")->required();
    patchCmd->add_option("-o,--output", patchOutput, "the patched ROM, a new .nds file")->required();

    // A mistyped command would otherwise read "A subcommand is required".
    if (argc > 1 && argv[1][0] != '-') {
        const std::string typed = argv[1];
        std::string nearest, names;
        std::size_t best = 3;
        for (const auto* command : app.get_subcommands({})) {
            names += (names.empty() ? "" : ", ") + command->get_name();
            const auto distance = quillmark::species::editDistance(lowered(typed), command->get_name());
            if (distance == 0)
                best = 0, nearest.clear();
            else if (distance < best)
                best = distance, nearest = command->get_name();
        }
        if (best != 0) {
            std::cerr << "quillmark-cli: no command " << quillmark::species::quoteCell(typed)
                      << (nearest.empty() ? "" : "; did you mean " + nearest + "?") << " (commands: "
                      << names << ")\n";
            return BadInput;
        }
    }
    for (auto* command : app.get_subcommands({}))
        command->ignore_case();
    // diff --exit-code keeps 1 for "they differ": its own failures exit 5.
    auto failedWith = [&](Exit code) {
        const bool diffExitCode = argc > 1 && lowered(argv[1]) == "diff" &&
                                  std::any_of(argv + 2, argv + argc, [](const char* a) { return std::string_view(a) == "--exit-code"; });
        return diffExitCode && code == BadInput ? DiffFailed : code;
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (app.exit(e) != 0)
            return failedWith(BadInput);
        // --help or --version: done only if the text got out.
        try {
            checkStandardOutput();
        } catch (const Failure& failure) {
            return failure.code;
        }
        return Ok;
    }
    try {
        int status = Ok;
        if (*infoCmd)
            status = runInfo(rom);
        else if (*exportCmd) {
            if (excel && noBom)
                fail(BadInput, "--excel writes the byte order mark that --no-bom leaves out; give one "
                               "of them");
            exportOptions.bom = !noBom;
            exportOptions.separator = separatorOption(separator);
            status = runExport(rom, exportOptions);
        } else if (*importCmd)
            status = runImport(rom, file, format, dryRun);
        else if (*getCmd)
            status = runGet(rom, speciesText, getFields, valuesOnly);
        else if (*setCmd)
            status = runSet(rom, speciesText, assignments, dryRun);
        else if (*diffCmd) {
            if (diffCsv || diffJson) {
                if (!diffOptions.format.empty())
                    fail(BadInput, "give --csv, --json or --format, not two of them");
                diffOptions.format = diffCsv ? "csv" : "json";
            }
            diffOptions.bom = !diffNoBom;
            status = runDiff(rom, otherRom, diffOptions);
        } else if (*patchCmd)
            status = runPatch(rom, patchFile, patchOutput);
        else
            status = runList(what, game);
        checkStandardOutput();
        return status;
    } catch (const Failure& failure) {
        return failedWith(failure.code);
    }
}

} // namespace

int main(int argc, char** argv)
{
    // "Pokémon" and "Farfetch’d" as they are, in the console too.
    quillmark::platform::useUtf8Console();
    try {
        auto arguments = quillmark::platform::commandLineArguments(argc, argv);
        std::vector<char*> pointers;
        for (auto& argument : arguments)
            pointers.push_back(argument.data());
        pointers.push_back(nullptr);
        return run(static_cast<int>(arguments.size()), pointers.data());
    } catch (const std::exception& unexpected) {
        // Whatever the library or the system threw: one line, never a crash report.
        std::cerr << "quillmark-cli: unexpected error: " << unexpected.what() << '\n';
    } catch (...) {
        std::cerr << "quillmark-cli: unexpected error\n";
    }
    return quillmark::cli::BadRom;
}
