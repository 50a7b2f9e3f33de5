#include "platform/FileServices.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef _WIN32
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

// A missing folder on the way reads better as "Path not found" than "File not found".
FileError notFoundKind(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return FileError::FileNotFound;
    struct stat st {};
    return ::stat(path.substr(0, slash).c_str(), &st) == 0 ? FileError::FileNotFound
                                                            : FileError::PathNotFound;
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
        const auto n = ::pread(m_fd, &byte, 1, static_cast<off_t>(offset));
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
        const auto n = ::pwrite(m_fd, &value, 1, static_cast<off_t>(offset));
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
        const int fd = ::open(path.c_str(), flags);
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
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            const int error = errno;
            return error == ENOENT ? notFoundKind(path) : fromErrno(error);
        }
        return FileStatus{static_cast<std::int64_t>(st.st_size), S_ISREG(st.st_mode)};
    }

    Result<Done, FileError> setAttributesToNormal(const std::string& path) override
    {
        if (path.empty())
            return FileError::BadFileName;
#ifdef _WIN32
        if (!SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL))
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
