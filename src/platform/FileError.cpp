#include "platform/FileError.h"

namespace quillmark::platform {

namespace {

struct ErrorText {
    int number;
    std::string_view description;
};

ErrorText textOf(FileError error)
{
    switch (error) {
    case FileError::TooManyFiles: return {67, "Too many files are open."};
    case FileError::BadFileName: return {52, "Bad file name."};
    case FileError::FileNotFound: return {53, "File not found."};
    case FileError::PathNotFound: return {76, "Path not found."};
    case FileError::PermissionDenied: return {70, "Permission denied."};
    case FileError::PathFileAccess: return {75, "Path/File access error: this is not a file that can be edited."};
    case FileError::BadRecordNumber: return {63, "Bad record number: the position lies before the start of the file."};
    case FileError::PastEndOfFile: return {62, "Input past end of file: the bytes asked for lie past the end of the file."};
    case FileError::WritePastEndOfFile: return {5, "Invalid procedure call or argument: the position lies past the end of the file; nothing was written and the file was not extended."};
    case FileError::DeviceIoError: return {57, "Device I/O error."};
    case FileError::DiskFull: return {61, "Disk full: there is no room left for the file (the disk, or the space allowed to it, is full)."};
    case FileError::LockedByAnotherWriter: return {55, "File already open: another program is writing to this file. Try again when it has finished."};
    case FileError::TypeMismatch: return {13, "Type mismatch: the text is not made of hexadecimal digit pairs."};
    case FileError::Overflow: return {6, "Overflow: the position is too large."};
    }
    return {57, "Device I/O error."};
}

} // namespace

int errorNumber(FileError error) { return textOf(error).number; }

std::string_view errorDescription(FileError error) { return textOf(error).description; }

} // namespace quillmark::platform
