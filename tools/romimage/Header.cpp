// The cartridge header of an image: title, game and maker codes, the file tables'
// places, the used size, and its CRC.
#include "ImageParts.h"

#include <algorithm>

namespace quillmark::romimage::parts {

Bytes startHeader(const std::string& gameCode)
{
    Bytes header(0x200, 0);
    const std::string title = std::string("POKEMON ") + (gameCode.size() > 1 && gameCode[1] == 'P' ? "P" : "D");
    std::copy(title.begin(), title.end(), header.begin());
    std::copy_n(gameCode.begin(), std::min<std::size_t>(gameCode.size(), 4), header.begin() + 12);
    header[0x10] = '0';
    header[0x11] = '1';
    put32(header, 0x84, 0x4000);
    return header;
}

void finishHeader(Bytes& header, std::int64_t fntOffset, std::int64_t fntSize, std::int64_t fatOffset,
                  std::int64_t fatSize, std::int64_t usedEnd)
{
    //   0x40/0x44 FNT offset and size, 0x48/0x4C FAT offset and size, 0x80 the end of
    //   the used image, 0x15E the CRC-16 of 0x000..0x15D.
    put32(header, 0x40, static_cast<std::uint32_t>(fntOffset));
    put32(header, 0x44, static_cast<std::uint32_t>(fntSize));
    put32(header, 0x48, static_cast<std::uint32_t>(fatOffset));
    put32(header, 0x4C, static_cast<std::uint32_t>(fatSize));
    put32(header, 0x80, static_cast<std::uint32_t>(usedEnd));
    put16(header, 0x15E, rom::headerCrc16(header.data(), 0x15E));
}

} // namespace quillmark::romimage::parts
