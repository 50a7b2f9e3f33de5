#include "platform/FileServices.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <csetjmp>
#include <csignal>
#include <pwd.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#endif

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

namespace {

std::function<void()> g_lockRetry;
std::function<void()> g_afterWriteCheck;

// A missing folder on the way reads better as "Path not found" than "File not found".
FileError notFoundKind(const std::string& path)
{
    std::error_code ignored;
    const auto parent = nativePath(path).parent_path();
    return parent.empty() || std::filesystem::is_directory(parent, ignored)
               ? FileError::FileNotFound
               : FileError::PathNotFound;
}

// One byte at an absolute position, without moving a shared file offset where the
// system allows it.
ssize_t readAt(int fd, std::uint8_t* byte, std::int64_t offset)
{
#ifdef _WIN32
    if (_lseeki64(fd, offset, SEEK_SET) < 0)
        return -1;
    return _read(fd, byte, 1);
#else
    return ::pread(fd, byte, 1, static_cast<off_t>(offset));
#endif
}

// Whole runs, resuming after a short transfer; false with errno set on failure, or
// with errno 0 when the file ended first.
bool readRunAt(int fd, std::uint8_t* data, std::size_t size, std::int64_t offset)
{
    while (size > 0) {
#ifdef _WIN32
        if (_lseeki64(fd, offset, SEEK_SET) < 0)
            return false;
        const auto n = _read(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
#else
        const auto n = ::pread(fd, data, size, static_cast<off_t>(offset));
#endif
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

// Writes go through a mapping of the file, never through write(): a mapping cannot
// make a file longer. Another program may cut the file short at any moment, also
// between our check of its size and the write; write() would then extend it again,
// with a hole from the other program's end to ours. Through a mapping, bytes past the
// new end are dropped (or fault), and the file keeps the length the other program gave it.
enum class MappedWrite { Written, PastEnd, Failed };

#ifdef _WIN32
// Windows maps per write: while a view exists the system refuses another program's cut.
struct MappedWindow {
    void drop() {}
};

MappedWrite writeMapped(int fd, MappedWindow&, const std::uint8_t* data, std::size_t size, std::int64_t offset)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    // Size 0 maps the file as long as it is now; a larger size would extend it. While
    // the view exists, the system refuses another program's cut.
    const HANDLE mapping = CreateFileMappingW(handle, nullptr, PAGE_READWRITE, 0, 0, nullptr);
    if (!mapping)
        return GetLastError() == ERROR_FILE_INVALID ? MappedWrite::PastEnd : MappedWrite::Failed;
    LARGE_INTEGER length{};
    MappedWrite result = MappedWrite::Failed;
    if (GetFileSizeEx(handle, &length)) {
        if (offset + static_cast<std::int64_t>(size) > length.QuadPart) {
            result = MappedWrite::PastEnd;
        } else {
            SYSTEM_INFO system{};
            GetSystemInfo(&system);
            const auto base = offset - offset % static_cast<std::int64_t>(system.dwAllocationGranularity);
            const auto span = static_cast<SIZE_T>(offset - base) + size;
            void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, static_cast<DWORD>(base >> 32),
                                       static_cast<DWORD>(base & 0xFFFFFFFF), span);
            if (view) {
                std::memcpy(static_cast<std::uint8_t*>(view) + (offset - base), data, size);
                result = MappedWrite::Written;
                UnmapViewOfFile(view);
            }
        }
    }
    CloseHandle(mapping);
    return result;
}
#else
// A store into a page wholly past the file's end raises SIGBUS (as does a page the
// disk has no room for); the copy then stops there and the write reports it.
thread_local sigjmp_buf* volatile t_mappedWriteFault = nullptr;
struct sigaction g_previousBusHandler {};

void onBusError(int signal, siginfo_t* info, void* context)
{
    if (t_mappedWriteFault)
        siglongjmp(*t_mappedWriteFault, 1);
    // Not ours: as if this handler had never been installed.
    sigaction(SIGBUS, &g_previousBusHandler, nullptr);
    if (g_previousBusHandler.sa_flags & SA_SIGINFO)
        g_previousBusHandler.sa_sigaction(signal, info, context);
    else
        raise(signal);
}

// Ours, and kept ours: another library may have put its own in place since.
void holdBusHandler()
{
    struct sigaction current {};
    ::sigaction(SIGBUS, nullptr, &current);
    if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == onBusError)
        return;
    struct sigaction handler {};
    handler.sa_sigaction = onBusError;
    handler.sa_flags = SA_SIGINFO;
    sigemptyset(&handler.sa_mask);
    ::sigaction(SIGBUS, &handler, &g_previousBusHandler);
}

// The pages a file's writes go through, kept from one write to the next: an import
// writes hundreds of records close together.
struct MappedWindow {
    void* view = nullptr;
    std::int64_t base = 0;
    std::size_t span = 0;
    ~MappedWindow() { drop(); }
    void drop()
    {
        if (view)
            ::munmap(view, span);
        view = nullptr;
    }
};

MappedWrite writeMapped(int fd, MappedWindow& window, const std::uint8_t* data, std::size_t size,
                        std::int64_t offset)
{
    // write() honours the user's file-size limit (ulimit -f) also inside a file; so do we.
    if (struct rlimit limit {}; ::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
                                static_cast<std::uint64_t>(offset) + size > limit.rlim_cur) {
        errno = EFBIG;
        return MappedWrite::Failed;
    }
    const auto end = offset + static_cast<std::int64_t>(size);
    if (!window.view || offset < window.base || end > window.base + static_cast<std::int64_t>(window.span)) {
        window.drop();
        constexpr std::int64_t kChunk = 64 * 1024;  // a multiple of every page size in use
        window.base = offset - offset % kChunk;
        window.span = static_cast<std::size_t>((end - window.base + kChunk - 1) / kChunk * kChunk);
        void* view = ::mmap(nullptr, window.span, PROT_READ | PROT_WRITE, MAP_SHARED, fd, static_cast<off_t>(window.base));
        if (view == MAP_FAILED)
            return MappedWrite::Failed;
        window.view = view;
    }
    holdBusHandler();
    sigjmp_buf fault;
    volatile bool faulted = false;
    if (sigsetjmp(fault, 0) == 0) {
        t_mappedWriteFault = &fault;
        std::memcpy(static_cast<std::uint8_t*>(window.view) + (offset - window.base), data, size);
    } else {
        faulted = true;
        // Left by the handler, not by its return: SIGBUS is still blocked here.
        sigset_t bus;
        sigemptyset(&bus);
        sigaddset(&bus, SIGBUS);
        ::pthread_sigmask(SIG_UNBLOCK, &bus, nullptr);
    }
    t_mappedWriteFault = nullptr;
    if (!faulted)
        return MappedWrite::Written;
    window.drop();
    // Inside the file, a page fails for want of room (a sparse or copy-on-write file on
    // a full disk) or for the device; write() would have said which.
    struct statvfs disk {};
    errno = ::fstatvfs(fd, &disk) == 0 && disk.f_bavail == 0 ? ENOSPC : EIO;
    return MappedWrite::Failed;
}
#endif

// Holds the advisory lock of every writer of this program. On Windows a byte far
// past any ROM's end is locked instead of the file, since LockFileEx locks are
// mandatory for other handles, and the per-field writes open the file again.
bool tryLock(int fd)
{
#ifdef _WIN32
    OVERLAPPED where{};
    where.Offset = 0xFFFFFFF0u;
    where.OffsetHigh = 0x7FFFFFFFu;
    return LockFileEx(reinterpret_cast<HANDLE>(_get_osfhandle(fd)),
                      LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where) != 0;
#else
    int result;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    return result == 0;
#endif
}

#ifndef _WIN32
FileIdentity identityOf(const struct stat& st)
{
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}
#endif

#ifdef _WIN32
// st_ino is always 0 on Windows; the volume serial and file index tell files apart.
std::optional<FileIdentity> identityOfHandle(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info))
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}
#endif

// The identity of an open descriptor; a default one if the system cannot tell.
FileIdentity identityOfDescriptor(int fd, const struct stat& st)
{
#ifdef _WIN32
    (void)st;
    return identityOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(fd))).value_or(FileIdentity{});
#else
    (void)fd;
    return identityOf(st);
#endif
}

int openPath(const std::string& path, int flags)
{
#ifdef _WIN32
    return ::_wopen(nativePath(path).c_str(), flags);
#else
    return ::open(path.c_str(), flags);
#endif
}

// The file from `from` bytes to `to`, the new bytes zero, the disk space taken now.
Result<Done, FileError> growFile(int fd, std::int64_t from, std::int64_t to)
{
#ifdef _WIN32
    (void)from;
    if (const errno_t error = ::_chsize_s(fd, to); error != 0)
        return fileErrorOf(error);
    return Done{};
#else
    // As write() would, the user's file-size limit refuses the growth (and no SIGXFSZ).
    if (struct rlimit limit {}; ::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
                                static_cast<std::uint64_t>(to) > limit.rlim_cur)
        return fileErrorOf(EFBIG);
    const int error = ::posix_fallocate(fd, from, to - from);
    if (error == 0)
        return Done{};
    // A file system that cannot allocate ahead: the length alone, the blocks as the
    // writes come.
    if (error == EINVAL || error == EOPNOTSUPP) {
        if (::ftruncate(fd, to) == 0)
            return Done{};
        return fileErrorOf(errno);
    }
    return fileErrorOf(error);
#endif
}

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
        const auto n = readAt(m_fd, &byte, offset);
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
        if (auto grown = growFile(m_fd, expectedSize, newSize); !grown)
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
        while (!tryLock(m_fd)) {
#ifndef _WIN32
            if (errno != EWOULDBLOCK)
                return fileErrorOf(errno);
#endif
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
        const auto outcome = writeMapped(m_fd, m_window, bytes.data(), bytes.size(), offset);
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
    MappedWindow m_window;
    std::int64_t m_size;
    FileIdentity m_identity;
};

FileIdentity pathIdentity(const std::string& path)
{
#ifdef _WIN32
    // No access rights asked: this opens anything, even a file that another program
    // holds without sharing, and directories too.
    const HANDLE handle = CreateFileW(nativePath(path).c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return {};
    const auto identity = identityOfHandle(handle);
    CloseHandle(handle);
    return identity.value_or(FileIdentity{});
#else
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? identityOf(st) : FileIdentity{};
#endif
}

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
#ifdef _WIN32
        // The read-only attribute holds for every writer here, also one whose rights
        // would let it write anyway.
        if (access == FileAccess::ReadWrite) {
            const DWORD attributes = GetFileAttributesW(nativePath(path).c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
                return FileError::PermissionDenied;
        }
#endif
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
        const int fd = openPath(path, flags);
        if (fd < 0) {
            const int error = errno;
#ifdef _WIN32
            // Held by a program that shares it with no one: say so, not "denied".
            const DWORD reason = GetLastError();
            if (reason == ERROR_SHARING_VIOLATION || reason == ERROR_LOCK_VIOLATION)
                return FileError::LockedByAnotherWriter;
#endif
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
            std::make_unique<PosixOpenFile>(fd, st.st_size, identityOfDescriptor(fd, st)));
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
        return FileStatus{static_cast<std::int64_t>(error ? 0 : size), regular, pathIdentity(path)};
    }

    Result<Done, FileError> setAttributesToNormal(const std::string& path) override
    {
        if (path.empty())
            return FileError::BadFileName;
#ifdef _WIN32
        if (!SetFileAttributesW(nativePath(path).c_str(), FILE_ATTRIBUTE_NORMAL))
            return FileError::PermissionDenied;
        return Done{};
#else
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            const int error = errno;
            return error == ENOENT ? notFoundKind(path) : fileErrorOf(error);
        }
        if (!S_ISREG(st.st_mode))
            return FileError::PathFileAccess;
        if ((st.st_mode & S_IWUSR) == 0 && ::chmod(path.c_str(), st.st_mode | S_IWUSR) != 0)
            return fileErrorOf(errno);
        return Done{};
#endif
    }
};

FileServices* g_installed = nullptr;

} // namespace

std::filesystem::path nativePath(const std::string& utf8Path)
{
#ifdef _WIN32
    std::filesystem::path path(std::u8string(utf8Path.begin(), utf8Path.end()));
    // Past MAX_PATH (260) the system takes only the \\?\ form of an absolute path.
    if (utf8Path.size() >= 240 && path.is_absolute() && !utf8Path.starts_with("\\\\")) {
        auto wide = path.make_preferred().wstring();
        return std::filesystem::path(L"\\\\?\\" + wide);
    }
    return path;
#else
    return std::filesystem::path(utf8Path);
#endif
}

Result<std::string, WholeFileError> readWholeFile(const std::string& path, std::size_t limit)
{
#ifdef _WIN32
    // The name in UTF-16, as Windows takes names that are not in its code page.
    FILE* in = path == "-" ? stdin : ::_wfopen(nativePath(path).c_str(), L"rb");
    if (!in && GetLastError() == ERROR_SHARING_VIOLATION)
        return WholeFileError::LockedByAnotherProgram;
#else
    FILE* in = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
#endif
    if (!in)
        return WholeFileError::CannotRead;
    std::string text;
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

std::optional<std::string> ownerOtherThanUser(const std::string& path)
{
#ifdef _WIN32
    (void)path;
    return std::nullopt;
#else
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || st.st_uid == ::geteuid())
        return std::nullopt;
    if (const passwd* user = ::getpwuid(st.st_uid))
        return std::string(user->pw_name);
    return "user " + std::to_string(st.st_uid);
#endif
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
