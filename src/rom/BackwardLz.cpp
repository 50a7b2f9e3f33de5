#include "rom/BackwardLz.h"

#include "rom/LittleEndian.h"

#include <algorithm>

namespace quillmark::rom {

std::optional<std::vector<std::uint8_t>> decompressBackward(std::span<const std::uint8_t> stored, std::string* why)
{
    auto refuse = [&](const char* reason) -> std::optional<std::vector<std::uint8_t>> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    const auto end = stored.size();
    if (end < 8)
        return refuse("too short for its footer");
    const std::uint32_t a = le32(stored, end - 8), b = le32(stored, end - 4);
    const std::size_t streamLength = a & 0xFFFFFF, tail = a >> 24;
    if (tail < 8 || tail > streamLength || streamLength > end)
        return refuse("its footer gives lengths outside the file");
    // Overlays are a few hundred KiB; a footer asking for more than 16 MiB is damage.
    if (b > (16u << 20))
        return refuse("its footer asks for more than 16 MiB");
    const std::size_t stop = end - streamLength;
    std::vector<std::uint8_t> out(end + b);
    std::copy(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(stop), out.begin());
    std::size_t src = end - tail, dst = out.size();
    while (src > stop) {
        const std::uint8_t flags = stored[--src];
        for (int bit = 7; bit >= 0 && src > stop; --bit) {
            if (!(flags >> bit & 1)) {
                if (dst <= stop)
                    return refuse("its stream writes below its start");
                out[--dst] = stored[--src];
                continue;
            }
            if (src < stop + 2)
                return refuse("its stream ends inside a copy");
            const std::size_t hi = stored[--src], lo = stored[--src];
            const std::size_t count = (hi >> 4) + 3, distance = ((hi & 0x0F) << 8 | lo) + 3;
            if (dst < stop + count)
                return refuse("its stream writes below its start");
            if (dst + distance > out.size())
                return refuse("a copy reaches above the end");
            for (std::size_t k = 0; k < count; ++k) {
                --dst;
                out[dst] = out[dst + distance];
            }
        }
    }
    if (dst != stop)
        return refuse("its stream does not fill what its footer says");
    return out;
}

} // namespace quillmark::rom
