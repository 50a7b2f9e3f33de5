// Writes an image: its file system laid out as the retail cartridge or a rebuilding
// tool lays it out, each file's bytes from the parts, then the header.
#include "ImageParts.h"

#include "platform/FileServices.h"
#include "species/MoveArchives.h"
#include "species/SpeciesRecord.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace quillmark::romimage {

using namespace parts;

bool writeRomImage(const std::string& path, const ImageRecipe& recipe, std::string* error,
                   ImageLayout* layoutOut)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    std::int64_t retailBase = recipe.tableBase;
    // Platinum and HG/SS have no fixed table start: their archive goes where the
    // files before it leave room, as a build tool would put it.
    const bool placed = recipe.tableBase >= 0 || species::tableBaseFor(recipe.gameCode).has_value();
    if (retailBase < 0) {
        const auto text = species::tableBaseFor(recipe.gameCode);
        retailBase = text ? std::stoll(*text) : 0x1C15A08;
    }
    const auto records = recipe.records.empty() ? syntheticRecords() : recipe.records;
    const auto tableBytes = std::int64_t{44} * static_cast<std::int64_t>(records.size());

    struct Piece {
        std::int64_t at;
        Bytes bytes;
    };
    std::vector<Piece> pieces;
    Bytes header = startHeader(recipe.gameCode);

    ImageLayout layout;
    std::int64_t end = 0;
    if (recipe.layout == Layout::HeaderAndTable) {
        layout.tableBase = retailBase;
        Bytes table;
        for (const auto& r : records)
            table.insert(table.end(), r.begin(), r.end());
        Bytes guard(44, kGuardByte);
        // The empty record 0 before the table, as in the game's archive.
        if (retailBase >= 44 + 16)
            pieces.push_back({retailBase - 44, Bytes(44, 0)});
        pieces.push_back({retailBase, std::move(table)});
        pieces.push_back({retailBase + tableBytes, guard});
        end = retailBase + tableBytes + 44;
    } else {
        auto paths = gameFilePaths(recipe.gameCode);
        if (paths.empty())
            return fail("cannot read the file list " + std::string(QUILLMARK_SAMPLES_DIR) +
                        "/dp_nitrofs_files.txt");
        std::string narcPath = recipe.narcPath;
        const std::string gamePath = speciesArchivePath(recipe.gameCode);
        if (narcPath.empty())
            narcPath = gamePath;
        else
            std::replace(paths.begin(), paths.end(), gamePath, narcPath);
        const std::string leftoverPath =
            recipe.leftoverPath.empty() ? leftoverPathOf(recipe.gameCode) : recipe.leftoverPath;
        if (!leftoverPath.empty() && std::find(paths.begin(), paths.end(), leftoverPath) == paths.end())
            paths.insert(std::find(paths.begin(), paths.end(), narcPath), leftoverPath);
        const int members = narcMembersOf(recipe.gameCode);
        std::vector<std::string> byId;
        const Bytes fnt = buildFnt(paths, kOverlayFiles, byId);
        const int fileCount = kOverlayFiles + static_cast<int>(byId.size());
        const bool retail = recipe.layout == Layout::Retail;
        // The ARM9 overlays take the first file IDs; their table lies after the header.
        std::vector<OverlayImage> overlays;
        for (int id = 0; id < kOverlayFiles; ++id)
            overlays.push_back(overlayOf(recipe, id));
        Bytes overlayEntries = overlayTable(overlays);
        layout.overlayTableOffset = 0x200;
        put32(header, 0x50, static_cast<std::uint32_t>(layout.overlayTableOffset));
        put32(header, 0x54, static_cast<std::uint32_t>(overlayEntries.size()));
        layout.fntOffset = retail ? 0x4000 : alignUp(layout.overlayTableOffset + static_cast<std::int64_t>(overlayEntries.size()), 4);
        layout.fntSize = static_cast<std::int64_t>(fnt.size());
        layout.fatOffset = alignUp(layout.fntOffset + layout.fntSize, retail ? 0x200 : 4);
        layout.fatSize = 8 * fileCount;
        const std::int64_t align = retail ? 0x200 : 4;
        std::int64_t cursor = retail ? alignUp(layout.fatOffset + layout.fatSize, 0x200) : 0x4000;
        if (cursor < layout.fatOffset + layout.fatSize)
            return fail("the file tables do not fit before the files");
        Bytes fat(static_cast<std::size_t>(layout.fatSize), 0);
        const auto moveArchives = species::moveArchivePaths(recipe.gameCode);
        std::vector<int> order;
        int lastId = -1;
        for (int id = 0; id < fileCount; ++id) {
            const bool levelUp = id >= kOverlayFiles && byId[static_cast<std::size_t>(id - kOverlayFiles)] == moveArchives.levelUp;
            if (levelUp && recipe.levelUpLast)
                lastId = id;
            else
                order.push_back(id);
        }
        if (lastId >= 0)
            order.push_back(lastId);
        for (const int id : order) {
            const std::string name = id >= kOverlayFiles ? byId[static_cast<std::size_t>(id - kOverlayFiles)] : "";
            const bool isNarc = name == narcPath;
            const bool isLeftover = !leftoverPath.empty() && name == leftoverPath;
            const bool isLevelUp = name == moveArchives.levelUp, isEvolution = name == moveArchives.evolutions;
            const bool isEggTable = name == "a/2/2/9" || name == "data/kowaza.narc";
            const bool isTutorRecords = name == "fielddata/wazaoshie/waza_oshie.bin";
            const bool isTexts = recipe.textArchive && name == textArchivePathOf(recipe.gameCode);
            Bytes content = id < kOverlayFiles ? overlays[static_cast<std::size_t>(id)].stored
                            : isEggTable       ? buildNarcOf({eggMoveTableOf(recipe.gameCode)})
                            : isTutorRecords   ? tutorCompatibilityOf(recipe.gameCode)
                            : isNarc        ? buildNarc(records, static_cast<std::uint32_t>(members), recipe.members)
                            : isLeftover  ? buildNarc(diamondRecords(), 501)
                            : isLevelUp   ? buildNarcOf(recipe.levelUpMembers.empty() ? levelUpMembersOf(recipe.gameCode)
                                                                                     : recipe.levelUpMembers)
                            : isEvolution ? buildNarcOf(evolutionMembersOf(recipe.gameCode))
                            : isTexts     ? textArchiveFor(recipe.gameCode, recipe.speciesNames.empty()
                                                                               ? sampleSpeciesNames()
                                                                               : recipe.speciesNames,
                                                          recipe.namesBankCopy)
                                          : filler(id);
            if (id == 1)
                layout.overlay1Start = cursor;
            if (id == 5)
                layout.overlay5Start = cursor;
            if (isLevelUp) {
                layout.levelUpFileId = id;
                layout.levelUpStart = cursor;
                layout.levelUpEnd = cursor + static_cast<std::int64_t>(content.size());
            }
            if (isEvolution) {
                layout.evolutionStart = cursor;
                layout.evolutionEnd = cursor + static_cast<std::int64_t>(content.size());
            }
            if (isLeftover) {
                layout.leftoverPath = leftoverPath;
                layout.leftoverStart = cursor;
                layout.leftoverEnd = cursor + static_cast<std::int64_t>(content.size());
            }
            if (isNarc) {
                if (retail && placed) {
                    const std::int64_t at = retailBase - narcMemberOffset(1, members);
                    if (at < cursor)
                        return fail("the table start leaves no room for the files before it");
                    cursor = at;
                }
                layout.narcStart = cursor;
                layout.narcEnd = cursor + static_cast<std::int64_t>(content.size());
                layout.narcFileId = id;
                layout.narcPath = narcPath;
                layout.narcMembers = recipe.members.empty() ? members : static_cast<int>(recipe.members.size());
                layout.tableBase = cursor + narcMemberOffset(1, layout.narcMembers);
            }
            std::int64_t fileEnd = cursor + static_cast<std::int64_t>(content.size());
            if (!retail && id == order.back()) {
                // Lies over the retail table with bytes that are no species data.
                fileEnd = std::max(fileEnd, retailBase + tableBytes + 0x1000);
                Bytes over(static_cast<std::size_t>(tableBytes + 0x2000));
                for (std::size_t k = 0; k < over.size(); ++k)
                    over[k] = static_cast<std::uint8_t>(k * 31 % 255 + 1);
                pieces.push_back({retailBase - 0x1000, std::move(over)});
            }
            if (id == layout.levelUpFileId + 1 && layout.levelUpFileId >= 0)
                layout.afterLevelUp = cursor;
            put32(fat, static_cast<std::size_t>(id) * 8, static_cast<std::uint32_t>(cursor));
            put32(fat, static_cast<std::size_t>(id) * 8 + 4, static_cast<std::uint32_t>(fileEnd));
            pieces.push_back({cursor, std::move(content)});
            end = std::max(end, fileEnd);
            cursor = alignUp(fileEnd, align);
        }
        pieces.push_back({layout.fntOffset, fnt});
        pieces.push_back({layout.overlayTableOffset, std::move(overlayEntries)});
        pieces.push_back({layout.fatOffset, std::move(fat)});
    }
    std::int64_t size = recipe.fileSize;
    if (size == 0)
        size = (end + (1 << 20)) & ~std::int64_t{(1 << 20) - 1};
    if (recipe.tail == Tail::Trimmed)
        size = end;
    int shift = 0;
    while ((std::int64_t{128 * 1024} << shift) < std::max(size, end))
        ++shift;
    const std::int64_t capacity = std::int64_t{128 * 1024} << shift;
    if (recipe.tail == Tail::Padded || recipe.tail == Tail::Full) {
        size = capacity;
        pieces.push_back({end, Bytes(static_cast<std::size_t>(capacity - end), 0xFF)});
    }
    const std::int64_t used = recipe.tail == Tail::Full ? capacity : end;
    header[0x14] = static_cast<std::uint8_t>(shift);
    finishHeader(header, layout.fntOffset, layout.fntSize, layout.fatOffset, layout.fatSize, used);
    pieces.push_back({0, std::move(header)});
    layout.usedSize = used;
    layout.capacity = capacity;
    layout.fileSize = size;

    // Sparse where the system allows it: the size is set first, and only the pieces
    // are written.
    {
        std::ofstream create(platform::nativePath(path), std::ios::binary | std::ios::trunc);
        if (!create)
            return fail("cannot create " + path + ": " + std::strerror(errno));
    }
    std::error_code sized;
    std::filesystem::resize_file(platform::nativePath(path), static_cast<std::uintmax_t>(size), sized);
    bool ok = !sized;
    std::fstream out(platform::nativePath(path), std::ios::binary | std::ios::in | std::ios::out);
    for (const auto& piece : pieces) {
        // An image may be cut short on purpose: write only what fits.
        if (!ok || piece.at >= size)
            continue;
        const auto n = std::min<std::int64_t>(static_cast<std::int64_t>(piece.bytes.size()), size - piece.at);
        out.seekp(piece.at);
        out.write(reinterpret_cast<const char*>(piece.bytes.data()), static_cast<std::streamsize>(n));
        ok = static_cast<bool>(out);
    }
    out.close();
    if (!out)
        ok = false;
    if (layoutOut)
        *layoutOut = layout;
    return ok ? true : fail("cannot write " + path + ": " + std::strerror(errno));
}

} // namespace quillmark::romimage
