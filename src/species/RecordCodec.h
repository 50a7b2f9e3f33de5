#pragma once

#include "rom/RomIdentification.h"
#include "species/SpeciesRecord.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::species {

// Every byte of a species record under a name, for the command line (and any other
// front end that edits whole records). Bits that no column names (the top four bits
// of the EV word, bytes 26-27, machine bits 100-127) are never touched.
using RecordBytes = std::array<std::uint8_t, kRecordSize>;

enum class ColumnKind {
    Number,       // one byte, 0..255
    List,         // one byte naming a list entry
    Item,         // a little-endian word naming an item
    Color,        // bits 0-6 of byte 25, a colour
    EffortValue,  // two bits of the little-endian word at 10-11, 0..3
    Flip,         // bit 7 of byte 25, 0 or 1
    Machines,     // bits 0-99 of bytes 28-43: TM01..TM92, HM01..HM08
};

enum class ValueList { None, Types, Items, GenderRatios, HatchSteps, EggGroups, Abilities, GrowthRates, Colors };

struct RecordColumn {
    std::string_view name;
    ColumnKind kind;
    int offset;  // the record byte (the low byte of a word)
    int bit = 0; // EffortValue: the first of its two bits in the word
    ValueList list = ValueList::None;

    bool hasList() const { return list != ValueList::None; }
    // The largest code the bytes can hold.
    unsigned maxCode() const;
};

// In the order of an export.
const std::vector<RecordColumn>& recordColumns();
const RecordColumn* findColumn(std::string_view name);
// "type1_code" names the code of "type1"; nothing for other names.
const RecordColumn* findCodeColumn(std::string_view name);
std::string codeColumnName(const RecordColumn& column);

// The texts of a list, by code, in a game (only the items differ between games); the
// names of the list command ("types", "items"...).
using rom::Game;
const std::vector<std::string>& listEntries(ValueList list, Game game = Game::Diamond);
std::optional<ValueList> listByName(std::string_view name);
std::string_view listName(ValueList list);

inline constexpr int kMachineCount = 100;
std::string machineName(int bit);  // "TM01" .. "TM92", "HM01" .. "HM08"
std::string_view machineMove(int bit, Game game = Game::Diamond);  // HM05 differs in HG/SS
// Whether `machine` ("TM01") teaches `move` ("Focus Punch", any case, blanks and hyphens
// aside) in one of the games.
bool machineTeaches(std::string_view machine, std::string_view move);

// The stored value of a column (a code, a number, 0/1); not for Machines.
unsigned codeOf(const RecordColumn& column, const RecordBytes& record);
void setCode(const RecordColumn& column, unsigned code, RecordBytes& record);
std::vector<int> machinesOf(const RecordBytes& record);
bool hasMachine(const RecordBytes& record, int bit);
void setMachine(RecordBytes& record, int bit, bool on);

// A cell as an export writes it: numbers in decimal, a list field's entry text (or
// "#NNN" where no entry, or more than one, has that code), machines as "TM01 HM04".
std::string cellText(const RecordColumn& column, const RecordBytes& record, Game game = Game::Diamond);

// A cell read back. Numbers are whole decimal numbers in range; list texts match
// case, blanks and apostrophes aside, or "#NNN" gives the code; a gender ratio may
// also be the stored byte (0..255); machines are names or the moves they teach. The error message
// names the column, the value (cut to 40 characters) and what is accepted.
std::optional<std::string> applyCell(const RecordColumn& column, std::string_view text,
                                     RecordBytes& record, Game game = Game::Diamond);
// The same for the code column of a list field: a whole number in range.
std::optional<std::string> applyCodeCell(const RecordColumn& column, std::string_view text,
                                         RecordBytes& record);
// machines+=TM26 and machines-=HM04 (or machines+=Earthquake, by the move the machine
// teaches in the game): sets or clears the machines named.
std::optional<std::string> editMachines(std::string_view names, bool set, RecordBytes& record,
                                        Game game = Game::Diamond);

// A whole decimal number from 0 to max, with nothing else around it.
std::optional<unsigned> parseWholeNumber(std::string_view text, unsigned max);

// At most 40 characters of a cell, for messages.
std::string quoteCell(std::string_view text);

} // namespace quillmark::species
