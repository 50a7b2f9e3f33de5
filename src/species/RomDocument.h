#pragma once

#include "platform/Result.h"
#include "rom/NitroFs.h"
#include "rom/OverlayTable.h"
#include "rom/RomIdentification.h"
#include "species/DocumentData.h"
#include "species/DocumentParts.h"
#include "species/SpeciesError.h"
#include "species/SpeciesTableLocator.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillmark::platform {
class OpenFile;
}

namespace quillmark::species {

// How a document holds its file: the window's opens the file for each load and save;
// a command's holds it from the first read to the last write, read-only or under the
// writers' lock.
enum class DocumentAccess { PerOperation, HeldForReading, HeldForWriting };

// Why a file was not opened as a ROM document, for the window and the command line to
// put in their words.
struct OpenRefusal {
    enum Kind {
        CannotOpen,   // the file could not be opened (or locked): fileError says why
        TooShort,     // shorter than a ROM header
        Unsupported,  // a game code of no supported edition: gameCode
        NoTable,      // the ROM's tables do not lead to the species data: tableError
    } kind;
    std::optional<platform::FileError> fileError = std::nullopt;
    std::string gameCode = {};
    std::optional<SpeciesError> tableError = std::nullopt;
    // The edition a NoTable file is of: described up to its table, as `info` does.
    const rom::Edition* edition = nullptr;
};

// One ROM as an editor sees it: where it is, what Open ROM (or a command) found in it,
// and what was read of it since. Every load and save of the window and the command
// line goes through here, and every write follows one sequence: the file under the
// writers' lock; the game code, the table's place, and every byte the change depends
// on as they were read (RomChanged otherwise); then only what changed, runs of bytes
// in place; then the path checked to still name the file written.
class RomDocument {
public:
    // The one way in: the file opened, identified by its game code, and its species
    // table located through its own file system; or why not.
    static Result<RomDocument, OpenRefusal> open(const std::string& path, DocumentAccess access);

    // The window's: each load and save opens the file for itself, so that nothing is
    // held open between clicks.
    RomDocument(std::string path, RomFingerprint rom);
    // A command's: one open from the first read to the last write, under the writers'
    // lock already when it is to write.
    RomDocument(std::string path, RomFingerprint rom, std::unique_ptr<platform::OpenFile> held);
    RomDocument(RomDocument&&) noexcept;
    RomDocument& operator=(RomDocument&&) noexcept;
    ~RomDocument();

    const std::string& path() const { return m_path; }
    const RomFingerprint& fingerprint() const { return m_rom; }
    rom::Game game() const { return m_edition->game; }
    // The edition its game code is of: title, language, game. The window and the
    // command line ask the document, never look a game code up themselves.
    const rom::Edition& edition() const { return *m_edition; }
    // The held file; nullptr for the window's document.
    platform::OpenFile* heldFile() const { return m_held.get(); }
    // The held file's file system, as its open read it (or reads it now, once);
    // FileUnavailable for the window's document, which holds no file.
    Result<const rom::NitroFs*, SpeciesError> heldFileSystem();

    // The window: the record of one list index and, if asked, its lists and slots,
    // through one open of the file and one reading of its file system.
    Result<SpeciesLoad, SpeciesError> load(int listIndex, bool withMoves);
    // The lists, slots, egg and tutor moves alone, through one open (the Moves window
    // opened, or a save wrote them): the record stays as the last load read it, for the
    // next save to find.
    Result<std::pair<Result<SpeciesMoves, SpeciesError>, SpeciesTeaching>, SpeciesError> loadAllMoves(int listIndex);
    // The window's Save: the 20 fields in their order, then the rest of the record
    // where More Data changed it, then the lists and slots that differ from the last
    // load. Gives the record as it now is in the file.
    Result<RecordBytes, SpeciesError> save(int listIndex, const SpeciesChanges& changes);

    // The record as the last load read it, or the last save left it; nothing before.
    const RecordBytes* recordRead(int listIndex) const
    {
        const auto found = m_recordsRead.find(listIndex);
        return found == m_recordsRead.end() ? nullptr : &found->second;
    }
    // What a save must find of a record that the caller read itself (a session that
    // outlived a document, a tool).
    void expectRecord(int listIndex, const RecordBytes& record) { m_recordsRead[listIndex] = record; }
    void expectMoves(MoveArchives read) { std::get<MoveArchivesPart>(m_parts).expect(std::move(read), game()); }

    // A command: one of the ROM's tables (a DocumentPart of DocumentParts.h) as read
    // now, through the document's open; nothing for a table the game does not have.
    template <class Part>
    Result<const typename Part::Value*, SpeciesError> read()
    {
        auto& part = std::get<Part>(m_parts);
        if (auto done = readPart(part); !done)
            return done.error();
        return part.value();
    }
    // Every table, through one open, each on its own: one that cannot be read keeps
    // why (its part's readError) and the others are read all the same. Fails only when
    // the file cannot be opened.
    Result<Done, SpeciesError> readEach();
    // A table as it was last read (or an apply last wrote it).
    template <class Part>
    const Part& part() const
    {
        return std::get<Part>(m_parts);
    }

    // Checks the edits (only what changes is judged against the game's limits), then
    // writes what differs from what was read.
    DocumentWrite apply(const DocumentEdits& edits);
    // Only the checks of apply, for a dry run and for a report before writing: what the
    // level-up archive becomes and where it goes (with a held file, the padding it
    // would take checked too).
    Result<LevelUpArchiveWrite, SpeciesError> check(const DocumentEdits& edits) const;

private:
    Result<platform::OpenFile*, SpeciesError> fileToRead(std::unique_ptr<platform::OpenFile>& opened) const;
    // Runs `use` with the parts' source: the held open and what it read, or the file
    // opened now for this call alone.
    Result<Done, SpeciesError> withSource(const std::function<Result<Done, SpeciesError>(PartSource&)>& use);
    Result<Done, SpeciesError> readPart(DocumentPart& part);
    void showParts(PartSource& source, int listIndex, SpeciesLoad& load);
    Result<Done, SpeciesError> planParts(const DocumentEdits& edits, WritePlan& plan) const;
    DocumentWrite write(const WritePlan& plan);
    DocumentWrite writeChecked(const WritePlan& plan, bool& began);

    std::string m_path;
    RomFingerprint m_rom;
    const rom::Edition* m_edition = &rom::SupportedEditions.front();
    std::unique_ptr<platform::OpenFile> m_held;
    // What was read, which a write must find unchanged: the window's records by list
    // index, and the tables.
    std::map<int, RecordBytes> m_recordsRead;
    DocumentParts m_parts;
    // A held file's file system, as the open read it, and its overlay table.
    std::optional<rom::NitroFs> m_fileSystem;
    std::optional<std::vector<rom::OverlayEntry>> m_overlays;
};

} // namespace quillmark::species
