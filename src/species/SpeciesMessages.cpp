#include "species/SpeciesMessages.h"

#include "platform/FileError.h"

namespace quillmark::species {

std::string unsupportedRomReason(std::string_view gameCode)
{
    std::string printable;
    for (const char c : gameCode)
        printable += (c >= 0x20 && c < 0x7F) ? c : '?';
    return "the game code is \"" + printable +
           "\", not one of Diamond, Pearl, Platinum, HeartGold or SoulSilver";
}

std::string userMessage(const SpeciesError& error, SpeciesOperation operation)
{
    const std::string_view nothingDone =
        operation == SpeciesOperation::Save ? "Nothing was written." : "Nothing was read.";
    switch (error.kind) {
    case SpeciesFailure::UnsupportedRom:
        return std::string(kUnsupportedRom);
    case SpeciesFailure::InvalidNumber:
        return std::string(kNumbersOutOfRange);
    case SpeciesFailure::FileUnavailable: {
        std::string text = operation == SpeciesOperation::Save
                               ? "The ROM file cannot be written: "
                               : "The ROM file cannot be read: ";
        if (error.fileError)
            text += platform::errorDescription(*error.fileError);
        return text + " " + std::string(nothingDone);
    }
    case SpeciesFailure::TableNotFound:
        return "The Pokémon data could not be found in this ROM's file table: " + error.detail +
               ". Nothing was read or written.";
    case SpeciesFailure::RomChanged:
        return operation == SpeciesOperation::Save
                   ? "The ROM was changed by another program since this Pokémon was loaded. "
                     "Nothing was written. Pick the Pokémon again to load the current values."
                   : "The ROM file is no longer the one that was opened: another program has "
                     "changed or replaced it. Nothing was read. Open the ROM again.";
    case SpeciesFailure::TableOutsideFile:
        return "The ROM file is too short to hold the Pokémon data table of this game. " +
               std::string(nothingDone);
    case SpeciesFailure::ReadFailed:
        return {};
    case SpeciesFailure::WrittenToReplacedFile:
        return "Another program replaced the ROM file while the Pokémon data was being saved. "
               "The data went into the file that was replaced and is not in the file now at "
               "this path. Open the ROM again and save the Pokémon once more.";
    case SpeciesFailure::InvalidMoveData:
        return "The game cannot take these moves or evolutions: " + error.detail + ". Nothing was written.";
    case SpeciesFailure::LevelUpMovesDamaged:
        return "The level-up moves cannot be read: " + error.detail + ". Nothing was read or written.";
    case SpeciesFailure::NoRoomForMoves:
        // The detail names the table: the level-up archive, or the egg move table.
        return "The moves do not fit into this ROM: " + error.detail + ". Nothing was written. Shorten a list.";
    case SpeciesFailure::WriteFailed:
        if (!error.detail.empty())
            return "The Pokémon data was only partly saved: " + error.detail + ". Load the Pokémon again to see "
                   "what the file holds.";
        if (error.fieldsWritten >= kFieldCount)
            return "The Pokémon data was only partly saved: the 20 fields of the main window were "
                   "written, the rest of the record (More Data) was not. Save again once the file "
                   "can be written.";
        return "The Pokémon data was only partly saved: " + std::to_string(error.fieldsWritten) +
               " of 20 fields were written before the error. Save again once the file can be "
               "written.";
    }
    return {};
}

std::optional<platform::FileError> fileErrorToShow(const SpeciesError& error)
{
    if (error.kind == SpeciesFailure::ReadFailed || error.kind == SpeciesFailure::WriteFailed)
        return error.fileError;
    return std::nullopt;
}

} // namespace quillmark::species
