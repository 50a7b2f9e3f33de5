#pragma once

#include "platform/FileError.h"
#include "platform/Result.h"
#include "rom/Bps.h"
#include "rom/NitroFs.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillmark::platform {
class OpenFile;
}

namespace quillmark::rom {

// The parts of an image by name, each where it lies in that image: "header" (its first
// 0x200 bytes), "arm9", "arm7", "banner", "overlay N" (ARM9), "arm7 overlay N", and
// every file of the file system by its path ("file N" for one without a name).
std::map<std::string, FileExtent> imageParts(platform::OpenFile& file, const NitroFs& fs);

// What is compared elsewhere, by part name: the ranges inside the part (from its own
// start) that a comparison of two images leaves out; no ranges: the whole part.
using ComparedElsewhere = std::map<std::string, std::vector<FileExtent>>;

struct PartDifference {
    std::string name;
    std::int64_t sizeBefore = -1, sizeAfter = -1;  // -1: the image has no such part
};

// The parts whose bytes differ between two images, wherever each lies: where the
// files lie, the used size and the header's CRC are layout, not content, and so are
// the header's words that give where its regions lie. Every byte of both is read once.
Result<std::vector<PartDifference>, platform::FileError>
differingParts(platform::OpenFile& before, const NitroFs& beforeFs, const ComparedElsewhere& skipBefore,
               platform::OpenFile& after, const NitroFs& afterFs, const ComparedElsewhere& skipAfter);

// The parts that lie elsewhere in `after` than in `before`, where their bytes may be
// copied from: a patch's moves.
std::vector<BpsMove> movedParts(platform::OpenFile& before, const NitroFs& beforeFs, platform::OpenFile& after,
                                const NitroFs& afterFs);

} // namespace quillmark::rom
