#pragma once

#include "platform/FileError.h"
#include "platform/Result.h"
#include "rom/ImageClaims.h"
#include "rom/NitroFs.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillmark::platform {
class OpenFile;
}

namespace quillmark::rom {

// Where a file of the image goes when it is written anew.
struct Placement {
    std::int64_t start = 0;
    std::int64_t size = 0;
    bool moves = false;  // to `start`, from where it lay; the old bytes stay, unreferenced
    // The header's new used size, when the file ends the used image anew.
    std::optional<std::int64_t> usedSize;
    // A trimmed image grows to this size, as far as the file needs (aligned); 0: as is.
    std::int64_t fileSize = 0;
    // The download-play block, written again at the new used size (the file's end).
    std::vector<std::uint8_t> trailer;
    // The bytes from here to paddingTo() (within the image) must be padding.
    std::int64_t paddingFrom = 0;

    std::int64_t end() const { return start + size; }
    std::int64_t paddingTo() const { return end() + static_cast<std::int64_t>(trailer.size()); }
};

// Why a file does not fit, with the numbers to say so.
struct NoRoom {
    enum Why {
        Claimed,              // its bytes would lie over another file or a header region
        NoCapacity,           // the header names no capacity that holds the image
        UsedImageAtCapacity,  // the used image already ends at the capacity
        PastCapacity,         // after the used image, the capacity leaves too little
    } why = NoCapacity;
    std::int64_t needed = 0;     // the file's new size
    std::int64_t room = 0;       // where it lies: up to what follows it
    std::int64_t size = 0;       // its size now
    std::int64_t start = 0;      // where it would go
    std::int64_t capacity = 0;
    std::int64_t usedSize = 0;
    int capacityByte = 0;
    std::int64_t over = 0;       // past the capacity
    FileExtent target;           // Claimed: what it would take, and whose it is
    Claim claim;

    std::int64_t shortBy() const { return needed - room; }
};

// The image's bytes after the used image are not padding where a file would go.
struct NotPadding {
    std::int64_t at = 0;
    std::uint8_t holds = 0;
    std::optional<platform::FileError> readError = std::nullopt;  // they could not be read
};

// The image as its own tables lay it out: the header's words through its CRC, the file
// allocation table, what every table gives bytes to, the used size, the capacity and the
// download-play block. Read once per open; it answers where a file of N bytes can go
// and, before a write, whether the image is still laid out so.
class ImageLayout {
public:
    static Result<ImageLayout, platform::FileError> read(platform::OpenFile& file, const NitroFs& fs);

    std::int64_t imageSize() const { return m_imageSize; }
    std::int64_t usedSize() const { return m_usedSize; }
    // Nothing for a capacity byte no cartridge has, or one below the used size.
    std::optional<std::int64_t> capacity() const { return m_capacity; }
    int capacityByte() const;
    const std::vector<std::uint8_t>& headerWords() const { return m_header; }

    // The first byte past `extent` that something else holds: the next file, one of the
    // header's regions, or the end of the used image.
    std::int64_t roomEnd(const FileExtent& extent) const;
    std::int64_t freeAfter(const FileExtent& extent) const { return roomEnd(extent) - extent.end; }
    // Nothing follows the file, the used size aside, up to the end of the image.
    bool isLast(const FileExtent& extent) const;
    // Where a file that outgrows its room goes: its own start when it lies last, else
    // the first 512-byte boundary after everything the tables hold and the used size (and
    // a download-play block there).
    std::int64_t growthStart(const FileExtent& extent) const;
    // What it may grow by at all: where it lies, or where it goes, up to the capacity.
    std::int64_t growthRoom(const FileExtent& extent) const;

    // Where file `fileId`, lying at `was`, goes as `size` bytes: in place (mending a used
    // size below the tables' end), last and grown, or moved after the used image; or
    // why it cannot go anywhere.
    Result<Placement, NoRoom> place(const FileExtent& was, std::uint16_t fileId, std::int64_t size) const;

    // Under the writers' lock: the image still of the size read, its header, file table
    // and download-play block as read. Another program that moved a file or a header
    // region moved the room.
    bool stillHolds(platform::OpenFile& file) const;
    // The bytes a growing or moved file takes after the used image must be padding
    // (all 0xFF or all 0x00): the padding byte, to fill a trimmed image's new bytes with.
    Result<std::uint8_t, NotPadding> paddingFor(platform::OpenFile& file, const Placement& placement) const;

private:
    std::vector<std::uint8_t> m_header;  // through its CRC
    std::vector<std::uint8_t> m_allocationTable;
    std::int64_t m_allocationTableOffset = 0;
    std::int64_t m_imageSize = 0;
    std::int64_t m_usedSize = 0;
    std::optional<std::int64_t> m_capacity;
    std::vector<Claim> m_claims;
    std::int64_t m_imageEnd = 0;  // the last claim's end or the used size, whichever is further
    std::vector<std::uint8_t> m_downloadPlay;
};

// "the level-up archive would need 19172 bytes; where it lies it has ..." and the rest,
// in the user's words; `unitsShort` names a shortage in the file's own units ("about 2
// moves"), or nothing.
std::string noRoomText(const NoRoom& noRoom, const std::string& name,
                       const std::function<std::string(std::int64_t bytes)>& unitsShort);
std::string notPaddingText(const NotPadding& notPadding, const Placement& placement, const std::string& name);

} // namespace quillmark::rom
