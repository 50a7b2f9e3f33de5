#pragma once

#include "platform/Conversions.h"
#include "platform/Result.h"
#include "rom/NitroFs.h"
#include "rom/OverlayTable.h"
#include "rom/RomIdentification.h"
#include "species/EggMoves.h"
#include "species/Evolutions.h"
#include "species/LevelUpMoves.h"
#include "species/MoveArchives.h"
#include "species/MoveTutors.h"
#include "species/SpeciesEditor.h"
#include "species/SpeciesError.h"
#include "species/SpeciesTableFile.h"
#include "species/SpeciesTableLocator.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillmark::platform {
class OpenFile;
}

namespace quillmark::species {

// One species' level-up list and evolution slots as the Moves window shows them.
struct SpeciesMoves {
    LevelUpMoves levelUp;
    Evolutions evolutions;
    std::int64_t freeBytes = 0;  // after the level-up archive, for longer lists
    // Why the level-up lists cannot be used (they are empty then); the evolutions can.
    std::optional<SpeciesError> levelUpDamage;
};

// One species' egg and tutor moves, as the Moves window shows them.
struct SpeciesTeaching {
    // Egg moves: nothing for a record that has none of its own (a form, an egg);
    // the egg table's free words; why they cannot be read or written, if so.
    std::optional<std::vector<int>> eggMoves;
    int eggWordsFree = 0;
    std::string eggProblem;
    bool eggWritable = false;
    // Tutors: the game's list (empty for Diamond and Pearl), the list moves this
    // record learns (nothing: a record without tutor moves), or why not.
    std::vector<TutorMove> tutorMoves;
    std::optional<std::vector<int>> tutorLearns;
    std::string tutorProblem;
    bool tutorWritable = false;
};

// What the windows show of one species, read through one open of the file.
struct SpeciesLoad {
    LoadedSpecies record;
    // When asked for: the lists and slots, or why the archives cannot be read.
    std::optional<Result<SpeciesMoves, SpeciesError>> moves;
    std::optional<SpeciesTeaching> teaching;
};

// What the window's Save writes for one species.
struct SpeciesChanges {
    SpeciesValues values = {};  // the 20 fields as the main window's controls hold them
    platform::NumberFormat format = {};
    std::optional<RecordBytes> moreData = {};   // the whole record as More Data has it
    std::optional<LevelUpMoves> levelUp = {};   // the Moves window's, when it shows them
    std::optional<Evolutions> evolutions = {};
    std::optional<std::vector<int>> eggMoves = {};     // the Moves window's, when it shows them
    std::optional<std::vector<int>> tutorLearns = {};  // list indices of the tutor moves
};

// What an import or a `set` wants: whole records by list index (as many as were read,
// or none), lists and slots by member.
struct DocumentEdits {
    std::vector<RecordBytes> records = {};
    MoveEdits moves = {};
    EggMoves eggMoves = {};                       // by National Dex number
    std::map<int, std::vector<int>> tutors = {};  // by tutor record: the list moves it learns
};

// How far an apply came, for a report that names what is and is not in the file.
struct DocumentWrite {
    RecordWrites records;
    std::optional<SpeciesError> error;  // nothing when everything went through
};

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
    rom::Game game() const { return m_game; }
    // The held file; nullptr for the window's document.
    platform::OpenFile* heldFile() const { return m_held.get(); }

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

    // What a save must find of a record that the caller read itself (a session that
    // outlived a document, a tool).
    void expectRecord(int listIndex, const RecordBytes& record) { m_recordsRead[listIndex] = record; }
    void expectMoves(MoveArchives read) { m_moves = std::move(read); }

    // A command: every record, and the archives of lists and slots, as read now.
    Result<const std::vector<RecordBytes>*, SpeciesError> readRecords();
    // The records as readRecords last read them (or an apply last wrote them); nothing
    // before.
    const std::vector<RecordBytes>* records() const { return m_table ? &*m_table : nullptr; }
    Result<const MoveArchives*, SpeciesError> readMoves();
    Result<const EggMoveTableFile*, SpeciesError> readEggMoves();
    // Nothing for Diamond and Pearl, which teach no moves from a table.
    Result<const MoveTutorTables*, SpeciesError> readTutors();
    // Checks the edits (only what changes is judged against the game's limits), then
    // writes what differs from what was read.
    DocumentWrite apply(const DocumentEdits& edits);
    // Only the checks of apply, for a dry run and for a report before writing: what the
    // level-up archive becomes and where it goes (with a held file, the padding it
    // would take checked too).
    Result<LevelUpArchiveWrite, SpeciesError> check(const DocumentEdits& edits) const;

private:
    struct Plan;
    Result<platform::OpenFile*, SpeciesError> fileToRead(std::unique_ptr<platform::OpenFile>& opened) const;
    // The file to read and its file system: a held file's as its open read it, or one
    // read now into `read` for a file opened for the call.
    Result<std::pair<platform::OpenFile*, const rom::NitroFs*>, SpeciesError>
    fileSystemToRead(std::unique_ptr<platform::OpenFile>& opened, std::optional<rom::NitroFs>& read) const;
    SpeciesTeaching readTeaching(platform::OpenFile& file, const Result<rom::NitroFs, rom::RomFsError>& fs,
                                 int listIndex);
    Result<SpeciesMoves, SpeciesError> readSpeciesMoves(platform::OpenFile& file,
                                                        const Result<rom::NitroFs, rom::RomFsError>& fs, int listIndex);
    Result<Done, SpeciesError> planMoves(const MoveEdits& edits, Plan& plan) const;
    Result<Done, SpeciesError> planTeaching(const DocumentEdits& edits, Plan& plan) const;
    DocumentWrite write(const Plan& plan);
    const std::vector<rom::OverlayEntry>* heldOverlays(platform::OpenFile& file, const rom::NitroFs& fs);

    std::string m_path;
    RomFingerprint m_rom;
    rom::Game m_game = rom::Game::Diamond;
    std::unique_ptr<platform::OpenFile> m_held;
    // What was read, which a write must find unchanged: records by list index, and the
    // archives of lists and slots.
    std::map<int, RecordBytes> m_recordsRead;
    std::optional<std::vector<RecordBytes>> m_table;
    std::optional<MoveArchives> m_moves;
    std::optional<EggMoveTableFile> m_eggMoves;
    std::optional<std::optional<MoveTutorTables>> m_tutors;
    // A held file's file system, as the open read it, and its overlay table.
    std::optional<rom::NitroFs> m_fileSystem;
    std::optional<std::vector<rom::OverlayEntry>> m_overlays;
};

} // namespace quillmark::species
