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

#include <cstdio>
#include <filesystem>
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

// Each line of `text` as the command's note on standard error.
std::string prefixedLines(const std::string& text)
{
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const auto end = text.find('\n', at);
        out += "quillmark-cli: note: " + text.substr(at, end - at) + "\n";
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return out;
}

// Also two names of a file that does not exist yet.
bool namesOneFile(const std::string& a, const std::string& b)
{
    if (platform::sameFile(a, b))
        return true;
    std::error_code error;
    const auto first = std::filesystem::absolute(platform::nativePath(a), error).lexically_normal();
    const auto second = std::filesystem::absolute(platform::nativePath(b), error).lexically_normal();
    return !error && first == second;
}

int compareAndWrite(const std::string& beforePath, const std::string& afterPath, const DiffOptions& options)
{
    std::string format = lowered(options.format);
    if (format.empty()) {
        const auto ext = platform::extensionOf(options.output);
        format = ext == ".csv" ? "csv" : ext == ".json" ? "json" : "text";
    }
    if (format != "text" && format != "csv" && format != "json")
        fail(BadInput, "--format " + options.format + ": give text, csv or json");
    const bool formatGiven = format == "text" || !options.format.empty();
    // Every output is judged before the ROMs are read and before anything is written:
    // a refused -o never leaves a patch written or replaced by --bps.
    const auto way = checkOutput(options.output, {beforePath, afterPath}, formatGiven);
    if (!options.bps.empty()) {
        checkMadeFile(options.bps, MadeFile::Patch, {beforePath, afterPath});
        if (way == OutputWay::File && namesOneFile(options.bps, options.output))
            fail(BadInput, "-o and --bps both name " + options.output + "; give them two files");
    }
    auto before = openToCompare(beforePath);
    auto after = openToCompare(afterPath);
    if (before.fingerprint().gameCode != after.fingerprint().gameCode) {
        auto name = [](const species::RomDocument& rom) {
            return std::string(rom.edition().title) + " (" +
                   rom.fingerprint().gameCode + ")";
        };
        fail(BadRom, beforePath + " is " + name(before) + " and " + afterPath + " is " + name(after) +
                         ": only two ROMs of one game are compared");
    }
    auto comparison = species::compareRoms(before, after);
    if (!comparison)
        fail(BadRom, species::userMessage(comparison.error(), species::SpeciesOperation::Load));
    const auto& changes = comparison->changes;
    std::string text;
    if (format == "csv") {
        text = writeCsv(species::comparisonRows(changes));
        if (!options.bom)
            text.erase(0, kCsvByteOrderMark.size());
    } else if (format == "json") {
        text = comparisonJson(changes);
    } else {
        text = species::comparisonText(*comparison);
    }
    // The rows of a sheet keep their columns: what was left out is said beside them.
    const auto& uncompared = comparison->uncompared;
    if (format != "text" || (!options.output.empty() && options.output != "-"))
        std::cerr << prefixedLines(species::uncomparedText(uncompared));
    if (options.exitCode && !uncompared.empty()) {
        std::string parts;
        for (const auto& table : uncompared) {
            const auto words = species::partWords(table.part);
            if (parts.find(words) == std::string::npos)
                parts += (parts.empty() ? "" : ", ") + words;
        }
        std::cerr << "quillmark-cli: note: the exit status says only whether the tables compared differ, not "
                  << parts << "\n";
    }
    if (!options.bps.empty()) {
        auto patch = species::patchBetween(before, after);
        if (!patch)
            fail(BadRom, species::userMessage(patch.error(), species::SpeciesOperation::Load));
        writeMadeFile(options.bps, bytesOf(*patch), MadeFile::Patch, {beforePath, afterPath});
    }
    writeCheckedOutput(options.output, way, text);
    checkStandardOutput();
    return options.exitCode && !changes.empty() ? Differ : Ok;
}

} // namespace

int runDiff(const std::string& beforePath, const std::string& afterPath, const DiffOptions& options)
{
    try {
        return compareAndWrite(beforePath, afterPath, options);
    } catch (const Failure& failure) {
        // Under --exit-code, 1 says the ROMs differ: a failure must not say it too.
        if (options.exitCode && failure.code == BadInput)
            throw Failure{DiffFailed};
        throw;
    }
}

namespace {

std::string crcText(std::uint32_t crc)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08X", crc);
    return text;
}

// A file given as the patch that is no BPS patch: what it is, and what applies it.
[[noreturn]] void refuseOtherFormat(const std::string& romPath, const std::string& patchPath, rom::PatchFormat format)
{
    const std::string notApplied = "; nothing was written";
    switch (format) {
    case rom::PatchFormat::Ips:
        fail(BadInput, patchPath + " is an IPS patch, not BPS: apply it with Floating IPS (flips) or Lunar IPS" + notApplied);
    case rom::PatchFormat::Ups:
        fail(BadInput, patchPath + " is a UPS patch, not BPS: apply it with a UPS patcher such as NUPS or Rom Patcher JS" +
                           notApplied);
    case rom::PatchFormat::Vcdiff:
        fail(BadInput, patchPath + " is a VCDIFF (xdelta) patch, not BPS: apply it with xdelta3 (xdelta3 -d -s " + romPath +
                           " " + patchPath + " patched.nds)" + notApplied);
    case rom::PatchFormat::NdsRom:
        fail(BadInput, patchPath + " is a ROM image, not a patch: give the ROM first, then the patch (quillmark-cli patch "
                                   "ROM PATCH -o OUT)" +
                           notApplied);
    default:
        fail(BadInput, patchPath + " cannot be applied: it does not start with \"BPS1\", as a BPS patch does, nor as "
                                   "an IPS, UPS or xdelta patch does" +
                           notApplied);
    }
}

} // namespace

int runPatch(const std::string& romPath, const std::string& patchPath, const std::string& output)
{
    constexpr std::size_t kLargestPatch = std::size_t{1} << 30;
    auto patch = platform::readWholeFile(patchPath, kLargestPatch);
    if (!patch) {
        if (patch.error() == platform::WholeFileError::TooLarge)
            fail(BadInput, patchPath + " is larger than any patch of a DS ROM");
        const auto status = platform::fileServices().status(patchPath);
        fail(BadInput, patchPath + " cannot be read" +
                           (status ? std::string() : ": " + std::string(platform::errorDescription(status.error()))));
    }
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(patch->data()), patch->size());
    if (const auto format = rom::patchFormatOf(bytes); format != rom::PatchFormat::Bps) {
        // The two the other way round: the ROM's place holds the patch.
        const auto romStart = platform::fileStart(romPath, 8);
        if (rom::patchFormatOf({reinterpret_cast<const std::uint8_t*>(romStart.data()), romStart.size()}) ==
            rom::PatchFormat::Bps)
            fail(BadInput, romPath + " is the BPS patch and " + patchPath +
                               " is not: give the ROM first, then the patch (quillmark-cli patch ROM PATCH -o OUT); "
                               "nothing was written");
        refuseOtherFormat(romPath, patchPath, format);
    }
    auto source = platform::fileServices().open(romPath, platform::FileAccess::Read);
    if (!source)
        fail(BadRom, romPath + ": " + std::string(platform::errorDescription(source.error())));
    auto target = rom::applyBpsPatch(bytes, **source);
    if (!target) {
        const auto& error = target.error();
        switch (error.problem) {
        case rom::BpsProblem::OtherSource: {
            const auto& sums = *error.sums;
            if (sums.romIsTarget())
                fail(BadInput, romPath + " already is what " + patchPath + " makes (" + std::to_string(sums.romSize) +
                                   " bytes, CRC-32 " + crcText(sums.romCrc) +
                                   "): the patch has been applied to it; nothing was written");
            fail(BadInput, "this patch was made for another ROM: " + patchPath + " expects " +
                               std::to_string(sums.sourceSize) + " bytes with CRC-32 " + crcText(sums.sourceCrc) + ", and " +
                               romPath + " is " + std::to_string(sums.romSize) + " bytes with CRC-32 " +
                               crcText(sums.romCrc) + "; nothing was written");
        }
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
