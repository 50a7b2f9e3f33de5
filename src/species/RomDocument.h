#pragma once

#include "platform/Result.h"
#include "rom/NitroFs.h"
#include "rom/OverlayTable.h"
#include "rom/RomIdentification.h"
#include "species/DocumentData.h"
#include "species/DocumentParts.h"
#include "species/SpeciesError.h"
#include "species/SpeciesTableLocator.h"
#include "species/Vocabulary.h"

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
// and what its parts (DocumentParts.h) read of it since. Every load and save of the
// window and the command line goes through here, and every write follows one
// sequence: the parts' steps planned; the file under the writers' lock; the game code,
// the table's place, and every byte each step depends on as it was read (RomChanged
// otherwise); then each step's bytes; then the path checked to still name the file
// written. It names no table: what a table reads and writes is its part's.
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
    // The game's words as this ROM has them: every name the window, the command line
    // and the messages give a species.
    const Vocabulary& vocabulary() const { return *m_words; }
    // Where the names come from: "msgdata/pl_msg.narc, bank 412", or "built in (why)".
    const std::string& namesSource() const { return m_namesSource; }
    // The held file; nullptr for the window's document.
    platform::OpenFile* heldFile() const { return m_held.get(); }
    // The held file's file system, as its open read it (or reads it now, once);
    // FileUnavailable for the window's document, which holds no file.
    Result<const rom::NitroFs*, SpeciesError> heldFileSystem();

    // The window: one species of each part in `wanted` (the parts the pages shown ask
    // for), through one open of the file and one reading of its file system.
    Result<SpeciesLoad, SpeciesError> load(int listIndex, const PartSet& wanted);
    // The window's Save: every part takes the window's values of the species as its
    // edits; what differs from the last load is written.
    Result<Done, SpeciesError> save(int listIndex, const SpeciesChanges& changes);

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
    // Every table as it was last read, for what loops over them all (a comparison).
    const DocumentParts& parts() const { return m_parts; }
    // A table as it was last read (or an apply last wrote it).
    template <class Part>
    const Part& part() const
    {
        return std::get<Part>(m_parts);
    }

    // Checks the edits (only what changes is judged against the game's limits), then
    // writes what differs from what was read.
    DocumentWrite apply(const DocumentEdits& edits);
    // Only the checks of apply, for a dry run and for a report before writing: the steps
    // a write would take, a file that grows or moves placed (with a held file, the
    // padding it would take checked too).
    Result<WritePlan, SpeciesError> check(const DocumentEdits& edits) const;

private:
    void useNames(const struct RomNames& names);
    Result<platform::OpenFile*, SpeciesError> fileToRead(std::unique_ptr<platform::OpenFile>& opened) const;
    Result<platform::OpenFile*, SpeciesError> fileToWrite(std::unique_ptr<platform::OpenFile>& opened) const;
    // Runs `use` with the parts' source: the held open and what it read, or the file
    // opened now for this call alone.
    Result<Done, SpeciesError> withSource(const std::function<Result<Done, SpeciesError>(PartSource&)>& use);
    Result<Done, SpeciesError> readPart(DocumentPart& part);
    Result<Done, SpeciesError> planParts(const DocumentEdits& edits, WritePlan& plan) const;
    DocumentWrite write(const WritePlan& plan);
    DocumentWrite writeChecked(const WritePlan& plan, bool& began);
    // Under the writers' lock, before any byte is written: still the ROM read, every
    // step's bytes as read; the padding byte each step's grown file fills with.
    Result<std::vector<std::uint8_t>, SpeciesError> checkSteps(platform::OpenFile& file, const WritePlan& plan) const;

    std::string m_path;
    RomFingerprint m_rom;
    const rom::Edition* m_edition = &rom::SupportedEditions.front();
    std::shared_ptr<const Vocabulary> m_words;
    std::string m_namesSource = "built in";
    std::unique_ptr<platform::OpenFile> m_held;
    // What was read, which a write must find unchanged.
    DocumentParts m_parts;
    // A held file's file system, overlay table and layout, as the open read them.
    PartSource::Tables m_tables;
};

} // namespace quillmark::species
