#include "rom/ImageClaims.h"

#include "rom/LittleEndian.h"

#include <algorithm>
#include <array>

namespace quillmark::rom {

namespace {

struct Region {
    std::size_t offsetField, sizeField;
    const char* owner;
};
constexpr std::array<Region, 6> kRegions = {{
    {0x20, 0x2C, "the ARM9 code"},
    {0x30, 0x3C, "the ARM7 code"},
    {0x40, 0x44, "the file name table"},
    {0x48, 0x4C, "the file allocation table"},
    {0x50, 0x54, "the ARM9 overlay table"},
    {0x58, 0x5C, "the ARM7 overlay table"},
}};
constexpr std::size_t kBannerOffsetField = 0x68;
constexpr std::int64_t kBannerSize = 0x840;
// The header, and the secure area the cartridge keeps before the first code.
constexpr std::int64_t kHeaderSize = 0x200;

} // namespace

std::vector<Claim> imageClaims(const NitroFs& fs, std::span<const std::uint8_t> header)
{
    std::vector<Claim> claims;
    claims.push_back({{0, kHeaderSize}, "the header", std::nullopt});
    for (const auto& region : kRegions) {
        const std::int64_t start = le32(header, region.offsetField), size = le32(header, region.sizeField);
        if (size > 0)
            claims.push_back({{start, start + size}, region.owner, std::nullopt});
    }
    if (const std::int64_t banner = le32(header, kBannerOffsetField); banner)
        claims.push_back({{banner, banner + kBannerSize}, "the banner", std::nullopt});
    const auto& fat = fs.allocationTable();
    for (std::size_t at = 0; at + 8 <= fat.size(); at += 8) {
        const std::int64_t start = le32(fat, at), end = le32(fat, at + 4);
        const auto id = static_cast<std::uint16_t>(at / 8);
        if (start < end)
            claims.push_back({{start, end}, fs.describeFile(id), id});
    }
    return claims;
}

std::int64_t claimsEnd(const std::vector<Claim>& claims)
{
    std::int64_t end = 0;
    for (const auto& claim : claims)
        end = std::max(end, claim.extent.end);
    return end;
}

const Claim* claimWithin(const std::vector<Claim>& claims, const FileExtent& range, std::optional<std::uint16_t> except)
{
    for (const auto& claim : claims) {
        if (except && claim.fileId == except)
            continue;
        if (claim.extent.start < range.end && range.start < claim.extent.end)
            return &claim;
    }
    return nullptr;
}

bool isDownloadPlayBlock(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= static_cast<std::size_t>(kDownloadPlayBlockSize) && bytes[0] == 'a' && bytes[1] == 'c' &&
           bytes[2] == 0x01 && bytes[3] == 0x00;
}

} // namespace quillmark::rom
