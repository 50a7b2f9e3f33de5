#pragma once

#include <string_view>

namespace quillmark::platform {

// Every way a file service can fail. The numbers follow the run-time error numbers
// that users of older Windows ROM tools will recognise in the "Error: N" box.
enum class FileError {
    TooManyFiles,      // 67: no free file handle
    BadFileName,       // 52: empty or over-long name, or a name the system refuses
    FileNotFound,      // 53
    PathNotFound,      // 76: a folder on the way does not exist
    PermissionDenied,  // 70: access denied, read-only medium, locked
    PathFileAccess,    // 75: a directory or other thing that is not a plain file
    BadRecordNumber,   // 63: an offset below 0
    PastEndOfFile,     // 62: a read at or past the last byte
    WritePastEndOfFile,  // 5: a write at or past the last byte; files are never extended
    DeviceIoError,     // 57: the system refused a read or write
    DiskFull,          // 61: no space left on the device
    LockedByAnotherWriter,  // 55: another writer of this program holds the lock
    TypeMismatch,      // 13: a hex pair that is not two hexadecimal digits
    Overflow,          // 6: position arithmetic leaves the 32-bit signed range
};

int errorNumber(FileError error);
std::string_view errorDescription(FileError error);

} // namespace quillmark::platform
