#pragma once

#include "platform/Conversions.h"
#include "species/EggMoves.h"
#include "species/Evolutions.h"
#include "species/LevelUpMoves.h"
#include "species/MoveArchives.h"
#include "species/MoveTutors.h"
#include "species/SpeciesEditor.h"
#include "species/SpeciesError.h"
#include "species/SpeciesTableFile.h"

#include <bitset>
#include <map>
#include <optional>
#include <string>
#include <vector>

// What a ROM document gives the window and the command line, and what it takes from
// them to write.
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

// Some of a document's parts, by their place in DocumentParts (DocumentParts.h): what
// a page asks a load for, and what a load holds.
using PartSet = std::bitset<16>;

// What the windows show of one species, read through one open of the file.
struct SpeciesLoad {
    PartSet parts;  // the parts read: only theirs is shown
    PartSet shown;  // of those, the parts that show the species (not why they cannot)
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

// The window's record of one species: the 20 fields as typed, and the rest of the
// record where More Data changed it.
struct RecordFieldEdits {
    int listIndex = -1;
    SpeciesValues values = {};
    platform::NumberFormat format = {};
    std::optional<RecordBytes> moreData = {};
};

// What a save, an import or a `set` wants: whole records by list index (as many as
// were read, or none) or the window's fields of one, lists and slots by member.
struct DocumentEdits {
    std::vector<RecordBytes> records = {};
    MoveEdits moves = {};
    EggMoves eggMoves = {};                       // by National Dex number
    std::map<int, std::vector<int>> tutors = {};  // by tutor record: the list moves it learns
    std::optional<RecordFieldEdits> fields = {};
    bool empty() const { return records.empty() && moves.empty() && eggMoves.empty() && tutors.empty() && !fields; }
};

// How far an apply came, for a report that names what is and is not in the file: the
// records (by list index) written, and the one that failed.
struct DocumentWrite {
    RecordWrites records;
    std::optional<SpeciesError> error;  // nothing when everything went through
};

} // namespace quillmark::species
