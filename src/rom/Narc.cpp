#include "rom/Narc.h"

#include "platform/FileServices.h"
#include "rom/LittleEndian.h"

#include <array>
#include <cstring>

namespace quillmark::rom {

namespace {

constexpr std::int64_t kHeaderSize = 16;
constexpr std::int64_t kSectionHeaderSize = 8;

bool hasMagic(const std::uint8_t* bytes, const char (&magic)[5])
{
    return std::memcmp(bytes, magic, 4) == 0;
}

} // namespace

Result<Narc, RomFsError> Narc::read(platform::OpenFile& file, const FileExtent& extent,
                                    std::string_view name)
{
    const std::string where(name);
    auto damaged = [&](const std::string& why) {
        return RomFsError{RomFsProblem::ArchiveDamaged, where + " is damaged (" + why + ")"};
    };
    auto readAt = [&](std::int64_t offset, std::span<std::uint8_t> bytes) -> Result<Done, RomFsError> {
        if (offset + static_cast<std::int64_t>(bytes.size()) > extent.size())
            return damaged("it ends before its sections do");
        if (auto read = file.read(extent.start + offset, bytes); !read)
            return RomFsError{RomFsProblem::ReadFailed, "the file could not be read", read.error()};
        return Done{};
    };

    std::array<std::uint8_t, kHeaderSize> header{};
    if (extent.size() < kHeaderSize)
        return RomFsError{RomFsProblem::NotAnArchive, where + " is not a NARC archive"};
    if (auto read = readAt(0, header); !read)
        return read.error();
    if (!hasMagic(header.data(), "NARC") || le16(header, 4) != 0xFFFE)
        return RomFsError{RomFsProblem::NotAnArchive, where + " is not a NARC archive"};
    const std::int64_t archiveSize = le32(header, 8);
    if (archiveSize == 0)
        return damaged("its size is 0, as a write to it that was cut short leaves it: the write did not "
                       "finish, and the ROM must be restored from a copy");
    if (le16(header, 12) != kHeaderSize || archiveSize < kHeaderSize || archiveSize > extent.size())
        return damaged("its header gives a size larger than the file");

    std::array<std::uint8_t, 12> btaf{};
    if (auto read = readAt(kHeaderSize, btaf); !read)
        return read.error();
    const std::int64_t btafSize = le32(btaf, 4);
    const std::uint32_t count = le16(btaf, 8);
    if (!hasMagic(btaf.data(), "BTAF") || btafSize < 12 + std::int64_t{count} * 8)
        return damaged("no member table");
    std::vector<std::uint8_t> entries(std::size_t{count} * 8);
    if (auto read = readAt(kHeaderSize + 12, entries); !read)
        return read.error();

    const std::int64_t btnfAt = kHeaderSize + btafSize;
    std::array<std::uint8_t, kSectionHeaderSize> btnf{};
    if (auto read = readAt(btnfAt, btnf); !read)
        return read.error();
    if (!hasMagic(btnf.data(), "BTNF") || le32(btnf, 4) < kSectionHeaderSize)
        return damaged("no name table");

    const std::int64_t gmifAt = btnfAt + le32(btnf, 4);
    std::array<std::uint8_t, kSectionHeaderSize> gmif{};
    if (auto read = readAt(gmifAt, gmif); !read)
        return read.error();
    const std::int64_t gmifSize = le32(gmif, 4);
    if (!hasMagic(gmif.data(), "GMIF") || gmifSize < kSectionHeaderSize ||
        gmifAt + gmifSize > archiveSize)
        return damaged("no member data, or member data past its end");

    Narc narc;
    narc.m_gmifOffset = gmifAt;
    narc.m_members.reserve(count);
    const std::int64_t dataStart = extent.start + gmifAt + kSectionHeaderSize;
    for (std::uint32_t k = 0; k < count; ++k) {
        const std::int64_t start = le32(entries, k * 8), end = le32(entries, k * 8 + 4);
        if (start > end || end > gmifSize - kSectionHeaderSize)
            return damaged("member " + std::to_string(k) + " lies outside its data");
        narc.m_members.push_back({dataStart + start, dataStart + end});
    }
    return narc;
}

} // namespace quillmark::rom
