// What an output path names, and writing into a stream, on POSIX systems.
#include "platform/OutputFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace quillmark::platform {

OutputKind outputKind(const std::string& path)
{
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0)
        return OutputKind::Missing;
    // /dev/stdout, /proc/self/fd/1 or a link of one's own to them: whatever standard
    // output is (a redirected file too), the text goes there as with "-".
    struct stat link {}, standardOutput {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode) &&
        ::fstat(STDOUT_FILENO, &standardOutput) == 0 && standardOutput.st_dev == target.st_dev &&
        standardOutput.st_ino == target.st_ino)
        return OutputKind::StandardOutput;
    if (S_ISREG(target.st_mode))
        return OutputKind::Regular;
    if (S_ISFIFO(target.st_mode) || S_ISCHR(target.st_mode))
        return OutputKind::Stream;
    return OutputKind::Other;
}

std::optional<std::string> reservedDeviceName(const std::string&) { return std::nullopt; }

std::optional<StreamWriteFailure> writeIntoStream(const std::string& path, const std::string& text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return StreamWriteFailure{errno, 0};
    std::size_t done = 0;
    while (done < text.size()) {
        const auto n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            ::close(fd);
            return StreamWriteFailure{error, done};
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && errno != EINTR)
        return StreamWriteFailure{errno, done};
    return std::nullopt;
}

bool heldWithoutSharing(const std::string&) { return false; }

} // namespace quillmark::platform
