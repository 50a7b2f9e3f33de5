#pragma once

#include "platform/FileError.h"
#include "platform/Result.h"
#include "rom/NitroFs.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillmark::platform {
class OpenFile;
}

namespace quillmark::rom {

// BPS, the patch format of the beat tool: "BPS1", the source, target and metadata
// sizes as variable-length numbers, then actions until 12 bytes before the end, each a
// number (length - 1) << 2 | kind:
//   0 SourceRead  the target's next bytes are the source's at the same offset
//   1 TargetRead  the next `length` bytes of the patch
//   2 SourceCopy  the source's bytes from a signed offset relative to the last copy
//   3 TargetCopy  the target's own earlier bytes, likewise
// then the CRC-32 of the source, the target and the patch before it, little-endian.
// A variable-length number: 7 bits a byte, low first, the top bit ending it, and each
// further byte counting from one past what the bytes before could say.
void putBpsNumber(std::vector<std::uint8_t>& out, std::uint64_t value);

// CRC-32 as zip and zlib compute it.
std::uint32_t crc32Of(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);
// The same of a whole file, read in pieces.
Result<std::uint32_t, platform::FileError> crc32OfFile(platform::OpenFile& file);
// The source's and the target's CRC-32 a patch names in its footer; nothing for what
// is no BPS patch.
std::optional<std::pair<std::uint32_t, std::uint32_t>> bpsFileSums(std::span<const std::uint8_t> patch);

// A range of the target whose bytes, where they are unchanged, lie at another place in
// the source (a file that moved): they are encoded as a copy from there.
struct BpsMove {
    FileExtent target;
    std::int64_t sourceStart = 0;
};

// The patch that turns `source` into `target`, read in pieces: what lies at the same
// place is a SourceRead, a moved range a SourceCopy from its old place, the rest the
// target's bytes.
Result<std::vector<std::uint8_t>, platform::FileError> makeBpsPatch(platform::OpenFile& source,
                                                                     platform::OpenFile& target,
                                                                     const std::vector<BpsMove>& moves = {});

enum class BpsProblem {
    NotAPatch,     // no "BPS1" at the start, or shorter than a patch can be
    PatchDamaged,  // its own CRC does not match, or an action runs out of the patch
    OtherSource,   // the source's size or CRC is not the one the patch was made for
    OutOfBounds,   // an action reads or writes past a file's end, or the actions do
                   // not fill the target exactly
    TargetDamaged, // the result's CRC is not the one the patch gives
    ReadFailed,    // the source could not be read (fileError says why)
};
// What a patch says of its source and target, and what the ROM given is: for a patch
// made for another ROM, or one already applied.
struct BpsSums {
    std::uint64_t sourceSize = 0, targetSize = 0;
    std::uint32_t sourceCrc = 0, targetCrc = 0;
    std::int64_t romSize = 0;
    std::uint32_t romCrc = 0;
    // The ROM is the patch's result already.
    bool romIsTarget() const { return static_cast<std::uint64_t>(romSize) == targetSize && romCrc == targetCrc; }
};
struct BpsError {
    BpsProblem problem;
    std::string detail;
    std::optional<platform::FileError> fileError = std::nullopt;
    std::optional<BpsSums> sums = std::nullopt;  // OtherSource
};

// What a file given as a patch is, by its first bytes: the patch formats ROM hacks are
// shared in, and a DS ROM image (its header's CRC holds), which a user may give in the
// patch's place.
enum class PatchFormat { Bps, Ips, Ups, Vcdiff, NdsRom, Unknown };
PatchFormat patchFormatOf(std::span<const std::uint8_t> start);

// The target, every action checked against the sizes before it is carried out, and
// the result's CRC checked at the end.
Result<std::vector<std::uint8_t>, BpsError> applyBpsPatch(std::span<const std::uint8_t> patch,
                                                          platform::OpenFile& source);

} // namespace quillmark::rom
