#pragma once

// What the file services take from the operating system, declared once and written
// once per system (SystemFilesPosix.cpp, SystemFilesWindows.cpp, chosen by the build).
// For FileServices.cpp and OutputFiles.cpp alone.

#include "platform/FileServices.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace quillmark::platform::system {

// Up to `size` bytes at an absolute position: how many were read, 0 at the file's end,
// -1 with errno set.
std::int64_t readSome(int fd, std::uint8_t* data, std::size_t size, std::int64_t offset);

// Writes go through a mapping of the file, never through write(): a mapping cannot
// make a file longer. Another program may cut the file short at any moment, also
// between our check of its size and the write; write() would then extend it again,
// with a hole from the other program's end to ours. Through a mapping, bytes past the
// new end are dropped (or fault), and the file keeps the length the other program gave it.
enum class MappedWrite { Written, PastEnd, Failed };

// The pages a file's writes go through, kept from one write to the next where the
// system allows it (an import writes hundreds of records close together).
class MappedWindow {
public:
    MappedWindow() = default;
    MappedWindow(const MappedWindow&) = delete;
    MappedWindow& operator=(const MappedWindow&) = delete;
    ~MappedWindow() { drop(); }
    void drop();
    MappedWrite write(int fd, const std::uint8_t* data, std::size_t size, std::int64_t offset);

private:
    void* m_view = nullptr;
    std::int64_t m_base = 0;
    std::size_t m_span = 0;
};

// The advisory lock every writer of this program takes; false while another holds it
// (errno EWOULDBLOCK) or when the system refuses it (errno says why).
bool tryLock(int fd);
// The identity of an open descriptor, and of a path; a default one if the system
// cannot tell.
FileIdentity identityOfDescriptor(int fd, const struct stat& st);
FileIdentity pathIdentity(const std::string& path);
// The system's open of a UTF-8 path.
int openPath(const std::string& path, int flags);
// What the system refuses before the open (Windows' read-only attribute), and why an
// open failed where the system says more than errno (a file held without sharing).
std::optional<FileError> refusedBeforeOpen(const std::string& path, FileAccess access);
std::optional<FileError> failedOpenReason();
// The file from `from` bytes to `to`, the new bytes zero, the disk space taken now.
Result<Done, FileError> growFile(int fd, std::int64_t from, std::int64_t to);
// Writable in place (setAttributesToNormal).
Result<Done, FileError> makeWritable(const std::string& path);
// A file opened to read as a whole; `held` when another program keeps everyone out.
std::FILE* openForReading(const std::string& path, bool& held);

} // namespace quillmark::platform::system

namespace quillmark::platform {
// A missing folder on the way reads better as "Path not found" than "File not found".
FileError notFoundKind(const std::string& path);
}
