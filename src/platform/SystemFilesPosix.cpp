// The file services' system calls on POSIX systems.
#include "platform/SystemFiles.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstring>

namespace quillmark::platform::system {

namespace {

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


FileIdentity identityOf(const struct stat& st)
{
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

} // namespace

std::int64_t readSome(int fd, std::uint8_t* data, std::size_t size, std::int64_t offset)
{
    return ::pread(fd, data, size, static_cast<off_t>(offset));
}

void MappedWindow::drop()
{
    if (m_view)
        ::munmap(m_view, m_span);
    m_view = nullptr;
}

MappedWrite MappedWindow::write(int fd, const std::uint8_t* data, std::size_t size, std::int64_t offset)
{
    // write() honours the user's file-size limit (ulimit -f) also inside a file; so do we.
    if (struct rlimit limit {}; ::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
                                static_cast<std::uint64_t>(offset) + size > limit.rlim_cur) {
        errno = EFBIG;
        return MappedWrite::Failed;
    }
    const auto end = offset + static_cast<std::int64_t>(size);
    if (!m_view || offset < m_base || end > m_base + static_cast<std::int64_t>(m_span)) {
        drop();
        constexpr std::int64_t kChunk = 64 * 1024;  // a multiple of every page size in use
        m_base = offset - offset % kChunk;
        m_span = static_cast<std::size_t>((end - m_base + kChunk - 1) / kChunk * kChunk);
        void* view = ::mmap(nullptr, m_span, PROT_READ | PROT_WRITE, MAP_SHARED, fd, static_cast<off_t>(m_base));
        if (view == MAP_FAILED)
            return MappedWrite::Failed;
        m_view = view;
    }
    holdBusHandler();
    sigjmp_buf fault;
    volatile bool faulted = false;
    if (sigsetjmp(fault, 0) == 0) {
        t_mappedWriteFault = &fault;
        std::memcpy(static_cast<std::uint8_t*>(m_view) + (offset - m_base), data, size);
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
    drop();
    // Inside the file, a page fails for want of room (a sparse or copy-on-write file on
    // a full disk) or for the device; write() would have said which.
    struct statvfs disk {};
    errno = ::fstatvfs(fd, &disk) == 0 && disk.f_bavail == 0 ? ENOSPC : EIO;
    return MappedWrite::Failed;
}

bool tryLock(int fd)
{
    int result;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    return result == 0;
}

FileIdentity identityOfDescriptor(int, const struct stat& st) { return identityOf(st); }

FileIdentity pathIdentity(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? identityOf(st) : FileIdentity{};
}

int openPath(const std::string& path, int flags) { return ::open(path.c_str(), flags); }

std::optional<FileError> refusedBeforeOpen(const std::string&, FileAccess) { return std::nullopt; }

std::optional<FileError> failedOpenReason() { return std::nullopt; }

Result<Done, FileError> growFile(int fd, std::int64_t from, std::int64_t to)
{
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
}

Result<Done, FileError> makeWritable(const std::string& path)
{
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
}

std::FILE* openForReading(const std::string& path, bool& held)
{
    held = false;
    return std::fopen(path.c_str(), "rb");
}

} // namespace quillmark::platform::system

namespace quillmark::platform {

std::filesystem::path nativePath(const std::string& utf8Path) { return std::filesystem::path(utf8Path); }

std::optional<std::string> ownerOtherThanUser(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || st.st_uid == ::geteuid())
        return std::nullopt;
    if (const passwd* user = ::getpwuid(st.st_uid))
        return std::string(user->pw_name);
    return "user " + std::to_string(st.st_uid);
}

} // namespace quillmark::platform
