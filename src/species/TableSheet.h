#pragma once

#include "platform/Result.h"
#include "rom/RomIdentification.h"
#include "species/DocumentData.h"
#include "species/RomChange.h"
#include "species/SheetRows.h"
#include "species/SpeciesError.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::species {

class RomDocument;

// How a sheet is written: codes instead of names, the egg and form records too.
struct SheetStyle {
    bool codes = false;
    bool forms = false;
};

// One sheet being read into edits, a row at a time: a sheet may have millions.
class SheetReader {
public:
    virtual ~SheetReader() = default;
    // The columns its rows are checked against.
    virtual const SheetColumns& columns() const = 0;
    virtual void row(const SheetRow& row) = 0;
    // What the rows ask for, and what that changes in the ROM in the user's words, a
    // line per change (the species named).
    virtual const DocumentEdits& edits() const = 0;
    virtual std::vector<std::string> changes() const = 0;
};

// One of a document's tables as the command line shows it: the name `get`, `diff` and
// `export --FLAG` give it, the other names `get` takes, and its sheet: which header is
// its, how it is written and read. A part gives its tables' sheets
// (DocumentPart::sheets()); the command line loops over them.
class TableSheet {
public:
    virtual ~TableSheet() = default;

    // "learnset": the field `get` prints and the part a comparison names.
    virtual std::string_view name() const = 0;
    // "learnsets": export --learnsets.
    virtual std::string_view flag() const = 0;
    // For export --help: "the level-up moves instead: index,dex,name,entry,level,move..."
    virtual std::string_view help() const = 0;
    // The names `get` takes besides name() and flag(), as people say them.
    virtual std::vector<std::string_view> aliases() const = 0;
    // What may be partly written when a write of it fails.
    virtual std::string_view writtenWhat() const = 0;
    // What people call it: "tutor moves" ("Not compared: tutor moves, ..."); and its
    // part as a comparison's list names it, in a word or two: "tutors".
    virtual std::string_view words() const { return name(); }
    virtual std::string_view listWords() const { return name(); }
    // What its sheet holds, for help: "level-up moves".
    virtual std::string_view sheetWords() const { return words(); }
    // A change of a comparison as a line says what changed: "tutor Thunder Punch",
    // "learnset order".
    virtual std::string changeWords(const RomChange& change) const = 0;

    // The table read (once per open), or why not; false when the game has none.
    virtual Result<bool, SpeciesError> read(RomDocument& document) const = 0;
    // Why the game has none: "Diamond teaches no moves from a tutor table (...)".
    virtual std::string absentText(rom::Game) const { return {}; }

    // A header (columnKey-folded) is this sheet's: it has a column only this one has.
    // The sheets are asked in the order of the parts and of their sheets.
    virtual bool isSheetOf(const std::vector<std::string>& header) const = 0;
    // After read(): the whole sheet.
    virtual SheetTable write(const RomDocument& document, const SheetStyle& style) const = 0;
    // After read(): a reader of a sheet of this kind, its problems into `errors`.
    virtual std::unique_ptr<SheetReader> reader(const RomDocument& document, SheetErrors& errors) const = 0;
    // After read(): the table's lines for one record, as `get` prints them.
    virtual std::string recordText(const RomDocument& document, int listIndex) const = 0;
};

} // namespace quillmark::species
