#include "rom/RomIdentification.h"

#include "platform/FileServices.h"
#include "rom/ByteAccess.h"
#include "rom/HexCodec.h"

namespace quillmark::rom {

const std::array<Edition, 14> SupportedEditions = {{
    {"ADAE", "Pokémon Diamond", "English"},
    {"APAE", "Pokémon Pearl", "English"},
    {"ADAS", "Pokémon Diamante", "Español"},
    {"APAS", "Pokémon Perla", "Español"},
    {"ADAD", "Pokémon Diamant", "Deutsch"},
    {"APAD", "Pokémon Perl", "Deutsch"},
    {"ADAF", "Pokémon Diamant", "Français"},
    {"APAF", "Pokémon Perla", "Français"},
    {"ADAI", "Pokémon Diamante", "Italiano"},
    {"APAI", "Pokémon Perla", "Italiano"},
    {"ADAK", "Pokémon Diamond", "Korean"},
    {"APAK", "Pokémon Pearl", "Korean"},
    {"ADAJ", "Pokémon Diamond", "Japanese"},
    {"APAJ", "Pokémon Pearl", "Japanese"},
}};

const Edition* findEdition(std::string_view gameCode)
{
    for (const auto& edition : SupportedEditions) {
        if (edition.gameCode == gameCode)
            return &edition;
    }
    return nullptr;
}

Result<std::string, platform::FileError> readGameCode(const std::string& path)
{
    auto hex = readHex(path, kGameCodeOffset, kGameCodeLength);
    if (!hex)
        return hex.error();
    const auto bytes = hexToBytes(*hex);
    // The raw bytes are the code; a byte above 0x7F simply never matches an edition.
    return std::string(bytes->begin(), bytes->end());
}

Result<std::string, platform::FileError> readGameCode(platform::OpenFile& file)
{
    std::array<std::uint8_t, kGameCodeLength> bytes{};
    if (auto read = file.read(kGameCodeOffset, bytes); !read)
        return read.error();
    return std::string(bytes.begin(), bytes.end());
}

Result<RomIdentity, platform::FileError> identifyRom(const std::string& path)
{
    auto code = readGameCode(path);
    if (!code)
        return code.error();
    return RomIdentity{*code, findEdition(*code)};
}

} // namespace quillmark::rom
