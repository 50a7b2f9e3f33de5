#include "cli/Output.h"

#include "cli/CliErrors.h"
#include "cli/CliRom.h"
#include "cli/SheetText.h"
#include "platform/OutputFiles.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>

namespace quillmark::cli {

namespace {

bool g_romWritten = false;
volatile std::sig_atomic_t g_pipeClosed = 0;

// The names ROM images and their dumps go by.
bool isRomName(const std::string& path)
{
    const auto ext = platform::extensionOf(path);
    return ext == ".nds" || ext == ".srl" || ext == ".bin";
}

// Anything else than a sheet's name: a spreadsheet's own format, say, which would
// receive CSV it cannot open.
void refuseOtherNames(const std::string& output, bool formatGiven)
{
    const auto name = lowered(platform::fileNameOf(output));
    if (name == ".csv" || name == ".json")
        fail(BadInput, "-o " + output + " is an extension without a name; give the sheet a name, "
                                        "such as species" + name);
    if (isRomName(output))
        fail(BadInput, output + " has the name of a ROM image; a sheet is never written into one "
                                "(give -o a .csv or .json file); the sheet was not written");
    const auto ext = platform::extensionOf(output);
    if (!formatGiven && ext != ".csv" && ext != ".json")
        fail(BadInput, output + " is neither .csv nor .json; give -o such a name, or say which "
                                "format to write with --format csv or --format json; nothing was "
                                "written");
}

// An existing file is replaced only by a sheet's text. A ROM copy may be called
// anything (backup.srl, rom.nds.bak), and so may an archive holding one: the bytes tell.
void refuseRomAsOutput(const std::string& output, const std::string& romPath)
{
    if (platform::sameFile(output, romPath))
        fail(BadInput, output + " is the ROM itself; the sheet was not written (give -o another file)");
    if (const auto kind = nonTextKind(platform::fileStart(output, 64 * 1024))) {
        if (*kind == "a ROM image")
            fail(BadInput, output + " is a ROM image; a sheet never replaces one (give -o a "
                                    ".csv or .json file)");
        fail(BadInput, output + " is " + *kind + ", not a sheet of text; only a sheet is replaced "
                                "by one (give -o another name)");
    }
}

// Into a FIFO or a device as it is: there is nothing to rename over it, and a new
// regular file in its place would be read by nobody.
void writeStream(const std::string& output, const std::string& text)
{
    if (const auto failed = platform::writeIntoStream(output, text))
        fail(BadInput, "cannot write " + output + ": " + std::strerror(failed->error) +
                           (failed->written == text.size() ? ""
                            : failed->written               ? "; the output is incomplete"
                                                            : "; the sheet was not written"));
}

void writeByRename(const std::string& output, const std::string& text)
{
    const auto failure = platform::replaceFileWithText(output, text);
    if (!failure)
        return;
    if (platform::heldWithoutSharing(output))
        fail(BadInput, output + " is open in another program that keeps others from changing it (as "
                                "Excel does with a sheet it has open): close it there, then export "
                                "again; the sheet was not written");
    fail(BadInput, "cannot write " + output + ": " + std::strerror(*failure) + "; the sheet was not written");
}

} // namespace

OutputWay checkOutput(const std::string& output, const std::vector<std::string>& romPaths, bool formatGiven)
{
    if (output.empty() || output == "-")
        return OutputWay::StandardOutput;
    // NUL and CON are written into, as /dev/null and a terminal are; a sheet named after
    // another device (or after one of these, with an extension) would vanish into it.
    if (const auto device = platform::reservedDeviceName(output)) {
        if ((*device == "NUL" || *device == "CON") && lowered(platform::fileNameOf(output)) == lowered(*device))
            return OutputWay::Stream;
        fail(BadInput, output + ": " + *device + " is a name Windows keeps for a device, also with "
                                "an extension, so no file can have it; give the sheet another name");
    }
    switch (platform::outputKind(output)) {
    case platform::OutputKind::StandardOutput:
        return OutputWay::StandardOutput;
    case platform::OutputKind::Stream:
        return OutputWay::Stream;
    case platform::OutputKind::Other:
        fail(BadInput, output + " is a directory, socket or block device, not a file a sheet can "
                                "be written to; the sheet was not written");
    case platform::OutputKind::Regular:
        for (const auto& romPath : romPaths)
            refuseRomAsOutput(output, romPath);
        refuseOtherNames(output, formatGiven);
        // Replaced under a program that has it open, the sheet would be lost to the
        // next save there.
        if (const auto lock = platform::officeLockFile(output))
            fail(BadInput, output + " is open in another program (" + *lock +
                               " lies beside it): close it there first, or give -o another name; the "
                               "sheet was not written");
        break;
    case platform::OutputKind::Missing:
        refuseOtherNames(output, formatGiven);
        break;
    }
    return OutputWay::File;
}

void writeOutput(const std::string& output, const std::string& text, const std::string& romPath,
                 bool formatGiven)
{
    writeCheckedOutput(output, checkOutput(output, {romPath}, formatGiven), text);
}

void writeCheckedOutput(const std::string& output, OutputWay way, const std::string& text)
{
    switch (way) {
    case OutputWay::StandardOutput:
        std::cout << text;
        checkStandardOutput();
        return;
    case OutputWay::Stream:
        writeStream(output, text);
        return;
    case OutputWay::File:
        writeByRename(output, text);
        return;
    }
}

void checkMadeFile(const std::string& output, MadeFile kind, const std::vector<std::string>& inputs)
{
    const bool patch = kind == MadeFile::Patch;
    const std::string what = patch ? "patch" : "patched ROM";
    // The option the name came from: diff's --bps, patch's -o.
    const std::string option = patch ? "--bps" : "-o";
    const auto ext = platform::extensionOf(output);
    if (output.empty() || output == "-" || platform::reservedDeviceName(output))
        fail(BadInput, "give " + option + " a file for the " + what + " (" + (patch ? "name.bps" : "name.nds") + ")");
    if (patch ? ext != ".bps" : !isRomName(output))
        fail(BadInput, output + (patch ? " is not named .bps, as a BPS patch is" : " is not named .nds, as a ROM is") +
                           "; the " + what + " was not written");
    for (const auto& input : inputs) {
        if (platform::sameFile(output, input))
            fail(BadInput, output + " is " + input + " itself, which this command only reads; give " + option +
                               " another file");
    }
    switch (platform::outputKind(output)) {
    case platform::OutputKind::Missing:
        break;
    case platform::OutputKind::Regular:
        if (!patch)
            fail(BadInput, output + " exists; a patched ROM never replaces a file (give -o a new name)");
        if (platform::fileStart(output, 4) != "BPS1")
            fail(BadInput, output + " exists and is no BPS patch; only an older patch is replaced (give --bps "
                                    "another name)");
        break;
    default:
        fail(BadInput, output + " is not a plain file; the " + what + " was not written");
    }
}

void writeMadeFile(const std::string& output, std::string_view bytes, MadeFile kind,
                   const std::vector<std::string>& inputs)
{
    checkMadeFile(output, kind, inputs);
    const bool patch = kind == MadeFile::Patch;
    const std::string what = patch ? "patch" : "patched ROM";
    const bool replaces = platform::outputKind(output) == platform::OutputKind::Regular;
    if (const auto failure = platform::replaceFileWithText(output, bytes))
        fail(BadInput, output + ": the " + what + " could not be written (" + std::strerror(*failure) +
                           "); the file at that name, if any, is as it was");
    // Beside diff's rows on standard output: where the patch went, and what it replaced.
    if (patch)
        std::cerr << "quillmark-cli: note: " << (replaces ? "replaced the older patch " : "wrote the patch ") << output
                  << " (" << bytes.size() << " bytes)\n";
}

void checkOutputName(const std::string& output, bool formatGiven)
{
    if (output.empty() || output == "-")
        return;
    const auto kind = platform::outputKind(output);
    if (kind == platform::OutputKind::Regular || kind == platform::OutputKind::Missing)
        refuseOtherNames(output, formatGiven);
}

void noteRomWritten() { g_romWritten = true; }

void catchClosedPipes()
{
#ifdef SIGPIPE
    std::signal(SIGPIPE, [](int) { g_pipeClosed = 1; });
#endif
}

void checkStandardOutput()
{
    errno = 0;
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error = errno;
        std::cout.clear();
        const std::string why = error ? std::strerror(error) : "the output was closed or is full";
        // Whoever read the output has stopped reading: nothing to tell them.
        if (g_pipeClosed && !g_romWritten)
            throw Failure{OutputClosed};
        if (g_romWritten)
            fail(WrittenReportLost, "the ROM was written completely, but its report could not be "
                                    "printed to standard output: " + why);
        fail(BadInput, "cannot write to standard output: " + why);
    }
}

} // namespace quillmark::cli
