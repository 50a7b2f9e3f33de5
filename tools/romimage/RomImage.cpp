#include "RomImage.h"

#include "platform/FileServices.h"
#include "species/MoveArchives.h"
#include "species/SpeciesRecord.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <fstream>
#include <sstream>

namespace quillmark::romimage {

std::vector<Record> syntheticRecords()
{
    std::vector<Record> records(species::kSpeciesCount);
    for (std::size_t i = 0; i < records.size(); ++i) {
        for (std::size_t j = 0; j < records[i].size(); ++j)
            records[i][j] = static_cast<std::uint8_t>((i * 37 + j * 11 + 7 + (i >> 3) * j) & 0xFF);
    }
    return records;
}

namespace {

// One CSV row of record bytes whose hp column is `first`: 23 byte or word columns,
// then tm_hex.
std::optional<Record> recordOfRow(const std::vector<std::string>& cells, std::size_t first)
{
    if (cells.size() != first + 24 || cells[first + 23].size() != 32)
        return std::nullopt;
    Record r{};
    auto num = [&](std::size_t column) { return std::stoul(cells[first + column]); };
    for (std::size_t k = 0; k < 10; ++k)  // hp..base_exp: record bytes 0..9
        r[k] = static_cast<std::uint8_t>(num(k));
    auto word = [&](std::size_t at, unsigned long value) {
        r[at] = static_cast<std::uint8_t>(value & 0xFF);
        r[at + 1] = static_cast<std::uint8_t>(value >> 8);
    };
    word(10, num(10));  // ev yield
    word(12, num(11));  // item1
    word(14, num(12));  // item2
    for (std::size_t k = 0; k < 10; ++k)  // gender..color: record bytes 16..25
        r[16 + k] = static_cast<std::uint8_t>(num(13 + k));
    for (std::size_t k = 0; k < 16; ++k)
        r[28 + k] = static_cast<std::uint8_t>(std::stoul(cells[first + 23].substr(k * 2, 2), nullptr, 16));
    return r;
}

std::optional<std::vector<Record>> readRecordsCsv(const std::string& path, std::size_t first,
                                                  std::initializer_list<std::size_t> expected,
                                                  std::string* error)
{
    std::ifstream in(path);
    if (!in) {
        if (error)
            *error = "cannot read " + path;
        return std::nullopt;
    }
    std::string line;
    std::getline(in, line);  // header
    std::vector<Record> records;
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        std::vector<std::string> cells;
        std::stringstream row(line);
        for (std::string cell; std::getline(row, cell, ',');)
            cells.push_back(cell);
        const auto record = recordOfRow(cells, first);
        if (!record) {
            if (error)
                *error = path + ": malformed row " + std::to_string(records.size());
            return std::nullopt;
        }
        records.push_back(*record);
    }
    if (std::find(expected.begin(), expected.end(), records.size()) == expected.end()) {
        if (error) {
            *error = path + ": expected " + std::to_string(*expected.begin());
            for (auto it = expected.begin() + 1; it != expected.end(); ++it)
                *error += " or " + std::to_string(*it);
            *error += " rows";
        }
        return std::nullopt;
    }
    return records;
}

} // namespace

std::optional<std::vector<Record>> readPersonalCsv(const std::string& path, std::string* error)
{
    return readRecordsCsv(path, 2, {species::kSpeciesCount}, error);
}

std::optional<std::vector<Record>> readPersonalMembersCsv(const std::string& path, std::string* error)
{
    // Diamond and Pearl have 501 members, the later games 508.
    return readRecordsCsv(path, 3, {501, 508}, error);
}

namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::size_t at, std::uint32_t v)
{
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(Bytes& b, std::size_t at, std::uint32_t v)
{
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

void append(Bytes& b, std::string_view text)
{
    const auto at = b.size();
    b.resize(at + text.size());
    std::memcpy(b.data() + at, text.data(), text.size());
}

std::int64_t alignUp(std::int64_t v, std::int64_t to) { return (v + to - 1) / to * to; }

// Stand-ins for the ARM9 overlays, which take the first file IDs in a real ROM.
constexpr int kOverlayFiles = 86;

// The file name table of `paths`; `byId` gets the paths in file-ID order, from
// firstFileId on. Files of a directory come before its sub-directories.
Bytes buildFnt(const std::vector<std::string>& paths, int firstFileId, std::vector<std::string>& byId)
{
    struct Dir {
        std::string path;  // with a trailing '/', "" for the root
        int parent = 0;
        std::vector<std::string> files;
        std::vector<int> subdirs;
    };
    std::vector<Dir> dirs(1);
    std::map<std::string, int> index{{"", 0}};
    for (const auto& path : paths) {
        int dir = 0;
        std::size_t from = 0;
        for (auto slash = path.find('/'); slash != std::string::npos; slash = path.find('/', from)) {
            const std::string sub = path.substr(0, slash + 1);
            auto [at, added] = index.emplace(sub, static_cast<int>(dirs.size()));
            if (added) {
                dirs.push_back({sub, dir, {}, {}});
                dirs[static_cast<std::size_t>(dir)].subdirs.push_back(at->second);
            }
            dir = at->second;
            from = slash + 1;
        }
        dirs[static_cast<std::size_t>(dir)].files.push_back(path.substr(from));
    }

    Bytes fnt(dirs.size() * 8, 0);
    int fileId = firstFileId;
    for (std::size_t d = 0; d < dirs.size(); ++d) {
        const auto& dir = dirs[d];
        put32(fnt, d * 8, static_cast<std::uint32_t>(fnt.size()));
        put16(fnt, d * 8 + 4, static_cast<std::uint32_t>(fileId));
        put16(fnt, d * 8 + 6, d == 0 ? static_cast<std::uint32_t>(dirs.size())
                                     : 0xF000u + static_cast<std::uint32_t>(dir.parent));
        for (const auto& name : dir.files) {
            fnt.push_back(static_cast<std::uint8_t>(name.size()));
            append(fnt, name);
            byId.push_back(dir.path + name);
            ++fileId;
        }
        for (const int sub : dir.subdirs) {
            const auto& subPath = dirs[static_cast<std::size_t>(sub)].path;
            const auto slash = subPath.rfind('/', subPath.size() - 2);
            const std::string name = subPath.substr(slash == std::string::npos ? 0 : slash + 1,
                                                    subPath.size() - 1 - (slash == std::string::npos ? 0 : slash + 1));
            fnt.push_back(static_cast<std::uint8_t>(0x80 | name.size()));
            append(fnt, name);
            fnt.push_back(0);
            fnt.push_back(0);
            put16(fnt, fnt.size() - 2, 0xF000u + static_cast<std::uint32_t>(sub));
        }
        fnt.push_back(0);
    }
    return fnt;
}

// Any archive of whole members, back to back, as the games' tools write them.
Bytes buildNarcOf(const std::vector<Bytes>& members)
{
    const auto n = static_cast<std::uint32_t>(members.size());
    Bytes narc;
    append(narc, "NARC");
    append(narc, std::string_view("\xFE\xFF\x00\x01\0\0\0\0\x10\0\x03\0", 12));
    append(narc, "BTAF");
    const std::size_t btaf = narc.size() - 4;
    narc.resize(narc.size() + 8 + 8 * n, 0);
    put32(narc, btaf + 4, 12 + 8 * n);
    put16(narc, btaf + 8, n);
    std::uint32_t offset = 0;
    for (std::uint32_t k = 0; k < n; ++k) {
        put32(narc, btaf + 12 + 8 * k, offset);
        offset += static_cast<std::uint32_t>(members[k].size());
        put32(narc, btaf + 16 + 8 * k, offset);
    }
    append(narc, "BTNF");
    append(narc, std::string_view("\x10\0\0\0\x04\0\0\0\0\0\x01\0", 12));
    append(narc, "GMIF");
    narc.resize(narc.size() + 4, 0);
    put32(narc, narc.size() - 4, 8 + offset);
    for (const auto& member : members)
        narc.insert(narc.end(), member.begin(), member.end());
    put32(narc, 8, static_cast<std::uint32_t>(narc.size()));
    return narc;
}

// Member 0 empty, then the records, then filler records up to n members; or, when
// members is given, exactly those.
Bytes buildNarc(const std::vector<Record>& records, std::uint32_t n, const std::vector<Record>& members = {})
{
    if (!members.empty())
        n = static_cast<std::uint32_t>(members.size());
    std::vector<Bytes> all(n, Bytes(44, 0));
    for (std::uint32_t k = members.empty() ? 1 : 0; k < n; ++k) {
        for (std::uint32_t j = 0; j < 44; ++j) {
            const std::size_t i = k - 1;
            all[k][j] = !members.empty()    ? members[k][j]
                        : i < records.size() ? records[i][j]
                                             : static_cast<std::uint8_t>(k * 13 + j * 5 + 1);
        }
    }
    return buildNarcOf(all);
}

std::vector<std::vector<std::string>> csvRows(const std::string& name)
{
    std::ifstream in(std::string(QUILLMARK_SAMPLES_DIR) + "/" + name);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream row(line);
        for (std::string cell; std::getline(row, cell, ',');)
            cells.push_back(cell);
        if (!cells.empty())
            rows.push_back(std::move(cells));
    }
    return rows;
}

} // namespace

std::string learnsetCsvOf(const std::string& gameCode)
{
    if (gameCode.starts_with("CPU"))
        return "pt_learnsets.csv";
    if (gameCode.starts_with("IPK") || gameCode.starts_with("IPG"))
        return "hgss_learnsets.csv";
    return "dp_learnsets.csv";
}

std::vector<Bytes> levelUpMembersOf(const std::string& gameCode)
{
    // member,entry,level,move_id,move_name; every word move | level << 9, then 0xFFFF
    // and zeros up to a multiple of 4.
    std::vector<Bytes> members(static_cast<std::size_t>(narcMembersOf(gameCode)));
    for (const auto& row : csvRows(learnsetCsvOf(gameCode))) {
        auto& member = members.at(std::stoul(row[0]));
        const auto word = static_cast<std::uint32_t>(std::stoul(row[3]) | std::stoul(row[2]) << 9);
        member.push_back(static_cast<std::uint8_t>(word));
        member.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    for (auto& member : members) {
        member.push_back(0xFF);
        member.push_back(0xFF);
        member.resize((member.size() + 3) / 4 * 4, 0);
    }
    return members;
}

std::vector<Bytes> evolutionMembersOf(const std::string& gameCode)
{
    // member,slot,method_id,parameter,target_member: three words a slot, 7 slots and 2
    // zero bytes a member.
    std::vector<Bytes> members(static_cast<std::size_t>(narcMembersOf(gameCode)), Bytes(44, 0));
    for (const auto& row : csvRows("gen4_evolutions.csv")) {
        auto& member = members.at(std::stoul(row[0]));
        const auto at = 6 * std::stoul(row[1]);
        for (std::size_t k = 0; k < 3; ++k)
            put16(member, at + 2 * k, static_cast<std::uint32_t>(std::stoul(row[2 + k])));
    }
    return members;
}

namespace {

const std::vector<Record>& diamondRecords()
{
    static const auto records =
        readPersonalCsv(std::string(QUILLMARK_SAMPLES_DIR) + "/dp_personal.csv", nullptr)
            .value_or(std::vector<Record>{});
    return records;
}

Bytes filler(int fileId)
{
    Bytes bytes(static_cast<std::size_t>(48 + fileId * 53 % 400));
    for (std::size_t k = 0; k < bytes.size(); ++k)
        bytes[k] = static_cast<std::uint8_t>((fileId * 7 + static_cast<int>(k)) % 251 + 1);
    return bytes;
}

} // namespace

int narcMembersOf(const std::string& gameCode)
{
    return gameCode.starts_with("CPU") || gameCode.starts_with("IPK") || gameCode.starts_with("IPG")
               ? 508
               : 501;
}

std::string speciesArchivePath(const std::string& gameCode)
{
    if (gameCode.starts_with("APA"))
        return "poketool/personal_pearl/personal.narc";
    if (gameCode.starts_with("CPU"))
        return "poketool/personal/pl_personal.narc";
    if (gameCode.starts_with("IPK") || gameCode.starts_with("IPG"))
        return "a/0/0/2";
    return "poketool/personal/personal.narc";
}

namespace {

// Diamond's archive, which Platinum and HG/SS carry without reading it.
std::string leftoverPathOf(const std::string& gameCode)
{
    if (gameCode.starts_with("CPU"))
        return "poketool/personal/personal.narc";
    if (gameCode.starts_with("IPK") || gameCode.starts_with("IPG"))
        return "pbr/personal.narc";
    return "";
}

} // namespace

std::vector<std::string> gameFilePaths(const std::string& gameCode)
{
    const std::string list = gameCode.starts_with("CPU") ? "pt_nitrofs_files.txt"
                             : gameCode.starts_with("IPK") || gameCode.starts_with("IPG")
                                 ? "hgss_nitrofs_files.txt"
                                 : "dp_nitrofs_files.txt";
    std::ifstream in(std::string(QUILLMARK_SAMPLES_DIR) + "/" + list);
    std::vector<std::string> paths;
    for (std::string line; std::getline(in, line);) {
        if (line.empty())
            continue;
        if (line == "poketool/personal/personal.narc" && gameCode.starts_with("APA"))
            line = "poketool/personal_pearl/personal.narc";
        paths.push_back(line);
    }
    return paths;
}

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
    Bytes header(0x200, 0);
    const std::string title = std::string("POKEMON ") +
                              (recipe.gameCode.size() > 1 && recipe.gameCode[1] == 'P' ? "P" : "D");
    std::copy(title.begin(), title.end(), header.begin());
    std::copy_n(recipe.gameCode.begin(), std::min<std::size_t>(recipe.gameCode.size(), 4),
                header.begin() + 12);
    header[0x10] = '0';
    header[0x11] = '1';
    put32(header, 0x84, 0x4000);

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
        layout.fntOffset = retail ? 0x4000 : 0x200;
        layout.fntSize = static_cast<std::int64_t>(fnt.size());
        layout.fatOffset = alignUp(layout.fntOffset + layout.fntSize, retail ? 0x200 : 4);
        layout.fatSize = 8 * fileCount;
        const std::int64_t align = retail ? 0x200 : 4;
        std::int64_t cursor = retail ? alignUp(layout.fatOffset + layout.fatSize, 0x200) : 0x4000;
        if (cursor < layout.fatOffset + layout.fatSize)
            return fail("the file tables do not fit before the files");
        Bytes fat(static_cast<std::size_t>(layout.fatSize), 0);
        for (int id = 0; id < fileCount; ++id) {
            const std::string name = id >= kOverlayFiles ? byId[static_cast<std::size_t>(id - kOverlayFiles)] : "";
            const bool isNarc = name == narcPath;
            const bool isLeftover = !leftoverPath.empty() && name == leftoverPath;
            const auto moveArchives = species::moveArchivePaths(recipe.gameCode);
            const bool isLevelUp = name == moveArchives.levelUp, isEvolution = name == moveArchives.evolutions;
            Bytes content = isNarc        ? buildNarc(records, static_cast<std::uint32_t>(members), recipe.members)
                            : isLeftover  ? buildNarc(diamondRecords(), 501)
                            : isLevelUp   ? buildNarcOf(recipe.levelUpMembers.empty() ? levelUpMembersOf(recipe.gameCode)
                                                                                     : recipe.levelUpMembers)
                            : isEvolution ? buildNarcOf(evolutionMembersOf(recipe.gameCode))
                                          : filler(id);
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
            if (!retail && id == fileCount - 1) {
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
        put32(header, 0x40, static_cast<std::uint32_t>(layout.fntOffset));
        put32(header, 0x44, static_cast<std::uint32_t>(layout.fntSize));
        put32(header, 0x48, static_cast<std::uint32_t>(layout.fatOffset));
        put32(header, 0x4C, static_cast<std::uint32_t>(layout.fatSize));
        pieces.push_back({layout.fntOffset, fnt});
        pieces.push_back({layout.fatOffset, std::move(fat)});
    }
    put32(header, 0x80, static_cast<std::uint32_t>(end));
    put16(header, 0x15E, rom::headerCrc16(header.data(), 0x15E));
    pieces.push_back({0, std::move(header)});

    std::int64_t size = recipe.fileSize;
    if (size == 0)
        size = (end + (1 << 20)) & ~std::int64_t{(1 << 20) - 1};

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
