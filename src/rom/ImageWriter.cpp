#include "rom/ImageWriter.h"

#include "platform/FileServices.h"
#include "rom/CartridgeHeader.h"
#include "rom/LittleEndian.h"
#include "rom/Narc.h"

#include <algorithm>
#include <vector>

namespace quillmark::rom {

Result<Done, platform::FileError> writeDifferingRuns(platform::OpenFile& file, std::int64_t at,
                                                     std::span<const std::uint8_t> before,
                                                     std::span<const std::uint8_t> after, std::size_t join)
{
    // A longer `after` differs in every byte past `before`.
    auto differs = [&](std::size_t i) { return i >= before.size() || after[i] != before[i]; };
    for (std::size_t i = 0; i < after.size();) {
        if (!differs(i)) {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        for (std::size_t j = end, equal = 0; j < after.size() && equal < join; ++j) {
            if (differs(j)) {
                end = j + 1;
                equal = 0;
            } else {
                ++equal;
            }
        }
        if (auto written = file.write(at + static_cast<std::int64_t>(i), after.subspan(i, end - i)); !written)
            return written.error();
        i = end;
    }
    return Done{};
}

Result<Done, ImageWriteError> rewriteArchive(platform::OpenFile& file, const ArchiveRewrite& rewrite)
{
    auto failed = [](platform::FileError error) { return ImageWriteError{ImageWriteError::WriteFailed, error}; };
    auto write = [&](std::int64_t at, std::span<const std::uint8_t> bytes) -> Result<Done, ImageWriteError> {
        if (bytes.empty())
            return Done{};
        if (auto written = file.write(at, bytes); !written)
            return failed(written.error());
        return Done{};
    };
    std::vector<std::uint8_t> entry(8);
    putLe32(entry, 0, static_cast<std::uint32_t>(rewrite.start));
    putLe32(entry, 4, static_cast<std::uint32_t>(rewrite.end()));
    // Another program may cut or rewrite the file between any two writes: each step
    // that the next one relies on is read back first, and a write that did not hold is
    // reported as not done, naming what the file holds now.
    bool entryWritten = false;
    auto holds = [&](std::int64_t at, std::span<const std::uint8_t> expected,
                     const std::string& what) -> Result<Done, ImageWriteError> {
        std::vector<std::uint8_t> now(expected.size());
        if (auto got = file.read(at, now); got && std::equal(now.begin(), now.end(), expected.begin()))
            return Done{};
        return ImageWriteError{ImageWriteError::WriteFailed, platform::FileError::DeviceIoError,
                               what + " is not in the file as written: another program cut or changed the file "
                                      "meanwhile; " +
                                   (entryWritten ? rewrite.name + " may no longer read"
                                                 : "its file table entry still names the old place, at " +
                                                       std::to_string(rewrite.was.start) + ", so it is as it was")};
    };

    // A trimmed image grows first, into bytes that nothing references.
    if (rewrite.fileSize > file.size()) {
        if (auto grown = file.extend(rewrite.imageSize, rewrite.fileSize, rewrite.fill); !grown)
            return ImageWriteError{grown.error() == platform::FileError::WritePastEndOfFile ? ImageWriteError::ImageChanged
                                                                                            : ImageWriteError::WriteFailed,
                                   grown.error()};
    }

    // The used size and the CRC that covers it, in one write: the header is never left
    // with one and not the other. It goes before the file table's entry: at every step
    // the used image covers the archive the entry names.
    auto writeUsedSize = [&]() -> Result<Done, ImageWriteError> {
        if (!rewrite.usedSize)
            return Done{};
        const CartridgeHeader before{std::vector<std::uint8_t>(rewrite.header.begin(), rewrite.header.end())};
        const auto after = before.withUsedSize(*rewrite.usedSize);
        if (auto done = write(static_cast<std::int64_t>(kUsedSizeField), std::span(after.bytes).subspan(kUsedSizeField));
            !done)
            return done;
        CartridgeHeader readBack{std::vector<std::uint8_t>(kHeaderEnd)};
        if (auto got = file.read(0, readBack.bytes); !got || !readBack.crcMatches() ||
                                                    readBack.usedSize() != *rewrite.usedSize)
            return failed(got ? platform::FileError::DeviceIoError : got.error());
        return Done{};
    };

    const auto& old = rewrite.oldBytes;
    const auto& now = rewrite.bytes;
    if (rewrite.moves()) {
        // Nothing points at the new place until the file table's entry does: the
        // archive, the block after it, the header, then the entry.
        if (auto done = write(rewrite.start, now); !done)
            return done;
        if (auto done = write(rewrite.end(), rewrite.trailer); !done)
            return done;
        if (auto done = holds(rewrite.start, now, "the moved " + rewrite.name.substr(rewrite.name.find(' ') + 1)); !done)
            return done;
        if (auto done = holds(rewrite.end(), rewrite.trailer, "the download-play block"); !done)
            return done;
        if (auto done = writeUsedSize(); !done)
            return done;
        if (auto done = holds(rewrite.start, now, "the moved " + rewrite.name.substr(rewrite.name.find(' ') + 1)); !done)
            return done;
        entryWritten = true;
        if (auto done = write(rewrite.allocationEntry, entry); !done)
            return done;
    } else {
        // In place: the runs that differ from what lay there (a longer archive also the
        // bytes past its old end), after the size word, which goes 0 first and last takes
        // its value. What lies before it (the magic, the byte order mark) never changes.
        const bool rewritten = !std::equal(now.begin(), now.end(), old.begin(), old.end());
        const auto at = rewrite.was.start;
        if (rewritten) {
            const std::uint8_t halfWritten[4] = {0, 0, 0, 0};
            if (auto done = write(at + static_cast<std::int64_t>(kNarcSizeWord), halfWritten); !done)
                return done;
        }
        constexpr std::size_t kAfterSizeWord = kNarcSizeWord + 4;
        constexpr std::size_t kJoin = 16;
        if (now.size() > kAfterSizeWord) {
            if (auto done = writeDifferingRuns(file, at + static_cast<std::int64_t>(kAfterSizeWord),
                                               old.size() > kAfterSizeWord ? old.subspan(kAfterSizeWord)
                                                                           : std::span<const std::uint8_t>{},
                                               now.subspan(kAfterSizeWord), kJoin);
                !done)
                return failed(done.error());
        }
        if (auto done = writeUsedSize(); !done)
            return done;
        entryWritten = true;
        if (now.size() != old.size()) {
            if (auto done = write(rewrite.allocationEntry + 4, std::span(entry).subspan(4)); !done)
                return done;
        }
        if (rewritten) {
            if (auto done = write(at + static_cast<std::int64_t>(kNarcSizeWord), now.subspan(kNarcSizeWord, 4)); !done)
                return done;
        }
    }
    if (rewrite.usedSize || now.size() != old.size() || rewrite.moves()) {
        // The whole of it where the file table now says, or the write is not done.
        if (auto done = holds(rewrite.start, now, rewrite.name); !done)
            return done;
        if (auto done = holds(rewrite.allocationEntry, entry, rewrite.name + "'s file table entry"); !done)
            return done;
    }
    return Done{};
}

} // namespace quillmark::rom
