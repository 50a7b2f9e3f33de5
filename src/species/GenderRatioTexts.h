#pragma once

#include "platform/Conversions.h"

#include <string>
#include <vector>

namespace quillmark::species {

// The 256 entries of the gender-ratio list: entry k (0..254) shows the share of
// males and females for gender byte k, e.g. "99.60% M 0.393% F "; entry 255 is "None".
std::vector<std::string> makeGenderRatioTexts(const platform::NumberFormat& format);

} // namespace quillmark::species
