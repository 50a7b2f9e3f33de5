#include "rom/ArchiveFile.h"

#include "platform/FileServices.h"
#include "rom/ImageClaims.h"
#include "rom/LittleEndian.h"

#include <algorithm>

namespace quillmark::rom {

namespace {

constexpr std::size_t kUsedSizeField = 0x80;

// NARC layout, from the archive's start: the size word, the member table after the
// archive's header and BTAF's own, the GMIF section's header.
constexpr std::size_t kNarcSizeField = 8;
constexpr std::size_t kMemberTable = 16 + 12;
constexpr std::int64_t kSectionHeaderSize = 8;

} // namespace

std::span<const std::uint8_t> ArchiveFile::memberBytes(int k) const
{
    const auto& member = narc.member(k);
    return std::span(bytes).subspan(static_cast<std::size_t>(member.start - extent.start),
                                    static_cast<std::size_t>(member.size()));
}

bool ArchiveFile::membersBackToBack() const
{
    if (narc.memberCount() == 0)
        return false;
    std::int64_t expected = extent.start + narc.gmifOffset() + kSectionHeaderSize;
    for (int k = 0; k < narc.memberCount(); ++k) {
        if (narc.member(k).start != expected)
            return false;
        expected = narc.member(k).end;
    }
    return expected == extent.start + le32(bytes, kNarcSizeField) && expected == extent.end;
}

Result<ArchiveFile, RomFsError> readArchiveFile(platform::OpenFile& file, const NitroFs& fs, std::string_view path,
                                                ArchiveBytes withBytes)
{
    auto extent = fs.find(path);
    if (!extent)
        return extent.error();
    const auto id = *fs.fileId(path);
    if (const auto other = fs.overlappingFile(id))
        return RomFsError{RomFsProblem::AllocationDamaged, "the file allocation table is damaged: " + std::string(path) +
                                                               " shares bytes with " + fs.describeFile(*other)};
    auto narc = Narc::read(file, *extent, path);
    if (!narc)
        return narc.error();
    ArchiveFile archive{std::string(path), *extent, id, fs.fatEntryOffset(id), std::move(*narc), {}};
    if (withBytes == ArchiveBytes::Read) {
        archive.bytes.resize(static_cast<std::size_t>(extent->size()));
        if (auto read = file.read(extent->start, archive.bytes); !read)
            return RomFsError{RomFsProblem::ReadFailed, "the file could not be read", read.error()};
    }
    return archive;
}

std::vector<std::uint8_t> archiveWithMembers(const ArchiveFile& archive,
                                             const std::map<int, std::vector<std::uint8_t>>& replaced)
{
    const auto& old = archive.bytes;
    const auto gmif = static_cast<std::size_t>(archive.narc.gmifOffset());
    const auto dataStart = gmif + static_cast<std::size_t>(kSectionHeaderSize);
    std::vector<std::uint8_t> bytes(old.begin(), old.begin() + static_cast<std::ptrdiff_t>(dataStart));
    for (int k = 0; k < archive.narc.memberCount(); ++k) {
        const auto start = static_cast<std::uint32_t>(bytes.size() - dataStart);
        if (const auto member = replaced.find(k); member != replaced.end()) {
            bytes.insert(bytes.end(), member->second.begin(), member->second.end());
        } else {
            const auto stored = archive.memberBytes(k);
            bytes.insert(bytes.end(), stored.begin(), stored.end());
        }
        const auto entry = kMemberTable + 8 * static_cast<std::size_t>(k);
        putLe32(bytes, entry, start);
        putLe32(bytes, entry + 4, static_cast<std::uint32_t>(bytes.size() - dataStart));
    }
    putLe32(bytes, kNarcSizeField, static_cast<std::uint32_t>(bytes.size()));
    putLe32(bytes, gmif + 4, static_cast<std::uint32_t>(bytes.size() - gmif));
    return bytes;
}

} // namespace quillmark::rom
