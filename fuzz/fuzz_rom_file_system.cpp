// The ROM file system and NARC readers on arbitrary bytes: never a crash, a hang or a
// read outside the file, and every extent they hand out lies inside the file.
#include "platform/FileServices.h"
#include "rom/Narc.h"
#include "rom/NitroFs.h"
#include "species/SpeciesRecord.h"
#include "species/SpeciesTableLocator.h"

#include <cstdlib>
#include <cstring>

namespace {

using namespace quillmark;

// The fuzz input as a read-only file; any access outside it aborts.
class MemoryFile final : public platform::OpenFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    Result<std::uint8_t, platform::FileError> readByte(std::int64_t offset) override
    {
        std::uint8_t byte = 0;
        if (auto r = read(offset, {&byte, 1}); !r)
            return r.error();
        return byte;
    }
    Result<Done, platform::FileError> writeByte(std::int64_t, std::uint8_t) override { std::abort(); }
    Result<Done, platform::FileError> read(std::int64_t offset, std::span<std::uint8_t> bytes) override
    {
        if (offset < 0 || offset + static_cast<std::int64_t>(bytes.size()) > size())
            std::abort();
        std::memcpy(bytes.data(), m_data + offset, bytes.size());
        return Done{};
    }
    Result<Done, platform::FileError> write(std::int64_t, std::span<const std::uint8_t>) override
    {
        std::abort();
    }
    Result<Done, platform::FileError> extend(std::int64_t, std::int64_t, std::uint8_t) override { std::abort(); }
    std::int64_t size() const override { return static_cast<std::int64_t>(m_size); }
    platform::FileIdentity identity() const override { return {}; }
    Result<Done, platform::FileError> lockForWriting(std::chrono::milliseconds) override { return Done{}; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

void checkInside(const rom::FileExtent& extent, std::int64_t size)
{
    if (extent.start < 0 || extent.start > extent.end || extent.end > size)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    MemoryFile file(data, size);
    const auto fs = rom::NitroFs::read(file);
    if (fs) {
        int tried = 0;
        for (const auto& [path, id] : fs->files()) {
            if (++tried > 64)
                break;
            const auto extent = fs->extent(id);
            if (!extent)
                continue;
            checkInside(*extent, file.size());
            const auto narc = rom::Narc::read(file, *extent, path);
            if (!narc)
                continue;
            for (int k = 0; k < narc->memberCount(); ++k) {
                checkInside(narc->member(k), file.size());
                if (narc->member(k).start < extent->start || narc->member(k).end > extent->end)
                    std::abort();
            }
        }
    }
    for (const char* code : {"ADAE", "APAJ"}) {
        const auto table = species::locateSpeciesTable(file, code);
        if (table && (table->tableBase < 0 || table->tableBase + species::kTableSize > file.size()))
            std::abort();
    }
    return 0;
}
