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

RecordWrites writeChangedRecords(platform::OpenFile& file, std::int64_t tableBase,
                                 const std::vector<RecordBytes>& before,
                                 const std::vector<RecordBytes>& after)
{
    RecordWrites writes;
    const std::int64_t tableEnd = tableBase + static_cast<std::int64_t>(after.size()) * kRecordSize;
    if (tableEnd > file.size()) {
        writes.failedAt = 0;
        writes.error = platform::FileError::WritePastEndOfFile;
        return writes;
    }
    for (std::size_t i = 0; i < after.size() && i < before.size(); ++i) {
        std::size_t first = kRecordSize, last = 0;
        for (std::size_t b = 0; b < kRecordSize; ++b) {
            if (before[i][b] != after[i][b]) {
                first = std::min(first, b);
                last = b;
            }
        }
        if (first == kRecordSize)
            continue;
        const auto at = tableBase + static_cast<std::int64_t>(i * kRecordSize + first);
        if (auto written = file.write(at, std::span(after[i]).subspan(first, last - first + 1)); !written) {
            writes.failedAt = static_cast<int>(i);
            writes.error = written.error();
            return writes;
        }
        writes.written.push_back(static_cast<int>(i));
    }
    return writes;
}

} // namespace quillmark::species
