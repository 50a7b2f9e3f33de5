#pragma once

#include "platform/FileError.h"
#include "platform/Result.h"
#include "rom/ImageLayout.h"
#include "rom/NitroFs.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillmark::platform {
class OpenFile;
}

namespace quillmark::rom {

// Bytes at a place in the file.
struct ByteRun {
    std::int64_t at = 0;
    std::vector<std::uint8_t> bytes;
    bool operator==(const ByteRun&) const = default;
};

// Each run of bytes of `after` that differs from `before` (both as they lie from `at`),
// runs fewer than `join` equal bytes apart joined into one.
std::vector<ByteRun> differingRuns(std::int64_t at, std::span<const std::uint8_t> before,
                                   std::span<const std::uint8_t> after, std::size_t join = 8);
// The same runs, each written in one write.
Result<Done, platform::FileError> writeDifferingRuns(platform::OpenFile& file, std::int64_t at,
                                                     std::span<const std::uint8_t> before,
                                                     std::span<const std::uint8_t> after, std::size_t join = 8);

// An archive of the file system written anew: in place, or moved to `start` (after the
// used image) with the download-play block after it.
struct ArchiveRewrite {
    std::string name;                       // for messages: "the level-up archive"
    FileExtent was;                         // where it lies now
    std::span<const std::uint8_t> oldBytes;  // as it lies there
    std::int64_t allocationEntry = 0;       // where its file table entry lies
    std::int64_t start = 0;                 // where it goes
    std::span<const std::uint8_t> bytes;    // what it becomes
    std::span<const std::uint8_t> trailer;  // written after it: the download-play block
    std::optional<std::int64_t> usedSize;   // the header's new used size, if any
    std::span<const std::uint8_t> header;   // the header as read, through its CRC
    // A trimmed image grows first from `imageSize` to `fileSize`, the new bytes `fill`.
    std::int64_t imageSize = 0, fileSize = 0;
    std::uint8_t fill = 0xFF;
    bool moves() const { return start != was.start; }
    std::int64_t end() const { return start + static_cast<std::int64_t>(bytes.size()); }
};

// The rewrite of file `was` as `bytes`, where `layout` placed it; `fill` for the bytes a
// trimmed image grows by.
ArchiveRewrite placedRewrite(const ImageLayout& layout, const Placement& placement, std::string name,
                             const FileExtent& was, std::span<const std::uint8_t> oldBytes,
                             std::int64_t allocationEntry, std::span<const std::uint8_t> bytes, std::uint8_t fill);

struct ImageWriteError {
    enum Kind {
        WriteFailed,     // a write failed or did not hold (detail says what the file holds)
        ImageChanged,    // the image was no longer the size read when it was to grow
    } kind;
    platform::FileError fileError;
    std::string detail = {};
};

// Writes in the order that keeps a file cut at any step readable. In place: the NARC's
// size word 0, the runs that differ, the used size with the header's CRC, the file table's
// end word, the size word last (a cut leaves an archive every reader refuses as half
// written, never members shifted into one another). Moved: the archive and the block
// into the padding, the used size with the CRC (covering old and new), then the entry,
// each step read back before the next relies on it. The entry is written only while
// the file reaches the new end; when a step does not hold (another program cut or
// changed the file), the read-back after the entry included, the entry and the used
// size are put back as read, so the file table never names bytes past the end of the
// file.
Result<Done, ImageWriteError> rewriteArchive(platform::OpenFile& file, const ArchiveRewrite& rewrite);

} // namespace quillmark::rom
