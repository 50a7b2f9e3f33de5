#pragma once

#include "platform/FileError.h"
#include "platform/Result.h"
#include "species/RecordCodec.h"
#include "species/SpeciesError.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quillmark::platform {
class OpenFile;
}

namespace quillmark::species {

// The whole table for tools that work on every species at once: count records from
// tableBase in one read.
Result<std::vector<RecordBytes>, SpeciesError> readSpeciesRecords(platform::OpenFile& file,
                                                                  std::int64_t tableBase,
                                                                  int count);

struct RecordWrites {
    std::vector<int> written;                   // list indices whose bytes went through
    std::optional<int> failedAt;                // the one whose write failed
    std::optional<platform::FileError> error;
    bool complete() const { return !failedAt; }
};

// For each record that differs, the run from its first to its last changed byte in one
// write call, so that no field is ever torn; stops at the first failed write. The file
// is never extended: a run past its end is refused before anything is written.
RecordWrites writeChangedRecords(platform::OpenFile& file, std::int64_t tableBase,
                                 const std::vector<RecordBytes>& before,
                                 const std::vector<RecordBytes>& after);

} // namespace quillmark::species
