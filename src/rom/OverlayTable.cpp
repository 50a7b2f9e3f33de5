#include "rom/OverlayTable.h"

#include "platform/FileServices.h"
#include "rom/BackwardLz.h"
#include "rom/LittleEndian.h"

#include <array>
#include <set>

namespace quillmark::rom {

namespace {

RomFsError damaged(const std::string& detail)
{
    return RomFsError{RomFsProblem::AllocationDamaged, detail};
}

} // namespace

Result<std::vector<OverlayEntry>, RomFsError> readOverlayTable(platform::OpenFile& file, const NitroFs& fs)
{
    std::array<std::uint8_t, 8> words{};
    if (auto got = file.read(kOverlayTableField, words); !got)
        return RomFsError{RomFsProblem::ReadFailed, "the header could not be read", got.error()};
    const std::int64_t offset = le32(words, 0), size = le32(words, 4);
    if (size == 0)
        return std::vector<OverlayEntry>{};
    if (size % kOverlayEntrySize != 0 || size > 0x10000 || offset < 0x200 || offset + size > file.size())
        return damaged("the overlay table (header 0x50) lies outside the file or is no whole number of entries");
    std::vector<std::uint8_t> table(static_cast<std::size_t>(size));
    if (auto got = file.read(offset, table); !got)
        return RomFsError{RomFsProblem::ReadFailed, "the overlay table could not be read", got.error()};
    std::vector<OverlayEntry> entries;
    std::set<std::uint32_t> ids;
    for (std::size_t at = 0; at < table.size(); at += kOverlayEntrySize) {
        OverlayEntry entry;
        entry.id = le32(table, at);
        entry.ramAddress = le32(table, at + 4);
        entry.ramSize = le32(table, at + 8);
        const auto fileId = le32(table, at + 24);
        const auto last = le32(table, at + 28);
        entry.storedSize = last & 0xFFFFFF;
        entry.flags = static_cast<std::uint8_t>(last >> 24);
        entry.entryOffset = offset + static_cast<std::int64_t>(at);
        if (fileId > 0xEFFF || !fs.extent(static_cast<std::uint16_t>(fileId)))
            return damaged("overlay " + std::to_string(entry.id) + " names file " + std::to_string(fileId) +
                           ", which the file table does not hold");
        entry.fileId = static_cast<std::uint16_t>(fileId);
        if (!ids.insert(entry.id).second)
            return damaged("the overlay table lists overlay " + std::to_string(entry.id) + " twice");
        entries.push_back(entry);
    }
    return entries;
}

std::string Overlay::readOnlyReason() const
{
    const auto name = "overlay " + std::to_string(entry.id);
    if (sharedWith)
        return name + " shares bytes with " + *sharedWith + " in the file allocation table, so a write into it "
                      "would land in both";
    if (entry.compressed())
        return name + " is stored compressed, and this program writes only into an overlay stored as it loads";
    return {};
}

Result<Overlay, RomFsError> readOverlay(platform::OpenFile& file, const NitroFs& fs, std::uint32_t id,
                                        const std::vector<OverlayEntry>* given)
{
    auto entries = given ? Result<std::vector<OverlayEntry>, RomFsError>(*given) : readOverlayTable(file, fs);
    if (!entries)
        return entries.error();
    for (const auto& entry : *entries) {
        if (entry.id != id)
            continue;
        Overlay overlay;
        overlay.entry = entry;
        overlay.extent = *fs.extent(entry.fileId);
        if (const auto other = fs.overlappingFile(entry.fileId))
            overlay.sharedWith = fs.describeFile(*other);
        std::vector<std::uint8_t> stored(static_cast<std::size_t>(overlay.extent.size()));
        if (auto got = file.read(overlay.extent.start, stored); !got)
            return RomFsError{RomFsProblem::ReadFailed, "overlay " + std::to_string(id) + " could not be read", got.error()};
        if (!entry.compressed()) {
            overlay.image = std::move(stored);
            return overlay;
        }
        std::string why;
        auto image = decompressBackward(stored, &why);
        if (!image)
            return damaged("overlay " + std::to_string(id) + " is flagged compressed, but " + why);
        if (image->size() != entry.ramSize)
            return damaged("overlay " + std::to_string(id) + " decompresses to " + std::to_string(image->size()) +
                           " bytes, and the overlay table says " + std::to_string(entry.ramSize));
        overlay.image = std::move(*image);
        return overlay;
    }
    return RomFsError{RomFsProblem::FileMissing, "the overlay table has no overlay " + std::to_string(id)};
}

} // namespace quillmark::rom
