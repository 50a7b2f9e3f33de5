// quillmark-cli: every species of a Diamond or Pearl ROM at once, to and from CSV or
// JSON, and single fields for scripts. The ROM is edited in place, only the bytes that
// change are written, and a file is never created or extended.
#include "cli/CliErrors.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "platform/ProcessServices.h"

#include <CLI/CLI.hpp>

#include "species/DocumentParts.h"
#include "species/LookupLists.h"
#include "species/TableSheet.h"
#include "species/RecordCodec.h"

#include <algorithm>
#include <csignal>
#include <functional>
#include <memory>
#include <optional>
#include <iostream>
#include <string>
#include <vector>


namespace {

using namespace quillmark::cli;

constexpr const char* kSpeciesHelp =
    "list index (0-based: 0..492, forms from 493), dex:N for National Dex number N, or name "
    "(any case, \"mr mime\", \"heat rotom\")";

// A subcommand of quillmark-cli: its options are bound to what `run` reads.
struct Command {
    CLI::App* app;
    std::function<int()> run;
};

Command addInfo(CLI::App& app)
{
    auto rom = std::make_shared<std::string>();
    auto* cmd = app.add_subcommand("info", "Game code, title, language and where the table is");
    cmd->add_option("ROM", *rom, "the .nds file")->required();
    return {cmd, [rom] { return runInfo(*rom); }};
}

Command addExport(CLI::App& app)
{
    struct State {
        std::string rom, separator = ",";
        bool noBom = false, excel = false;
        ExportOptions options;
    };
    auto state = std::make_shared<State>();
    auto& options = state->options;
    auto* cmd = app.add_subcommand(
        "export", "Write all 493 species, every byte of their records, as CSV or JSON. List "
                  "fields are written as their texts (#NNN for a code no text names alone)");
    cmd->add_option("ROM", state->rom, "the .nds file")->required();
    cmd->add_option("-o,--output", options.output,
                    "file to write, .csv or .json unless --format says which; never a ROM "
                    "(standard output by default)");
    cmd->add_option("--format", options.format, "csv or json (by default from the -o extension)");
    cmd->add_flag("--codes", options.codes, "list fields as codes, in <field>_code columns");
    cmd->add_flag("--no-bom", state->noBom, "no UTF-8 byte order mark at the start of a CSV");
    cmd->add_flag("--excel", state->excel,
                  "CSV as Excel opens it by a double-click: UTF-8 with its byte order mark and "
                  "CRLF line ends (the default; --no-bom leaves the mark out)");
    cmd->add_option("--separator", state->separator, "between CSV columns: , (the default), ; or tab");
    cmd->add_flag("--forms", options.forms, "also the egg and form records after the 493 species (Deoxys, Rotom...)");
    // A table's sheet instead of the species, one at most.
    std::vector<CLI::Option*> tables;
    for (const auto* sheet : quillmark::species::tableSheets()) {
        auto* flag = cmd->add_flag_callback(
            "--" + std::string(sheet->flag()), [state, sheet] { state->options.table = std::string(sheet->flag()); },
            std::string(sheet->help()));
        for (auto* other : tables)
            flag->excludes(other);
        tables.push_back(flag);
    }
    return {cmd, [state] {
                if (state->excel && state->noBom)
                    fail(BadInput, "--excel writes the byte order mark that --no-bom leaves out; give one "
                                   "of them");
                state->options.bom = !state->noBom;
                state->options.separator = separatorOption(state->separator);
                return runExport(state->rom, state->options);
            }};
}

Command addImport(CLI::App& app)
{
    struct State {
        std::string rom, file, format;
        bool dryRun = false;
    };
    auto state = std::make_shared<State>();
    auto* cmd = app.add_subcommand("import", "Write the species of a CSV or JSON sheet into the ROM; rows may be a "
                                             "subset, list fields given by text or code");
    cmd->add_option("ROM", state->rom, "the .nds file")->required();
    std::string kinds = "species";
    const auto sheets = quillmark::species::tableSheets();
    for (std::size_t i = 0; i < sheets.size(); ++i)
        kinds += (i + 1 < sheets.size() ? ", " : " or ") + std::string(sheets[i]->sheetWords());
    cmd->add_option("FILE", state->file,
                    "CSV or JSON as export writes it (" + kinds + ", told apart by the columns); - for standard input")
        ->required();
    cmd->add_option("--format", state->format, "csv or json (by default from the extension or the content)");
    cmd->add_flag("--dry-run", state->dryRun, "print what would change, write nothing");
    return {cmd, [state] { return runImport(state->rom, state->file, state->format, state->dryRun); }};
}

Command addGet(CLI::App& app)
{
    struct State {
        std::string rom, species;
        std::vector<std::string> fields;
        bool valuesOnly = false;
    };
    auto state = std::make_shared<State>();
    auto* cmd = app.add_subcommand("get", "Print every field of one species, or the fields named");
    cmd->add_option("ROM", state->rom, "the .nds file")->required();
    cmd->add_option("SPECIES", state->species, kSpeciesHelp)->required();
    std::string tables;
    for (const auto* sheet : quillmark::species::tableSheets())
        tables += (tables.empty() ? "" : ", ") + std::string(sheet->name());
    cmd->add_option("FIELD", state->fields, "only these fields, one per line (hp, type1, type1_code...; " + tables + ")");
    cmd->add_flag("--value", state->valuesOnly, "bare values, one per line, for scripts");
    return {cmd, [state] { return runGet(state->rom, state->species, state->fields, state->valuesOnly); }};
}

Command addSet(CLI::App& app)
{
    struct State {
        std::string rom, species;
        std::vector<std::string> assignments;
        bool dryRun = false;
    };
    auto state = std::make_shared<State>();
    std::string fields;
    for (const auto& column : quillmark::species::recordColumns())
        fields += (fields.empty() ? "" : ", ") + std::string(column.name);
    auto* cmd = app.add_subcommand(
        "set", "Change fields of one species: FIELD=VALUE, a list field by text, #code or "
               "<field>_code=N; machines=TM01,HM04 or machines+=TM26 machines-=HM04. Fields: " + fields);
    cmd->add_option("ROM", state->rom, "the .nds file")->required();
    cmd->add_option("SPECIES", state->species, kSpeciesHelp)->required();
    cmd->add_option("FIELD=VALUE", state->assignments, "e.g. hp=80 type1=Fire item1_code=234")->required();
    cmd->add_flag("--dry-run", state->dryRun, "print what would change, write nothing");
    return {cmd, [state] { return runSet(state->rom, state->species, state->assignments, state->dryRun); }};
}

Command addList(CLI::App& app)
{
    struct State {
        std::string what, game = "diamond", rom;
    };
    auto state = std::make_shared<State>();
    auto* cmd = app.add_subcommand("list", "Print the texts of a list with their codes");
    cmd->add_option("LIST", state->what, listNames())->required();
    cmd->add_option("--game", state->game, "diamond, pearl, platinum, heartgold or soulsilver (items "
                                           "and HM05 differ)");
    cmd->add_option("--rom", state->rom, "species: the names this ROM gives them, with their Dex numbers");
    return {cmd, [state] { return runList(state->what, state->game, state->rom); }};
}

Command addDiff(CLI::App& app)
{
    struct State {
        std::string before, after;
        bool csv = false, json = false, noBom = false;
        DiffOptions options;
    };
    auto state = std::make_shared<State>();
    auto& options = state->options;
    auto* cmd = app.add_subcommand(
        "diff", "What changed from BEFORE to AFTER, two ROMs of one game, in the sheets' words: a block "
                "per species, then the other files that differ; both are only read");
    cmd->add_option("BEFORE", state->before, "the .nds file as it was (the original, usually)")->required();
    cmd->add_option("AFTER", state->after, "the .nds file as it is now")->required();
    auto* csv = cmd->add_flag("--csv", state->csv, "index,dex,name,part,field,before,after, a row per change");
    cmd->add_flag("--json", state->json, "the same rows as JSON")->excludes(csv);
    cmd->add_option("--format", options.format, "text, csv or json (by default from the -o extension)");
    cmd->add_option("-o,--output", options.output, "file to write (standard output by default); never a ROM");
    cmd->add_flag("--no-bom", state->noBom, "no UTF-8 byte order mark at the start of a CSV");
    cmd->add_flag("--exit-code", options.exitCode,
                  "exit 1 when the data differ, 0 when they do not, 5 for bad input or an output not written");
    cmd->add_option("--bps", options.bps, "also write the BPS patch that turns BEFORE into AFTER (a .bps file)");
    return {cmd, [state] {
                auto& options = state->options;
                if (state->csv || state->json) {
                    if (!options.format.empty())
                        fail(BadInput, "give --csv, --json or --format, not two of them");
                    options.format = state->csv ? "csv" : "json";
                }
                options.bom = !state->noBom;
                return runDiff(state->before, state->after, options);
            }};
}

Command addPatch(CLI::App& app)
{
    struct State {
        std::string rom, patch, output;
    };
    auto state = std::make_shared<State>();
    auto* cmd = app.add_subcommand("patch", "Apply a BPS patch to a ROM, into a new file; the ROM is only read");
    cmd->add_option("ROM", state->rom, "the .nds file the patch was made for")->required();
    cmd->add_option("PATCH", state->patch, "the .bps patch")->required();
    cmd->add_option("-o,--output", state->output, "the patched ROM, a new .nds file")->required();
    return {cmd, [state] { return runPatch(state->rom, state->patch, state->output); }};
}

// A mistyped command would otherwise read "A subcommand is required": the nearest
// command instead. Nothing when the first argument is a command (or an option).
std::optional<int> refuseUnknownCommand(CLI::App& app, int argc, char** argv)
{
    if (argc <= 1 || argv[1][0] == '-')
        return std::nullopt;
    const std::string typed = argv[1];
    std::string nearest, names;
    std::size_t best = 3;
    for (const auto* command : app.get_subcommands({})) {
        names += (names.empty() ? "" : ", ") + command->get_name();
        const auto distance = quillmark::species::editDistance(lowered(typed), command->get_name());
        if (distance == 0)
            return std::nullopt;
        if (distance < best)
            best = distance, nearest = command->get_name();
    }
    std::cerr << "quillmark-cli: no command " << quillmark::species::quoteCell(typed)
              << (nearest.empty() ? "" : "; did you mean " + nearest + "?") << " (commands: " << names << ")\n";
    return BadInput;
}

int run(int argc, char** argv)
{
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
                 "pipe that its reader closed; with diff --exit-code, 1 the data differ and 5 "
                 "bad input or an output not written."};
    app.set_version_flag("--version", "quillmark-cli 1.2.0.0");
    // A path such as /roms/x.nds is a path, not a Windows-style /option.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);
    const Command commands[] = {addInfo(app), addExport(app), addImport(app), addGet(app),
                                addSet(app),  addList(app),   addDiff(app),   addPatch(app)};

    if (const auto refused = refuseUnknownCommand(app, argc, argv))
        return *refused;
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
        for (const auto& command : commands) {
            if (*command.app)
                status = command.run();
        }
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
