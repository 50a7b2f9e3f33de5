// BPS patches as anyone may hand them over: whatever the actions, offsets and sizes
// say, applying one either gives a result of the size the patch names or refuses it;
// it never reads or writes outside the source, the result or the patch. The patch's
// own CRC and the source's are made to match, so that every input reaches the actions.
#include "FuzzFile.h"

#include "platform/FileServices.h"
#include "rom/Bps.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quillmark;
    if (size < 2)
        return 0;
    // The first byte: how many of the next bytes are the source.
    const std::size_t sourceSize = std::min<std::size_t>(data[0], size - 1);
    const std::vector<std::uint8_t> source(data + 1, data + 1 + sourceSize);
    std::vector<std::uint8_t> patch = {'B', 'P', 'S', '1'};
    patch.insert(patch.end(), data + 1 + sourceSize, data + size);
    patch.resize(patch.size() + 12);
    auto putLe32 = [&](std::size_t at, std::uint32_t value) {
        for (int k = 0; k < 4; ++k)
            patch[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(value >> (8 * k));
    };
    putLe32(patch.size() - 12, rom::crc32Of(source));
    putLe32(patch.size() - 4, rom::crc32Of(std::span(patch).first(patch.size() - 4)));

    if (std::FILE* out = std::fopen(fuzzFilePath().c_str(), "wb")) {
        std::fwrite(source.data(), 1, source.size(), out);
        std::fclose(out);
    }
    auto file = platform::fileServices().open(fuzzFilePath(), platform::FileAccess::Read);
    if (!file)
        return 0;
    const auto target = rom::applyBpsPatch(patch, **file);
    if (target && target->size() > (std::size_t{1} << 30))
        std::abort();
    return 0;
}
