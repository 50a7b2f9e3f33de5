// The species records an image carries: synthetic ones, or the games' own from the
// tables in samples/.
#include "ImageParts.h"

#include "species/SpeciesRecord.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace quillmark::romimage {

using namespace parts;

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

namespace parts {

const std::vector<Record>& diamondRecords()
{
    static const auto records =
        readPersonalCsv(std::string(QUILLMARK_SAMPLES_DIR) + "/dp_personal.csv", nullptr)
            .value_or(std::vector<Record>{});
    return records;
}

} // namespace parts

} // namespace quillmark::romimage
