#include "rom/RomIdentification.h"

#include "platform/FileServices.h"
#include "rom/ByteAccess.h"
#include "rom/HexCodec.h"

namespace quillmark::rom {

const std::array<Edition, 35> SupportedEditions = {{
    {"ADAE", "Pokémon Diamond", "English", Game::Diamond},
    {"APAE", "Pokémon Pearl", "English", Game::Pearl},
    {"ADAS", "Pokémon Diamante", "Español", Game::Diamond},
    {"APAS", "Pokémon Perla", "Español", Game::Pearl},
    {"ADAD", "Pokémon Diamant", "Deutsch", Game::Diamond},
    {"APAD", "Pokémon Perl", "Deutsch", Game::Pearl},
    {"ADAF", "Pokémon Diamant", "Français", Game::Diamond},
    {"APAF", "Pokémon Perle", "Français", Game::Pearl},
    {"ADAI", "Pokémon Diamante", "Italiano", Game::Diamond},
    {"APAI", "Pokémon Perla", "Italiano", Game::Pearl},
    {"ADAK", "Pokémon Diamond", "Korean", Game::Diamond},
    {"APAK", "Pokémon Pearl", "Korean", Game::Pearl},
    {"ADAJ", "Pokémon Diamond", "Japanese", Game::Diamond},
    {"APAJ", "Pokémon Pearl", "Japanese", Game::Pearl},
    {"CPUE", "Pokémon Platinum", "English", Game::Platinum},
    {"CPUS", "Pokémon Platino", "Español", Game::Platinum},
    {"CPUD", "Pokémon Platin", "Deutsch", Game::Platinum},
    {"CPUF", "Pokémon Platine", "Français", Game::Platinum},
    {"CPUI", "Pokémon Platino", "Italiano", Game::Platinum},
    {"CPUK", "Pokémon Platinum", "Korean", Game::Platinum},
    {"CPUJ", "Pokémon Platinum", "Japanese", Game::Platinum},
    {"IPKE", "Pokémon HeartGold", "English", Game::HeartGold},
    {"IPKS", "Pokémon HeartGold", "Español", Game::HeartGold},
    {"IPKD", "Pokémon HeartGold", "Deutsch", Game::HeartGold},
    {"IPKF", "Pokémon HeartGold", "Français", Game::HeartGold},
    {"IPKI", "Pokémon HeartGold", "Italiano", Game::HeartGold},
    {"IPKK", "Pokémon HeartGold", "Korean", Game::HeartGold},
    {"IPKJ", "Pokémon HeartGold", "Japanese", Game::HeartGold},
    {"IPGE", "Pokémon SoulSilver", "English", Game::SoulSilver},
    {"IPGS", "Pokémon SoulSilver", "Español", Game::SoulSilver},
    {"IPGD", "Pokémon SoulSilver", "Deutsch", Game::SoulSilver},
    {"IPGF", "Pokémon SoulSilver", "Français", Game::SoulSilver},
    {"IPGI", "Pokémon SoulSilver", "Italiano", Game::SoulSilver},
    {"IPGK", "Pokémon SoulSilver", "Korean", Game::SoulSilver},
    {"IPGJ", "Pokémon SoulSilver", "Japanese", Game::SoulSilver},
}};

std::string_view gameName(Game game)
{
    switch (game) {
    case Game::Diamond: return "Diamond";
    case Game::Pearl: return "Pearl";
    case Game::Platinum: return "Platinum";
    case Game::HeartGold: return "HeartGold";
    case Game::SoulSilver: return "SoulSilver";
    }
    return "";
}

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

namespace quillmark::rom {

std::uint16_t headerCrc16(const std::uint8_t* bytes, std::size_t size)
{
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>(crc & 1 ? (crc >> 1) ^ 0xA001 : crc >> 1);
    }
    return crc;
}

bool looksLikeDsHeader(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < kHeaderCrcOffset + 2)
        return false;
    for (std::size_t i = kGameCodeOffset; i < kGameCodeOffset + kGameCodeLength; ++i) {
        const auto c = bytes[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    const auto stored = static_cast<std::uint16_t>(bytes[kHeaderCrcOffset] | bytes[kHeaderCrcOffset + 1] << 8);
    return headerCrc16(bytes.data(), kHeaderCrcOffset) == stored;
}

} // namespace quillmark::rom
