// The windowless load and save on arbitrary table contents and file sizes: a load
// followed by a save must leave every byte of the file as it was, and neither may
// grow the file.
#include "FuzzFile.h"

#include "species/SpeciesEditor.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr std::int64_t kTableBase = 0x1C15A08;  // English editions

// The file's size and its bytes from just before the table on: everything before
// that is a hole that nothing writes to (a write there would still change the size
// or show up in the bytes compared by the tests).
std::vector<std::uint8_t> slurp(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    struct stat st {};
    ::fstat(fd, &st);
    const std::int64_t from = kTableBase - 64;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size - from) + 8);
    std::memcpy(bytes.data(), &st.st_size, 8);
    ::pread(fd, bytes.data() + 8, bytes.size() - 8, from);
    ::close(fd);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quillmark;
    if (size < 3)
        return 0;
    // Byte 0 picks the species, byte 1 how much shorter than the table the file is.
    const int index = (data[0] * 2) % species::kSpeciesCount;
    const std::int64_t shortBy = data[1] < 200 ? 0 : data[1] - 199;
    data += 2;
    size -= 2;

    const auto& path = fuzzFilePath();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    const std::int64_t fileSize = kTableBase + species::kTableSize - shortBy;
    ::ftruncate(fd, fileSize);
    ::pwrite(fd, "POKEMON D\0\0\0ADAE", 16, 0);
    std::vector<std::uint8_t> table(static_cast<std::size_t>(species::kTableSize));
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = data[i % size];
    ::pwrite(fd, table.data(), static_cast<std::size_t>(fileSize - kTableBase), kTableBase);
    ::close(fd);
    const auto before = slurp(path);
    // The image has no file system, so the table is at the fixed start or nowhere.
    const auto located = species::locateSpeciesTable(path, "ADAE");
    if (located.ok() != (shortBy == 0) || (located && located->tableBase != kTableBase))
        std::abort();
    const species::RomFingerprint rom{"ADAE", located ? *located : species::SpeciesTable{}};
    auto loaded = species::loadSpecies(path, rom, index);
    if (loaded.ok() != (shortBy == 0))
        std::abort();
    if (loaded) {
        auto saved = species::saveSpecies(path, loaded->tableBase, index, loaded->values,
                                          platform::NumberFormat{}, {rom, loaded->record});
        if (!saved)
            std::abort();
    }
    if (slurp(path) != before)
        std::abort();
    return 0;
}
