#pragma once

#include "platform/Conversions.h"
#include "platform/FileError.h"
#include "platform/Result.h"
#include "species/SpeciesRecord.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace quillmark::platform {
class MessageBoxService;
}

namespace quillmark::species {

// One field as the window's control holds it.
struct FieldValue {
    std::string text;        // number fields: the text box's text
    int selectedIndex = -1;  // list and item fields: the entry selected, -1 for none
    // List and item fields: a stored code that names no entry (a type of 18, an item
    // word of 0xFFFF...). It is shown as no selection and written back unchanged as
    // long as the user picks nothing, so a load and a save never alter a byte.
    std::optional<std::uint16_t> unlistedCode;
};

// Indexed by SpeciesField, in processing order.
using SpeciesValues = std::array<FieldValue, kFieldCount>;

enum class SpeciesFailure {
    UnsupportedRom,    // the game code has no table location
    FileUnavailable,   // the ROM cannot be opened (fileError says why)
    TableOutsideFile,  // the file is too short to hold the whole table
    ReadFailed,        // a field could not be read; already shown in the "Error: N" box
    InvalidNumber,     // a number field is not a number from 0 to 255; nothing written
    WriteFailed,       // a field could not be written; already shown; see fieldsWritten
};

struct SpeciesError {
    SpeciesFailure kind;
    std::optional<platform::FileError> fileError = std::nullopt;
    int fieldsWritten = 0;
};

struct LoadedSpecies {
    std::string tableBase;  // decimal text, as the session keeps it
    SpeciesValues values;
};

// Reads the 20 fields of species index, one open and close per field, in
// processing order. Refuses before reading anything when the game code has no
// table or the file cannot hold the whole table; stops at the first failed read.
Result<LoadedSpecies, SpeciesError> loadSpecies(const std::string& romPath,
                                                const std::string& gameCode, int index,
                                                platform::MessageBoxService& messages);

// The same for a table at a known start, given as TableBase text.
Result<SpeciesValues, SpeciesError> loadSpeciesAt(const std::string& romPath,
                                                  const std::string& tableBase, int index,
                                                  platform::MessageBoxService& messages);

// Checks all ten number fields, then that the file can be written and holds the whole
// table, and only then writes the 20 fields in processing order, stopping at the
// first failed write.
Result<Done, SpeciesError> saveSpecies(const std::string& romPath, const std::string& tableBase,
                                       int index, const SpeciesValues& values,
                                       const platform::NumberFormat& format,
                                       platform::MessageBoxService& messages);

// The conversions between a field's HexByteString (file order) and its value.
// hex must be 2 digits (4 for an item field); nothing otherwise.
std::optional<FieldValue> fieldValueFromHex(const FieldLayout& field, std::string_view hex);
// Nothing for a number field whose text is not a number from 0 to 255.
std::optional<std::string> hexForField(const FieldLayout& field, const FieldValue& value,
                                       const platform::NumberFormat& format);

// The number a number field's text stands for, if it is one from 0 to 255.
std::optional<double> numberFieldValue(const std::string& text,
                                       const platform::NumberFormat& format);

// The file must exist, open with the access asked for, and hold the whole table.
Result<Done, SpeciesError> checkTableFits(const std::string& romPath,
                                          const std::string& tableBase, bool forWriting);

} // namespace quillmark::species
