#pragma once

#include <array>
#include <string>
#include <string_view>

namespace quillmark::species {

extern const std::array<std::string_view, 493> SpeciesNames;
extern const std::array<std::string_view, 18> TypeNames;
extern const std::array<std::string_view, 465> ItemNames;
extern const std::array<std::string_view, 16> EggGroupNames;
extern const std::array<std::string_view, 124> AbilityNames;

// Entry v reads v x 256: "0", "256", ... "65280".
const std::array<std::string, 256>& HatchStepTexts();

} // namespace quillmark::species
