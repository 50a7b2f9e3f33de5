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

namespace {

// The 20 fields at a known table start, given as TableBase text, in processing order.
Result<LoadedSpecies, SpeciesError> loadSpeciesAt(platform::OpenFile& file,
                                                  const std::string& tableBase, int index,
                                                  int recordCount,
                                                  platform::MessageBoxService& messages)
{
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
        if (!hex) {
            rom::reportFileError(messages, hex.error());
            return SpeciesError{SpeciesFailure::ReadFailed, hex.error()};
        }
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

// Under the writers' lock: the file is the one the guard describes, down to the bytes
// of the species that the window shows.
Result<Done, SpeciesError> checkBeforeWriting(platform::OpenFile& file, std::int64_t recordStart,
                                              const SaveGuard& guard)
{
    if (auto same = checkFingerprint(file, guard.rom); !same)
        return same.error();
    RecordBytes record{};
    if (auto read = file.read(recordStart, record); !read)
        return SpeciesError{SpeciesFailure::FileUnavailable, read.error()};
    if (record != guard.loaded)
        return SpeciesError{SpeciesFailure::RomChanged};
    return Done{};
}

} // namespace

Result<LoadedSpecies, SpeciesError> loadSpecies(const std::string& romPath,
                                                const RomFingerprint& rom, int index,
                                                platform::MessageBoxService& messages)
{
    auto file = platform::fileServices().open(romPath, platform::FileAccess::Read);
    if (!file)
        return SpeciesError{SpeciesFailure::FileUnavailable, file.error()};
    return loadSpecies(**file, rom, index, messages);
}

Result<LoadedSpecies, SpeciesError> loadSpecies(platform::OpenFile& file, const RomFingerprint& rom, int index,
                                                platform::MessageBoxService& messages)
{
    if (auto same = checkFingerprint(file, rom); !same)
        return same.error();
    return loadSpeciesAt(file, std::to_string(rom.table.tableBase), index, rom.table.recordCount, messages);
}

Result<RecordBytes, SpeciesError> saveSpecies(const std::string& romPath, const std::string& tableBase,
                                              int index, const SpeciesValues& values,
                                              const platform::NumberFormat& format,
                                              const SaveGuard& guard,
                                              platform::MessageBoxService& messages,
                                              const std::optional<RecordBytes>& moreData,
                                              const MoveSave* moves)
{
    // Every field is converted before the file is touched, so a refusal writes nothing.
    FieldBytes hex;
    std::array<std::int64_t, kFieldCount> positions{};
    for (const auto& field : SpeciesFieldMap) {
        const auto i = static_cast<int>(field.field);
        auto text = hexForField(field, values[i], format);
        if (!text)
            return SpeciesError{SpeciesFailure::InvalidNumber};
        hex[i] = std::move(*text);
    }
    for (const auto& field : SpeciesFieldMap) {
        const auto position = fieldPosition(tableBase, index, field, guard.rom.table.recordCount);
        if (!position)
            return SpeciesError{SpeciesFailure::UnsupportedRom};
        positions[static_cast<int>(field.field)] = *position;
    }
    std::vector<std::uint8_t> levelUpArchive;
    if (moves) {
        auto archive = editedLevelUpArchive(moves->read, moves->edits, moves->game);
        if (!archive)
            return archive.error();
        levelUpArchive = std::move(*archive);
    }
    // TableBase is the last load's; the guard is what that load checked.
    if (tableStart(tableBase) != guard.rom.table.tableBase)
        return SpeciesError{SpeciesFailure::RomChanged};

    // One handle from the check to the last write: a file that another program puts at
    // the path meanwhile never receives a byte meant for the one that was checked.
    auto file = platform::fileServices().open(romPath, platform::FileAccess::ReadWrite);
    if (!file)
        return SpeciesError{SpeciesFailure::FileUnavailable, file.error()};
    if (auto fits = checkTableFits(**file, tableBase); !fits)
        return fits.error();
    if (auto locked = (*file)->lockForWriting(kLockWait); !locked)
        return SpeciesError{SpeciesFailure::FileUnavailable, locked.error()};
    const std::int64_t recordStart = guard.rom.table.tableBase + std::int64_t{kRecordSize} * index;
    if (auto same = checkBeforeWriting(**file, recordStart, guard); !same)
        return same.error();
    if (auto here = checkStillAtPath(**file, romPath); !here)
        return here.error();
    if (moves) {
        if (auto same = checkMoveArchivesUnchanged(**file, moves->read); !same)
            return same.error();
    }

    RecordBytes saved = guard.loaded;
    for (int i = 0; i < kFieldCount; ++i) {
        auto written = rom::writeHex(**file, static_cast<std::int32_t>(positions[i]), hex[i]);
        if (!written) {
            rom::reportFileError(messages, written.error());
            return SpeciesError{SpeciesFailure::WriteFailed, written.error(), i};
        }
        const auto bytes = *rom::hexToBytes(hex[i]);
        std::copy(bytes.begin(), bytes.end(),
                  saved.begin() + (positions[i] - recordStart));
    }
    if (moreData) {
        // The rest of the record, where it was changed: one write per run of bytes.
        for (int b = 0; b < kRecordSize;) {
            if (!isMoreDataByte(b) || (*moreData)[b] == saved[b]) {
                ++b;
                continue;
            }
            int end = b;
            while (end < kRecordSize && isMoreDataByte(end) && (*moreData)[end] != saved[end])
                ++end;
            const auto run = std::span(*moreData).subspan(static_cast<std::size_t>(b),
                                                          static_cast<std::size_t>(end - b));
            if (auto written = (*file)->write(recordStart + b, run); !written) {
                rom::reportFileError(messages, written.error());
                return SpeciesError{SpeciesFailure::WriteFailed, written.error(), kFieldCount};
            }
            std::copy(run.begin(), run.end(), saved.begin() + b);
            b = end;
        }
    }
    if (moves && !moves->edits.empty()) {
        if (auto written = writeCheckedMoveEdits(**file, moves->read, moves->edits, levelUpArchive); !written) {
            if (written.error().fileError)
                rom::reportFileError(messages, *written.error().fileError);
            auto error = written.error();
            error.fieldsWritten = kFieldCount;
            return error;
        }
    }
    // Replaced while the fields went in: they are in the file that was there, which is
    // no longer the one the user sees at this path.
    if (auto here = checkStillAtPath(**file, romPath); !here)
        return SpeciesError{SpeciesFailure::WrittenToReplacedFile, std::nullopt, kFieldCount};
    return saved;
}

} // namespace quillmark::species
