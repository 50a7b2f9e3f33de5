#pragma once

#include "rom/RomIdentification.h"
#include "species/SheetRows.h"
#include "species/Vocabulary.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the sheets of moves share: their columns, and their cells read as the export
// writes them.
namespace quillmark::species {

// The columns of a sheet of moves: the numbers are numbers; a move, method, parameter
// or species may be a name or its number.
SheetColumns moveSheetColumns(const std::vector<std::string>& names, std::string rows);

// A whole number from `low` to `high`; nothing otherwise.
std::optional<int> numberIn(std::string_view text, int low, int high);
// The National Dex number of a record's species; nothing for the egg records.
std::optional<long long> dexOf(int listIndex);
// A species given by name or by its member number (its National Dex number); an empty
// cell is none (0), as an empty parameter is, so that `None` with empty cells clears
// a slot.
std::optional<int> memberOfCell(const Vocabulary& words, std::string_view text);
// An item by its name in `game` or its code.
std::optional<int> itemOfCell(std::string_view text, rom::Game game);
// The move a column header names, its name written as people write it ("Thunder
// Punch", "thunderpunch", "Mud Slap"): the games' name with case, blanks, hyphens and
// dots folded away, whole (no prefix of a name: a header is a whole name).
std::optional<int> moveOfHeader(std::string_view header);
// The cell as the export writes the stored value there (its text or its number): then
// it is that value.
std::optional<int> asStored(std::string_view cell, int value, const std::string& written);
// " +Tackle -Growl" from what a list loses and gains, each entry's text by `text`.
template <class Entry, class Text>
std::string listChangeText(const std::vector<Entry>& was, const std::vector<Entry>& now, Text text)
{
    std::string out;
    auto left = was;
    for (const auto& entry : now) {
        if (const auto it = std::find(left.begin(), left.end(), entry); it != left.end())
            left.erase(it);
        else
            out += " +" + text(entry);
    }
    for (const auto& entry : left)
        out += " -" + text(entry);
    return out;
}

} // namespace quillmark::species
