#pragma once

// What the parts of the image writer share; not for the tests.
#include "RomImage.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::romimage::parts {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& b, std::size_t at, std::uint32_t v)
{
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void put32(Bytes& b, std::size_t at, std::uint32_t v)
{
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

inline void append(Bytes& b, std::string_view text)
{
    const auto at = b.size();
    b.resize(at + text.size());
    std::memcpy(b.data() + at, text.data(), text.size());
}

inline std::int64_t alignUp(std::int64_t v, std::int64_t to) { return (v + to - 1) / to * to; }

// Header.cpp: the cartridge header before the file tables and sizes are known, and
// those filled in with the header's CRC.
Bytes startHeader(const std::string& gameCode);
void finishHeader(Bytes& header, std::int64_t fntOffset, std::int64_t fntSize, std::int64_t fatOffset,
                  std::int64_t fatSize, std::int64_t usedEnd);

// FileSystem.cpp: stand-ins for the ARM9 overlays, which take the first file IDs in a
// real ROM; the file name table; Diamond's archive that Platinum and HG/SS carry.
inline constexpr int kOverlayFiles = 86;
Bytes buildFnt(const std::vector<std::string>& paths, int firstFileId, std::vector<std::string>& byId);
std::string leftoverPathOf(const std::string& gameCode);

// Archives.cpp: a reference table of samples/ as rows of cells (header left out);
// NARC archives, and the bytes of a file the tests never read.
std::vector<std::vector<std::string>> csvRows(const std::string& name);
Bytes buildNarcOf(const std::vector<Bytes>& members);
Bytes buildNarc(const std::vector<Record>& records, std::uint32_t n, const std::vector<Record>& members = {});
Bytes filler(int fileId);
// Texts.cpp: the text archive, its names bank holding `names`.
Bytes textArchiveFor(const std::string& gameCode, const std::vector<std::string>& names, int copyAt);

// SpeciesData.cpp: the retail records of Diamond, for the copy later games carry.
const std::vector<Record>& diamondRecords();

// Overlays.cpp: the ARM9 overlays and their table (header 0x50), with the egg move and
// tutor tables where the games keep them; HeartGold's egg table and tutor records as
// files; BackwardLzEncoder.cpp: the compression HeartGold stores overlays in.
struct OverlayImage {
    Bytes stored;  // as the ROM holds it
    std::uint32_t ramAddress = 0, ramSize = 0;
    bool compressed = false;
};
OverlayImage overlayOf(const ImageRecipe& recipe, int id);
Bytes overlayTable(const std::vector<OverlayImage>& overlays);
Bytes eggMoveTableOf(const std::string& gameCode);
Bytes tutorCompatibilityOf(const std::string& gameCode);
Bytes compressBackward(const Bytes& data);

} // namespace quillmark::romimage::parts
