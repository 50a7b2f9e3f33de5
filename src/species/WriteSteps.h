#pragma once

#include "platform/Result.h"
#include "rom/ImageLayout.h"
#include "species/SpeciesError.h"
#include "species/SpeciesTableFile.h"
#include "species/WritePlan.h"

#include <cstdint>

namespace quillmark::platform {
class OpenFile;
}

// How the document checks and carries out one step of a write, whatever part planned it.
namespace quillmark::species {

// RomChanged unless the file still holds what the step was planned from: its bytes as
// read, and the image laid out as read.
Result<Done, SpeciesError> stepStillHolds(platform::OpenFile& file, const WriteStep& step);

// The step's file rewritten (its new bytes filled around with `fill` where the image
// grows), then its runs; runs with a key reported in `records`. A failure says how far
// the write came in the step's words.
Result<Done, SpeciesError> writeStep(platform::OpenFile& file, const WriteStep& step, std::uint8_t fill,
                                     RecordWrites& records);

// For each record that differs, the run from its first to its last changed byte in one
// write call (so that no field is ever torn), keyed by its list index; the records as
// read must still be there.
WriteStep changedRecordsStep(const DocumentPart* owner, std::int64_t tableBase, const std::vector<RecordBytes>& before,
                             const std::vector<RecordBytes>& after);

// NoRoomForMoves (or FileUnavailable) for bytes after the used image that are not padding.
SpeciesError notPaddingError(const rom::NotPadding& notPadding, const FileRewrite& rewrite);

} // namespace quillmark::species
