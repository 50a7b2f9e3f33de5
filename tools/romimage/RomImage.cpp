#include "RomImage.h"

#include "species/SpeciesRecord.h"

#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

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

std::optional<std::vector<Record>> readPersonalCsv(const std::string& path, std::string* error)
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
        // index, name, 23 byte or word columns, tm_hex
        if (cells.size() != 26 || cells[25].size() != 32) {
            if (error)
                *error = path + ": malformed row " + std::to_string(records.size());
            return std::nullopt;
        }
        Record r{};
        auto num = [&](int column) { return std::stoul(cells[static_cast<std::size_t>(column)]); };
        for (int k = 0; k < 10; ++k)  // hp..base_exp: record bytes 0..9
            r[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(num(2 + k));
        auto word = [&](std::size_t at, unsigned long value) {
            r[at] = static_cast<std::uint8_t>(value & 0xFF);
            r[at + 1] = static_cast<std::uint8_t>(value >> 8);
        };
        word(10, num(12));  // ev yield
        word(12, num(13));  // item1
        word(14, num(14));  // item2
        for (int k = 0; k < 10; ++k)  // gender..color: record bytes 16..25
            r[static_cast<std::size_t>(16 + k)] = static_cast<std::uint8_t>(num(15 + k));
        for (std::size_t k = 0; k < 16; ++k)
            r[28 + k] = static_cast<std::uint8_t>(std::stoul(cells[25].substr(k * 2, 2), nullptr, 16));
        records.push_back(r);
    }
    if (records.size() != static_cast<std::size_t>(species::kSpeciesCount)) {
        if (error)
            *error = path + ": expected 493 species";
        return std::nullopt;
    }
    return records;
}

bool writeRomImage(const std::string& path, const ImageRecipe& recipe, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    std::int64_t base = recipe.tableBase;
    if (base < 0) {
        const auto text = species::tableBaseFor(recipe.gameCode);
        base = text ? std::stoll(*text) : 0x1C15A08;
    }
    const auto records = recipe.records.empty() ? syntheticRecords() : recipe.records;
    const std::int64_t tableEnd = base + std::int64_t{44} * static_cast<std::int64_t>(records.size());
    std::int64_t size = recipe.fileSize;
    if (size == 0)
        size = (tableEnd + 44 + (1 << 20)) & ~std::int64_t{(1 << 20) - 1};

    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return fail("cannot create " + path + ": " + std::strerror(errno));
    bool ok = ::ftruncate(fd, static_cast<off_t>(size)) == 0;
    auto put = [&](std::int64_t at, const void* data, std::size_t n) {
        // An image may be cut short on purpose: write only what fits.
        if (!ok || at >= size)
            return;
        n = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(n), size - at));
        ok = ::pwrite(fd, data, n, static_cast<off_t>(at)) == static_cast<ssize_t>(n);
    };
    const char title[12] = {'P', 'O', 'K', 'E', 'M', 'O', 'N', ' ', recipe.gameCode.size() > 1 && recipe.gameCode[1] == 'P' ? 'P' : 'D'};
    put(0, title, sizeof title);
    put(12, recipe.gameCode.data(), std::min<std::size_t>(recipe.gameCode.size(), 4));
    Record guard;
    guard.fill(kGuardByte);
    if (base >= 44 + 16)
        put(base - 44, guard.data(), guard.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        put(base + static_cast<std::int64_t>(i) * 44, records[i].data(), records[i].size());
    put(tableEnd, guard.data(), guard.size());
    if (::close(fd) != 0)
        ok = false;
    return ok ? true : fail("cannot write " + path + ": " + std::strerror(errno));
}

} // namespace quillmark::romimage
