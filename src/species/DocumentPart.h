#pragma once

#include "platform/Result.h"
#include "rom/NitroFs.h"
#include "rom/OverlayTable.h"
#include "species/DocumentData.h"
#include "species/SpeciesTableLocator.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace quillmark::platform {
class OpenFile;
}

namespace quillmark::species {

class DocumentPart;

// What a part reads its table through: the document's open of the file, and the file
// system and overlay table read at most once per open (a held document's from its
// open on), each read only when a part first asks for it.
class PartSource {
public:
    PartSource(platform::OpenFile& file, const RomFingerprint& rom, rom::Game game,
               std::optional<rom::NitroFs>& fileSystem, std::optional<std::vector<rom::OverlayEntry>>& overlays);

    platform::OpenFile& file() const { return m_file; }
    const RomFingerprint& rom() const { return m_rom; }
    rom::Game game() const { return m_game; }
    Result<const rom::NitroFs*, SpeciesError> fileSystem();
    // Nothing when it cannot be read: a reader then reads it itself, to say why.
    const std::vector<rom::OverlayEntry>* overlays();

private:
    platform::OpenFile& m_file;
    const RomFingerprint& m_rom;
    rom::Game m_game;
    std::optional<rom::NitroFs>& m_fileSystem;
    std::optional<SpeciesError> m_fileSystemError;
    std::optional<std::vector<rom::OverlayEntry>>& m_overlays;
    bool m_overlaysTried = false;
};

// Everything one write does, worked out by the parts and checked before the file is
// opened for it; the document writes it in one sequence.
struct WritePlan {
    // The window's fields: each written on its own, in processing order, so that a
    // failure can say how many went in.
    struct FieldRun {
        std::int64_t at;
        std::string hex;
    };
    std::vector<FieldRun> fields;
    std::vector<std::pair<std::int64_t, std::vector<std::uint8_t>>> moreData;
    RecordBytes savedRecord{};
    // A command's records: the table as read and as wanted.
    const std::vector<RecordBytes>* tableBefore = nullptr;
    const std::vector<RecordBytes>* tableAfter = nullptr;
    // Records that must still hold what was read, by list index.
    std::map<int, RecordBytes> unchanged;
    // Lists and slots: only those that differ from what was read, and the archives as
    // read, which must still lie in the file as they were.
    MoveEdits moves;
    LevelUpArchiveWrite levelUp;
    const MoveArchives* movesRead = nullptr;
    bool writesMoves() const { return !moves.empty(); }
    // Tables rewritten in place where their bytes differ: where they lie, as read, as
    // wanted, and the part they belong to.
    struct Table {
        std::int64_t at;
        std::vector<std::uint8_t> before, after;
        const DocumentPart* part;
    };
    std::vector<Table> tables;
    bool writesTableOf(const DocumentPart* part) const;
};

// One table of the ROM as the document holds it. Each part reads its table through
// the document's open, shows one species of it to the window, turns the window's
// values of a species into edits (by its own key: member, Dex number, tutor record),
// judges edits against what it read and the game's limits, and adds what differs to
// the write plan. The document lists its parts in DocumentParts.h.
class DocumentPart {
public:
    virtual ~DocumentPart() = default;

    // Replaces what was read before; a failure is kept for the window to show.
    Result<Done, SpeciesError> read(PartSource& source);
    const std::optional<SpeciesError>& readError() const { return m_readError; }
    virtual void forget() = 0;

    // Whether the window's load of one species reads this part (the records are read
    // there field by field instead).
    virtual bool showsSpecies() const { return true; }
    virtual void showSpecies(int listIndex, SpeciesLoad& load) const = 0;
    // The window's values of one species, as edits where they differ from the read.
    virtual void takeSpeciesEdits(int listIndex, const SpeciesChanges& changes, DocumentEdits& edits) const = 0;

    // Refuses what the game cannot take or what was not read; adds what differs.
    virtual Result<Done, SpeciesError> plan(const DocumentEdits& edits, WritePlan& plan) const = 0;
    // After a write that began: what the part holds of the file now (read again when
    // its bytes were written).
    virtual void written(const WritePlan& plan, bool complete) = 0;

protected:
    // The table read and kept, what was read before already forgotten.
    virtual Result<Done, SpeciesError> readTable(PartSource& source) = 0;

private:
    std::optional<SpeciesError> m_readError;
};

} // namespace quillmark::species
