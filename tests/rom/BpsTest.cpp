// BPS patches on byte strings made here: the numbers and sums by the format's
// description, a made patch that applies back to its target, and the patch's faults
// told apart from a ROM the patch was not made for.
#include "platform/FileServices.h"
#include "rom/Bps.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace quillmark;
using namespace quillmark::test;

namespace {

// The variable-length numbers: 7 bits a byte, low first, the top bit ending the number,
// each further byte counting from one past what the bytes before could say.
TEST(Bps, NumbersAndSumsByTheFormatsDescription)
{
    const struct {
        std::uint64_t value;
        Bytes encoded;
    } rows[] = {
        {0, {0x80}},
        {127, {0xFF}},
        {128, {0x00, 0x80}},
        {129, {0x01, 0x80}},
        {16511, {0x7F, 0xFF}},
        {16512, {0x00, 0x00, 0x80}},
    };
    for (const auto& row : rows) {
        Bytes out;
        rom::putBpsNumber(out, row.value);
        EXPECT_EQ(out, row.encoded) << row.value;
    }
    // The check value of CRC-32 (ISO-HDLC, as zip computes it).
    const std::string check = "123456789";
    EXPECT_EQ(rom::crc32Of(Bytes(check.begin(), check.end())), 0xCBF43926u);
}

class BpsFiles : public ::testing::Test {
protected:
    std::unique_ptr<platform::OpenFile> file(const std::string& name, const Bytes& bytes)
    {
        const auto path = dir.file(name);
        writeFile(path, bytes);
        return std::move(*platform::fileServices().open(path, platform::FileAccess::Read));
    }

    TempDir dir;
};

// A patch made from two files applies to the first and gives the second, a moved range
// included; given the second, or another file, it says so; damaged, it is the patch's
// fault.
TEST_F(BpsFiles, MadeAppliedAndRefused)
{
    Bytes source(4096);
    for (std::size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    Bytes target = source;
    target[10] = 0xAA;
    // 512 bytes of the source moved to the end, one of them changed there.
    target.insert(target.end(), source.begin() + 1024, source.begin() + 1536);
    target[4096 + 3] ^= 0xFF;
    auto before = file("source.bin", source);
    auto after = file("target.bin", target);
    const auto patch = rom::makeBpsPatch(*before, *after, {{{4096, 4608}, 1024}});
    ASSERT_TRUE(patch);
    EXPECT_EQ(rom::patchFormatOf(*patch), rom::PatchFormat::Bps);
    EXPECT_LT(patch->size(), 200u) << "the moved range is a copy, not its bytes";
    const auto sums = rom::bpsFileSums(*patch);
    ASSERT_TRUE(sums);
    EXPECT_EQ(sums->first, rom::crc32Of(source));
    EXPECT_EQ(sums->second, rom::crc32Of(target));

    const auto applied = rom::applyBpsPatch(*patch, *before);
    ASSERT_TRUE(applied) << applied.error().detail;
    EXPECT_EQ(*applied, target);

    const auto again = rom::applyBpsPatch(*patch, *after);
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error().problem, rom::BpsProblem::OtherSource);
    ASSERT_TRUE(again.error().sums);
    EXPECT_TRUE(again.error().sums->romIsTarget()) << "the patch is applied already";

    auto other = source;
    other[2000] ^= 1;
    const auto wrong = rom::applyBpsPatch(*patch, *file("other.bin", other));
    ASSERT_FALSE(wrong);
    EXPECT_EQ(wrong.error().problem, rom::BpsProblem::OtherSource);
    EXPECT_FALSE(wrong.error().sums->romIsTarget());

    auto damaged = *patch;
    damaged[damaged.size() / 2] ^= 0x01;
    const auto broken = rom::applyBpsPatch(damaged, *before);
    ASSERT_FALSE(broken);
    EXPECT_EQ(broken.error().problem, rom::BpsProblem::PatchDamaged);

    EXPECT_EQ(rom::applyBpsPatch(Bytes{'I', 'P', 'S'}, *before).error().problem, rom::BpsProblem::NotAPatch);
}

} // namespace
