#include "platform/Conversions.h"

#include <gtest/gtest.h>

#include <clocale>

using namespace quillmark::platform;

namespace {

const NumberFormat kEnglish{"."};
const NumberFormat kGerman{","};

TEST(Conversions, DoubleToTextKeepsFifteenDigitsWithoutTrailingZeros)
{
    struct Case {
        double value;
        const char* english;
        const char* german;
    } cases[] = {
        {100.0, "100", "100"},
        {0.0, "0", "0"},
        {50.0, "50", "50"},
        {100.0 / 254.0, "0.393700787401575", "0,393700787401575"},
        {100.0 - 100.0 / 254.0, "99.6062992125984", "99,6062992125984"},
        {2.5, "2.5", "2,5"},
        {0.04, "0.04", "0,04"},
        {-1.25, "-1.25", "-1,25"},
        {123456789012345678.0, "123456789012345680", "123456789012345680"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(doubleToText(c.value, kEnglish), c.english) << c.value;
        EXPECT_EQ(doubleToText(c.value, kGerman), c.german) << c.value;
    }
}

TEST(Conversions, TextToDoubleFollowsTheUsersSeparator)
{
    EXPECT_EQ(textToDouble("2.5", kEnglish), 2.5);
    EXPECT_EQ(textToDouble("2,5", kGerman), 2.5);
    EXPECT_EQ(textToDouble(" 255 ", kEnglish), 255.0);
    EXPECT_EQ(textToDouble("-1", kEnglish), -1.0);
    EXPECT_EQ(textToDouble(".5", kEnglish), 0.5);
    EXPECT_EQ(textToDouble("1e2", kEnglish), 100.0);
    for (const char* notANumber : {"", " ", "abc", "1,,", "1.2.3", "+", "-", "1e", "0x10",
                                   "12a", "inf", "nan", "1e999"}) {
        EXPECT_FALSE(textToDouble(notANumber, kEnglish)) << notANumber;
    }
    // The other locale's separator is not a number in this one.
    EXPECT_FALSE(textToDouble("2,5", kEnglish));
    EXPECT_FALSE(textToDouble("2.5", kGerman));
    EXPECT_FALSE(textToDouble("1,,", kGerman));
}

TEST(Conversions, HexDigitsReadAsSixteenBitTwosComplement)
{
    EXPECT_EQ(hexToInt("00"), 0);
    EXPECT_EQ(hexToInt("FF"), 255);
    EXPECT_EQ(hexToInt("ff"), 255);
    EXPECT_EQ(hexToInt("0134"), 308);
    EXPECT_EQ(hexToInt("7FFF"), 32767);
    EXPECT_EQ(hexToInt("8000"), -32768);
    EXPECT_EQ(hexToInt("FFFF"), -1);
    for (const char* bad : {"", "G1", " 1", "12345", "-1"})
        EXPECT_FALSE(hexToInt(bad)) << bad;
}

TEST(Conversions, NumberToHexRoundsHalfToEven)
{
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(0.4), 0);
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(254.5), 254);
    EXPECT_EQ(roundHalfEven(254.51), 255);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(toHex(0), "0");
    EXPECT_EQ(toHex(10), "A");
    EXPECT_EQ(toHex(255), "FF");
    EXPECT_EQ(toHex(464), "1D0");
    EXPECT_EQ(toHex(-1), "FFFF");
    EXPECT_EQ(toHex(-40000), "FFFF63C0");
}

TEST(Conversions, IgnoreTheLocaleOfTheProcess)
{
    // The window sets the C library's locale from the session: in a German one printf
    // writes "," and strtod stops at ".". The conversions must not notice.
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (make test installs it)";
    const NumberFormat comma{","}, point{"."};
    const auto half = quillmark::platform::textToDouble("3,5", comma);
    const auto fifty = quillmark::platform::doubleToText(50.0, comma);
    const auto share = quillmark::platform::doubleToText(99.60629921259843, point);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(half, 3.5);
    EXPECT_EQ(fifty, "50");
    EXPECT_EQ(share.substr(0, 6), "99.606");
}

} // namespace
