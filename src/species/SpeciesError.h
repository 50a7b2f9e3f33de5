#pragma once

#include "platform/FileError.h"

#include <optional>
#include <string>

namespace quillmark::species {

enum class SpeciesFailure {
    UnsupportedRom,    // the game code is not one of the supported editions
    FileUnavailable,   // the ROM cannot be opened or locked (fileError says why)
    TableNotFound,     // the ROM's file system does not lead to the table (detail says why)
    TableOutsideFile,  // the file is too short to hold the whole table
    RomChanged,        // the file at the path is no longer the one that was opened or loaded
    ReadFailed,        // a field could not be read; already shown in the "Error: N" box
    InvalidNumber,     // a number field is not a number from 0 to 255; nothing written
    WriteFailed,       // a field could not be written; already shown; see fieldsWritten
    // Every field was written, but another program replaced the file at the path
    // meanwhile: the change is in the file that was replaced, not in the one there now.
    WrittenToReplacedFile,
    // Level-up moves or evolutions the game cannot take (detail says why); nothing
    // written.
    InvalidMoveData,
    // The longer level-up moves do not fit the room the ROM gives their archive
    // (detail gives the bytes needed and free); nothing written.
    NoRoomForMoves,
    // The level-up move archive is damaged where a species' list lies (detail names
    // it): the lists cannot be read or written, the evolutions and records still can.
    LevelUpMovesDamaged,
};

struct SpeciesError {
    SpeciesFailure kind;
    std::optional<platform::FileError> fileError = std::nullopt;
    int fieldsWritten = 0;
    std::string detail = {};
};

} // namespace quillmark::species
