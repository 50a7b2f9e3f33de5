// diff and patch: what changed between two ROMs of one game, in the sheets' words, and
// the BPS patch that makes one from the other.
#include "cli/CliErrors.h"
#include "cli/CliRom.h"
#include "cli/Commands.h"
#include "cli/Csv.h"
#include "cli/Output.h"
#include "platform/FileServices.h"
#include "platform/OutputFiles.h"
#include "rom/Bps.h"
#include "species/RomComparison.h"
#include "species/SpeciesMessages.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace quillmark::cli {

namespace {

species::RomDocument openToCompare(const std::string& path)
{
    auto opened = species::RomDocument::open(path, species::DocumentAccess::HeldForReading);
    if (!opened)
        failToOpen(path, opened.error(), species::SpeciesOperation::Load, true);
    return std::move(*opened);
}

std::string_view bytesOf(const std::vector<std::uint8_t>& bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::string comparisonJson(const std::vector<species::RomChange>& changes)
{
    nlohmann::ordered_json json = nlohmann::ordered_json::array();
    for (const auto& change : changes) {
        nlohmann::ordered_json row;
        row["index"] = change.index < 0 ? nlohmann::ordered_json() : nlohmann::ordered_json(change.index);
        row["dex"] = change.dex ? nlohmann::ordered_json(*change.dex) : nlohmann::ordered_json();
        row["name"] = change.name;
        row["part"] = change.part;
        row["field"] = change.field;
        row["before"] = change.before;
        row["after"] = change.after;
        json.push_back(std::move(row));
    }
    return json.dump(2) + "\n";
}

} // namespace

int runDiff(const std::string& beforePath, const std::string& afterPath, const DiffOptions& options)
{
    std::string format = lowered(options.format);
    if (format.empty()) {
        const auto ext = platform::extensionOf(options.output);
        format = ext == ".csv" ? "csv" : ext == ".json" ? "json" : "text";
    }
    if (format != "text" && format != "csv" && format != "json")
        fail(BadInput, "--format " + options.format + ": give text, csv or json");
    if (!options.output.empty() && options.output != "-")
        checkOutputName(options.output, format == "text" || !options.format.empty());
    auto before = openToCompare(beforePath);
    auto after = openToCompare(afterPath);
    if (before.fingerprint().gameCode != after.fingerprint().gameCode) {
        auto name = [](const species::RomDocument& rom) {
            return std::string(rom::findEdition(rom.fingerprint().gameCode)->title) + " (" +
                   rom.fingerprint().gameCode + ")";
        };
        fail(BadRom, beforePath + " is " + name(before) + " and " + afterPath + " is " + name(after) +
                         ": only two ROMs of one game are compared");
    }
    auto changes = species::compareRoms(before, after);
    if (!changes)
        fail(BadRom, species::userMessage(changes.error(), species::SpeciesOperation::Load));
    std::string text;
    if (format == "csv") {
        text = writeCsv(species::comparisonRows(*changes));
        if (!options.bom)
            text.erase(0, kCsvByteOrderMark.size());
    } else if (format == "json") {
        text = comparisonJson(*changes);
    } else {
        text = species::comparisonText(*changes);
    }
    if (!options.bps.empty()) {
        auto patch = species::patchBetween(before, after);
        if (!patch)
            fail(BadRom, species::userMessage(patch.error(), species::SpeciesOperation::Load));
        writeMadeFile(options.bps, bytesOf(*patch), MadeFile::Patch, {beforePath, afterPath});
    }
    for (const auto& rom : {afterPath}) {
        if (!options.output.empty() && options.output != "-" && platform::sameFile(options.output, rom))
            fail(BadInput, options.output + " is the ROM itself; nothing was written (give -o another file)");
    }
    writeOutput(options.output, text, beforePath, true);
    return options.exitCode && !changes->empty() ? BadInput : Ok;
}

int runPatch(const std::string& romPath, const std::string& patchPath, const std::string& output)
{
    constexpr std::size_t kLargestPatch = std::size_t{1} << 30;
    auto patch = platform::readWholeFile(patchPath, kLargestPatch);
    if (!patch)
        fail(BadInput, patchPath + (patch.error() == platform::WholeFileError::TooLarge
                                        ? " is larger than any patch of a DS ROM"
                                        : " cannot be read"));
    auto source = platform::fileServices().open(romPath, platform::FileAccess::Read);
    if (!source)
        fail(BadRom, romPath + ": " + std::string(platform::errorDescription(source.error())));
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(patch->data()), patch->size());
    auto target = rom::applyBpsPatch(bytes, **source);
    if (!target) {
        const auto& error = target.error();
        switch (error.problem) {
        case rom::BpsProblem::OtherSource:
            fail(BadInput, "this patch was made for another ROM: " + error.detail + "; nothing was written");
        case rom::BpsProblem::ReadFailed:
            fail(BadRom, romPath + ": " + std::string(platform::errorDescription(*error.fileError)));
        default:
            fail(BadInput, patchPath + " cannot be applied: " + error.detail + "; nothing was written");
        }
    }
    // The whole result in one piece, never copied: the image's size once in memory.
    writeMadeFile(output, bytesOf(*target), MadeFile::Rom, {romPath, patchPath});
    std::cout << "wrote " << output << " (" << target->size() << " bytes), " << romPath << " with " << patchPath
              << " applied\n";
    return Ok;
}

} // namespace quillmark::cli
