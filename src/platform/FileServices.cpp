#include "platform/FileServices.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

namespace quillmark::platform {

namespace {

FileError fromErrno(int error)
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
    case EISDIR: return FileError::PathFileAccess;
    case ENAMETOOLONG:
    case EINVAL: return FileError::BadFileName;
    default: return FileError::DeviceIoError;
    }
}

// Paths are UTF-8 everywhere in the program; Windows wants them as UTF-16.
std::filesystem::path fsPath(const std::string& path)
{
#ifdef _WIN32
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
#else
    return std::filesystem::path(path);
#endif
}

// A missing folder on the way reads better as "Path not found" than "File not found".
FileError notFoundKind(const std::string& path)
{
    std::error_code ignored;
    const auto parent = fsPath(path).parent_path();
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

ssize_t writeAt(int fd, std::uint8_t byte, std::int64_t offset)
{
#ifdef _WIN32
    if (_lseeki64(fd, offset, SEEK_SET) < 0)
        return -1;
    return _write(fd, &byte, 1);
#else
    return ::pwrite(fd, &byte, 1, static_cast<off_t>(offset));
#endif
}

int openPath(const std::string& path, int flags)
{
#ifdef _WIN32
    return ::_wopen(fsPath(path).c_str(), flags);
#else
    return ::open(path.c_str(), flags);
#endif
}

class PosixOpenFile final : public OpenFile {
public:
    PosixOpenFile(int fd, std::int64_t size) : m_fd(fd), m_size(size) {}
    ~PosixOpenFile() override { ::close(m_fd); }

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
        return n == 0 ? FileError::PastEndOfFile : fromErrno(errno);
    }

    Result<Done, FileError> writeByte(std::int64_t offset, std::uint8_t value) override
    {
        if (offset < 0)
            return FileError::BadRecordNumber;
        if (offset >= m_size)
            return FileError::PastEndOfFile;
        const auto n = writeAt(m_fd, value, offset);
        if (n == 1)
            return Done{};
        return n == 0 ? FileError::DeviceIoError : fromErrno(errno);
    }

    std::int64_t size() const override { return m_size; }

private:
    int m_fd;
    std::int64_t m_size;
};

class SystemFileServices final : public FileServices {
public:
    Result<std::unique_ptr<OpenFile>, FileError> open(const std::string& path,
                                                      FileAccess access) override
    {
        if (path.empty() || path.find('\0') != std::string::npos)
            return FileError::BadFileName;
        // Never O_CREAT or O_TRUNC: a missing ROM is an error, not a new empty file.
        int flags = access == FileAccess::Read ? O_RDONLY : O_RDWR;
#ifdef O_CLOEXEC
        flags |= O_CLOEXEC;
#endif
#ifdef O_BINARY
        flags |= O_BINARY;
#endif
        const int fd = openPath(path, flags);
        if (fd < 0) {
            const int error = errno;
            return error == ENOENT ? notFoundKind(path) : fromErrno(error);
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            const int error = errno;
            ::close(fd);
            return fromErrno(error);
        }
        if (!S_ISREG(st.st_mode)) {
            ::close(fd);
            return FileError::PathFileAccess;
        }
        return std::unique_ptr<OpenFile>(std::make_unique<PosixOpenFile>(fd, st.st_size));
    }

    Result<FileStatus, FileError> status(const std::string& path) override
    {
        if (path.empty())
            return FileError::BadFileName;
        std::error_code error;
        const auto status = std::filesystem::status(fsPath(path), error);
        if (!std::filesystem::exists(status))
            return notFoundKind(path);
        if (error)
            return fromErrno(error.value());
        const bool regular = std::filesystem::is_regular_file(status);
        const auto size = regular ? std::filesystem::file_size(fsPath(path), error) : 0;
        return FileStatus{static_cast<std::int64_t>(error ? 0 : size), regular};
    }

    Result<Done, FileError> setAttributesToNormal(const std::string& path) override
    {
        if (path.empty())
            return FileError::BadFileName;
#ifdef _WIN32
        if (!SetFileAttributesW(fsPath(path).c_str(), FILE_ATTRIBUTE_NORMAL))
            return FileError::PermissionDenied;
        return Done{};
#else
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            const int error = errno;
            return error == ENOENT ? notFoundKind(path) : fromErrno(error);
        }
        if (!S_ISREG(st.st_mode))
            return FileError::PathFileAccess;
        if ((st.st_mode & S_IWUSR) == 0 && ::chmod(path.c_str(), st.st_mode | S_IWUSR) != 0)
            return fromErrno(errno);
        return Done{};
#endif
    }
};

FileServices* g_installed = nullptr;

} // namespace

FileServices& systemFileServices()
{
    static SystemFileServices services;
    return services;
}

FileServices& fileServices() { return g_installed ? *g_installed : systemFileServices(); }

ScopedFileServices::ScopedFileServices(FileServices& services) : m_previous(g_installed)
{
    g_installed = &services;
}

ScopedFileServices::~ScopedFileServices() { g_installed = m_previous; }

} // namespace quillmark::platform
