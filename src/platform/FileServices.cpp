#include "platform/FileServices.h"

#include "platform/SystemFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

namespace quillmark::platform {

namespace {

} // namespace

FileError fileErrorOf(int error)
{
    switch (error) {
    case EMFILE:
    case ENFILE: return FileError::TooManyFiles;
    case ENOENT: return FileError::FileNotFound;
    case ENOTDIR: return FileError::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: return FileError::PermissionDenied;
    case EISDIR:
    case ENXIO: return FileError::PathFileAccess;
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return FileError::DiskFull;
    case EWOULDBLOCK: return FileError::LockedByAnotherWriter;
    case ENAMETOOLONG:
    case EINVAL: return FileError::BadFileName;
    default: return FileError::DeviceIoError;
    }
}

FileError notFoundKind(const std::string& path)
{
    std::error_code ignored;
    const auto parent = nativePath(path).parent_path();
    return parent.empty() || std::filesystem::is_directory(parent, ignored) ? FileError::FileNotFound
                                                                             : FileError::PathNotFound;
}

namespace {

std::function<void()> g_lockRetry;
std::function<void()> g_afterWriteCheck;

// Whole runs, resuming after a short transfer; false with errno set on failure, or
// with errno 0 when the file ended first.
bool readRunAt(int fd, std::uint8_t* data, std::size_t size, std::int64_t offset)
{
    while (size > 0) {
        const auto n = system::readSome(fd, data, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = 0;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

using system::MappedWrite;

class PosixOpenFile final : public OpenFile {
public:
    PosixOpenFile(int fd, std::int64_t size, FileIdentity identity)
        : m_fd(fd), m_size(size), m_identity(identity)
    {
    }
    ~PosixOpenFile() override
    {
        m_window.drop();
        ::close(m_fd);
    }

    Result<std::uint8_t, FileError> readByte(std::int64_t offset) override
    {
        if (offset < 0)
            return FileError::BadRecordNumber;
        if (offset >= m_size)
            return FileError::PastEndOfFile;
        std::uint8_t byte = 0;
        const auto n = system::readSome(m_fd, &byte, 1, offset);
        if (n == 1)
            return byte;
        return n == 0 ? FileError::PastEndOfFile : fileErrorOf(errno);
    }

    Result<Done, FileError> writeByte(std::int64_t offset, std::uint8_t value) override
    {
        if (offset < 0)
            return FileError::BadRecordNumber;
        if (auto range = checkWriteRange(offset, 1); !range)
            return range;
        return writeChecked(offset, std::span(&value, 1));
    }

    Result<Done, FileError> read(std::int64_t offset, std::span<std::uint8_t> bytes) override
    {
        if (auto range = checkRange(offset, bytes.size(), FileError::PastEndOfFile); !range)
            return range;
        if (readRunAt(m_fd, bytes.data(), bytes.size(), offset))
            return Done{};
        return errno == 0 ? FileError::PastEndOfFile : fileErrorOf(errno);
    }

    Result<Done, FileError> write(std::int64_t offset, std::span<const std::uint8_t> bytes) override
    {
        if (auto range = checkWriteRange(offset, bytes.size()); !range)
            return range;
        return writeChecked(offset, bytes);
    }

    Result<Done, FileError> extend(std::int64_t expectedSize, std::int64_t newSize, std::uint8_t fill) override
    {
        if (newSize < expectedSize || expectedSize != m_size)
            return FileError::WritePastEndOfFile;
        struct stat st {};
        if (::fstat(m_fd, &st) != 0)
            return fileErrorOf(errno);
        if (static_cast<std::int64_t>(st.st_size) != expectedSize)
            return FileError::WritePastEndOfFile;
        if (newSize == expectedSize)
            return Done{};
        // The mapped pages belong to the old length.
        m_window.drop();
        if (auto grown = system::growFile(m_fd, expectedSize, newSize); !grown)
            return grown;
        m_size = newSize;
        if (fill == 0)
            return Done{};
        const std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min<std::int64_t>(newSize - expectedSize, 1 << 20)), fill);
        for (std::int64_t at = expectedSize; at < newSize;) {
            const auto n = std::min<std::int64_t>(newSize - at, static_cast<std::int64_t>(bytes.size()));
            if (auto written = writeChecked(at, std::span(bytes).first(static_cast<std::size_t>(n))); !written)
                return written;
            at += n;
        }
        return Done{};
    }

    std::int64_t size() const override { return m_size; }
    FileIdentity identity() const override { return m_identity; }

    Result<Done, FileError> lockForWriting(std::chrono::milliseconds wait) override
    {
        const auto deadline = std::chrono::steady_clock::now() + wait;
        while (!system::tryLock(m_fd)) {
            if (errno != EWOULDBLOCK)
                return fileErrorOf(errno);
            if (std::chrono::steady_clock::now() >= deadline)
                return FileError::LockedByAnotherWriter;
            if (g_lockRetry)
                g_lockRetry();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return Done{};
    }

private:
    Result<Done, FileError> checkRange(std::int64_t offset, std::size_t count,
                                       FileError pastEnd) const
    {
        if (offset < 0)
            return FileError::BadRecordNumber;
        if (count > static_cast<std::uint64_t>(m_size) ||
            offset > m_size - static_cast<std::int64_t>(count))
            return pastEnd;
        return Done{};
    }

    // Against the size the file has now: another program may have cut it short since
    // the open, and a write past its new end would extend it with a hole.
    Result<Done, FileError> checkWriteRange(std::int64_t offset, std::size_t count)
    {
        if (auto range = checkRange(offset, count, FileError::WritePastEndOfFile); !range)
            return range;
        struct stat st {};
        if (::fstat(m_fd, &st) != 0)
            return fileErrorOf(errno);
        if (offset + static_cast<std::int64_t>(count) > static_cast<std::int64_t>(st.st_size))
            return FileError::WritePastEndOfFile;
        return Done{};
    }

    // After checkWriteRange. Whatever another program does to the file's length
    // meanwhile, the file does not grow: what would land past its new end is dropped,
    // and the write counts as one past the end.
    Result<Done, FileError> writeChecked(std::int64_t offset, std::span<const std::uint8_t> bytes)
    {
        if (bytes.empty())
            return Done{};
        if (g_afterWriteCheck)
            g_afterWriteCheck();
        errno = 0;
        const auto outcome = m_window.write(m_fd, bytes.data(), bytes.size(), offset);
        const int error = errno;
        struct stat st {};
        if (::fstat(m_fd, &st) != 0)
            return fileErrorOf(errno);
        if (outcome == MappedWrite::PastEnd ||
            offset + static_cast<std::int64_t>(bytes.size()) > static_cast<std::int64_t>(st.st_size))
            return FileError::WritePastEndOfFile;
        if (outcome == MappedWrite::Failed)
            return error ? fileErrorOf(error) : FileError::DeviceIoError;
        return Done{};
    }

    int m_fd;
    system::MappedWindow m_window;
    std::int64_t m_size;
    FileIdentity m_identity;
};

class SystemFileServices final : public FileServices {
public:
    Result<std::unique_ptr<OpenFile>, FileError> open(const std::string& path,
                                                      FileAccess access) override
    {
        if (path.empty() || path.find('\0') != std::string::npos)
            return FileError::BadFileName;
        // A FIFO would block the open until some other program writes to it, and
        // opening a device can have effects of its own: refuse both unopened.
        if (auto kind = status(path); kind && !kind->regularFile)
            return FileError::PathFileAccess;
        if (const auto refused = system::refusedBeforeOpen(path, access))
            return *refused;
        // Never O_CREAT or O_TRUNC: a missing ROM is an error, not a new empty file.
        // O_NONBLOCK covers a file swapped for a FIFO since the check above.
        int flags = access == FileAccess::Read ? O_RDONLY : O_RDWR;
#ifdef O_NONBLOCK
        flags |= O_NONBLOCK;
#endif
#ifdef O_CLOEXEC
        flags |= O_CLOEXEC;
#endif
#ifdef O_BINARY
        flags |= O_BINARY;
#endif
        const int fd = system::openPath(path, flags);
        if (fd < 0) {
            const int error = errno;
            if (const auto reason = system::failedOpenReason())
                return *reason;
            return error == ENOENT ? notFoundKind(path) : fileErrorOf(error);
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            const int error = errno;
            ::close(fd);
            return fileErrorOf(error);
        }
        if (!S_ISREG(st.st_mode)) {
            ::close(fd);
            return FileError::PathFileAccess;
        }
        return std::unique_ptr<OpenFile>(
            std::make_unique<PosixOpenFile>(fd, st.st_size, system::identityOfDescriptor(fd, st)));
    }

    Result<FileStatus, FileError> status(const std::string& path) override
    {
        if (path.empty())
            return FileError::BadFileName;
        std::error_code error;
        const auto status = std::filesystem::status(nativePath(path), error);
        if (!std::filesystem::exists(status))
            return notFoundKind(path);
        if (error)
            return fileErrorOf(error.value());
        const bool regular = std::filesystem::is_regular_file(status);
        const auto size = regular ? std::filesystem::file_size(nativePath(path), error) : 0;
        return FileStatus{static_cast<std::int64_t>(error ? 0 : size), regular, system::pathIdentity(path)};
    }

    Result<Done, FileError> setAttributesToNormal(const std::string& path) override
    {
        if (path.empty())
            return FileError::BadFileName;
        return system::makeWritable(path);
    }
};

FileServices* g_installed = nullptr;

} // namespace

Result<std::string, WholeFileError> readWholeFile(const std::string& path, std::size_t limit)
{
    bool held = false;
    std::FILE* in = path == "-" ? stdin : system::openForReading(path, held);
    if (held)
        return WholeFileError::LockedByAnotherProgram;
    if (!in)
        return WholeFileError::CannotRead;
    std::string text;
    // A regular file says its size: one too large is refused before a byte is read (a
    // disk image given by mistake costs nothing), one that fits is read into one piece.
    if (in != stdin) {
        std::error_code error;
        const auto size = std::filesystem::file_size(nativePath(path), error);
        if (!error && size > limit) {
            std::fclose(in);
            return WholeFileError::TooLarge;
        }
        if (!error)
            text.reserve(static_cast<std::size_t>(size));
    }
    char buffer[1 << 16];
    bool tooLarge = false;
    while (const auto n = std::fread(buffer, 1, sizeof buffer, in)) {
        text.append(buffer, n);
        if (text.size() > limit) {
            tooLarge = true;
            break;
        }
    }
    const bool failed = std::ferror(in);
    if (in != stdin)
        std::fclose(in);
    if (tooLarge)
        return WholeFileError::TooLarge;
    if (failed)
        return WholeFileError::CannotRead;
    return text;
}

FileServices& systemFileServices()
{
    static SystemFileServices services;
    return services;
}

FileServices& fileServices() { return g_installed ? *g_installed : systemFileServices(); }

void setLockRetryObserver(std::function<void()> observer) { g_lockRetry = std::move(observer); }

void setAfterWriteCheckObserver(std::function<void()> observer) { g_afterWriteCheck = std::move(observer); }

ScopedFileServices::ScopedFileServices(FileServices& services) : m_previous(g_installed)
{
    g_installed = &services;
}

ScopedFileServices::~ScopedFileServices() { g_installed = m_previous; }

} // namespace quillmark::platform
