// What an output path names, and writing into a stream, on Windows.
#include "platform/OutputFiles.h"

#include "platform/FileServices.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace quillmark::platform {

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
    auto name = fileNameOf(path);
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

} // namespace quillmark::platform
