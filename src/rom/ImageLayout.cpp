#include "rom/ImageLayout.h"

#include "platform/FileServices.h"
#include "platform/Quantity.h"
#include "rom/CartridgeHeader.h"

#include <algorithm>

namespace quillmark::rom {

Result<ImageLayout, platform::FileError> ImageLayout::read(platform::OpenFile& file, const NitroFs& fs)
{
    ImageLayout layout;
    CartridgeHeader header{std::vector<std::uint8_t>(kHeaderEnd)};
    if (auto got = file.read(0, header.bytes); !got)
        return got.error();
    layout.m_usedSize = header.usedSize();
    // A capacity below the used size is no capacity this image can be held to.
    layout.m_capacity = header.capacity();
    if (layout.m_capacity && *layout.m_capacity < layout.m_usedSize)
        layout.m_capacity.reset();
    layout.m_header = std::move(header.bytes);
    layout.m_claims = imageClaims(fs, layout.m_header);
    layout.m_imageEnd = std::max(layout.m_usedSize, claimsEnd(layout.m_claims));
    layout.m_imageSize = file.size();
    // The block lies at the used size only where the used size ends what the tables hold.
    if (layout.m_usedSize >= claimsEnd(layout.m_claims) &&
        layout.m_usedSize + kDownloadPlayBlockSize <= layout.m_imageSize) {
        std::vector<std::uint8_t> block(static_cast<std::size_t>(kDownloadPlayBlockSize));
        if (auto got = file.read(layout.m_usedSize, block); got && isDownloadPlayBlock(block))
            layout.m_downloadPlay = std::move(block);
    }
    layout.m_allocationTable = fs.allocationTable();
    layout.m_allocationTableOffset = fs.allocationTableOffset();
    return layout;
}

int ImageLayout::capacityByte() const { return m_header[kCapacityField]; }

namespace {

// Up to the first thing that reaches past the file: the next file, or one of the
// header's regions (one that starts inside the file leaves it no room at all).
std::int64_t nextClaim(const std::vector<Claim>& claims, std::int64_t imageSize, const FileExtent& extent)
{
    std::int64_t end = imageSize;
    for (const auto& claim : claims) {
        if (claim.extent.end > extent.end)
            end = std::min(end, std::max(claim.extent.start, extent.end));
    }
    return end;
}

} // namespace

std::int64_t ImageLayout::roomEnd(const FileExtent& extent) const
{
    auto end = nextClaim(m_claims, m_imageSize, extent);
    // A used size at or below the end of a file that nothing follows (a tool, or a write
    // cut before the header took a moved file's end, left it there) leaves it no room:
    // what lies after it is past the used image, and a trimmer would cut it off.
    if (m_usedSize >= extent.end)
        end = std::min(end, m_usedSize);
    else if (m_usedSize && end >= m_imageSize)
        end = extent.end;
    return end;
}

bool ImageLayout::isLast(const FileExtent& extent) const
{
    return nextClaim(m_claims, m_imageSize, extent) >= m_imageSize;
}

std::int64_t ImageLayout::growthStart(const FileExtent& extent) const
{
    // The block lies right after a last file: the file moves past it rather than over
    // it, so that a cut write leaves the block where the used size says.
    if (isLast(extent) && m_downloadPlay.empty())
        return extent.start;
    const auto block = static_cast<std::int64_t>(m_downloadPlay.size());
    return alignedUp(std::max(m_imageEnd, m_usedSize + block), kFileAlignment);
}

std::int64_t ImageLayout::growthRoom(const FileExtent& extent) const
{
    if (!m_capacity)
        return freeAfter(extent);
    const auto block = static_cast<std::int64_t>(m_downloadPlay.size());
    return std::max(freeAfter(extent), *m_capacity - growthStart(extent) - extent.size() - block);
}

Result<Placement, NoRoom> ImageLayout::place(const FileExtent& was, std::uint16_t fileId, std::int64_t size) const
{
    Placement placement;
    placement.start = was.start;
    placement.size = size;
    // Its bytes, and the block after a moved one, must be nobody else's.
    const auto owned = [&](const Placement& planned) -> Result<Placement, NoRoom> {
        const FileExtent target{planned.start, planned.paddingTo()};
        if (const auto* other = claimWithin(m_claims, target, fileId)) {
            NoRoom refused;
            refused.why = NoRoom::Claimed;
            refused.target = target;
            refused.claim = *other;
            return refused;
        }
        return planned;
    };
    const auto room = roomEnd(was) - was.start;
    if (size <= room) {
        // A used size below the file's end (a tool, or a write cut before the header
        // took the file's new end) is mended: the used image covers every file.
        if (m_usedSize < m_imageEnd) {
            placement.usedSize = std::max(m_imageEnd, placement.end());
            placement.paddingFrom = placement.paddingTo();
        }
        return owned(placement);
    }

    // Past its room: it goes where the used image ends, and may grow there up to the
    // device's capacity.
    placement.start = growthStart(was);
    placement.moves = placement.start != was.start;
    placement.usedSize = placement.end();
    if (placement.moves) {
        placement.trailer = m_downloadPlay;
        placement.paddingFrom = std::max(m_imageEnd, m_usedSize + static_cast<std::int64_t>(m_downloadPlay.size()));
    } else {
        placement.paddingFrom = std::max(m_usedSize, was.end);
    }
    if (m_capacity && placement.paddingTo() <= *m_capacity) {
        if (placement.paddingTo() > m_imageSize)
            placement.fileSize = std::min(alignedUp(placement.paddingTo(), kFileAlignment), *m_capacity);
        return owned(placement);
    }
    NoRoom refused;
    refused.why = NoRoom::NoCapacity;
    refused.needed = size;
    refused.room = room;
    refused.size = was.size();
    refused.start = placement.start;
    refused.usedSize = m_usedSize;
    refused.capacityByte = capacityByte();
    if (m_capacity) {
        refused.capacity = *m_capacity;
        refused.over = placement.paddingTo() - *m_capacity;
        refused.why = placement.moves && placement.start >= *m_capacity ? NoRoom::UsedImageAtCapacity
                                                                         : NoRoom::PastCapacity;
    }
    return refused;
}

bool ImageLayout::stillHolds(platform::OpenFile& file) const
{
    auto same = [&](std::int64_t at, const std::vector<std::uint8_t>& expected) {
        std::vector<std::uint8_t> now(expected.size());
        return file.read(at, now) && now == expected;
    };
    return file.size() == m_imageSize && same(0, m_header) && same(m_allocationTableOffset, m_allocationTable) &&
           (m_downloadPlay.empty() || same(m_usedSize, m_downloadPlay));
}

Result<std::uint8_t, NotPadding> ImageLayout::paddingFor(platform::OpenFile& file, const Placement& placement) const
{
    const auto to = std::min(placement.paddingTo(), file.size());
    if (!placement.usedSize || placement.paddingFrom >= to)
        return std::uint8_t{0xFF};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(to - placement.paddingFrom));
    if (auto got = file.read(placement.paddingFrom, bytes); !got)
        return NotPadding{placement.paddingFrom, 0, got.error()};
    if (const auto padding = paddingByte(bytes))
        return *padding;
    const auto front = bytes.front();
    const auto bad = front == 0xFF || front == 0x00
                         ? std::find_if(bytes.begin(), bytes.end(), [front](std::uint8_t b) { return b != front; })
                         : bytes.begin();
    return NotPadding{placement.paddingFrom + (bad - bytes.begin()), *bad};
}

std::string noRoomText(const NoRoom& noRoom, const std::string& name,
                       const std::function<std::string(std::int64_t bytes)>& unitsShort)
{
    using platform::quantity;
    if (noRoom.why == NoRoom::Claimed)
        return name + " would take bytes " + std::to_string(noRoom.target.start) + " to " +
               std::to_string(noRoom.target.end) + ", and " + noRoom.claim.owner + " lies at " +
               std::to_string(noRoom.claim.extent.start) + " to " + std::to_string(noRoom.claim.extent.end);
    const std::string detail = name + " would need " + quantity(noRoom.needed, "byte") + "; where it lies it has " +
                               std::to_string(noRoom.room) + " (" + std::to_string(noRoom.room - noRoom.size) +
                               " free after its " + std::to_string(noRoom.size) + "), " +
                               quantity(noRoom.shortBy(), "byte") + " too few";
    switch (noRoom.why) {
    case NoRoom::Claimed: break;
    case NoRoom::NoCapacity:
        return detail + ", and the header names no capacity that holds the image (capacity byte " +
               std::to_string(noRoom.capacityByte) + ", used size " + std::to_string(noRoom.usedSize) +
               "), so it cannot move after the used image";
    case NoRoom::UsedImageAtCapacity:
        return detail + " (" + unitsShort(noRoom.shortBy()) + "), and the used image already ends at the cartridge's "
               "capacity of " + quantity(noRoom.capacity, "byte") + ", so it cannot move after it";
    case NoRoom::PastCapacity:
        return detail + "; after the used image, from " + std::to_string(noRoom.start) + ", the cartridge's capacity of " +
               quantity(noRoom.capacity, "byte") + " leaves " +
               quantity(std::max<std::int64_t>(0, noRoom.capacity - noRoom.start), "byte") + ", " +
               quantity(noRoom.over, "byte") + " too few (" + unitsShort(noRoom.over) + ")";
    }
    return detail;
}

std::string notPaddingText(const NotPadding& notPadding, const Placement& placement, const std::string& name)
{
    return name + " would go to " + std::to_string(placement.start) +
           ", after the used image, but the bytes there are not padding (byte " + std::to_string(notPadding.at) +
           " holds " + std::to_string(notPadding.holds) + "): something another tool put there would be overwritten";
}

} // namespace quillmark::rom
