#include "species/GenderRatioTexts.h"

#include <cstdint>

namespace quillmark::species {

namespace {

// Cut, not rounded: 99.6062... shows as "99.60". Counts characters, not bytes,
// so a separator outside ASCII still counts as one.
std::string firstFive(const std::string& text)
{
    std::size_t bytes = 0;
    for (int chars = 0; chars < 5 && bytes < text.size(); ++chars) {
        ++bytes;
        while (bytes < text.size() && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80)
            ++bytes;
    }
    return text.substr(0, bytes);
}

} // namespace

std::vector<std::string> makeGenderRatioTexts(const platform::NumberFormat& format)
{
    std::vector<std::string> texts;
    texts.reserve(256);
    for (std::int16_t i = 0; i <= 254; ++i) {
        const std::int16_t percent = static_cast<std::int16_t>(i * 100);  // at most 25400
        const double female = static_cast<double>(percent) / 254.0;
        const double male = 100.0 - female;
        texts.push_back(firstFive(platform::doubleToText(male, format)) + "% M " +
                        firstFive(platform::doubleToText(female, format)) + "% F ");
    }
    texts.emplace_back("None");
    return texts;
}

} // namespace quillmark::species
