// The window's load and save on arbitrary table contents and file sizes: a load
// followed by a save of what it showed must leave every byte of the file as it was,
// and neither may grow the file. The image is a 1 MiB Platinum one with a real file
// system, made once; each input fills its species table and may cut the file short.
#include "FuzzFile.h"

#include "romimage/RomImage.h"
#include "species/RomDocument.h"
#include "species/SpeciesEditor.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

using namespace quillmark;

std::vector<std::uint8_t> slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void spill(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The image as made, and where its table is.
const std::pair<std::vector<std::uint8_t>, std::int64_t>& pristine()
{
    static const auto made = [] {
        romimage::ImageRecipe recipe;
        recipe.gameCode = "CPUE";
        romimage::ImageLayout layout;
        std::string error;
        if (!romimage::writeRomImage(fuzzFilePath(), recipe, &error, &layout)) {
            std::fprintf(stderr, "the image could not be made: %s\n", error.c_str());
            std::abort();
        }
        return std::pair{slurp(fuzzFilePath()), layout.tableBase};
    }();
    return made;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const auto& [image, tableBase] = pristine();
    // Byte 0 picks the species, byte 1 how much shorter than the table the file is.
    const int index = (data[0] * 2) % species::kSpeciesCount;
    const std::int64_t shortBy = data[1] < 200 ? 0 : data[1] - 199;
    data += 2;
    size -= 2;
    auto bytes = image;
    for (std::int64_t i = 0; i < species::kTableSize; ++i)
        bytes[static_cast<std::size_t>(tableBase + i)] = data[static_cast<std::size_t>(i) % size];
    if (shortBy > 0)
        bytes.resize(static_cast<std::size_t>(tableBase + species::kTableSize - shortBy));
    const auto& path = fuzzFilePath();
    spill(path, bytes);

    auto opened = species::RomDocument::open(path, species::DocumentAccess::PerOperation);
    // Cut short, the table (or its archive) no longer lies in the file: refused.
    if (opened.ok() == (shortBy > 0)) {
        std::fprintf(stderr, "opened %d with the file %lld bytes short\n", static_cast<int>(opened.ok()), static_cast<long long>(shortBy));
        std::abort();
    }
    if (opened) {
        auto loaded = opened->load(index, species::partsOf<species::SpeciesRecordsPart>());
        if (!loaded) {
            std::fprintf(stderr, "not loaded: %s\n", loaded.error().detail.c_str());
            std::abort();
        }
        const species::SpeciesChanges changes{loaded->record.values, platform::NumberFormat{}};
        if (!opened->save(index, changes))
            std::abort();
    }
    if (slurp(path) != bytes)
        std::abort();
    return 0;
}
