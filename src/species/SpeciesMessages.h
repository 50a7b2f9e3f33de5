#pragma once

#include "species/SpeciesEditor.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillmark::species {

inline constexpr std::string_view kUnsupportedRom = "Unsupported ROM";
inline constexpr std::string_view kNumbersOutOfRange =
    "Please enter Base Stat values between 0 and 255.";
inline constexpr std::string_view kSavedSuccessfully = "Pokémon Data Saved Successfully!";

enum class SpeciesOperation { Load, Save };

// Why a file is an "Unsupported ROM", in the words the command line and the message
// box's details share: too short for a header, or a game code of another game.
inline constexpr std::string_view kTooShortForARom = "the file is too short to be a ROM";
std::string unsupportedRomReason(std::string_view gameCode);

// The warning a user sees for a failed load or save. Empty for failures that the
// "Error: N" box has already shown and that need no second word (a failed read).
std::string userMessage(const SpeciesError& error, SpeciesOperation operation);
// The failed read or write that the window shows in the "Error: N" box before that
// warning, if there was one.
std::optional<platform::FileError> fileErrorToShow(const SpeciesError& error);

} // namespace quillmark::species
