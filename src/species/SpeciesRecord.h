#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillmark::species {

// One 44-byte record per species; record i starts at TableBase + 44 * i.
//   0..5   HP, Attack, Defense, Speed, Sp Attack, Sp Defense
//   6, 7   types                    8  catch rate      9  base experience
//  10..11  EV yield (untouched)     12..13, 14..15  wild hold items, little-endian
//  16      gender ratio            17  hatch cycles   18  base happiness
//  19      growth rate (untouched) 20, 21  egg groups 22, 23  abilities
//  24      Great Marsh run chance  25..43  colour, padding, TM flags (untouched)
inline constexpr int kRecordSize = 44;
inline constexpr int kSpeciesCount = 493;
inline constexpr std::int64_t kTableSize = std::int64_t{kRecordSize} * kSpeciesCount;
static_assert(kTableSize == 21692);

enum class FieldKind {
    Number,  // one byte shown as decimal text
    List,    // one byte, the index of a drop-down entry
    Item,    // a little-endian 16-bit word, the index of an item entry
};

enum class LookupList { None, Types, Items, GenderRatios, HatchSteps, EggGroups, Abilities };

// The 20 edited fields, in the one order that load and save both visit them.
enum class SpeciesField {
    HP, Attack, Defense, Speed, SpAttack, SpDefense, BaseXP, CatchRate,
    Type1, Type2, Item1, Item2, Gender, HatchSteps, BaseHappiness,
    EggType1, EggType2, RunChance, Ability1, Ability2,
};
inline constexpr int kFieldCount = 20;

struct FieldLayout {
    SpeciesField field;
    int offset;               // within the record
    int width;                // bytes
    FieldKind kind;
    std::string_view control; // the window's control that shows it
    std::string_view caption; // the label or panel caption beside that control
    LookupList list;
    int entryCount;           // codes 0..entryCount-1 name an entry; 0 for number fields
};

// Indexed by SpeciesField, so element i is the i-th field in processing order.
extern const std::array<FieldLayout, kFieldCount> SpeciesFieldMap;

const FieldLayout& fieldLayout(SpeciesField field);

struct TableLocation {
    std::string_view gameCodes[2];  // the Diamond and the Pearl edition of one language
    std::string_view language;
    std::int64_t tableStart;
};

extern const std::array<TableLocation, 7> SpeciesTableLocations;

// TableBase as the session keeps it: the table start as decimal text, or nothing for
// a game code without a table. Exact, case-sensitive match.
std::optional<std::string> tableBaseFor(std::string_view gameCode);

// The table start that TableBase text holds; nothing unless it is plain decimal digits.
std::optional<std::int64_t> tableStart(std::string_view tableBase);

// 0-based file offset of one field of species index: TableBase + offset + 44 * index.
// Nothing for a TableBase that is not a decimal number, or an index outside the
// table's records (0..492, and the egg and form records after them where the table
// has them).
std::optional<std::int64_t> fieldPosition(std::string_view tableBase, int index,
                                          const FieldLayout& field, int recordCount = kSpeciesCount);

extern const std::array<std::uint16_t, 51> GenderlessSpecies;

// The gender ratio of these is shown but locked; a form record follows its species
// (Rotom (Heat) is locked), the egg records are not.
bool isGenderless(int index);

} // namespace quillmark::species
