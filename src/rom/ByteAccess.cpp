#include "rom/ByteAccess.h"

#include "platform/FileServices.h"
#include "platform/MessageBoxService.h"
#include "rom/HexCodec.h"

#include <limits>
#include <vector>

namespace quillmark::rom {

namespace {

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

} // namespace

Result<std::string, FileError> readHex(const std::string& path, std::int32_t position,
                                       std::int32_t count)
{
    auto file = platform::fileServices().open(path, platform::FileAccess::Read);
    if (!file)
        return file.error();
    return readHex(**file, position, count);
}

Result<std::string, FileError> readHex(platform::OpenFile& file, std::int32_t position,
                                       std::int32_t count)
{
    if (count <= 0)
        return std::string();
    if (position < 0)
        return FileError::BadRecordNumber;
    if (std::int64_t{position} + count > kInt32Max)
        return FileError::Overflow;

    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(count));
    for (std::int32_t k = 0; k < count; ++k) {
        auto byte = file.readByte(std::int64_t{position} + k);
        if (!byte)
            return byte.error();
        bytes.push_back(*byte);
    }
    return bytesToHex(bytes);
}

Result<Done, FileError> writeHex(const std::string& path, std::int32_t position,
                                 std::string_view hex)
{
    if (!hexToBytes(hex))
        return FileError::TypeMismatch;
    auto file = platform::fileServices().open(path, platform::FileAccess::ReadWrite);
    if (!file)
        return file.error();
    return writeHex(**file, position, hex);
}

Result<Done, FileError> writeHex(platform::OpenFile& file, std::int32_t position,
                                 std::string_view hex)
{
    const auto bytes = hexToBytes(hex);
    if (!bytes)
        return FileError::TypeMismatch;
    if (bytes->empty())
        return Done{};
    if (position < 0)
        return FileError::BadRecordNumber;
    const auto end = std::int64_t{position} + static_cast<std::int64_t>(bytes->size());
    if (end > kInt32Max)
        return FileError::Overflow;
    if (end > file.size())
        return FileError::WritePastEndOfFile;

    for (std::size_t k = 0; k < bytes->size(); ++k) {
        auto written = file.writeByte(position + static_cast<std::int64_t>(k), (*bytes)[k]);
        if (!written)
            return written.error();
    }
    return Done{};
}

std::string ReadBytesAsHex(const std::string& path, std::int32_t position, std::int32_t count,
                           platform::MessageBoxService& messages)
{
    auto hex = readHex(path, position, count);
    if (!hex) {
        platform::showFileError(messages, hex.error());
        return std::string();
    }
    return std::move(*hex);
}

bool WriteHexAsBytes(const std::string& path, std::int32_t position, std::string_view hex,
                     platform::MessageBoxService& messages)
{
    auto written = writeHex(path, position, hex);
    if (!written) {
        platform::showFileError(messages, written.error());
        return false;
    }
    return true;
}

} // namespace quillmark::rom
