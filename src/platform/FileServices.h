#pragma once

#include "platform/FileError.h"
#include "platform/Result.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace quillmark::platform {

enum class FileAccess { Read, ReadWrite };

// Which file a path or an open file is, whatever its name: device and inode on
// POSIX systems, volume serial and file index on Windows. Another program that saves
// by writing a new file and renaming it over the old one gives a new identity.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    bool operator==(const FileIdentity&) const = default;
};

struct FileStatus {
    std::int64_t size = 0;
    bool regularFile = false;
    FileIdentity identity;
};

// One open file. Positions are 0-based absolute offsets. Neither call ever creates
// bytes: a position at or past the end of the file is PastEndOfFile (a read) or
// WritePastEndOfFile, so a ROM can never grow behind the user's back. Writes go
// through a mapping of the file, which cannot make it longer: a file that another
// program cut short meanwhile, even in the instant of the write, keeps the length that
// program gave it, with no hole.
class OpenFile {
public:
    virtual ~OpenFile() = default;
    virtual Result<std::uint8_t, FileError> readByte(std::int64_t offset) = 0;
    virtual Result<Done, FileError> writeByte(std::int64_t offset, std::uint8_t value) = 0;
    // A run of bytes in one call; the whole run must lie inside the file.
    virtual Result<Done, FileError> read(std::int64_t offset, std::span<std::uint8_t> bytes) = 0;
    virtual Result<Done, FileError> write(std::int64_t offset,
                                          std::span<const std::uint8_t> bytes) = 0;
    // The one way a file grows: from `expectedSize`, which it must still have (another
    // program's cut or growth is WritePastEndOfFile), to `newSize`, the new bytes
    // `fill`. The space is taken from the disk first, so a full disk refuses it whole
    // (DiskFull) rather than fail half-way through later writes.
    virtual Result<Done, FileError> extend(std::int64_t expectedSize, std::int64_t newSize, std::uint8_t fill) = 0;
    // The size when the file was opened, or as the last extend left it.
    virtual std::int64_t size() const = 0;
    virtual FileIdentity identity() const = 0;
    // An advisory lock that every writer of this program takes, held until the file
    // is closed. Waits up to `wait` for another writer, then LockedByAnotherWriter.
    virtual Result<Done, FileError> lockForWriting(std::chrono::milliseconds wait) = 0;
};

// The operating system's file services. Opening never creates a file and never
// blocks: a FIFO, device or socket is refused (PathFileAccess) before it is opened.
// The file is closed when the OpenFile is destroyed. Tests swap in a subclass to make a service
// fail where file permissions cannot (tests run as root in CI).
class FileServices {
public:
    virtual ~FileServices() = default;
    virtual Result<std::unique_ptr<OpenFile>, FileError> open(const std::string& path,
                                                              FileAccess access) = 0;
    virtual Result<FileStatus, FileError> status(const std::string& path) = 0;
    // Makes the file writable in place: clears read-only, hidden, system and archive
    // on Windows; on POSIX systems gives the owner write permission.
    virtual Result<Done, FileError> setAttributesToNormal(const std::string& path) = 0;
};

// A whole file of text (a sheet) read at once, no larger than `limit` bytes; "-" reads
// standard input. TooLarge past the limit; LockedByAnotherProgram for a file another
// program holds without sharing (as Excel holds a sheet it has open).
enum class WholeFileError { CannotRead, LockedByAnotherProgram, TooLarge };
Result<std::string, WholeFileError> readWholeFile(const std::string& path, std::size_t limit);

// The user who owns a file, when it is not the user running this program (who alone,
// with an administrator, may make it writable); nothing where the system cannot say.
std::optional<std::string> ownerOtherThanUser(const std::string& path);

// Paths are UTF-8 everywhere in the program; this is one as the system's file
// functions take it (UTF-16 on Windows).
std::filesystem::path nativePath(const std::string& utf8Path);

FileServices& systemFileServices();

// The file error that a system error number (errno) stands for.
FileError fileErrorOf(int systemError);

// Called each time a wait for the writers' lock finds it still taken, before it tries
// again: lets a test release the lock exactly while a writer waits.
void setLockRetryObserver(std::function<void()> observer);
// Called between a write's check of the file's size and the write itself, where another
// program cutting the file short would make the write extend it (tests only).
void setAfterWriteCheckObserver(std::function<void()> observer);

// The services in use; the system's unless a test installed others.
FileServices& fileServices();

// Installs other services for the lifetime of this object.
class ScopedFileServices {
public:
    explicit ScopedFileServices(FileServices& services);
    ~ScopedFileServices();
    ScopedFileServices(const ScopedFileServices&) = delete;
    ScopedFileServices& operator=(const ScopedFileServices&) = delete;

private:
    FileServices* m_previous;
};

} // namespace quillmark::platform
