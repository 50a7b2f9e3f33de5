#pragma once

#include "cli/CliErrors.h"
#include "cli/SheetFormats.h"
#include "species/RecordCodec.h"
#include "species/SpeciesOfRow.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillmark::cli {

// The records a sheet asks for, worked out row by row as the sheet is read: each row
// names its species by "index" or "name" and changes the fields it has columns for,
// by text or by code. A row with a text and a code cell of one field that name
// different entries is refused, as is a species in two rows; nothing is ever chosen
// silently.
// The species a row names by "index", "name" or (alone) "dex", among the first
// `count` records; nothing, with the reason in errors, when it names none or two.
using species::speciesOfRow;

class SheetEdits {
public:
    SheetEdits(const species::Vocabulary& words, const std::vector<species::RecordBytes>& current, rom::Game game,
               ErrorList& errors);
    void apply(const SheetRow& row);
    const std::vector<species::RecordBytes>& wanted() const { return m_wanted; }

private:
    const species::Vocabulary& m_words;
    std::vector<species::RecordBytes> m_wanted;
    rom::Game m_game;
    ErrorList& m_errors;
    std::map<int, std::string> m_rowOf;  // where each species was given
};

} // namespace quillmark::cli
