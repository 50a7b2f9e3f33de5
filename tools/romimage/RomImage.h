#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Synthetic .nds images for tests and for the sample ROM. Only what the editor
// looks at is real: the game code in the header and the species table.
namespace quillmark::romimage {

using Record = std::array<std::uint8_t, 44>;

// 493 records in which every byte position varies from record to record, with
// codes that name no list entry among them.
std::vector<Record> syntheticRecords();

// The retail species data: one row per species, the 44 record bytes as columns
// (see samples/README.md). Nothing if the file is missing or malformed.
std::optional<std::vector<Record>> readPersonalCsv(const std::string& path, std::string* error);

// Fills the 44 bytes before and after the table in every image, so that a write one
// record too early or too late shows up in a byte comparison.
inline constexpr std::uint8_t kGuardByte = 0xA5;

struct ImageRecipe {
    std::string gameCode = "ADAE";
    std::int64_t tableBase = -1;  // -1: the table start of the game code's language
    std::int64_t fileSize = 0;    // 0: the next MiB above the table's end
    std::vector<Record> records;  // written from list index 0 on; empty: synthetic
};

// Writes a sparse image: zeros except the header's title and game code, the guard
// bytes and the table. Returns false and says why on failure.
bool writeRomImage(const std::string& path, const ImageRecipe& recipe, std::string* error);

} // namespace quillmark::romimage
