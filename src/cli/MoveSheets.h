#pragma once

#include "cli/CliErrors.h"
#include "cli/SheetFormats.h"
#include "species/EggMoves.h"
#include "species/MoveArchives.h"
#include "species/MoveTutors.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::cli {

// What a sheet holds, by its columns: "level" and "move" make one of level-up moves
// (index,dex,name,entry,level,move: a row per entry), "slot" and "method" one of
// evolutions (index,dex,name,slot,method,parameter,target: a row per used slot);
// anything else is a sheet of species records.
// "entry" and "move" without "level" make one of egg moves (index,dex,name,entry,move:
// a row per move), columns named by tutor moves one of tutor moves (index,dex,name,
// then a column per tutor move, x where the species learns it).
enum class SheetKind { Species, LevelUpMoves, Evolutions, EggMoves, Tutors };
SheetKind sheetKindOf(std::string_view text, SheetFormat format);

// Every record's level-up moves, or its used evolution slots, of the first `records`
// records (member k + 1 is list index k). Moves, methods, items and species by name,
// or by their numbers with options.codes.
std::string writeLevelUpSheet(const species::MoveArchives& read, int records, const SheetOptions& options);
std::string writeEvolutionSheet(const species::MoveArchives& read, int records, const SheetOptions& options);

// A sheet of one of the two kinds as edits: a species in the sheet gets exactly the
// entries (in the sheet's order) or slots it lists there; the others keep theirs.
// Cells may give moves, methods, items and species by name or number. A cell that
// holds what `stored` has at its place (the export's "#500", a level 0) is taken as it
// is, whatever the game would take: only what changes is judged, by the writer.
species::MoveEdits readMoveSheet(const species::Vocabulary& words, std::string_view text, SheetFormat format, SheetKind kind, int records,
                                 rom::Game game, const species::MoveArchives& stored, ErrorList& errors);

// "Garchomp (444): level-up moves +Earthquake at 49", one line per changed record.
std::vector<std::string> describeMoveEdits(const species::Vocabulary& words, const species::MoveArchives& read, const species::MoveEdits& edits,
                                           rom::Game game);

// Egg moves: a row per move of every species that has any, by National Dex order.
std::string writeEggMoveSheet(const species::EggMoveTable& table, const SheetOptions& options);
// Species in the sheet get exactly the moves it lists for them (in its order); the
// others keep theirs.
species::EggMoves readEggMoveSheet(const species::Vocabulary& words, std::string_view text, SheetFormat format, int records,
                                   const species::EggMoveTable& stored, ErrorList& errors);
std::vector<std::string> describeEggMoveEdits(const species::Vocabulary& words, const species::EggMoveTable& read, const species::EggMoves& edits);

// Tutor moves: a row per species (and with `forms`, per form record), a column per
// tutor move of the game, headed by the move's name, "x" where it is learnt.
std::string writeTutorSheet(const species::MoveTutorTables& tutors, bool forms, const SheetOptions& options);
// Columns left out of the sheet keep what is stored; "x", 1, yes, true set a bit,
// an empty cell, 0, no, false clear it. By tutor record.
std::map<int, std::vector<int>> readTutorSheet(const species::Vocabulary& words, std::string_view text, SheetFormat format, int records,
                                               const species::MoveTutorTables& stored, ErrorList& errors);
std::vector<std::string> describeTutorEdits(const species::Vocabulary& words, const species::MoveTutorTables& read,
                                            const std::map<int, std::vector<int>>& edits);

// One entry or slot per line, as get prints them.
std::string levelUpMovesText(const species::LevelUpMoves& moves);
std::string evolutionsText(const species::Vocabulary& words, const species::Evolutions& slots, rom::Game game);

} // namespace quillmark::cli
