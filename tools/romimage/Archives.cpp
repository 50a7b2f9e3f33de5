// The archives an image carries: NARCs of whole members, the games' level-up move and
// evolution archives from the reference tables, filler for every other file.
#include "ImageParts.h"

#include <fstream>
#include <sstream>

namespace quillmark::romimage {

namespace parts {

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

} // namespace parts

namespace parts {

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
Bytes buildNarc(const std::vector<Record>& records, std::uint32_t n, const std::vector<Record>& members)
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

Bytes filler(int fileId)
{
    Bytes bytes(static_cast<std::size_t>(48 + fileId * 53 % 400));
    for (std::size_t k = 0; k < bytes.size(); ++k)
        bytes[k] = static_cast<std::uint8_t>((fileId * 7 + static_cast<int>(k)) % 251 + 1);
    return bytes;
}

} // namespace parts

using namespace parts;

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

} // namespace quillmark::romimage
