// The hex codec on arbitrary text: whatever is accepted survives a round trip, and
// reversing twice gives the even-length form back.
#include "rom/HexCodec.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quillmark::rom;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string reversed = ReverseHexBytes(text);
    const std::string padded = size % 2 ? "0" + std::string(text) : std::string(text);
    if (ReverseHexBytes(reversed) != padded)
        std::abort();
    if (const auto bytes = hexToBytes(text)) {
        if (bytes->size() != padded.size() / 2)
            std::abort();
        if (hexToBytes(bytesToHex(*bytes)) != bytes)
            std::abort();
    }
    const std::span<const std::uint8_t> raw(data, size);
    if (hexToBytes(bytesToHex(raw)) != std::vector<std::uint8_t>(data, data + size))
        std::abort();
    return 0;
}
