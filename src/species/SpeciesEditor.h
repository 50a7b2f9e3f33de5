#pragma once

#include "platform/Conversions.h"
#include "platform/FileError.h"
#include "platform/Result.h"
#include "species/RecordCodec.h"
#include "species/SpeciesError.h"
#include "species/SpeciesRecord.h"
#include "species/SpeciesTableLocator.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace quillmark::platform {
class OpenFile;
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

// Each field's bytes as a load read them (HexByteString), by SpeciesField.
using FieldBytes = std::array<std::string, kFieldCount>;

struct LoadedSpecies {
    std::string tableBase;  // decimal text, as the session keeps it
    SpeciesValues values;
    FieldBytes fieldHex;
    // All 44 bytes, read through the same open: the fields beyond the 20 (EV yields,
    // growth rate, colour, machines) and what a save must find in the file.
    RecordBytes record{};
};

// The record bytes that the 20 fields do not cover and a whole-record editor may
// change: the EV word, the growth rate, colour and flip, the machines.
bool isMoreDataByte(int offset);

// The fields alone, through a file whose fingerprint the caller has checked.
Result<LoadedSpecies, SpeciesError> readSpeciesFields(platform::OpenFile& file, const RomFingerprint& rom,
                                                      int index);

// How long a save waits for another writer of this program to finish.
inline constexpr std::chrono::milliseconds kLockWait{2000};

// The conversions between a field's HexByteString (file order) and its value.
// hex must be 2 digits (4 for an item field); nothing otherwise.
std::optional<FieldValue> fieldValueFromHex(const FieldLayout& field, std::string_view hex);
// Nothing for a number field whose text is not a number from 0 to 255.
std::optional<std::string> hexForField(const FieldLayout& field, const FieldValue& value,
                                       const platform::NumberFormat& format);

// The number a number field's text stands for, if it is one from 0 to 255.
std::optional<double> numberFieldValue(const std::string& text,
                                       const platform::NumberFormat& format);

// The open file must hold the whole table.
Result<Done, SpeciesError> checkTableFits(platform::OpenFile& file, const std::string& tableBase);

// RomChanged unless the path still names the open file (another program may have
// renamed a new file over it, or removed it).
Result<Done, SpeciesError> checkStillAtPath(platform::OpenFile& file, const std::string& romPath);

} // namespace quillmark::species
