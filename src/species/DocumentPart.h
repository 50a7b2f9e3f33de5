#pragma once

#include "platform/Result.h"
#include "rom/NitroFs.h"
#include "rom/ImageLayout.h"
#include "rom/OverlayTable.h"
#include "species/DocumentData.h"
#include "species/RomChange.h"
#include "species/SpeciesTableLocator.h"
#include "species/Vocabulary.h"
#include "species/WritePlan.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace quillmark::platform {
class OpenFile;
}

namespace quillmark::species {

class DocumentPart;
class TableSheet;

// What a part reads its table through: the document's open of the file, and the file
// system and overlay table read at most once per open (a held document's from its
// open on), each read only when a part first asks for it.
class PartSource {
public:
    // What an open read once of the image's own tables, kept with it.
    struct Tables {
        std::optional<rom::NitroFs> fileSystem;
        std::optional<std::vector<rom::OverlayEntry>> overlays;
        std::optional<rom::ImageLayout> layout;
        void forget() { *this = {}; }
    };
    PartSource(platform::OpenFile& file, const RomFingerprint& rom, rom::Game game,
               std::shared_ptr<const Vocabulary> words, Tables& tables);

    platform::OpenFile& file() const { return m_file; }
    const RomFingerprint& rom() const { return m_rom; }
    rom::Game game() const { return m_game; }
    // The document's words, for what a part says of a species; a part keeps them.
    const std::shared_ptr<const Vocabulary>& words() const { return m_words; }
    Result<const rom::NitroFs*, SpeciesError> fileSystem();
    // Nothing when it cannot be read: a reader then reads it itself, to say why.
    const std::vector<rom::OverlayEntry>* overlays();
    // The image's layout: where a file may grow or move.
    Result<const rom::ImageLayout*, SpeciesError> layout();

private:
    platform::OpenFile& m_file;
    const RomFingerprint& m_rom;
    rom::Game m_game;
    std::shared_ptr<const Vocabulary> m_words;
    Tables& m_tables;
    std::optional<SpeciesError> m_fileSystemError;
    bool m_overlaysTried = false;
};

// One table of the ROM as the document holds it. Each part reads its table through
// the document's open, shows one species of it to the window, turns the window's
// values of a species into edits (by its own key: list index, member, Dex number,
// tutor record), judges edits against what it read and the game's limits, and adds a
// step of what differs to the write plan: what it must still find, what it writes.
// The document lists its parts in DocumentParts.h and names none of them.
class DocumentPart {
public:
    virtual ~DocumentPart() = default;

    // Replaces what was read before; a failure is kept for the window to show.
    Result<Done, SpeciesError> read(PartSource& source);
    const std::optional<SpeciesError>& readError() const { return m_readError; }
    virtual void forget() = 0;

    // The window's load of one species: the table read through the load's open, and the
    // species shown; whether it shows the species (false: why it cannot, a table that
    // cannot be read). An error here fails the whole load.
    virtual Result<bool, SpeciesError> load(PartSource& source, int listIndex, SpeciesLoad& load);
    virtual void showSpecies(int listIndex, SpeciesLoad& load) const = 0;
    // The window's values of one species, as edits where they differ from the read.
    virtual void takeSpeciesEdits(int listIndex, const SpeciesChanges& changes, DocumentEdits& edits) const = 0;

    // Refuses what the game cannot take or what was not read; adds a step of what
    // differs.
    virtual Result<Done, SpeciesError> plan(const DocumentEdits& edits, WritePlan& plan) const = 0;
    // After a write that began: what the part holds of the file now. By default it
    // forgets what it read when its step began, to read it again.
    virtual void written(const WritePlan& plan, bool complete);

    // Comparing two ROMs of one game, this part as read in each (`before`: the same part
    // of the other document). The names its rows go by ("learnset", "evolutions"), for
    // a table that could not be read.
    virtual std::vector<std::string> comparedParts() const = 0;
    // It was read and the game has the table (Diamond and Pearl teach no tutor moves).
    virtual bool holdsTable() const = 0;
    // What cannot be compared of a table read all the same (level-up lists damaged):
    // added to `uncompared`, naming the ROM at `path`.
    virtual void notComparable(const std::string& path, std::vector<UncomparedTable>& uncompared) const;
    // The rows of one record that differ from `before`.
    virtual void compareRecord(const DocumentPart& before, const RecordToCompare& record,
                               std::vector<RomChange>& changes) const = 0;
    // The bytes those rows cover, compared in both ROMs: left out of the comparison of
    // the image's files.
    virtual void comparedBytes(const DocumentPart& before, std::vector<ComparedBytes>& bytes) const = 0;

    // How its tables appear on the command line and in sheets; none for a part the
    // command line shows otherwise (the species records have the main sheet).
    virtual std::vector<const TableSheet*> sheets() const { return {}; }

protected:
    // The table read and kept, what was read before already forgotten.
    virtual Result<Done, SpeciesError> readTable(PartSource& source) = 0;

private:
    std::optional<SpeciesError> m_readError;
};

} // namespace quillmark::species
