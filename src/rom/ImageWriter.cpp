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
    auto readsAs = [&](std::int64_t at, std::span<const std::uint8_t> expected) {
        std::vector<std::uint8_t> now(expected.size());
        return file.read(at, now) && std::equal(now.begin(), now.end(), expected.begin());
    };
    std::vector<std::uint8_t> entry(8), oldEntry(8);
    putLe32(entry, 0, static_cast<std::uint32_t>(rewrite.start));
    putLe32(entry, 4, static_cast<std::uint32_t>(rewrite.end()));
    putLe32(oldEntry, 0, static_cast<std::uint32_t>(rewrite.was.start));
    putLe32(oldEntry, 4, static_cast<std::uint32_t>(rewrite.was.end));
    // A moved archive's entry is the whole of it; in place only its end word changes.
    const auto entryAt = rewrite.allocationEntry + (rewrite.moves() ? 0 : 4);
    const auto newEntry = std::span(entry).subspan(rewrite.moves() ? 0 : 4);
    const auto wasEntry = std::span(oldEntry).subspan(rewrite.moves() ? 0 : 4);
    const auto usedSizeAt = static_cast<std::int64_t>(kUsedSizeField);
    const auto usedSizeWas = rewrite.header.subspan(std::min(rewrite.header.size(), kUsedSizeField));

    // Another program may cut or rewrite the file between any two writes (a trimmer
    // cuts it back to its used size). Each step that the next one relies on is read
    // back first; on a step that did not hold, the file table's entry and the header's
    // used size are put back as they were read, so that the table never names bytes
    // past the end of the file, and the error says what the file holds now.
    bool headerWritten = false, entryWritten = false;
    auto stopped = [&](ImageWriteError error) -> ImageWriteError {
        const bool entryBack = !entryWritten || (file.write(entryAt, wasEntry) && readsAs(entryAt, wasEntry));
        const bool headerBack = !headerWritten || (file.write(usedSizeAt, usedSizeWas) && readsAs(usedSizeAt, usedSizeWas));
        error.detail += error.detail.empty() ? "" : "; ";
        if (!entryBack || !headerBack)
            error.detail += rewrite.name + " may no longer read";
        else if (rewrite.moves())
            error.detail += "its file table entry names the old place, at " + std::to_string(rewrite.was.start) +
                            ", so it is as it was";
        else
            error.detail += "its file table entry gives the old size, which the archive no longer matches, so readers "
                            "refuse it as half written";
        return error;
    };
    auto holds = [&](std::int64_t at, std::span<const std::uint8_t> expected,
                     const std::string& what) -> Result<Done, ImageWriteError> {
        if (readsAs(at, expected))
            return Done{};
        return stopped({ImageWriteError::WriteFailed, platform::FileError::DeviceIoError,
                        what + " is not in the file as written: another program cut or changed the file meanwhile"});
    };
    auto written = [&](Result<Done, ImageWriteError> done) -> Result<Done, ImageWriteError> {
        if (done)
            return done;
        return stopped(done.error());
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
        headerWritten = true;
        if (auto done = written(write(usedSizeAt, std::span(after.bytes).subspan(kUsedSizeField))); !done)
            return done;
        CartridgeHeader readBack{std::vector<std::uint8_t>(kHeaderEnd)};
        if (auto got = file.read(0, readBack.bytes); !got || !readBack.crcMatches() ||
                                                    readBack.usedSize() != *rewrite.usedSize)
            return stopped(failed(got ? platform::FileError::DeviceIoError : got.error()));
        return Done{};
    };

    // The entry is the one write that makes the new bytes count: the file must reach
    // their end just before it is written, and still just after.
    const auto reachedEnd = rewrite.end() + static_cast<std::int64_t>(rewrite.moves() ? rewrite.trailer.size() : 0);
    auto writeEntry = [&]() -> Result<Done, ImageWriteError> {
        auto reaches = [&]() -> Result<Done, ImageWriteError> {
            std::uint8_t last[1];
            if (file.read(reachedEnd - 1, last))
                return Done{};
            return stopped({ImageWriteError::WriteFailed, platform::FileError::DeviceIoError,
                            "the file no longer reaches the end of " + rewrite.name + " (byte " +
                                std::to_string(reachedEnd) + "): another program cut it meanwhile"});
        };
        if (auto done = reaches(); !done)
            return done;
        entryWritten = true;
        if (auto done = written(write(entryAt, newEntry)); !done)
            return done;
        return reaches();
    };

    const auto& old = rewrite.oldBytes;
    const auto& now = rewrite.bytes;
    const auto movedName = "the moved " + rewrite.name.substr(rewrite.name.find(' ') + 1);
    if (rewrite.moves()) {
        // Nothing points at the new place until the file table's entry does: the
        // archive, the block after it, the header, then the entry.
        if (auto done = write(rewrite.start, now); !done)
            return done;
        if (auto done = write(rewrite.end(), rewrite.trailer); !done)
            return done;
        if (auto done = holds(rewrite.start, now, movedName); !done)
            return done;
        if (auto done = holds(rewrite.end(), rewrite.trailer, "the download-play block"); !done)
            return done;
        if (auto done = writeUsedSize(); !done)
            return done;
        if (auto done = holds(rewrite.start, now, movedName); !done)
            return done;
        if (auto done = holds(rewrite.end(), rewrite.trailer, "the download-play block"); !done)
            return done;
        if (auto done = writeEntry(); !done)
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
        if (now.size() != old.size()) {
            if (auto done = writeEntry(); !done)
                return done;
        }
        if (rewritten) {
            if (auto done = written(write(at + static_cast<std::int64_t>(kNarcSizeWord), now.subspan(kNarcSizeWord, 4)));
                !done)
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
