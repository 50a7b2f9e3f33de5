#include "species/RomDocument.h"

#include "platform/FileServices.h"
#include "rom/ByteAccess.h"
#include "rom/HexCodec.h"
#include "rom/ImageWriter.h"
#include "rom/NitroFs.h"
#include "rom/OverlayTable.h"
#include "species/LookupLists.h"

#include <algorithm>

namespace quillmark::species {

Result<RomDocument, OpenRefusal> RomDocument::open(const std::string& path, DocumentAccess access)
{
    auto file = platform::fileServices().open(path, access == DocumentAccess::HeldForWriting
                                                        ? platform::FileAccess::ReadWrite
                                                        : platform::FileAccess::Read);
    if (!file)
        return OpenRefusal{OpenRefusal::CannotOpen, file.error()};
    if (access == DocumentAccess::HeldForWriting) {
        if (auto locked = (*file)->lockForWriting(kLockWait); !locked)
            return OpenRefusal{OpenRefusal::CannotOpen, locked.error()};
    }
    auto code = rom::readGameCode(**file);
    if (!code)
        return code.error() == platform::FileError::PastEndOfFile ? OpenRefusal{OpenRefusal::TooShort}
                                                                   : OpenRefusal{OpenRefusal::CannotOpen, code.error()};
    if (!rom::findEdition(*code))
        return OpenRefusal{OpenRefusal::Unsupported, std::nullopt, *code};
    // The file system once: the table is found through it, and a held document keeps it
    // for every table read through the same open.
    auto fs = rom::NitroFs::read(**file);
    auto table = locateSpeciesTable(**file, fs ? &*fs : nullptr, *code);
    if (!table)
        return OpenRefusal{OpenRefusal::NoTable, std::nullopt, *code, table.error(), rom::findEdition(*code)};
    if (access == DocumentAccess::PerOperation)
        return RomDocument(path, {*code, *table});
    RomDocument document(path, {*code, *table}, std::move(*file));
    if (fs)
        document.m_fileSystem = std::move(*fs);
    return document;
}

RomDocument::RomDocument(std::string path, RomFingerprint rom) : RomDocument(std::move(path), std::move(rom), nullptr)
{
}

RomDocument::RomDocument(std::string path, RomFingerprint rom, std::unique_ptr<platform::OpenFile> held)
    : m_path(std::move(path)), m_rom(std::move(rom)), m_held(std::move(held))
{
    // A fingerprint is made only of a supported game.
    if (const auto* edition = rom::findEdition(m_rom.gameCode))
        m_edition = edition;
}

RomDocument::RomDocument(RomDocument&&) noexcept = default;
RomDocument& RomDocument::operator=(RomDocument&&) noexcept = default;
RomDocument::~RomDocument() = default;

Result<platform::OpenFile*, SpeciesError> RomDocument::fileToRead(std::unique_ptr<platform::OpenFile>& opened) const
{
    if (m_held)
        return m_held.get();
    auto open = platform::fileServices().open(m_path, platform::FileAccess::Read);
    if (!open)
        return SpeciesError{SpeciesFailure::FileUnavailable, open.error()};
    opened = std::move(*open);
    return opened.get();
}

Result<Done, SpeciesError>
RomDocument::withSource(const std::function<Result<Done, SpeciesError>(PartSource&)>& use)
{
    std::unique_ptr<platform::OpenFile> opened;
    auto file = fileToRead(opened);
    if (!file)
        return file.error();
    // A held file's file system and overlay table from its own open: the same open, so
    // the same file. A file opened for the call reads its own, at most once each.
    std::optional<rom::NitroFs> fileSystem;
    std::optional<std::vector<rom::OverlayEntry>> overlays;
    PartSource source(**file, m_rom, game(), m_held ? m_fileSystem : fileSystem, m_held ? m_overlays : overlays);
    return use(source);
}

Result<const rom::NitroFs*, SpeciesError> RomDocument::heldFileSystem()
{
    if (!m_held)
        return SpeciesError{SpeciesFailure::FileUnavailable};
    const rom::NitroFs* fs = nullptr;
    auto read = withSource([&](PartSource& source) -> Result<Done, SpeciesError> {
        auto held = source.fileSystem();
        if (!held)
            return held.error();
        fs = *held;
        return Done{};
    });
    if (!read)
        return read.error();
    return fs;
}

Result<Done, SpeciesError> RomDocument::readPart(DocumentPart& part)
{
    return withSource([&](PartSource& source) { return part.read(source); });
}

Result<Done, SpeciesError> RomDocument::readEach()
{
    return withSource([&](PartSource& source) -> Result<Done, SpeciesError> {
        forEachPart(m_parts, [&](DocumentPart& part) { (void)part.read(source); });
        return Done{};
    });
}

void RomDocument::showParts(PartSource& source, int listIndex, SpeciesLoad& load)
{
    load.teaching.emplace();
    forEachPart(m_parts, [&](DocumentPart& part) {
        if (!part.showsSpecies())
            return;
        // A table that cannot be read is shown as such; the others still are.
        (void)part.read(source);
        part.showSpecies(listIndex, load);
    });
}

Result<SpeciesLoad, SpeciesError> RomDocument::load(int listIndex, bool withMoves)
{
    std::optional<SpeciesLoad> load;
    auto done = withSource([&](PartSource& source) -> Result<Done, SpeciesError> {
        // The file system once, for the table's place and the archives beside it.
        auto fs = source.fileSystem();
        if (auto same = checkFingerprint(source.file(), m_rom, fs ? *fs : nullptr); !same)
            return same.error();
        auto record = readSpeciesFields(source.file(), m_rom, listIndex);
        if (!record)
            return record.error();
        m_recordsRead[listIndex] = record->record;
        load.emplace(SpeciesLoad{std::move(*record), std::nullopt, std::nullopt});
        if (withMoves)
            showParts(source, listIndex, *load);
        return Done{};
    });
    if (!done)
        return done.error();
    return std::move(*load);
}

Result<std::pair<Result<SpeciesMoves, SpeciesError>, SpeciesTeaching>, SpeciesError>
RomDocument::loadAllMoves(int listIndex)
{
    SpeciesLoad load;
    auto done = withSource([&](PartSource& source) -> Result<Done, SpeciesError> {
        auto fs = source.fileSystem();
        if (auto same = checkFingerprint(source.file(), m_rom, fs ? *fs : nullptr); !same)
            return same.error();
        showParts(source, listIndex, load);
        return Done{};
    });
    if (!done)
        return done.error();
    return std::pair{std::move(*load.moves), std::move(*load.teaching)};
}

Result<RecordBytes, SpeciesError> RomDocument::save(int listIndex, const SpeciesChanges& changes)
{
    const auto read = m_recordsRead.find(listIndex);
    if (read == m_recordsRead.end())
        return SpeciesError{SpeciesFailure::RomChanged};
    const std::string tableBase = std::to_string(m_rom.table.tableBase);
    const std::int64_t recordStart = m_rom.table.tableBase + std::int64_t{kRecordSize} * listIndex;

    // Every field is converted before the file is touched, so a refusal writes nothing.
    WritePlan plan;
    plan.savedRecord = read->second;
    plan.fields.resize(kFieldCount);
    for (const auto& field : SpeciesFieldMap) {
        const auto i = static_cast<std::size_t>(field.field);
        auto hex = hexForField(field, changes.values[i], changes.format);
        if (!hex)
            return SpeciesError{SpeciesFailure::InvalidNumber};
        plan.fields[i].hex = std::move(*hex);
    }
    for (const auto& field : SpeciesFieldMap) {
        const auto position = fieldPosition(tableBase, listIndex, field, m_rom.table.recordCount);
        if (!position)
            return SpeciesError{SpeciesFailure::UnsupportedRom};
        auto& run = plan.fields[static_cast<std::size_t>(field.field)];
        run.at = *position;
        const auto bytes = *rom::hexToBytes(run.hex);
        std::copy(bytes.begin(), bytes.end(), plan.savedRecord.begin() + (run.at - recordStart));
    }
    if (changes.moreData) {
        // The rest of the record, where it was changed: one write per run of bytes.
        const auto& wanted = *changes.moreData;
        for (int b = 0; b < kRecordSize;) {
            if (!isMoreDataByte(b) || wanted[b] == plan.savedRecord[b]) {
                ++b;
                continue;
            }
            int end = b;
            while (end < kRecordSize && isMoreDataByte(end) && wanted[end] != plan.savedRecord[end])
                ++end;
            plan.moreData.emplace_back(recordStart + b, std::vector<std::uint8_t>(wanted.begin() + b, wanted.begin() + end));
            std::copy(wanted.begin() + b, wanted.begin() + end, plan.savedRecord.begin() + b);
            b = end;
        }
    }
    plan.unchanged[listIndex] = read->second;

    // Every table as the window shows it, where it differs from the load.
    DocumentEdits edits;
    forEachPart(m_parts, [&](const DocumentPart& part) { part.takeSpeciesEdits(listIndex, changes, edits); });
    if (auto planned = planParts(edits, plan); !planned)
        return planned.error();

    auto written = write(plan);
    if (written.error)
        return *written.error;
    m_recordsRead[listIndex] = plan.savedRecord;
    return plan.savedRecord;
}

Result<Done, SpeciesError> RomDocument::planParts(const DocumentEdits& edits, WritePlan& plan) const
{
    Result<Done, SpeciesError> planned = Done{};
    forEachPart(m_parts, [&](const DocumentPart& part) {
        if (planned)
            planned = part.plan(edits, plan);
    });
    return planned;
}

Result<LevelUpArchiveWrite, SpeciesError> RomDocument::check(const DocumentEdits& edits) const
{
    WritePlan plan;
    if (auto planned = planParts(edits, plan); !planned)
        return planned.error();
    if (m_held && plan.writesMoves()) {
        if (auto padding = checkPadding(*m_held, plan.levelUp); !padding)
            return padding.error();
    }
    return plan.levelUp;
}

DocumentWrite RomDocument::apply(const DocumentEdits& edits)
{
    WritePlan plan;
    if (auto planned = planParts(edits, plan); !planned)
        return {{}, planned.error()};
    if (plan.unchanged.empty() && !plan.writesMoves() && plan.tables.empty())
        return {};
    return write(plan);
}

DocumentWrite RomDocument::write(const WritePlan& plan)
{
    bool began = false;
    auto result = writeChecked(plan, began);
    // What the open read of the file system no longer holds once anything is written
    // (a moved archive has a new file table entry), nor the tables whose bytes went in:
    // read again after.
    if (began) {
        m_fileSystem.reset();
        m_overlays.reset();
        forEachPart(m_parts, [&](DocumentPart& part) { part.written(plan, !result.error); });
    }
    return result;
}

DocumentWrite RomDocument::writeChecked(const WritePlan& plan, bool& began)
{
    DocumentWrite result;
    auto fail = [&](SpeciesError error) {
        result.error = std::move(error);
        return result;
    };

    // One handle from the check to the last write: a file that another program puts at
    // the path meanwhile never receives a byte meant for the one that was checked.
    std::unique_ptr<platform::OpenFile> opened;
    platform::OpenFile* file = m_held.get();
    if (!file) {
        auto open = platform::fileServices().open(m_path, platform::FileAccess::ReadWrite);
        if (!open)
            return fail(SpeciesError{SpeciesFailure::FileUnavailable, open.error()});
        opened = std::move(*open);
        file = opened.get();
    }
    if (auto fits = checkTableFits(*file, std::to_string(m_rom.table.tableBase)); !fits)
        return fail(fits.error());
    if (opened) {
        if (auto locked = file->lockForWriting(kLockWait); !locked)
            return fail(SpeciesError{SpeciesFailure::FileUnavailable, locked.error()});
    }

    // Under the writers' lock: still the ROM that was read, down to every byte the
    // change depends on.
    if (auto same = checkFingerprint(*file, m_rom); !same)
        return fail(same.error());
    for (const auto& [listIndex, bytes] : plan.unchanged) {
        RecordBytes now{};
        if (auto read = file->read(m_rom.table.tableBase + std::int64_t{kRecordSize} * listIndex, now); !read)
            return fail(SpeciesError{SpeciesFailure::FileUnavailable, read.error()});
        if (now != bytes)
            return fail(SpeciesError{SpeciesFailure::RomChanged});
    }
    if (auto here = checkStillAtPath(*file, m_path); !here)
        return fail(here.error());
    if (plan.writesMoves()) {
        if (auto same = checkMoveArchivesUnchanged(*file, *plan.movesRead); !same)
            return fail(same.error());
    }
    for (const auto& table : plan.tables) {
        std::vector<std::uint8_t> now(table.before.size());
        if (auto read = file->read(table.at, now); !read)
            return fail(SpeciesError{SpeciesFailure::FileUnavailable, read.error()});
        if (now != table.before)
            return fail(SpeciesError{SpeciesFailure::RomChanged});
    }
    std::uint8_t padding = 0xFF;
    if (plan.writesMoves()) {
        auto checked = checkPadding(*file, plan.levelUp);
        if (!checked)
            return fail(checked.error());
        padding = *checked;
    }

    began = true;
    for (std::size_t i = 0; i < plan.fields.size(); ++i) {
        const auto& field = plan.fields[i];
        if (auto written = rom::writeHex(*file, static_cast<std::int32_t>(field.at), field.hex); !written)
            return fail(SpeciesError{SpeciesFailure::WriteFailed, written.error(), static_cast<int>(i)});
    }
    for (const auto& [at, bytes] : plan.moreData) {
        if (auto written = file->write(at, bytes); !written)
            return fail(SpeciesError{SpeciesFailure::WriteFailed, written.error(), kFieldCount});
    }
    if (plan.tableAfter) {
        result.records = writeChangedRecords(*file, m_rom.table.tableBase, *plan.tableBefore, *plan.tableAfter);
        if (!result.records.complete())
            return fail(SpeciesError{SpeciesFailure::WriteFailed, result.records.error, 0});
    }
    if (plan.writesMoves()) {
        auto written = writeCheckedMoveEdits(*file, *plan.movesRead, plan.moves, plan.levelUp, padding);
        if (!written) {
            auto error = written.error();
            error.fieldsWritten = kFieldCount;
            return fail(error);
        }
    }
    for (const auto& table : plan.tables) {
        if (auto written = rom::writeDifferingRuns(*file, table.at, table.before, table.after); !written)
            return fail(SpeciesError{SpeciesFailure::WriteFailed, written.error(), kFieldCount});
    }
    // Replaced while the bytes went in: they are in the file that was there, which is
    // no longer the one the user sees at this path.
    if (auto here = checkStillAtPath(*file, m_path); !here)
        return fail(SpeciesError{SpeciesFailure::WrittenToReplacedFile, std::nullopt, kFieldCount});
    return result;
}

} // namespace quillmark::species
