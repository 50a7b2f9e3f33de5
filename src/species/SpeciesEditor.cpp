#include "species/SpeciesEditor.h"

#include "platform/FileServices.h"
#include "rom/ByteAccess.h"
#include "rom/HexCodec.h"


namespace quillmark::species {

namespace {

std::string lastChars(std::string text, std::size_t n)
{
    return text.size() > n ? text.substr(text.size() - n) : text;
}

} // namespace

std::optional<double> numberFieldValue(const std::string& text,
                                       const platform::NumberFormat& format)
{
    const auto number = platform::textToDouble(text, format);
    if (!number || *number < 0.0 || *number > 255.0)
        return std::nullopt;
    return number;
}

std::optional<FieldValue> fieldValueFromHex(const FieldLayout& field, std::string_view hex)
{
    if (hex.size() != static_cast<std::size_t>(field.width) * 2)
        return std::nullopt;
    FieldValue value;
    if (field.kind == FieldKind::Item) {
        const auto word = platform::hexToInt(rom::ReverseHexBytes(hex));
        if (!word)
            return std::nullopt;
        if (*word >= 0 && *word < field.entryCount)
            value.selectedIndex = *word;
        else
            value.unlistedCode = static_cast<std::uint16_t>(*word & 0xFFFF);
        return value;
    }
    const auto byte = platform::hexToInt(hex);
    if (!byte)
        return std::nullopt;
    if (field.kind == FieldKind::Number)
        value.text = std::to_string(*byte);
    else if (*byte < field.entryCount)
        value.selectedIndex = *byte;
    else
        value.unlistedCode = static_cast<std::uint16_t>(*byte);
    return value;
}

std::optional<std::string> hexForField(const FieldLayout& field, const FieldValue& value,
                                       const platform::NumberFormat& format)
{
    if (field.kind == FieldKind::Number) {
        const auto number = numberFieldValue(value.text, format);
        if (!number)
            return std::nullopt;
        return lastChars("00" + platform::toHex(platform::roundHalfEven(*number)), 2);
    }
    // Nothing selected writes the code the load found, or all ones if there was none.
    const int code = value.selectedIndex >= 0 ? value.selectedIndex
                     : value.unlistedCode     ? int{*value.unlistedCode}
                                              : -1;
    if (field.kind == FieldKind::List)
        return lastChars("00" + platform::toHex(code), 2);
    const auto word = static_cast<std::int16_t>(static_cast<std::uint16_t>(code));
    return rom::ReverseHexBytes(lastChars("0000" + platform::toHex(word), 4));
}

Result<Done, SpeciesError> checkTableFits(const std::string& romPath,
                                          const std::string& tableBase, bool forWriting)
{
    const auto base = tableStart(tableBase);
    if (!base)
        return SpeciesError{SpeciesFailure::UnsupportedRom};
    auto file = platform::fileServices().open(
        romPath, forWriting ? platform::FileAccess::ReadWrite : platform::FileAccess::Read);
    if (!file)
        return SpeciesError{SpeciesFailure::FileUnavailable, file.error()};
    if ((*file)->size() < *base + kTableSize)
        return SpeciesError{SpeciesFailure::TableOutsideFile};
    return Done{};
}

Result<LoadedSpecies, SpeciesError> loadSpecies(const std::string& romPath,
                                                const std::string& gameCode, int index,
                                                platform::MessageBoxService& messages)
{
    auto tableBase = tableBaseFor(gameCode);
    if (!tableBase)
        return SpeciesError{SpeciesFailure::UnsupportedRom};
    auto values = loadSpeciesAt(romPath, *tableBase, index, messages);
    if (!values)
        return values.error();
    return LoadedSpecies{*tableBase, std::move(*values)};
}

Result<SpeciesValues, SpeciesError> loadSpeciesAt(const std::string& romPath,
                                                  const std::string& tableBase, int index,
                                                  platform::MessageBoxService& messages)
{
    if (auto fits = checkTableFits(romPath, tableBase, false); !fits)
        return fits.error();
    SpeciesValues values;
    for (const auto& field : SpeciesFieldMap) {
        const auto position = fieldPosition(tableBase, index, field);
        if (!position)
            return SpeciesError{SpeciesFailure::ReadFailed, platform::FileError::BadRecordNumber};
        auto hex = rom::readHex(romPath, static_cast<std::int32_t>(*position), field.width);
        if (!hex) {
            rom::reportFileError(messages, hex.error());
            return SpeciesError{SpeciesFailure::ReadFailed, hex.error()};
        }
        values[static_cast<std::size_t>(field.field)] = *fieldValueFromHex(field, *hex);
    }
    return values;
}

Result<Done, SpeciesError> saveSpecies(const std::string& romPath, const std::string& tableBase,
                                       int index, const SpeciesValues& values,
                                       const platform::NumberFormat& format,
                                       platform::MessageBoxService& messages)
{
    // Every field is converted before the file is touched, so a refusal writes nothing.
    std::array<std::string, kFieldCount> hex;
    std::array<std::int64_t, kFieldCount> positions{};
    for (const auto& field : SpeciesFieldMap) {
        const auto i = static_cast<int>(field.field);
        auto text = hexForField(field, values[i], format);
        if (!text)
            return SpeciesError{SpeciesFailure::InvalidNumber};
        hex[i] = std::move(*text);
    }
    for (const auto& field : SpeciesFieldMap) {
        const auto position = fieldPosition(tableBase, index, field);
        if (!position)
            return SpeciesError{SpeciesFailure::UnsupportedRom};
        positions[static_cast<int>(field.field)] = *position;
    }
    if (auto fits = checkTableFits(romPath, tableBase, true); !fits)
        return fits.error();

    for (int i = 0; i < kFieldCount; ++i) {
        auto written = rom::writeHex(romPath, static_cast<std::int32_t>(positions[i]), hex[i]);
        if (!written) {
            rom::reportFileError(messages, written.error());
            return SpeciesError{SpeciesFailure::WriteFailed, written.error(), i};
        }
    }
    return Done{};
}

} // namespace quillmark::species
