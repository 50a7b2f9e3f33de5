// The file services' system calls on Windows.
#include "platform/SystemFiles.h"

#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>

namespace quillmark::platform::system {

namespace {

// st_ino is always 0 on Windows; the volume serial and file index tell files apart.
std::optional<FileIdentity> identityOfHandle(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info))
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

} // namespace

std::int64_t readSome(int fd, std::uint8_t* data, std::size_t size, std::int64_t offset)
{
    if (_lseeki64(fd, offset, SEEK_SET) < 0)
        return -1;
    return _read(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}

// Windows maps per write: while a view exists the system refuses another program's cut.
void MappedWindow::drop() {}

MappedWrite MappedWindow::write(int fd, const std::uint8_t* data, std::size_t size, std::int64_t offset)
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

// A byte far past any ROM's end is locked instead of the file, since LockFileEx locks
// are mandatory for other handles, and the per-field writes open the file again.
bool tryLock(int fd)
{
    OVERLAPPED where{};
    where.Offset = 0xFFFFFFF0u;
    where.OffsetHigh = 0x7FFFFFFFu;
    if (LockFileEx(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY,
                   0, 1, 0, &where))
        return true;
    // Taken: the caller waits and tries again, as for a POSIX lock another process holds.
    errno = EWOULDBLOCK;
    return false;
}

FileIdentity identityOfDescriptor(int fd, const struct stat&)
{
    return identityOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(fd))).value_or(FileIdentity{});
}

FileIdentity pathIdentity(const std::string& path)
{
    // No access rights asked: this opens anything, even a file that another program
    // holds without sharing, and directories too.
    const HANDLE handle = CreateFileW(nativePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return {};
    const auto identity = identityOfHandle(handle);
    CloseHandle(handle);
    return identity.value_or(FileIdentity{});
}

int openPath(const std::string& path, int flags) { return ::_wopen(nativePath(path).c_str(), flags); }

std::optional<FileError> refusedBeforeOpen(const std::string& path, FileAccess access)
{
    // The read-only attribute holds for every writer here, also one whose rights would
    // let it write anyway.
    if (access == FileAccess::ReadWrite) {
        const DWORD attributes = GetFileAttributesW(nativePath(path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            return FileError::PermissionDenied;
    }
    return std::nullopt;
}

std::optional<FileError> failedOpenReason()
{
    // Held by a program that shares it with no one: say so, not "denied".
    const DWORD reason = GetLastError();
    if (reason == ERROR_SHARING_VIOLATION || reason == ERROR_LOCK_VIOLATION)
        return FileError::LockedByAnotherWriter;
    return std::nullopt;
}

Result<Done, FileError> growFile(int fd, std::int64_t, std::int64_t to)
{
    if (const errno_t error = ::_chsize_s(fd, to); error != 0)
        return fileErrorOf(error);
    return Done{};
}

Result<Done, FileError> makeWritable(const std::string& path)
{
    if (!SetFileAttributesW(nativePath(path).c_str(), FILE_ATTRIBUTE_NORMAL))
        return FileError::PermissionDenied;
    return Done{};
}

std::FILE* openForReading(const std::string& path, bool& held)
{
    // The name in UTF-16, as Windows takes names that are not in its code page.
    std::FILE* in = ::_wfopen(nativePath(path).c_str(), L"rb");
    held = !in && GetLastError() == ERROR_SHARING_VIOLATION;
    return in;
}

} // namespace quillmark::platform::system

namespace quillmark::platform {

std::filesystem::path nativePath(const std::string& utf8Path)
{
    std::filesystem::path path(std::u8string(utf8Path.begin(), utf8Path.end()));
    // Past MAX_PATH (260) the system takes only the \\?\ form of an absolute path.
    if (utf8Path.size() >= 240 && path.is_absolute() && !utf8Path.starts_with("\\\\")) {
        auto wide = path.make_preferred().wstring();
        return std::filesystem::path(L"\\\\?\\" + wide);
    }
    return path;
}

std::optional<std::string> ownerOtherThanUser(const std::string&) { return std::nullopt; }

} // namespace quillmark::platform
