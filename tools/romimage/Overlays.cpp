// The ARM9 overlays of an image and their table: overlay 5 of Diamond, Pearl and
// Platinum with the egg move table (and Platinum's tutor tables) at the cartridge's
// offsets, of the cartridge's RAM address and size; HeartGold's overlay 1 with its
// tutor list, stored compressed as the cartridge stores it; filler for the rest, in
// bytes below 0x40 so that no filler reads as a species marker or a tutor list.
#include "ImageParts.h"

#include <algorithm>
#include <optional>

namespace quillmark::romimage::parts {

namespace {

struct RetailOverlay {
    std::uint32_t ramAddress, ramSize;
};
constexpr RetailOverlay kDiamondPearlOverlay5{0x021D74E0, 0x261A0};
constexpr RetailOverlay kPlatinumOverlay5{0x021D0D80, 0x313A0};
constexpr RetailOverlay kHeartGoldOverlay1{0x021E5900, 0x24260};
constexpr std::size_t kDiamondPearlEggTable = 0x20668, kPlatinumEggTable = 0x29222;
constexpr std::size_t kPlatinumTutorList = 0x2FF64, kHeartGoldTutorList = 0x23AE0;

bool isHeartGold(const std::string& code) { return code.starts_with("IPK") || code.starts_with("IPG"); }
bool isPlatinum(const std::string& code) { return code.starts_with("CPU"); }

// Code-like bytes: runs of a few repeated 16-byte patterns, so that compression has
// work to do, every byte below 0x40.
Bytes codeLike(std::size_t size, std::uint32_t seed)
{
    Bytes out;
    out.reserve(size + 16);
    std::uint32_t x = seed;
    while (out.size() < size) {
        x = x * 1103515245u + 12345u;
        const auto pattern = (x >> 16) % 8;
        for (std::uint32_t k = 0; k < 16; ++k)
            out.push_back(static_cast<std::uint8_t>((pattern * 37 + k * 11 + (k == 5 ? (x >> 8) & 7 : 0)) & 0x3F));
    }
    out.resize(size);
    return out;
}

void place(Bytes& image, std::size_t at, const Bytes& bytes)
{
    std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
}

Bytes tutorListOf(const std::string& gameCode)
{
    Bytes list;
    if (isPlatinum(gameCode)) {
        // index,move_id,move_name,red,blue,yellow,green,location_id,location_name
        for (const auto& row : csvRows("pt_tutor_moves.csv")) {
            Bytes entry(12, 0);
            put16(entry, 0, static_cast<std::uint32_t>(std::stoul(row[1])));
            for (std::size_t k = 0; k < 4; ++k)
                entry[2 + k] = static_cast<std::uint8_t>(std::stoul(row[3 + k]));
            put32(entry, 8, static_cast<std::uint32_t>(std::stoul(row[7])));
            list.insert(list.end(), entry.begin(), entry.end());
        }
    } else {
        // index,move_id,move_name,bp_cost,tutor_id,...
        for (const auto& row : csvRows("hgss_tutor_moves.csv")) {
            Bytes entry(4, 0);
            put16(entry, 0, static_cast<std::uint32_t>(std::stoul(row[1])));
            entry[2] = static_cast<std::uint8_t>(std::stoul(row[3]));
            entry[3] = static_cast<std::uint8_t>(std::stoul(row[4]));
            list.insert(list.end(), entry.begin(), entry.end());
        }
    }
    return list;
}

Bytes withCompression(OverlayImage& overlay, const Bytes& image)
{
    // Made once per content: the tests make many images of one game. (A list, not a
    // map: GCC 12 warns wrongly about comparing vectors of bytes by <.)
    static std::vector<std::pair<Bytes, Bytes>> made;
    auto found = std::find_if(made.begin(), made.end(), [&](const auto& entry) { return entry.first == image; });
    if (found == made.end()) {
        made.emplace_back(image, compressBackward(image));
        found = made.end() - 1;
    }
    overlay.compressed = found->second.size() < image.size();
    return found->second;
}

} // namespace

Bytes eggMoveTableOf(const std::string& gameCode)
{
    // species,species_name,entry,move_id,move_name: a marker before each species' moves.
    const auto rows = csvRows(isHeartGold(gameCode) ? "hgss_eggmoves.csv"
                              : isPlatinum(gameCode) ? "pt_eggmoves.csv"
                                                     : "dp_eggmoves.csv");
    Bytes table;
    std::string species;
    auto word = [&](std::uint32_t value) {
        table.push_back(static_cast<std::uint8_t>(value));
        table.push_back(static_cast<std::uint8_t>(value >> 8));
    };
    for (const auto& row : rows) {
        if (row[0] != species) {
            species = row[0];
            word(20000 + static_cast<std::uint32_t>(std::stoul(species)));
        }
        word(static_cast<std::uint32_t>(std::stoul(row[3])));
    }
    word(0xFFFF);
    return table;
}

Bytes tutorCompatibilityOf(const std::string& gameCode)
{
    Bytes records;
    for (const auto& row : csvRows(isHeartGold(gameCode) ? "hgss_tutor_compat.csv" : "pt_tutor_compat.csv")) {
        const auto& hex = row.back();  // raw_hex
        for (std::size_t k = 0; k + 1 < hex.size(); k += 2)
            records.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(k, 2), nullptr, 16)));
    }
    return records;
}

namespace {

// As it loads, with its RAM address; nothing for a filler overlay.
std::optional<std::pair<Bytes, RetailOverlay>> loadedOverlay(const ImageRecipe& recipe, int id)
{
    const auto& code = recipe.gameCode;
    if (id == 5 && !isHeartGold(code)) {
        const auto retail = isPlatinum(code) ? kPlatinumOverlay5 : kDiamondPearlOverlay5;
        Bytes image = codeLike(retail.ramSize, 5);
        const auto egg = eggMoveTableOf(code);
        const auto eggAt = (isPlatinum(code) ? kPlatinumEggTable : kDiamondPearlEggTable) +
                           static_cast<std::size_t>(recipe.eggTableShift);
        if (!recipe.noEggTable)
            place(image, eggAt, egg);
        if (recipe.eggTableTwice)
            place(image, 0x1000, egg);
        if (isPlatinum(code)) {
            const auto list = tutorListOf(code);
            place(image, kPlatinumTutorList, list);
            place(image, kPlatinumTutorList + list.size(), tutorCompatibilityOf(code));
        }
        return std::pair{std::move(image), retail};
    }
    if (id == 1 && isHeartGold(code)) {
        Bytes image = codeLike(kHeartGoldOverlay1.ramSize, 1);
        place(image, kHeartGoldTutorList, tutorListOf(code));
        return std::pair{std::move(image), kHeartGoldOverlay1};
    }
    return std::nullopt;
}

} // namespace

OverlayImage overlayOf(const ImageRecipe& recipe, int id)
{
    OverlayImage overlay;
    if (auto loaded = loadedOverlay(recipe, id)) {
        overlay.ramAddress = loaded->second.ramAddress;
        overlay.ramSize = loaded->second.ramSize;
        // HeartGold stores its overlays compressed; the others only when asked.
        const bool compress = isHeartGold(recipe.gameCode) || recipe.overlay5Compressed;
        overlay.stored = compress ? withCompression(overlay, loaded->first) : loaded->first;
        return overlay;
    }
    overlay.stored = filler(id);
    overlay.ramAddress = 0x02200000u + static_cast<std::uint32_t>(id) * 0x1000u;
    overlay.ramSize = static_cast<std::uint32_t>(overlay.stored.size());
    return overlay;
}

Bytes overlayTable(const std::vector<OverlayImage>& overlays)
{
    // id, RAM address, RAM size, bss size, two static initialisers, file ID, and the
    // stored size with the flags (bit 24: compressed).
    Bytes table(overlays.size() * 32, 0);
    for (std::size_t id = 0; id < overlays.size(); ++id) {
        const auto& overlay = overlays[id];
        const auto at = id * 32;
        put32(table, at, static_cast<std::uint32_t>(id));
        put32(table, at + 4, overlay.ramAddress);
        put32(table, at + 8, overlay.ramSize);
        put32(table, at + 24, static_cast<std::uint32_t>(id));
        if (overlay.compressed)
            put32(table, at + 28, static_cast<std::uint32_t>(overlay.stored.size()) | 1u << 24);
    }
    return table;
}

} // namespace quillmark::romimage::parts

namespace quillmark::romimage {

std::vector<std::uint8_t> overlaySource(const ImageRecipe& recipe, int id)
{
    if (auto loaded = parts::loadedOverlay(recipe, id))
        return loaded->first;
    return parts::filler(id);
}

} // namespace quillmark::romimage
