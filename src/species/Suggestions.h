#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillmark::species {

// The one rule for what a typed text that names nothing may have meant, for every box
// and sheet that takes a name (moves, species, items): the names it is the start of,
// as names are matched (any case, blanks, dots and hyphens aside); else the names that
// hold it; else the nearest by spelling. Up to five, then "and N more"; "" for none.
std::string suggestedNames(std::string_view text, const std::vector<std::string_view>& names);
// "; did you mean Dragon Claw, Dragon Dance?" or "" when nothing is near.
std::string didYouMean(std::string_view text, const std::vector<std::string_view>& names);

} // namespace quillmark::species
