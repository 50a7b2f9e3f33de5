#include "cli/CliErrors.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "platform/Quantity.h"
#include "species/SpeciesMessages.h"
#include "species/SpeciesEditor.h"
#include "species/DocumentParts.h"
#include "species/SpeciesTableFile.h"

#include <algorithm>
#include <iostream>

namespace quillmark::cli {

namespace {

std::string machineChanges(const species::RecordBytes& before, const species::RecordBytes& after)
{
    const auto was = species::machinesOf(before), now = species::machinesOf(after);
    std::string text;
    for (const int bit : now) {
        if (std::find(was.begin(), was.end(), bit) == was.end())
            text += " +" + species::machineName(bit);
    }
    for (const int bit : was) {
        if (std::find(now.begin(), now.end(), bit) == now.end())
            text += " -" + species::machineName(bit);
    }
    return text;
}

std::string speciesList(const species::Vocabulary& words, const std::vector<int>& indices)
{
    std::string text;
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (i == 20) {
            text += ", and " + std::to_string(indices.size() - 20) + " more";
            break;
        }
        text += (i ? ", " : "") + words.recordLabel(indices[i]);
    }
    return text;
}

} // namespace

int writeChanges(CliRom& rom, const std::vector<species::RecordBytes>& wanted, bool dryRun)
{
    std::vector<std::string> lines;
    std::vector<int> changed;
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const auto& before = rom.records()[i];
        const auto& after = wanted[i];
        if (before == after)
            continue;
        changed.push_back(static_cast<int>(i));
        for (std::size_t b = 0; b < before.size(); ++b)
            bytes += before[b] != after[b];
        const auto label = rom.words().recordLabel(static_cast<int>(i));
        for (const auto& column : species::recordColumns()) {
            if (column.kind == species::ColumnKind::Machines) {
                if (const auto text = machineChanges(before, after); !text.empty())
                    lines.push_back(label + ": machines" + text);
                continue;
            }
            // Texts only for what changed: an import may change every record.
            if (species::codeOf(column, before) == species::codeOf(column, after))
                continue;
            const auto was = species::cellText(column, before, rom.game());
            const auto now = species::cellText(column, after, rom.game());
            if (was != now)
                lines.push_back(label + ": " + std::string(column.name) + " " + was + " -> " + now);
        }
    }
    const auto summary = std::to_string(lines.size()) + " field(s), " + std::to_string(bytes) +
                         " byte(s) ";
    if (!dryRun && !changed.empty()) {
        const auto applied = rom.document->apply({wanted, {}});
        const auto& writes = applied.records;
        if (applied.error && applied.error->kind == species::SpeciesFailure::WriteFailed) {
            std::vector<int> notWritten;
            for (const int index : changed) {
                if (std::find(writes.written.begin(), writes.written.end(), index) == writes.written.end())
                    notWritten.push_back(index);
            }
            std::cerr << "quillmark-cli: the ROM could not be written completely: "
                      << platform::errorDescription(*writes.error) << '\n'
                      << "quillmark-cli: " << writes.written.size() << " of " << changed.size()
                      << " changed species were written"
                      << (writes.written.empty() ? "" : " (" + speciesList(rom.words(), writes.written) + ")")
                      << "; not written: " << speciesList(rom.words(), notWritten) << " ("
                      << rom.words().recordLabel(*writes.failedAt) << " may be partly written)\n";
            throw Failure{WriteIncomplete};
        }
        if (applied.error && applied.error->kind != species::SpeciesFailure::WrittenToReplacedFile)
            fail(BadRom, species::userMessage(*applied.error, species::SpeciesOperation::Save));
        if (applied.error)
            fail(WriteIncomplete,
                 "another program replaced " + rom.path + " while it was being written: the " +
                     std::to_string(changed.size()) + " changed species (" + speciesList(rom.words(), changed) +
                     ") went into the file that was replaced and are not in the file now at "
                     "that path; run the command again");
        noteRomWritten();
    }
    for (const auto& line : lines)
        std::cout << line << '\n';
    std::cout << summary
              << (dryRun ? "would change; nothing was written (dry run)" : "changed") << '\n';
    return Ok;
}

void failToRead(const species::SpeciesError& error)
{
    fail(BadRom, species::userMessage(error, species::SpeciesOperation::Load));
}

void readTable(CliRom& rom, const species::TableSheet& sheet)
{
    const auto read = sheet.read(*rom.document);
    if (!read)
        failToRead(read.error());
    if (!*read)
        fail(BadInput, sheet.absentText(rom.game()));
}

const species::TableSheet* tableSheetNamed(std::string_view text, bool byName)
{
    const auto key = lowered(text);
    for (const auto* sheet : species::tableSheets()) {
        if (key == sheet->flag())
            return sheet;
        if (!byName)
            continue;
        const auto aliases = sheet->aliases();
        if (key == sheet->name() || std::find(aliases.begin(), aliases.end(), key) != aliases.end())
            return sheet;
    }
    return nullptr;
}

namespace {

// Writes the edits; a failure exits with what may be in the file (`what` may be partly
// written).
void applyOrFail(CliRom& rom, const species::DocumentEdits& edits, std::string_view what)
{
    if (const auto applied = rom.document->apply(edits); applied.error) {
        const auto& error = *applied.error;
        if (error.kind == species::SpeciesFailure::WriteFailed)
            fail(WriteIncomplete, "the ROM could not be written completely: " +
                                      (error.detail.empty() ? std::string(platform::errorDescription(*error.fileError)) +
                                                                  "; " + std::string(what) + " may be partly written"
                                                            : error.detail));
        if (error.kind == species::SpeciesFailure::WrittenToReplacedFile)
            fail(WriteIncomplete, "another program replaced " + rom.path +
                                      " while it was being written: the changes went into the file that was "
                                      "replaced and are not in the file now at that path; run the command again");
        fail(BadRom, species::userMessage(error, species::SpeciesOperation::Save));
    }
    noteRomWritten();
}

// Where a file that grows past its room goes, and what room is left after it.
std::string placementText(const species::FileRewrite& rewrite, std::optional<std::int64_t> capacity, bool dryRun)
{
    const auto& placement = rewrite.placement;
    const auto size = platform::quantity(placement.size, "byte");
    const auto left = capacity ? "; " + platform::quantity(*capacity - placement.end(), "byte") +
                                     " are left up to the capacity"
                               : std::string();
    if (placement.moves)
        return rewrite.name + (dryRun ? " would move" : " moves") + " from " + std::to_string(rewrite.was.start) +
               " to " + std::to_string(placement.start) + ", after the used image, and " +
               (dryRun ? "take " : "takes ") + size + " there" + left + " (its old bytes stay where they were)";
    return rewrite.name + (dryRun ? " would grow" : " grows") + " where it lies last, to " + size + left;
}

} // namespace

int writeTableChanges(CliRom& rom, const species::TableSheet& sheet, const species::DocumentEdits& edits,
                      std::vector<std::string> lines, bool dryRun)
{
    // What the game cannot take, or what does not fit, is refused before anything else.
    const auto checked = rom.document->check(edits);
    if (!checked)
        fail(BadInput, species::userMessage(checked.error(), species::SpeciesOperation::Save));
    const auto changes = lines.size();
    if (const auto* step = checked->rewriting(); step && step->rewrite->placement.usedSize && changes > 0)
        lines.push_back(placementText(*step->rewrite, step->layout ? step->layout->capacity() : std::nullopt, dryRun));
    // Under the writers' lock the ROM was opened with, the document finds what it read,
    // or refuses: another program may have moved the room.
    if (!dryRun && changes > 0)
        applyOrFail(rom, edits, sheet.writtenWhat());
    for (const auto& line : lines)
        std::cout << line << '\n';
    std::cout << changes << " change(s) " << (dryRun ? "would be made; nothing was written (dry run)" : "made")
              << '\n';
    return Ok;
}

} // namespace quillmark::cli
