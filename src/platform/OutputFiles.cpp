#include "platform/OutputFiles.h"

#include "platform/FileServices.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillmark::platform {

namespace {

std::string utf8(const std::filesystem::path& path)
{
    const auto text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Beside the final name, so that the rename stays on one file system; short, so that
// any name the system takes for the output fits.
std::string temporaryName(const std::string& output)
{
    std::random_device random;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
    return utf8(nativePath(output).parent_path() / (".quillmark-" + std::string(suffix)));
}

} // namespace

#ifdef _WIN32

OutputKind outputKind(const std::string& path)
{
    std::error_code error;
    const auto status = std::filesystem::status(nativePath(path), error);
    if (!std::filesystem::exists(status))
        return OutputKind::Missing;
    return std::filesystem::is_regular_file(status) ? OutputKind::Regular : OutputKind::Other;
}

std::optional<std::string> reservedDeviceName(const std::string& path)
{
    auto name = utf8(nativePath(path).filename());
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

std::optional<StreamWriteFailure> writeIntoStream(const std::string& path, const std::string& text)
{
    FILE* out = ::_wfopen(nativePath(path).c_str(), L"wb");
    if (!out)
        return StreamWriteFailure{errno, 0};
    const auto written = std::fwrite(text.data(), 1, text.size(), out);
    const int error = written == text.size() ? 0 : errno;
    if (std::fclose(out) != 0 || written != text.size())
        return StreamWriteFailure{error ? error : errno, written};
    return std::nullopt;
}

bool heldWithoutSharing(const std::string& path)
{
    const HANDLE handle = CreateFileW(nativePath(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}

#else

OutputKind outputKind(const std::string& path)
{
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0)
        return OutputKind::Missing;
    // /dev/stdout, /proc/self/fd/1 or a link of one's own to them: whatever standard
    // output is (a redirected file too), the text goes there as with "-".
    struct stat link {}, standardOutput {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode) &&
        ::fstat(STDOUT_FILENO, &standardOutput) == 0 && standardOutput.st_dev == target.st_dev &&
        standardOutput.st_ino == target.st_ino)
        return OutputKind::StandardOutput;
    if (S_ISREG(target.st_mode))
        return OutputKind::Regular;
    if (S_ISFIFO(target.st_mode) || S_ISCHR(target.st_mode))
        return OutputKind::Stream;
    return OutputKind::Other;
}

std::optional<std::string> reservedDeviceName(const std::string&) { return std::nullopt; }

std::optional<StreamWriteFailure> writeIntoStream(const std::string& path, const std::string& text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return StreamWriteFailure{errno, 0};
    std::size_t done = 0;
    while (done < text.size()) {
        const auto n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            ::close(fd);
            return StreamWriteFailure{error, done};
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && errno != EINTR)
        return StreamWriteFailure{errno, done};
    return std::nullopt;
}

bool heldWithoutSharing(const std::string&) { return false; }

#endif

std::optional<int> replaceFileWithText(const std::string& path, std::string_view text)
{
    const std::string temporary = temporaryName(path);
    int failure = 0;
    {
        errno = 0;
        std::ofstream out(nativePath(temporary), std::ios::binary | std::ios::trunc);
        if (out)
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out)
            failure = errno ? errno : EIO;
    }
    if (failure == 0) {
        std::error_code renamed;
        std::filesystem::rename(nativePath(temporary), nativePath(path), renamed);
        failure = renamed.value();
    }
    if (failure == 0)
        return std::nullopt;
    std::error_code ignored;
    std::filesystem::remove(nativePath(temporary), ignored);
    return failure;
}

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return std::filesystem::equivalent(nativePath(a), nativePath(b), error);
}

std::string extensionOf(const std::string& path) { return lowered(utf8(nativePath(path).extension())); }

std::string fileNameOf(const std::string& path) { return utf8(nativePath(path).filename()); }

std::optional<std::string> officeLockFile(const std::string& path)
{
    const auto native = nativePath(path);
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

std::string fileStart(const std::string& path, std::size_t limit)
{
    std::ifstream in(nativePath(path), std::ios::binary);
    std::string start(limit, '\0');
    in.read(start.data(), static_cast<std::streamsize>(start.size()));
    start.resize(static_cast<std::size_t>(in.gcount()));
    return start;
}

} // namespace quillmark::platform
