#include "species/SpeciesEditor.h"

#include "platform/FileServices.h"
#include "rom/ByteAccess.h"
#include "rom/HexCodec.h"

#include <span>


namespace quillmark::species {

namespace {

std::string lastChars(std::string text, std::size_t n)
{
    return text.size() > n ? text.substr(text.size() - n) : text;
}

} // namespace

bool isMoreDataByte(int offset)
{
    for (const auto& column : recordColumns()) {
        const bool more = column.kind == ColumnKind::EffortValue || column.kind == ColumnKind::Color ||
                          column.kind == ColumnKind::Flip || column.kind == ColumnKind::Machines ||
                          column.name == "growth_rate";
        const int width = column.kind == ColumnKind::Machines ? kRecordSize - column.offset
                          : column.kind == ColumnKind::EffortValue ? 2
                                                                    : 1;
        if (more && offset >= column.offset && offset < column.offset + width)
            return true;
    }
    return false;
}

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

Result<Done, SpeciesError> checkTableFits(platform::OpenFile& file, const std::string& tableBase)
{
    const auto base = tableStart(tableBase);
    if (!base)
        return SpeciesError{SpeciesFailure::UnsupportedRom};
    if (file.size() < *base + kTableSize)
        return SpeciesError{SpeciesFailure::TableOutsideFile};
    return Done{};
}

Result<Done, SpeciesError> checkStillAtPath(platform::OpenFile& file, const std::string& romPath)
{
    const auto now = platform::fileServices().status(romPath);
    if (!now || !now->regularFile || now->identity != file.identity())
        return SpeciesError{SpeciesFailure::RomChanged};
    return Done{};
}

Result<LoadedSpecies, SpeciesError> readSpeciesFields(platform::OpenFile& file, const RomFingerprint& rom,
                                                      int index)
{
    const std::string tableBase = std::to_string(rom.table.tableBase);
    const int recordCount = rom.table.recordCount;
    if (auto fits = checkTableFits(file, tableBase); !fits)
        return fits.error();
    LoadedSpecies loaded{tableBase, {}, {}, {}};
    const auto start = tableStart(tableBase);
    if (index < 0 || index >= recordCount)
        return SpeciesError{SpeciesFailure::ReadFailed, platform::FileError::BadRecordNumber};
    if (auto read = file.read(*start + std::int64_t{kRecordSize} * index, loaded.record); !read)
        return SpeciesError{SpeciesFailure::FileUnavailable, read.error()};
    for (const auto& field : SpeciesFieldMap) {
        const auto position = fieldPosition(tableBase, index, field, recordCount);
        if (!position)
            return SpeciesError{SpeciesFailure::ReadFailed, platform::FileError::BadRecordNumber};
        auto hex = rom::readHex(file, static_cast<std::int32_t>(*position), field.width);
        if (!hex)
            return SpeciesError{SpeciesFailure::ReadFailed, hex.error()};
        // Another program writing meanwhile: the fields and the record must agree, or
        // a save would find neither.
        const auto fromRecord = std::span(loaded.record).subspan(static_cast<std::size_t>(field.offset),
                                                                 static_cast<std::size_t>(field.width));
        if (rom::bytesToHex(fromRecord) != *hex)
            return SpeciesError{SpeciesFailure::RomChanged};
        const auto i = static_cast<std::size_t>(field.field);
        loaded.values[i] = *fieldValueFromHex(field, *hex);
        loaded.fieldHex[i] = std::move(*hex);
    }
    return loaded;
}

} // namespace quillmark::species
