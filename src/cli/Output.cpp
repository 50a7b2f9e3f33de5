#include "cli/Output.h"

#include "cli/CliErrors.h"
#include "cli/CliRom.h"
#include "cli/SheetText.h"
#include "platform/FileServices.h"
#include "rom/RomIdentification.h"

#include <cctype>
#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

namespace quillmark::cli {

namespace {

bool g_romWritten = false;
volatile std::sig_atomic_t g_pipeClosed = 0;


std::string utf8(const std::filesystem::path& path)
{
    const auto text = path.u8string();
    return std::string(text.begin(), text.end());
}

// What an existing target is, once links are followed.
enum class TargetKind { Missing, Regular, Stream, StandardOutput, Other };

#ifdef _WIN32
TargetKind targetKind(const std::string& output)
{
    std::error_code error;
    const auto status = std::filesystem::status(platform::nativePath(output), error);
    if (!std::filesystem::exists(status))
        return TargetKind::Missing;
    return std::filesystem::is_regular_file(status) ? TargetKind::Regular : TargetKind::Other;
}
#else
TargetKind targetKind(const std::string& output)
{
    struct stat target {};
    if (::stat(output.c_str(), &target) != 0)
        return TargetKind::Missing;
    // /dev/stdout, /proc/self/fd/1 or a link of one's own to them: whatever standard
    // output is (a redirected file too), the text goes there as with "-".
    struct stat link {}, standardOutput {};
    if (::lstat(output.c_str(), &link) == 0 && S_ISLNK(link.st_mode) &&
        ::fstat(STDOUT_FILENO, &standardOutput) == 0 && standardOutput.st_dev == target.st_dev &&
        standardOutput.st_ino == target.st_ino)
        return TargetKind::StandardOutput;
    if (S_ISREG(target.st_mode))
        return TargetKind::Regular;
    if (S_ISFIFO(target.st_mode) || S_ISCHR(target.st_mode))
        return TargetKind::Stream;
    return TargetKind::Other;
}
#endif

#ifdef _WIN32
// The names Windows keeps for devices, in any case and also with an extension
// ("aux.csv" is the AUX device): the device, or nothing.
std::optional<std::string> windowsDeviceName(const std::string& output)
{
    auto name = utf8(platform::nativePath(output).filename());
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices) {
        if (name == device)
            return name;
    }
    if (name.size() == 4 && (name.starts_with("COM") || name.starts_with("LPT")) && name[3] >= '1' &&
        name[3] <= '9')
        return name;
    return std::nullopt;
}
#endif

std::string extensionOf(const std::string& path)
{
    return lowered(utf8(platform::nativePath(path).extension()));
}

// The names ROM images and their dumps go by.
bool isRomName(const std::string& path)
{
    const auto ext = extensionOf(path);
    return ext == ".nds" || ext == ".srl" || ext == ".bin";
}

// Anything else than a sheet's name: a spreadsheet's own format, say, which would
// receive CSV it cannot open.
void refuseOtherNames(const std::string& output, bool formatGiven)
{
    const auto name = lowered(utf8(platform::nativePath(output).filename()));
    if (name == ".csv" || name == ".json")
        fail(BadInput, "-o " + output + " is an extension without a name; give the sheet a name, "
                                        "such as species" + name);
    if (isRomName(output))
        fail(BadInput, output + " has the name of a ROM image; an export never writes one "
                                "(give -o a .csv or .json file); the sheet was not written");
    const auto ext = extensionOf(output);
    if (!formatGiven && ext != ".csv" && ext != ".json")
        fail(BadInput, output + " is neither .csv nor .json; give -o such a name, or say which "
                                "format to write with --format csv or --format json; nothing was "
                                "written");
}

// An existing file is replaced only by a sheet's text. A ROM copy may be called
// anything (backup.srl, rom.nds.bak), and so may an archive holding one: the bytes tell.
void refuseRomAsOutput(const std::string& output, const std::string& romPath)
{
    std::error_code error;
    if (std::filesystem::equivalent(platform::nativePath(output), platform::nativePath(romPath), error))
        fail(BadInput, output + " is the ROM itself; the sheet was not written (give -o another file)");
    std::ifstream in(platform::nativePath(output), std::ios::binary);
    std::string start(64 * 1024, '\0');
    in.read(start.data(), static_cast<std::streamsize>(start.size()));
    start.resize(static_cast<std::size_t>(in.gcount()));
    if (const auto kind = nonTextKind(start)) {
        if (*kind == "a ROM image")
            fail(BadInput, output + " is a ROM image; an export never writes over one (give -o a "
                                    ".csv or .json file)");
        fail(BadInput, output + " is " + *kind + ", not a sheet of text; an export replaces only a "
                                "sheet (give -o another name)");
    }
}

// Into a FIFO or a device as it is: there is nothing to rename over it, and a new
// regular file in its place would be read by nobody.
void writeStream(const std::string& output, const std::string& text)
{
#ifdef _WIN32
    FILE* out = ::_wfopen(platform::nativePath(output).c_str(), L"wb");
    if (!out)
        fail(BadInput, "cannot write " + output + ": " + std::strerror(errno));
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (std::fclose(out) != 0 || !written)
        fail(BadInput, "cannot write " + output + ": " + std::strerror(errno));
#else
    const int fd = ::open(output.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        fail(BadInput, "cannot write " + output + ": " + std::strerror(errno) + "; the sheet was not written");
    std::size_t done = 0;
    while (done < text.size()) {
        const auto n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            ::close(fd);
            fail(BadInput, "cannot write " + output + ": " + std::strerror(error) +
                               (done ? "; the output is incomplete" : "; the sheet was not written"));
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && errno != EINTR)
        fail(BadInput, "cannot write " + output + ": " + std::strerror(errno));
#endif
}

#ifdef _WIN32
// Another program has the file open and lets no one else at it (Excel with a sheet).
bool heldWithoutSharing(const std::string& path)
{
    const HANDLE handle = CreateFileW(platform::nativePath(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}
#endif

// Beside the final name, so that the rename stays on one file system; short, so that
// any name the system takes for the output fits.
std::string temporaryName(const std::string& output)
{
    std::random_device random;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
    const auto folder = platform::nativePath(output).parent_path();
    return utf8(folder / (".quillmark-" + std::string(suffix)));
}

void writeByRename(const std::string& output, const std::string& text)
{
    const std::string temporary = temporaryName(output);
    int failure = 0;
    {
        errno = 0;
        std::ofstream out(platform::nativePath(temporary), std::ios::binary | std::ios::trunc);
        if (out)
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out)
            failure = errno ? errno : EIO;
    }
    if (failure == 0) {
        std::error_code renamed;
        std::filesystem::rename(platform::nativePath(temporary), platform::nativePath(output),
                                renamed);
        failure = renamed.value();
    }
    if (failure != 0) {
        std::error_code ignored;
        std::filesystem::remove(platform::nativePath(temporary), ignored);
#ifdef _WIN32
        if (heldWithoutSharing(output))
            fail(BadInput, output + " is open in another program that keeps others from changing it (as "
                                    "Excel does with a sheet it has open): close it there, then export "
                                    "again; the sheet was not written");
#endif
        fail(BadInput, "cannot write " + output + ": " + std::strerror(failure) + "; the sheet was not written");
    }
}

} // namespace

void writeOutput(const std::string& output, const std::string& text, const std::string& romPath,
                 bool formatGiven)
{
    if (output.empty() || output == "-") {
        std::cout << text;
        checkStandardOutput();
        return;
    }
#ifdef _WIN32
    // NUL and CON are written into, as /dev/null and a terminal are; a sheet named after
    // another device (or after one of these, with an extension) would vanish into it.
    if (const auto device = windowsDeviceName(output)) {
        const auto name = utf8(platform::nativePath(output).filename());
        if ((*device == "NUL" || *device == "CON") && lowered(name) == lowered(*device)) {
            writeStream(output, text);
            return;
        }
        fail(BadInput, output + ": " + *device + " is a name Windows keeps for a device, also with "
                                "an extension, so no file can have it; give the sheet another name");
    }
#endif
    switch (targetKind(output)) {
    case TargetKind::StandardOutput:
        std::cout << text;
        checkStandardOutput();
        return;
    case TargetKind::Stream:
        writeStream(output, text);
        return;
    case TargetKind::Other:
        fail(BadInput, output + " is a directory, socket or block device, not a file a sheet can "
                                "be written to; the sheet was not written");
    case TargetKind::Regular:
        refuseRomAsOutput(output, romPath);
        refuseOtherNames(output, formatGiven);
        // Replaced under a program that has it open, the sheet would be lost to the
        // next save there.
        if (const auto lock = officeLockFile(output))
            fail(BadInput, output + " is open in another program (" + *lock +
                               " lies beside it): close it there first, or give -o another name; the "
                               "sheet was not written");
        break;
    case TargetKind::Missing:
        refuseOtherNames(output, formatGiven);
        break;
    }
    writeByRename(output, text);
}

std::optional<std::string> officeLockFile(const std::string& path)
{
    const auto native = platform::nativePath(path);
    const auto name = native.filename();
    const std::pair<std::filesystem::path, const char*> locks[] = {
        {native.parent_path() / (".~lock." + name.string() + "#"), "LibreOffice's lock file "},
        {native.parent_path() / ("~$" + name.string()), "Microsoft Office's lock file "},
    };
    std::error_code error;
    for (const auto& [lock, whose] : locks) {
        if (std::filesystem::exists(lock, error))
            return whose + utf8(lock.filename());
    }
    return std::nullopt;
}

void checkOutputName(const std::string& output, bool formatGiven)
{
    if (output.empty() || output == "-")
        return;
    const auto kind = targetKind(output);
    if (kind == TargetKind::Regular || kind == TargetKind::Missing)
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
