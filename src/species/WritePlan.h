#pragma once

#include "rom/ImageLayout.h"
#include "rom/ImageWriter.h"
#include "rom/NitroFs.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillmark::species {

class DocumentPart;

// A file of the image written anew: in place, grown where it lies last, or moved after
// the used image, as the image's layout placed it.
struct FileRewrite {
    std::string name;  // for messages: "the level-up archive"
    rom::FileExtent was;
    std::span<const std::uint8_t> wasBytes;  // as read: the part's own, alive while the plan is
    std::int64_t allocationEntry = 0;        // where its file table entry lies
    std::vector<std::uint8_t> bytes;   // what it becomes, from its start
    rom::Placement placement;
};

// One part's write: what it must still find in the file, as it was read, and what it
// writes: a file rewritten, then runs of bytes in place, each in one write.
struct WriteStep {
    const DocumentPart* owner = nullptr;
    std::vector<rom::ByteRun> expected;
    // The image laid out as read (a file that grows or moves): its header, file table
    // and size.
    const rom::ImageLayout* layout = nullptr;
    std::optional<FileRewrite> rewrite;
    std::vector<rom::ByteRun> runs;
    // Each run a byte at a time, as the classic byte access writes it.
    bool byteByByte = false;
    // A failure's place in the user's words: runs already written count from
    // `progressFrom` when `countsRuns`, else every failure is at `progressFrom`.
    int progressFrom = 0;
    bool countsRuns = false;
    // Runs with a key (a record's list index) are reported written or failed by it.
    std::vector<int> keys;
};

// Everything one write does, worked out by the parts and checked before the file is
// opened for it: the document checks every step, then writes every step.
struct WritePlan {
    std::vector<WriteStep> steps;

    bool empty() const { return steps.empty(); }
    bool writes(const DocumentPart* part) const
    {
        for (const auto& step : steps) {
            if (step.owner == part)
                return true;
        }
        return false;
    }
    // The first step that rewrites a file, if any: where it goes, for a report.
    const WriteStep* rewriting() const
    {
        for (const auto& step : steps) {
            if (step.rewrite)
                return &step;
        }
        return nullptr;
    }
};

// A table rewritten in place where `after` differs from `before`, which must still lie
// at `at`; a failure counts as after the main window's fields.
WriteStep inPlaceStep(const DocumentPart* owner, std::int64_t at, std::vector<std::uint8_t> before,
                      std::span<const std::uint8_t> after);

} // namespace quillmark::species
