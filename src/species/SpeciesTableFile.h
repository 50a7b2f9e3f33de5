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

} // namespace quillmark::species
