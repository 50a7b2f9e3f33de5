#include "rom/ImageWriter.h"

#include "platform/FileServices.h"
#include "rom/CartridgeHeader.h"
#include "rom/LittleEndian.h"
#include "rom/Narc.h"

#include <algorithm>
#include <vector>

namespace quillmark::rom {

std::vector<ByteRun> differingRuns(std::int64_t at, std::span<const std::uint8_t> before,
                                   std::span<const std::uint8_t> after, std::size_t join)
{
    std::vector<ByteRun> runs;
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
        runs.push_back({at + static_cast<std::int64_t>(i),
                        std::vector<std::uint8_t>(after.begin() + static_cast<std::ptrdiff_t>(i),
                                                  after.begin() + static_cast<std::ptrdiff_t>(end))});
        i = end;
    }
    return runs;
}

Result<Done, platform::FileError> writeDifferingRuns(platform::OpenFile& file, std::int64_t at,
                                                     std::span<const std::uint8_t> before,
                                                     std::span<const std::uint8_t> after, std::size_t join)
{
    for (const auto& run : differingRuns(at, before, after, join)) {
        if (auto written = file.write(run.at, run.bytes); !written)
            return written.error();
    }
    return Done{};
}

namespace {

using Step = Result<Done, ImageWriteError>;

ImageWriteError failed(platform::FileError error) { return ImageWriteError{ImageWriteError::WriteFailed, error}; }

// One rewrite under way: what it writes, and which of the two words that make new
// bytes count (the header's used size, the file table's entry) it has written so far.
// Another program may cut or rewrite the file between any two writes (a trimmer cuts
// it back to its used size). Each step that the next one relies on is read back
// first; on a step that did not hold, the entry and the used size are put back as
// they were read, so that the table never names bytes past the end of the file, and
// the error says what the file holds now.
struct Steps {
    platform::OpenFile& file;
    const ArchiveRewrite& rewrite;
    std::vector<std::uint8_t> entry = std::vector<std::uint8_t>(8), oldEntry = std::vector<std::uint8_t>(8);
    bool headerWritten = false, entryWritten = false;

    Steps(platform::OpenFile& f, const ArchiveRewrite& r) : file(f), rewrite(r)
    {
        putLe32(entry, 0, static_cast<std::uint32_t>(r.start));
        putLe32(entry, 4, static_cast<std::uint32_t>(r.end()));
        putLe32(oldEntry, 0, static_cast<std::uint32_t>(r.was.start));
        putLe32(oldEntry, 4, static_cast<std::uint32_t>(r.was.end));
    }
    // A moved archive's entry is the whole of it; in place only its end word changes.
    std::int64_t entryAt() const { return rewrite.allocationEntry + (rewrite.moves() ? 0 : 4); }
    std::span<const std::uint8_t> newEntry() const { return std::span(entry).subspan(rewrite.moves() ? 0 : 4); }
    std::span<const std::uint8_t> wasEntry() const { return std::span(oldEntry).subspan(rewrite.moves() ? 0 : 4); }
    std::span<const std::uint8_t> usedSizeWas() const
    {
        return rewrite.header.subspan(std::min(rewrite.header.size(), kUsedSizeField));
    }
};

constexpr auto kUsedSizeAt = static_cast<std::int64_t>(kUsedSizeField);

Step write(Steps& steps, std::int64_t at, std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return Done{};
    if (auto written = steps.file.write(at, bytes); !written)
        return failed(written.error());
    return Done{};
}

bool readsAs(Steps& steps, std::int64_t at, std::span<const std::uint8_t> expected)
{
    std::vector<std::uint8_t> now(expected.size());
    return steps.file.read(at, now) && std::equal(now.begin(), now.end(), expected.begin());
}

// The words put back, and what the file then holds said.
ImageWriteError stopped(Steps& steps, ImageWriteError error)
{
    auto putBack = [&](bool wrote, std::int64_t at, std::span<const std::uint8_t> bytes) {
        return !wrote || (steps.file.write(at, bytes) && readsAs(steps, at, bytes));
    };
    const bool entryBack = putBack(steps.entryWritten, steps.entryAt(), steps.wasEntry());
    const bool headerBack = putBack(steps.headerWritten, kUsedSizeAt, steps.usedSizeWas());
    const auto& rewrite = steps.rewrite;
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
}

Step holds(Steps& steps, std::int64_t at, std::span<const std::uint8_t> expected, const std::string& what)
{
    if (readsAs(steps, at, expected))
        return Done{};
    return stopped(steps, {ImageWriteError::WriteFailed, platform::FileError::DeviceIoError,
                           what + " is not in the file as written: another program cut or changed the file meanwhile"});
}

Step written(Steps& steps, Step done)
{
    if (done)
        return done;
    return stopped(steps, done.error());
}

// The used size and the CRC that covers it, in one write: the header is never left
// with one and not the other. It goes before the file table's entry: at every step the
// used image covers the archive the entry names.
Step writeUsedSize(Steps& steps)
{
    const auto& rewrite = steps.rewrite;
    if (!rewrite.usedSize)
        return Done{};
    const CartridgeHeader before{std::vector<std::uint8_t>(rewrite.header.begin(), rewrite.header.end())};
    const auto after = before.withUsedSize(*rewrite.usedSize);
    steps.headerWritten = true;
    if (auto done = written(steps, write(steps, kUsedSizeAt, std::span(after.bytes).subspan(kUsedSizeField))); !done)
        return done;
    CartridgeHeader readBack{std::vector<std::uint8_t>(kHeaderEnd)};
    if (auto got = steps.file.read(0, readBack.bytes);
        !got || !readBack.crcMatches() || readBack.usedSize() != *rewrite.usedSize)
        return stopped(steps, failed(got ? platform::FileError::DeviceIoError : got.error()));
    return Done{};
}

// The entry is the one write that makes the new bytes count: it is written only while
// the file still reaches their end. A cut that comes after it is found by the read-back
// that ends every rewrite, which puts the entry back.
Step writeEntry(Steps& steps)
{
    const auto& rewrite = steps.rewrite;
    const auto reachedEnd = rewrite.end() + static_cast<std::int64_t>(rewrite.moves() ? rewrite.trailer.size() : 0);
    std::uint8_t last[1];
    if (!steps.file.read(reachedEnd - 1, last))
        return stopped(steps, {ImageWriteError::WriteFailed, platform::FileError::DeviceIoError,
                               "the file no longer reaches the end of " + rewrite.name + " (byte " +
                                   std::to_string(reachedEnd) + "): another program cut it meanwhile"});
    steps.entryWritten = true;
    return written(steps, write(steps, steps.entryAt(), steps.newEntry()));
}

// Nothing points at the new place until the file table's entry does: the archive, the
// block after it, the header, then the entry.
Step rewriteMoved(Steps& steps)
{
    const auto& rewrite = steps.rewrite;
    const auto movedName = "the moved " + rewrite.name.substr(rewrite.name.find(' ') + 1);
    if (auto done = write(steps, rewrite.start, rewrite.bytes); !done)
        return done;
    if (auto done = write(steps, rewrite.end(), rewrite.trailer); !done)
        return done;
    // Both as written, before the header and again before the entry rely on them.
    auto bothHold = [&]() -> Step {
        if (auto done = holds(steps, rewrite.start, rewrite.bytes, movedName); !done)
            return done;
        return holds(steps, rewrite.end(), rewrite.trailer, "the download-play block");
    };
    if (auto done = bothHold(); !done)
        return done;
    if (auto done = writeUsedSize(steps); !done)
        return done;
    if (auto done = bothHold(); !done)
        return done;
    return writeEntry(steps);
}

// In place: the runs that differ from what lay there (a longer archive also the bytes
// past its old end), after the size word, which goes 0 first and last takes its value.
// What lies before it (the magic, the byte order mark) never changes.
Step rewriteInPlace(Steps& steps)
{
    const auto& rewrite = steps.rewrite;
    const auto& old = rewrite.oldBytes;
    const auto& now = rewrite.bytes;
    const bool rewritten = !std::equal(now.begin(), now.end(), old.begin(), old.end());
    const auto sizeWord = rewrite.was.start + static_cast<std::int64_t>(kNarcSizeWord);
    if (rewritten) {
        const std::uint8_t halfWritten[4] = {0, 0, 0, 0};
        if (auto done = write(steps, sizeWord, halfWritten); !done)
            return done;
    }
    constexpr std::size_t kAfterSizeWord = kNarcSizeWord + 4;
    constexpr std::size_t kJoin = 16;
    if (now.size() > kAfterSizeWord) {
        if (auto done = writeDifferingRuns(steps.file, rewrite.was.start + static_cast<std::int64_t>(kAfterSizeWord),
                                           old.size() > kAfterSizeWord ? old.subspan(kAfterSizeWord)
                                                                       : std::span<const std::uint8_t>{},
                                           now.subspan(kAfterSizeWord), kJoin);
            !done)
            return failed(done.error());
    }
    if (auto done = writeUsedSize(steps); !done)
        return done;
    if (now.size() != old.size()) {
        if (auto done = writeEntry(steps); !done)
            return done;
    }
    if (rewritten)
        return written(steps, write(steps, sizeWord, now.subspan(kNarcSizeWord, 4)));
    return Done{};
}

} // namespace

ArchiveRewrite placedRewrite(const ImageLayout& layout, const Placement& placement, std::string name,
                             const FileExtent& was, std::span<const std::uint8_t> oldBytes,
                             std::int64_t allocationEntry, std::span<const std::uint8_t> bytes, std::uint8_t fill)
{
    ArchiveRewrite rewrite;
    rewrite.name = std::move(name);
    rewrite.was = was;
    rewrite.oldBytes = oldBytes;
    rewrite.allocationEntry = allocationEntry;
    rewrite.start = placement.start;
    rewrite.bytes = bytes;
    rewrite.trailer = placement.trailer;
    rewrite.usedSize = placement.usedSize;
    rewrite.header = layout.headerWords();
    rewrite.imageSize = layout.imageSize();
    rewrite.fileSize = placement.fileSize;
    rewrite.fill = fill;
    return rewrite;
}

Result<Done, ImageWriteError> rewriteArchive(platform::OpenFile& file, const ArchiveRewrite& rewrite)
{
    // A trimmed image grows first, into bytes that nothing references.
    if (rewrite.fileSize > file.size()) {
        if (auto grown = file.extend(rewrite.imageSize, rewrite.fileSize, rewrite.fill); !grown)
            return ImageWriteError{grown.error() == platform::FileError::WritePastEndOfFile ? ImageWriteError::ImageChanged
                                                                                            : ImageWriteError::WriteFailed,
                                   grown.error()};
    }
    Steps steps(file, rewrite);
    if (auto done = rewrite.moves() ? rewriteMoved(steps) : rewriteInPlace(steps); !done)
        return done;
    if (rewrite.usedSize || rewrite.bytes.size() != rewrite.oldBytes.size() || rewrite.moves()) {
        // The whole of it where the file table now says, or the write is not done.
        if (auto done = holds(steps, rewrite.start, rewrite.bytes, rewrite.name); !done)
            return done;
        if (auto done = holds(steps, rewrite.allocationEntry, steps.entry, rewrite.name + "'s file table entry"); !done)
            return done;
    }
    return Done{};
}

} // namespace quillmark::rom
