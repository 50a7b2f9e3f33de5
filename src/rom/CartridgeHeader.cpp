#include "rom/CartridgeHeader.h"

#include "rom/LittleEndian.h"
#include "rom/RomIdentification.h"

#include <algorithm>

namespace quillmark::rom {

namespace {

// 128 KiB << 12 is 512 MiB, the largest DS cartridge.
constexpr int kLargestCapacityShift = 12;

} // namespace

std::int64_t CartridgeHeader::usedSize() const { return le32(bytes, kUsedSizeField); }

std::optional<std::int64_t> CartridgeHeader::capacity() const
{
    const int shift = bytes[kCapacityField];
    if (shift > kLargestCapacityShift)
        return std::nullopt;
    return std::int64_t{128 * 1024} << shift;
}

bool CartridgeHeader::crcMatches() const
{
    return headerCrc16(bytes.data(), kHeaderCrcOffset) == le16(bytes, kHeaderCrcOffset);
}

CartridgeHeader CartridgeHeader::withUsedSize(std::int64_t usedSize) const
{
    CartridgeHeader changed = *this;
    putLe32(changed.bytes, kUsedSizeField, static_cast<std::uint32_t>(usedSize));
    putLe16(changed.bytes, kHeaderCrcOffset, headerCrc16(changed.bytes.data(), kHeaderCrcOffset));
    return changed;
}

std::optional<std::uint8_t> paddingByte(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return std::uint8_t{0xFF};
    const auto first = bytes.front();
    if (first != 0xFF && first != 0x00)
        return std::nullopt;
    if (std::any_of(bytes.begin(), bytes.end(), [first](std::uint8_t b) { return b != first; }))
        return std::nullopt;
    return first;
}

} // namespace quillmark::rom
