#pragma once

#include "platform/FileError.h"
#include "platform/Result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmark::platform {
class MessageBoxService;
class OpenFile;
}

namespace quillmark::rom {

using platform::FileError;

// Each call opens the file, moves its bytes one at a time and closes it again, on
// every path. Neither call creates a file or moves past its last byte.

// The count bytes from position on, as HexByteString. count <= 0 gives "".
Result<std::string, FileError> readHex(const std::string& path, std::int32_t position,
                                       std::int32_t count);

// Writes the bytes of hex from position on. The whole text and the whole range are
// checked before the first byte is written, so a bad pair or a short file leaves
// the file exactly as it was.
Result<Done, FileError> writeHex(const std::string& path, std::int32_t position,
                                 std::string_view hex);

// The same two through a file that the caller holds open, so that a check and the
// reads or writes that follow it are sure to meet the same file.
Result<std::string, FileError> readHex(platform::OpenFile& file, std::int32_t position,
                                       std::int32_t count);
Result<Done, FileError> writeHex(platform::OpenFile& file, std::int32_t position,
                                 std::string_view hex);

// The same two operations for callers that let the user see a failure at once: it is
// shown in the "Error: N" box (platform::showFileError) and the caller gets "" or
// false. The editor's own loads and saves return their errors instead; the window
// shows the same box from them.
std::string ReadBytesAsHex(const std::string& path, std::int32_t position, std::int32_t count,
                           platform::MessageBoxService& messages);
bool WriteHexAsBytes(const std::string& path, std::int32_t position, std::string_view hex,
                     platform::MessageBoxService& messages);

} // namespace quillmark::rom
