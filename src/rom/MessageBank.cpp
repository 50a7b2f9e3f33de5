#include "rom/MessageBank.h"

#include "rom/LittleEndian.h"

namespace quillmark::rom {

namespace {

constexpr std::size_t kHeaderSize = 4;
constexpr std::size_t kTableEntrySize = 8;

// The key both words of table entry i are XORed with.
std::uint32_t tableKey(std::uint16_t bankKey, std::size_t i)
{
    const auto k = static_cast<std::uint16_t>(std::uint32_t{bankKey} * 765u * static_cast<std::uint32_t>(i + 1));
    return std::uint32_t{k} | std::uint32_t{k} << 16;
}

// The first key of entry i's string; each unit's key is the one before plus 18749.
std::uint16_t stringKey(std::size_t i) { return static_cast<std::uint16_t>((i + 1) * 596947u); }
constexpr std::uint16_t kStringStep = 18749;

} // namespace

std::optional<MessageBank> decodeMessageBank(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < kHeaderSize)
        return std::nullopt;
    const std::size_t count = le16(bytes, 0);
    if (bytes.size() < kHeaderSize + count * kTableEntrySize)
        return std::nullopt;
    MessageBank bank;
    bank.key = static_cast<std::uint16_t>(le16(bytes, 2));
    bank.entries.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto at = kHeaderSize + i * kTableEntrySize;
        const auto key = tableKey(bank.key, i);
        const std::uint64_t offset = le32(bytes, at) ^ key;
        const std::uint64_t length = le32(bytes, at + 4) ^ key;
        auto& units = bank.entries[i];
        if (offset + 2 * length > bytes.size() || offset % 2 != 0) {
            if (!bank.damagedEntry) {
                bank.damagedEntry = static_cast<int>(i);
                bank.damage = "entry " + std::to_string(i) + " lies at byte " + std::to_string(offset) + ", " +
                              std::to_string(length) + " units long, past the bank's " + std::to_string(bytes.size()) +
                              " bytes";
            }
            continue;
        }
        units.reserve(static_cast<std::size_t>(length));
        auto s = stringKey(i);
        for (std::uint64_t k = 0; k < length; ++k) {
            units.push_back(static_cast<std::uint16_t>(le16(bytes, static_cast<std::size_t>(offset + 2 * k)) ^ s));
            s = static_cast<std::uint16_t>(s + kStringStep);
        }
    }
    return bank;
}

std::vector<std::uint8_t> encodeMessageBank(const MessageBank& bank)
{
    const auto count = bank.entries.size();
    std::size_t size = kHeaderSize + count * kTableEntrySize;
    for (const auto& units : bank.entries)
        size += 2 * units.size();
    std::vector<std::uint8_t> bytes(size);
    putLe16(bytes, 0, static_cast<std::uint16_t>(count));
    putLe16(bytes, 2, bank.key);
    auto offset = kHeaderSize + count * kTableEntrySize;
    for (std::size_t i = 0; i < count; ++i) {
        const auto& units = bank.entries[i];
        const auto key = tableKey(bank.key, i);
        putLe32(bytes, kHeaderSize + i * kTableEntrySize, static_cast<std::uint32_t>(offset) ^ key);
        putLe32(bytes, kHeaderSize + i * kTableEntrySize + 4, static_cast<std::uint32_t>(units.size()) ^ key);
        auto s = stringKey(i);
        for (const auto unit : units) {
            putLe16(bytes, offset, static_cast<std::uint16_t>(unit ^ s));
            s = static_cast<std::uint16_t>(s + kStringStep);
            offset += 2;
        }
    }
    return bytes;
}

} // namespace quillmark::rom
