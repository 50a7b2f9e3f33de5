#include "platform/OutputFiles.h"

#include "platform/FileServices.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

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
