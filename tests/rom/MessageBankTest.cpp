// The text archive's banks, checked against the worked example of the games' notes
// (HeartGold bank 237, the species names): the header, the first table entry as the
// cartridge stores it, and BULBASAUR's units.
#include "rom/MessageBank.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace quillmark;
using namespace quillmark::test;

namespace {

constexpr std::uint16_t kDash = 0x01BE;  // '-' in the games' character table
const std::vector<std::uint16_t> kBulbasaur = {0x12C, 0x13F, 0x136, 0x12C, 0x12B, 0x13D, 0x12B, 0x13F, 0x13C, 0xFFFF};

// A names bank laid out as the cartridge's: 496 entries, its key 0x782C.
rom::MessageBank namesBank()
{
    rom::MessageBank bank;
    bank.key = 0x782C;
    bank.entries.assign(496, {0xFFFF});
    bank.entries[0] = {kDash, kDash, kDash, kDash, kDash, 0xFFFF};
    bank.entries[1] = kBulbasaur;
    return bank;
}

TEST(MessageBank, LaidOutAsTheCartridgeStoresIt)
{
    const auto bytes = rom::encodeMessageBank(namesBank());
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), (Bytes{0xF0, 0x01, 0x2C, 0x78})) << "496 entries, key 0x782C";
    // Entry 0 at 0xF84 (4 + 8 x 496), 6 units long, each word XORed with 0x1B7C1B7C.
    EXPECT_EQ(Bytes(bytes.begin() + 4, bytes.begin() + 12), (Bytes{0xF8, 0x14, 0x7C, 0x1B, 0x7A, 0x1B, 0x7C, 0x1B}));
    // BULBASAUR right after entry 0's six units; its first key 2 x 596947 = 0x37A6, then
    // 18749 more for each unit.
    const std::size_t bulbasaur = 0xF84 + 2 * 6;
    EXPECT_EQ(Bytes(bytes.begin() + bulbasaur, bytes.begin() + bulbasaur + 4), (Bytes{0x8A, 0x36, 0xDC, 0x81}));

    const auto read = rom::decodeMessageBank(bytes);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->key, 0x782C);
    ASSERT_EQ(read->entries.size(), 496u);
    EXPECT_EQ(read->entries[1], kBulbasaur);
    EXPECT_FALSE(read->damagedEntry);
    EXPECT_EQ(rom::encodeMessageBank(*read), bytes) << "a bank read and written again is the same bytes";
}

// An entry that points outside the bank is named; the others still read.
TEST(MessageBank, ADamagedEntryIsNamedAndTheOthersRead)
{
    auto bytes = rom::encodeMessageBank(namesBank());
    const std::size_t entry3 = 4 + 8 * 3;
    const auto key = static_cast<std::uint16_t>(0x782C * 765 * 4);
    const std::uint32_t past = static_cast<std::uint32_t>(bytes.size()) ^ (key | std::uint32_t{key} << 16);
    for (int b = 0; b < 4; ++b)
        bytes[entry3 + static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(past >> (8 * b));
    const auto read = rom::decodeMessageBank(bytes);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->damagedEntry, 3);
    EXPECT_NE(read->damage.find("entry 3"), std::string::npos) << read->damage;
    EXPECT_EQ(read->entries[1], kBulbasaur);
    EXPECT_TRUE(read->entries[3].empty());
    EXPECT_EQ(read->entries[4], std::vector<std::uint16_t>{0xFFFF});

    EXPECT_FALSE(rom::decodeMessageBank(Bytes{0xF0, 0x01, 0x2C})) << "shorter than its header";
    EXPECT_FALSE(rom::decodeMessageBank(Bytes(bytes.begin(), bytes.begin() + 100))) << "shorter than its table";
}

} // namespace
