#pragma once

#include "platform/FileError.h"
#include "platform/Result.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quillmark::platform {
class OpenFile;
}

namespace quillmark::rom {

// Header: 4 bytes at 0x000C, the game code in ASCII ("ADAE" = Diamond, English).
inline constexpr std::int32_t kGameCodeOffset = 12;
inline constexpr std::int32_t kGameCodeLength = 4;

enum class Game { Diamond, Pearl, Platinum, HeartGold, SoulSilver };

struct Edition {
    std::string_view gameCode;
    std::string_view title;     // shown in `header`
    std::string_view language;  // shown in `language`
    Game game;
};

// Searched from the top; the comparison is exact and case-sensitive. Diamond and
// Pearl in seven languages, then Platinum, HeartGold and SoulSilver.
extern const std::array<Edition, 35> SupportedEditions;

std::string_view gameName(Game game);  // "Diamond", "Platinum", "HeartGold"...

const Edition* findEdition(std::string_view gameCode);

// The four bytes at offsets 12 to 15, one open and close. A file shorter than
// 16 bytes has no game code (PastEndOfFile).
Result<std::string, platform::FileError> readGameCode(const std::string& path);
// The same through a file that is already open.
Result<std::string, platform::FileError> readGameCode(platform::OpenFile& file);

// The cartridge header's CRC-16 (CRC-16/MODBUS) over 0x000..0x15D, stored at 0x15E.
inline constexpr std::size_t kHeaderCrcOffset = 0x15E;
std::uint16_t headerCrc16(const std::uint8_t* bytes, std::size_t size);

// Whether bytes from a file's start are a DS cartridge header: a game code of four
// upper-case letters or digits, and the header CRC-16 that matches. Any DS ROM, of
// these games or not; for tools that must never write over one.
bool looksLikeDsHeader(std::span<const std::uint8_t> bytes);

struct RomIdentity {
    std::string gameCode;
    const Edition* edition = nullptr;  // null: "Unsupported ROM"
};

// What Open ROM first does with a chosen path: read its game code and look it up.
// Any file with a game code is identified, supported or not. The file is not made
// writable here: only a file known to be a supported ROM may lose its protection.
Result<RomIdentity, platform::FileError> identifyRom(const std::string& path);

} // namespace quillmark::rom
