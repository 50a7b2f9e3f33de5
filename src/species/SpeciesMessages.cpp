#include "species/SpeciesMessages.h"

#include "platform/FileError.h"

namespace quillmark::species {

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
    case SpeciesFailure::TableOutsideFile:
        return "The ROM file is too short to hold the Pokémon data table of this game. " +
               std::string(nothingDone);
    case SpeciesFailure::ReadFailed:
        return {};
    case SpeciesFailure::WriteFailed:
        return "The Pokémon data was only partly saved: " + std::to_string(error.fieldsWritten) +
               " of 20 fields were written before the error. Save again once the file can be "
               "written.";
    }
    return {};
}

} // namespace quillmark::species
