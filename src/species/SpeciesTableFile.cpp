#include "species/SpeciesTableFile.h"

#include "platform/FileServices.h"

#include <cstring>

namespace quillmark::species {

Result<std::vector<RecordBytes>, SpeciesError> readSpeciesRecords(platform::OpenFile& file,
                                                                  std::int64_t tableBase, int count)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count) * kRecordSize);
    if (auto read = file.read(tableBase, bytes); !read) {
        if (read.error() == platform::FileError::PastEndOfFile)
            return SpeciesError{SpeciesFailure::TableOutsideFile};
        return SpeciesError{SpeciesFailure::FileUnavailable, read.error()};
    }
    std::vector<RecordBytes> records(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < records.size(); ++i)
        std::memcpy(records[i].data(), bytes.data() + i * kRecordSize, kRecordSize);
    return records;
}

} // namespace quillmark::species
