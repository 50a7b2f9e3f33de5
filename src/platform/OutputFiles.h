#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillmark::platform {

// What an output path names now, once links are followed.
enum class OutputKind {
    Missing,
    Regular,
    Stream,          // a FIFO or a character device: written into as it is
    StandardOutput,  // /dev/stdout or a link to whatever standard output is
    Other,           // a directory, a socket, a block device
};
OutputKind outputKind(const std::string& path);

// The device a name stands for on Windows (CON, NUL, COM1..., also with an extension:
// "aux.csv" is AUX), in capitals; nothing for any other name, and on other systems.
std::optional<std::string> reservedDeviceName(const std::string& path);

// Text written into a stream or a device in place. On failure, the system's error
// number and how many bytes had gone through.
struct StreamWriteFailure {
    int error = 0;
    std::size_t written = 0;
};
std::optional<StreamWriteFailure> writeIntoStream(const std::string& path, const std::string& text);

// Text written beside `path` and renamed over it, so that a failed write leaves the
// old file as it was and no partial one: the system's error number on failure.
std::optional<int> replaceFileWithText(const std::string& path, std::string_view text);

// Another program has the file open and lets no one else at it (Excel with a sheet,
// on Windows); never on systems without such opens.
bool heldWithoutSharing(const std::string& path);

// Both paths name the same file (through links, or another spelling of the path).
bool sameFile(const std::string& a, const std::string& b);

// The name's last extension in lower case, with its dot (".csv"), and the file name
// alone, as UTF-8.
std::string extensionOf(const std::string& path);
std::string fileNameOf(const std::string& path);

// Office programs leave a lock file beside a document they have open: LibreOffice
// ".~lock.NAME#", Microsoft Office "~$NAME". Where one lies beside `path`, the words
// that say which ("LibreOffice's lock file .~lock.s.csv#").
std::optional<std::string> officeLockFile(const std::string& path);

// The first `limit` bytes of a file, or fewer; nothing when it cannot be read.
std::string fileStart(const std::string& path, std::size_t limit);

} // namespace quillmark::platform
