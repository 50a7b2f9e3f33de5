#include "rom/NitroFs.h"

#include "platform/FileServices.h"
#include "rom/LittleEndian.h"

#include <algorithm>
#include <array>
#include <set>
#include <vector>

namespace quillmark::rom {

namespace {

// Far above any real table (a retail FNT is a few KB); keeps a damaged header from
// making us read or allocate the whole file.
constexpr std::uint32_t kMaxFntSize = 4u << 20;
// One entry per possible file ID below the directory IDs.
constexpr std::uint32_t kMaxFatSize = std::uint32_t{kFirstDirectoryId} * 8;

RomFsError readFailure(platform::FileError error)
{
    return {RomFsProblem::ReadFailed, "the file could not be read", error};
}

RomFsError damagedDirectories(const std::string& why)
{
    return {RomFsProblem::DirectoriesDamaged, "the file name table is damaged (" + why + ")"};
}

Result<std::vector<std::uint8_t>, RomFsError> readRange(platform::OpenFile& file,
                                                        std::int64_t offset, std::uint32_t size)
{
    std::vector<std::uint8_t> bytes(size);
    if (auto read = file.read(offset, bytes); !read)
        return readFailure(read.error());
    return bytes;
}

} // namespace

Result<NitroFs, RomFsError> NitroFs::read(platform::OpenFile& file)
{
    NitroFs fs;
    fs.m_fileSize = file.size();
    // A file too short for these words cannot hold a file system, nor a table.
    if (fs.m_fileSize < kHeaderFieldsEnd)
        return RomFsError{RomFsProblem::NoFileSystem, "the header has no file table"};
    std::array<std::uint8_t, 16> fields{};
    if (auto read = file.read(kFntOffsetField, fields); !read)
        return readFailure(read.error());
    const std::uint32_t fntOffset = le32(fields, 0), fntSize = le32(fields, 4);
    const std::uint32_t fatOffset = le32(fields, 8), fatSize = le32(fields, 12);
    if (fntOffset == 0 && fntSize == 0 && fatOffset == 0 && fatSize == 0)
        return RomFsError{RomFsProblem::NoFileSystem, "the header has no file table"};

    auto inside = [&](std::uint32_t offset, std::uint32_t size) {
        return offset >= kHeaderFieldsEnd && std::int64_t{offset} + size <= fs.m_fileSize;
    };
    if (fntSize < 8 || fntSize > kMaxFntSize || !inside(fntOffset, fntSize))
        return RomFsError{RomFsProblem::FileSystemOutside,
                          "the file name table given by the header lies outside the file"};
    if (fatSize == 0 || fatSize % 8 != 0 || fatSize > kMaxFatSize || !inside(fatOffset, fatSize))
        return RomFsError{RomFsProblem::FileSystemOutside,
                          "the file allocation table given by the header lies outside the file"};

    auto fnt = readRange(file, fntOffset, fntSize);
    if (!fnt)
        return fnt.error();
    auto fat = readRange(file, fatOffset, fatSize);
    if (!fat)
        return fat.error();
    fs.m_fat = std::move(*fat);
    fs.m_fatOffset = fatOffset;

    const std::vector<std::uint8_t>& names = *fnt;
    const std::uint32_t directoryCount = le16(names, 6);
    if (directoryCount == 0 || directoryCount > 0x10000u - kFirstDirectoryId ||
        directoryCount * 8 > fntSize)
        return damagedDirectories("impossible directory count");

    // Each directory is entered at most once: a second visit is a loop or a shared
    // sub-tree, and the number of entries is bounded by the table's size.
    std::vector<bool> visited(directoryCount, false);
    struct Pending {
        std::uint32_t directory;
        std::string prefix;
    };
    std::vector<Pending> pending{{0, ""}};
    std::set<std::string> directoryPaths;
    visited[0] = true;
    while (!pending.empty()) {
        const Pending current = std::move(pending.back());
        pending.pop_back();
        std::uint32_t at = le32(names, current.directory * 8);
        std::uint32_t fileId = le16(names, current.directory * 8 + 4);
        for (;;) {
            if (at >= fntSize)
                return damagedDirectories("a directory's entries run off the table");
            const std::uint8_t length = names[at++];
            if (length == 0)
                break;
            if (length == 0x80)
                return damagedDirectories("an entry of length 0x80");
            const std::uint32_t nameLength = length & 0x7Fu;
            const bool isDirectory = (length & 0x80u) != 0;
            if (std::uint64_t{at} + nameLength + (isDirectory ? 2 : 0) > fntSize)
                return damagedDirectories("a directory's entries run off the table");
            const std::string_view name(reinterpret_cast<const char*>(names.data() + at), nameLength);
            // A "/" inside one name would make it the path of a file in another
            // directory, shadowing that file.
            if (name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos)
                return damagedDirectories("a name containing \"/\" or a NUL byte");
            std::string path = current.prefix;
            path += name;
            at += nameLength;
            if (isDirectory) {
                const std::uint32_t id = le16(names, at);
                at += 2;
                if (id < kFirstDirectoryId || id - kFirstDirectoryId >= directoryCount)
                    return damagedDirectories("a directory ID out of range");
                const std::uint32_t index = id - kFirstDirectoryId;
                if (visited[index])
                    return damagedDirectories("a directory that contains itself");
                if (!directoryPaths.insert(path).second)
                    return damagedDirectories("the directory name " + path + " given twice");
                visited[index] = true;
                pending.push_back({index, path + "/"});
            } else {
                if (fileId >= kFirstDirectoryId)
                    return damagedDirectories("a file ID out of range");
                const auto [at_, added] =
                    fs.m_files.emplace(std::move(path), static_cast<std::uint16_t>(fileId++));
                if (!added)
                    return damagedDirectories("the file name " + at_->first + " given twice");
            }
        }
    }
    return fs;
}

std::optional<std::uint16_t> NitroFs::fileId(std::string_view path) const
{
    const auto found = m_files.find(path);
    if (found == m_files.end())
        return std::nullopt;
    return found->second;
}

Result<FileExtent, RomFsError> NitroFs::extent(std::uint16_t fileId) const
{
    const std::size_t at = std::size_t{fileId} * 8;
    if (at + 8 > m_fat.size())
        return RomFsError{RomFsProblem::AllocationDamaged,
                          "the file allocation table has no entry for file " + std::to_string(fileId)};
    const FileExtent extent{le32(m_fat, at), le32(m_fat, at + 4)};
    if (extent.start > extent.end || extent.end > m_fileSize)
        return RomFsError{RomFsProblem::AllocationDamaged,
                          "the file allocation table places file " + std::to_string(fileId) +
                              " outside the file"};
    return extent;
}

std::optional<std::uint16_t> NitroFs::overlappingFile(std::uint16_t fileId) const
{
    const auto own = extent(fileId);
    if (!own || own->size() == 0)
        return std::nullopt;
    for (std::size_t at = 0; at + 8 <= m_fat.size(); at += 8) {
        const auto other = static_cast<std::uint16_t>(at / 8);
        const std::int64_t start = le32(m_fat, at), end = le32(m_fat, at + 4);
        if (other != fileId && start < end && start < own->end && own->start < end)
            return other;
    }
    return std::nullopt;
}

std::string NitroFs::describeFile(std::uint16_t fileId) const
{
    for (const auto& [path, id] : m_files) {
        if (id == fileId)
            return path;
    }
    // Overlays and other files without a name.
    return "file " + std::to_string(fileId);
}

Result<FileExtent, RomFsError> NitroFs::find(std::string_view path) const
{
    const auto id = fileId(path);
    if (!id)
        return RomFsError{RomFsProblem::FileMissing,
                          "the file table has no " + std::string(path)};
    auto found = extent(*id);
    if (!found) {
        auto error = found.error();
        error.detail += " (" + std::string(path) + ")";
        return error;
    }
    return found;
}

} // namespace quillmark::rom
