#include "species/WriteSteps.h"

#include "platform/FileServices.h"
#include "rom/ByteAccess.h"
#include "rom/HexCodec.h"

#include <algorithm>

namespace quillmark::species {

Result<Done, SpeciesError> stepStillHolds(platform::OpenFile& file, const WriteStep& step)
{
    if (step.layout && !step.layout->stillHolds(file))
        return SpeciesError{SpeciesFailure::RomChanged};
    for (const auto& run : step.expected) {
        std::vector<std::uint8_t> now(run.bytes.size());
        if (auto read = file.read(run.at, now); !read)
            return SpeciesError{SpeciesFailure::FileUnavailable, read.error()};
        if (now != run.bytes)
            return SpeciesError{SpeciesFailure::RomChanged};
    }
    return Done{};
}

namespace {

Result<Done, SpeciesError> rewriteFile(platform::OpenFile& file, const WriteStep& step, std::uint8_t fill)
{
    const auto& rewrite = *step.rewrite;
    const auto archive = rom::placedRewrite(*step.layout, rewrite.placement, rewrite.name, rewrite.was, rewrite.wasBytes,
                                            rewrite.allocationEntry, rewrite.bytes, fill);
    if (auto done = rom::rewriteArchive(file, archive); !done) {
        const auto& error = done.error();
        return SpeciesError{error.kind == rom::ImageWriteError::ImageChanged ? SpeciesFailure::RomChanged
                                                                              : SpeciesFailure::WriteFailed,
                            error.fileError, step.progressFrom, error.detail};
    }
    return Done{};
}

} // namespace

Result<Done, SpeciesError> writeStep(platform::OpenFile& file, const WriteStep& step, std::uint8_t fill,
                                     RecordWrites& records)
{
    if (step.rewrite) {
        if (auto done = rewriteFile(file, step, fill); !done)
            return done;
    }
    for (std::size_t i = 0; i < step.runs.size(); ++i) {
        const auto& run = step.runs[i];
        const auto written = step.byteByByte
                                 ? rom::writeHex(file, static_cast<std::int32_t>(run.at), rom::bytesToHex(run.bytes))
                                 : file.write(run.at, run.bytes);
        const auto key = i < step.keys.size() ? std::optional(step.keys[i]) : std::nullopt;
        if (!written) {
            if (key) {
                records.failedAt = *key;
                records.error = written.error();
            }
            return SpeciesError{SpeciesFailure::WriteFailed, written.error(),
                                step.progressFrom + (step.countsRuns ? static_cast<int>(i) : 0)};
        }
        if (key)
            records.written.push_back(*key);
    }
    return Done{};
}

WriteStep changedRecordsStep(const DocumentPart* owner, std::int64_t tableBase, const std::vector<RecordBytes>& before,
                             const std::vector<RecordBytes>& after)
{
    WriteStep step;
    step.owner = owner;
    for (std::size_t i = 0; i < after.size() && i < before.size(); ++i) {
        const auto& was = before[i];
        const auto& now = after[i];
        const auto first = std::mismatch(was.begin(), was.end(), now.begin()).first - was.begin();
        if (first == kRecordSize)
            continue;
        const auto last = kRecordSize - (std::mismatch(was.rbegin(), was.rend(), now.rbegin()).first - was.rbegin());
        const auto start = tableBase + static_cast<std::int64_t>(i) * kRecordSize;
        step.expected.push_back({start, std::vector<std::uint8_t>(was.begin(), was.end())});
        step.runs.push_back({start + first, std::vector<std::uint8_t>(now.begin() + first, now.begin() + last)});
        step.keys.push_back(static_cast<int>(i));
    }
    return step;
}

SpeciesError notPaddingError(const rom::NotPadding& notPadding, const FileRewrite& rewrite)
{
    if (notPadding.readError)
        return SpeciesError{SpeciesFailure::FileUnavailable, *notPadding.readError};
    return SpeciesError{SpeciesFailure::NoRoomForMoves, std::nullopt, 0,
                        rom::notPaddingText(notPadding, rewrite.placement, rewrite.name)};
}

} // namespace quillmark::species
