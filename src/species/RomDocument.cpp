#include "species/RomDocument.h"

#include "platform/FileServices.h"
#include "rom/ByteAccess.h"
#include "rom/HexCodec.h"
#include "rom/ImageWriter.h"
#include "rom/NitroFs.h"
#include "rom/OverlayTable.h"
#include "species/LookupLists.h"

#include <algorithm>
#include <span>

namespace quillmark::species {

// Everything one write does, worked out and checked before the file is opened for it.
struct RomDocument::Plan {
    // The window's fields: each written on its own, in processing order, so that a
    // failure can say how many went in.
    struct FieldRun {
        std::int64_t at;
        std::string hex;
    };
    int listIndex = -1;
    std::vector<FieldRun> fields;
    std::vector<std::pair<std::int64_t, std::vector<std::uint8_t>>> moreData;
    RecordBytes savedRecord{};
    // A command's records: the table as read and as wanted.
    const std::vector<RecordBytes>* tableBefore = nullptr;
    const std::vector<RecordBytes>* tableAfter = nullptr;
    // Records that must still hold what was read, by list index.
    std::map<int, RecordBytes> unchanged;
    // Lists and slots: only those that differ from what was read.
    MoveEdits moves;
    LevelUpArchiveWrite levelUp;
    bool writesMoves() const { return !moves.empty(); }
    // Tables rewritten in place where their bytes differ: where they lie, as read, as
    // wanted (the egg move table, the tutor records).
    struct Table {
        std::int64_t at;
        std::vector<std::uint8_t> before, after;
    };
    std::vector<Table> tables;
};

namespace {

std::vector<std::uint8_t> wordBytes(const std::vector<std::uint16_t>& words)
{
    std::vector<std::uint8_t> bytes;
    for (const auto word : words) {
        bytes.push_back(static_cast<std::uint8_t>(word));
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    return bytes;
}

} // namespace

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
        return OpenRefusal{OpenRefusal::NoTable, std::nullopt, *code, table.error()};
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
        m_game = edition->game;
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

Result<SpeciesLoad, SpeciesError> RomDocument::load(int listIndex, bool withMoves)
{
    std::unique_ptr<platform::OpenFile> opened;
    auto readable = fileToRead(opened);
    if (!readable)
        return readable.error();
    platform::OpenFile* file = *readable;
    // The file system once, for the table's place and the archives beside it.
    auto fs = rom::NitroFs::read(*file);
    if (auto same = checkFingerprint(*file, m_rom, fs ? &*fs : nullptr); !same)
        return same.error();
    auto record = readSpeciesFields(*file, m_rom, listIndex);
    if (!record)
        return record.error();
    m_recordsRead[listIndex] = record->record;
    SpeciesLoad load{std::move(*record), std::nullopt, std::nullopt};
    if (withMoves) {
        load.moves = readSpeciesMoves(*file, fs, listIndex);
        load.teaching = readTeaching(*file, fs, listIndex);
    }
    return load;
}

Result<std::pair<Result<SpeciesMoves, SpeciesError>, SpeciesTeaching>, SpeciesError>
RomDocument::loadAllMoves(int listIndex)
{
    std::unique_ptr<platform::OpenFile> opened;
    auto readable = fileToRead(opened);
    if (!readable)
        return readable.error();
    auto fs = rom::NitroFs::read(**readable);
    if (auto same = checkFingerprint(**readable, m_rom, fs ? &*fs : nullptr); !same)
        return same.error();
    auto moves = readSpeciesMoves(**readable, fs, listIndex);
    return std::pair{std::move(moves), readTeaching(**readable, fs, listIndex)};
}

SpeciesTeaching RomDocument::readTeaching(platform::OpenFile& file, const Result<rom::NitroFs, rom::RomFsError>& fs,
                                          int listIndex)
{
    SpeciesTeaching teaching;
    m_eggMoves.reset();
    m_tutors.reset();
    if (!fs) {
        teaching.eggProblem = teaching.tutorProblem = speciesErrorOf(fs.error()).detail;
        return teaching;
    }
    // The overlay table once for both tables.
    const auto overlays = rom::readOverlayTable(file, *fs);
    const auto* entries = overlays ? &*overlays : nullptr;
    if (auto eggs = readEggMoveTable(file, *fs, m_rom.gameCode, entries); !eggs) {
        teaching.eggProblem = eggs.error().detail;
    } else {
        m_eggMoves = std::move(*eggs);
        teaching.eggWordsFree = m_eggMoves->table.freeWords();
        teaching.eggWritable = m_eggMoves->writable;
        teaching.eggProblem = m_eggMoves->readOnlyReason;
        if (listIndex >= 0 && listIndex < kSpeciesCount) {
            const auto found = m_eggMoves->table.moves.find(dexOfSpecies(listIndex));
            teaching.eggMoves = found == m_eggMoves->table.moves.end() ? std::vector<int>{} : found->second;
        }
    }
    if (auto tutors = readMoveTutors(file, *fs, m_game, entries); !tutors) {
        teaching.tutorProblem = tutors.error().detail;
    } else {
        m_tutors = std::move(*tutors);
        if (*m_tutors) {
            const auto& tables = **m_tutors;
            teaching.tutorMoves = tables.moves;
            teaching.tutorWritable = tables.writable;
            teaching.tutorProblem = tables.readOnlyReason;
            if (const auto record = tutorRecordOf(listIndex))
                teaching.tutorLearns = tables.compatibility.movesOf(*record);
        }
    }
    return teaching;
}

Result<SpeciesMoves, SpeciesError> RomDocument::readSpeciesMoves(platform::OpenFile& file,
                                                                 const Result<rom::NitroFs, rom::RomFsError>& fs,
                                                                 int listIndex)
{
    m_moves.reset();
    if (!fs)
        return speciesErrorOf(fs.error());
    auto read = readMoveArchives(file, *fs, m_rom.gameCode);
    if (!read)
        return read.error();
    const auto member = static_cast<std::size_t>(memberOfRecord(listIndex));
    if (member >= read->levelUpMoves.size() || member >= read->evolutions.size())
        return tableNotFound("its level-up and evolution archives hold nothing for " + recordLabel(listIndex));
    m_moves = std::move(*read);
    SpeciesMoves moves{m_moves->levelUpMoves[member], m_moves->evolutions[member], m_moves->growthRoom(), std::nullopt};
    if (auto readable = m_moves->levelUpReadable(); !readable)
        moves.levelUpDamage = readable.error();
    return moves;
}

Result<RecordBytes, SpeciesError> RomDocument::save(int listIndex, const SpeciesChanges& changes)
{
    const auto read = m_recordsRead.find(listIndex);
    if (read == m_recordsRead.end())
        return SpeciesError{SpeciesFailure::RomChanged};
    const std::string tableBase = std::to_string(m_rom.table.tableBase);
    const std::int64_t recordStart = m_rom.table.tableBase + std::int64_t{kRecordSize} * listIndex;

    // Every field is converted before the file is touched, so a refusal writes nothing.
    Plan plan;
    plan.listIndex = listIndex;
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

    // The lists and slots as the window shows them, where they differ from the load.
    MoveEdits moves;
    if (m_moves) {
        const int member = memberOfRecord(listIndex);
        const auto k = static_cast<std::size_t>(member);
        if (changes.levelUp && k < m_moves->levelUpMoves.size() && *changes.levelUp != m_moves->levelUpMoves[k])
            moves.levelUp[member] = *changes.levelUp;
        if (changes.evolutions && k < m_moves->evolutions.size() && *changes.evolutions != m_moves->evolutions[k])
            moves.evolutions[member] = *changes.evolutions;
    }
    if (auto planned = planMoves(moves, plan); !planned)
        return planned.error();
    DocumentEdits teaching;
    if (changes.eggMoves && m_eggMoves && listIndex < kSpeciesCount) {
        const auto found = m_eggMoves->table.moves.find(dexOfSpecies(listIndex));
        const auto was = found == m_eggMoves->table.moves.end() ? std::vector<int>{} : found->second;
        if (*changes.eggMoves != was)
            teaching.eggMoves[dexOfSpecies(listIndex)] = *changes.eggMoves;
    }
    if (changes.tutorLearns && m_tutors && *m_tutors) {
        if (const auto record = tutorRecordOf(listIndex);
            record && *changes.tutorLearns != (**m_tutors).compatibility.movesOf(*record))
            teaching.tutors[*record] = *changes.tutorLearns;
    }
    if (auto planned = planTeaching(teaching, plan); !planned)
        return planned.error();

    auto written = write(plan);
    if (written.error)
        return *written.error;
    m_recordsRead[listIndex] = plan.savedRecord;
    return plan.savedRecord;
}

Result<const std::vector<RecordBytes>*, SpeciesError> RomDocument::readRecords()
{
    std::unique_ptr<platform::OpenFile> opened;
    auto file = fileToRead(opened);
    if (!file)
        return file.error();
    auto records = readSpeciesRecords(**file, m_rom.table.tableBase, m_rom.table.recordCount);
    if (!records)
        return records.error();
    m_table = std::move(*records);
    return &*m_table;
}

Result<const MoveArchives*, SpeciesError> RomDocument::readMoves()
{
    std::unique_ptr<platform::OpenFile> opened;
    std::optional<rom::NitroFs> fs;
    auto source = fileSystemToRead(opened, fs);
    if (!source)
        return source.error();
    m_moves.reset();
    auto read = readMoveArchives(*source->first, *source->second, m_rom.gameCode);
    if (!read)
        return read.error();
    m_moves = std::move(*read);
    return &*m_moves;
}

Result<std::pair<platform::OpenFile*, const rom::NitroFs*>, SpeciesError>
RomDocument::fileSystemToRead(std::unique_ptr<platform::OpenFile>& opened, std::optional<rom::NitroFs>& read) const
{
    auto file = fileToRead(opened);
    if (!file)
        return file.error();
    // A held file's own reading from the open: the same open, so the same file.
    if (m_held && m_fileSystem)
        return std::pair{*file, &*m_fileSystem};
    auto fs = rom::NitroFs::read(**file);
    if (!fs)
        return speciesErrorOf(fs.error());
    read = std::move(*fs);
    return std::pair<platform::OpenFile*, const rom::NitroFs*>{*file, &*read};
}

const std::vector<rom::OverlayEntry>* RomDocument::heldOverlays(platform::OpenFile& file, const rom::NitroFs& fs)
{
    // Read once through a held open; a file opened for the call reads its own.
    if (!m_held)
        return nullptr;
    if (!m_overlays) {
        auto read = rom::readOverlayTable(file, fs);
        if (!read)
            return nullptr;
        m_overlays = std::move(*read);
    }
    return &*m_overlays;
}

Result<const EggMoveTableFile*, SpeciesError> RomDocument::readEggMoves()
{
    std::unique_ptr<platform::OpenFile> opened;
    std::optional<rom::NitroFs> fs;
    auto source = fileSystemToRead(opened, fs);
    if (!source)
        return source.error();
    m_eggMoves.reset();
    auto read = readEggMoveTable(*source->first, *source->second, m_rom.gameCode, heldOverlays(*source->first, *source->second));
    if (!read)
        return read.error();
    m_eggMoves = std::move(*read);
    return &*m_eggMoves;
}

Result<const MoveTutorTables*, SpeciesError> RomDocument::readTutors()
{
    std::unique_ptr<platform::OpenFile> opened;
    std::optional<rom::NitroFs> fs;
    auto source = fileSystemToRead(opened, fs);
    if (!source)
        return source.error();
    m_tutors.reset();
    auto read = readMoveTutors(*source->first, *source->second, m_game, heldOverlays(*source->first, *source->second));
    if (!read)
        return read.error();
    m_tutors = std::move(*read);
    return *m_tutors ? &**m_tutors : nullptr;
}

Result<Done, SpeciesError> RomDocument::planTeaching(const DocumentEdits& edits, Plan& plan) const
{
    if (!edits.eggMoves.empty()) {
        if (!m_eggMoves)
            return SpeciesError{SpeciesFailure::RomChanged};
        auto words = editedEggMoveTable(m_eggMoves->table, edits.eggMoves);
        if (!words)
            return words.error();
        auto before = wordBytes(m_eggMoves->table.words), after = wordBytes(*words);
        if (before != after) {
            if (!m_eggMoves->writable)
                return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0,
                                    "the egg moves cannot be written: " + m_eggMoves->readOnlyReason};
            plan.tables.push_back({m_eggMoves->offset, std::move(before), std::move(after)});
        }
    }
    if (!edits.tutors.empty()) {
        if (!m_tutors)
            return SpeciesError{SpeciesFailure::RomChanged};
        if (!*m_tutors)
            return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0,
                                std::string(rom::gameName(m_game)) + " teaches no moves from a tutor table"};
        const auto& tutors = **m_tutors;
        for (const auto& [record, list] : edits.tutors) {
            if (record < 0 || record >= kTutorRecords)
                return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0,
                                    "tutor record " + std::to_string(record) + " does not exist"};
            for (const int move : list) {
                if (move < 0 || move >= tutors.compatibility.moves)
                    return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0,
                                        "the tutors teach " + std::to_string(tutors.compatibility.moves) +
                                            " moves; there is no tutor move " + std::to_string(move + 1)};
            }
        }
        auto after = editedTutorCompatibility(tutors.compatibility, edits.tutors);
        if (after != tutors.compatibility.bytes) {
            if (!tutors.writable)
                return SpeciesError{SpeciesFailure::InvalidMoveData, std::nullopt, 0,
                                    "the tutor moves cannot be written: " + tutors.readOnlyReason};
            plan.tables.push_back({tutors.compatibilityOffset, tutors.compatibility.bytes, std::move(after)});
        }
    }
    return Done{};
}

Result<Done, SpeciesError> RomDocument::planMoves(const MoveEdits& edits, Plan& plan) const
{
    if (edits.empty())
        return Done{};
    if (!m_moves)
        return SpeciesError{SpeciesFailure::RomChanged};
    auto archive = editedLevelUpArchive(*m_moves, edits, m_game);
    if (!archive)
        return archive.error();
    plan.levelUp = std::move(*archive);
    // Only what differs is written: an edit equal to what was read leaves its bytes.
    plan.moves.levelUp.clear();
    plan.moves.evolutions.clear();
    for (const auto& [member, moves] : edits.levelUp) {
        if (moves != m_moves->levelUpMoves[static_cast<std::size_t>(member)])
            plan.moves.levelUp[member] = moves;
    }
    for (const auto& [member, slots] : edits.evolutions) {
        if (slots != m_moves->evolutions[static_cast<std::size_t>(member)])
            plan.moves.evolutions[member] = slots;
    }
    return Done{};
}

Result<LevelUpArchiveWrite, SpeciesError> RomDocument::check(const DocumentEdits& edits) const
{
    Plan plan;
    if (auto planned = planMoves(edits.moves, plan); !planned)
        return planned.error();
    if (auto planned = planTeaching(edits, plan); !planned)
        return planned.error();
    if (m_held && plan.writesMoves()) {
        if (auto padding = checkPadding(*m_held, plan.levelUp); !padding)
            return padding.error();
    }
    return plan.levelUp;
}

DocumentWrite RomDocument::apply(const DocumentEdits& edits)
{
    Plan plan;
    if (auto moves = planMoves(edits.moves, plan); !moves)
        return {{}, moves.error()};
    if (auto teaching = planTeaching(edits, plan); !teaching)
        return {{}, teaching.error()};
    if (!edits.records.empty()) {
        if (!m_table || m_table->size() != edits.records.size())
            return {{}, SpeciesError{SpeciesFailure::RomChanged}};
        plan.tableBefore = &*m_table;
        plan.tableAfter = &edits.records;
        for (std::size_t i = 0; i < edits.records.size(); ++i) {
            if (edits.records[i] != (*m_table)[i])
                plan.unchanged[static_cast<int>(i)] = (*m_table)[i];
        }
    }
    if (plan.unchanged.empty() && !plan.writesMoves() && plan.tables.empty())
        return {};
    auto written = write(plan);
    if (!written.error && plan.tableAfter)
        m_table = edits.records;
    return written;
}

DocumentWrite RomDocument::write(const Plan& plan)
{
    DocumentWrite result;
    // What the open read of the file system no longer holds once anything is written
    // (a moved archive has a new file table entry): read again after.
    m_fileSystem.reset();
    m_overlays.reset();
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
        if (auto same = checkMoveArchivesUnchanged(*file, *m_moves); !same)
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
        auto written = writeCheckedMoveEdits(*file, *m_moves, plan.moves, plan.levelUp, padding);
        // What lies in the archives now is no longer what was read: read them again.
        m_moves.reset();
        if (!written) {
            auto error = written.error();
            error.fieldsWritten = kFieldCount;
            return fail(error);
        }
    }
    if (!plan.tables.empty()) {
        // What lies in them now is no longer what was read: read them again.
        m_eggMoves.reset();
        m_tutors.reset();
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
