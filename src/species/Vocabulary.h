#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::species {

// The game's words as one ROM has them: the name of every species and form record, for
// the window's list and titles, the sheets, the command line's matcher, comparisons and
// messages. A document owns one, made at its open; today it holds the built-in names,
// which also stand for no ROM at all (the list before a ROM is open, a sheet without
// one).
class Vocabulary {
public:
    // The built-in names: the 493 species, then the egg and form records.
    static const Vocabulary& builtIn();

    explicit Vocabulary(std::vector<std::string> recordNames);
    // A ROM's: its species names as its names bank spells them (GARCHOMP, by Dex number
    // from 1), shown as the built-in list writes names — the built-in name where the
    // ROM's is the same name (Garchomp, Nidoran♀, Farfetch'd), else in title case
    // (SHARKOMP: Sharkomp); the egg and form records keep the built-in names. A species
    // is still found by its built-in name, after the ROM's names.
    static Vocabulary fromRom(const std::vector<std::string>& speciesNames);

    // The records it names, from list index 0 on.
    int recordCount() const { return static_cast<int>(m_names.size()); }
    // The name of list index i: a species below 493, then an egg or form record; empty
    // past the last it names.
    const std::string& recordName(int index) const;
    // "Garchomp (444)": a record as messages name it, by list index.
    std::string recordLabel(int index) const;
    // The same for member k of the archives numbered like the species archive (member k
    // is list index k - 1); "member k" only for one that no record stands for.
    std::string memberLabel(int member) const;
    // A record by its name as people write it: case, accents, blanks, dots, hyphens and
    // apostrophes do not count, ♀/♂ may be f/m, and the words of a form name may come in
    // any order, "Forme" and "Cloak" left out ("mr mime", "hooh", "nidoran f", "Heat
    // Rotom", "giratina origin"). Among the first `count` records.
    std::optional<int> findRecord(std::string_view text, int count) const;
    // Up to three names closest to what was typed, best first.
    std::vector<std::string> nearestRecordNames(std::string_view text, int count) const;

private:
    std::vector<std::string> m_names;
    // Each name folded for matching, in its order and with its words sorted: a sheet
    // names a species on each of thousands of rows.
    std::vector<std::string> m_keys, m_formKeys;
    // The built-in names' keys, where they differ from the ROM's: found after those.
    std::vector<std::string> m_builtInKeys;
};

} // namespace quillmark::species
