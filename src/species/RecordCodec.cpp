#include "species/RecordCodec.h"

#include "species/GenderRatioTexts.h"
#include "species/LookupLists.h"
#include "platform/Quantity.h"

#include <cctype>
#include <algorithm>
#include <charconv>
#include <map>

namespace quillmark::species {

namespace {

// Record byte 19 and bits 0-6 of byte 25 hold these codes.
const std::vector<std::string> kGrowthRates = {"Medium Fast", "Erratic", "Fluctuating",
                                               "Medium Slow", "Fast", "Slow"};
const std::vector<std::string> kColors = {"Red", "Blue", "Yellow", "Green", "Black",
                                          "Brown", "Purple", "Gray", "White", "Pink"};

// The moves of TM01..TM92 and HM01..HM08, in compatibility-bit order.
constexpr std::array<std::string_view, kMachineCount> kMachineMoves = {
    "Focus Punch", "Dragon Claw", "Water Pulse", "Calm Mind", "Roar", "Toxic", "Hail", "Bulk Up",
    "Bullet Seed", "Hidden Power", "Sunny Day", "Taunt", "Ice Beam", "Blizzard", "Hyper Beam",
    "Light Screen", "Protect", "Rain Dance", "Giga Drain", "Safeguard", "Frustration", "SolarBeam",
    "Iron Tail", "Thunderbolt", "Thunder", "Earthquake", "Return", "Dig", "Psychic", "Shadow Ball",
    "Brick Break", "Double Team", "Reflect", "Shock Wave", "Flamethrower", "Sludge Bomb",
    "Sandstorm", "Fire Blast", "Rock Tomb", "Aerial Ace", "Torment", "Facade", "Secret Power",
    "Rest", "Attract", "Thief", "Steel Wing", "Skill Swap", "Snatch", "Overheat", "Roost",
    "Focus Blast", "Energy Ball", "False Swipe", "Brine", "Fling", "Charge Beam", "Endure",
    "Dragon Pulse", "Drain Punch", "Will-O-Wisp", "Silver Wind", "Embargo", "Explosion",
    "Shadow Claw", "Payback", "Recycle", "Giga Impact", "Rock Polish", "Flash", "Stone Edge",
    "Avalanche", "Thunder Wave", "Gyro Ball", "Swords Dance", "Stealth Rock", "Psych Up",
    "Captivate", "Dark Pulse", "Rock Slide", "X-Scissor", "Sleep Talk", "Natural Gift",
    "Poison Jab", "Dream Eater", "Grass Knot", "Swagger", "Pluck", "U-turn", "Substitute",
    "Flash Cannon", "Trick Room", "Cut", "Fly", "Surf", "Strength", "Defog", "Rock Smash",
    "Waterfall", "Rock Climb",
};
constexpr int kTmCount = 92;
constexpr int kMachineBytes = 28;

template <class List>
std::vector<std::string> toStrings(const List& list)
{
    return {list.begin(), list.end()};
}

// What a user may type differently: case, blanks, apostrophes, an accent on "e".
std::string normalized(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        // ` ’ ‘ ´ ʼ: the apostrophes that keyboards and spreadsheets put in the place of
        // '; a no-break space is a blank.
        if (c == ' ' || c == '\t' || c == '\'' || c == '`')
            continue;
        if (text.substr(i, 3) == "\xE2\x80\x99" || text.substr(i, 3) == "\xE2\x80\x98") {
            i += 2;
            continue;
        }
        if (text.substr(i, 2) == "\xC2\xB4" || text.substr(i, 2) == "\xCA\xBC" || text.substr(i, 2) == "\xC2\xA0") {
            ++i;
            continue;
        }
        if (text.substr(i, 2) == "\xC3\xA9" || text.substr(i, 2) == "\xC3\x89") {  // é É
            out += 'e';
            ++i;
            continue;
        }
        out += static_cast<char>(std::tolower(c));
    }
    return out;
}

// Only the item list differs between games, and only between these three.
Game itemGame(ValueList list, Game game)
{
    if (list != ValueList::Items || game == Game::Pearl)
        return Game::Diamond;
    return game == Game::SoulSilver ? Game::HeartGold : game;
}

// The egg groups as later guides name them, taken beside the games' own texts.
constexpr std::pair<std::string_view, unsigned> kEggGroupSpellings[] = {
    {"Amorphous", 11},    {"Grass", 7}, {"Human Like", 8},
    {"Undiscovered", 15}, {"Ditto", 13}, {"No Eggs Discovered", 15},
};

// Codes by normalized text, for each list.
const std::multimap<std::string, unsigned>& textIndex(ValueList list, Game game)
{
    static std::map<std::pair<ValueList, Game>, std::multimap<std::string, unsigned>> indexes;
    auto& index = indexes[{list, itemGame(list, game)}];
    if (index.empty()) {
        const auto& entries = listEntries(list, game);
        for (unsigned code = 0; code < entries.size(); ++code)
            index.emplace(normalized(entries[code]), code);
        if (list == ValueList::GenderRatios)
            index.emplace("genderless", 255);
        if (list == ValueList::EggGroups) {
            for (const auto& [text, code] : kEggGroupSpellings)
                index.emplace(normalized(text), code);
        }
    }
    return index;
}

// Per code, the entry's text where that text names the code alone; null where the
// cell must be written "#NNN". Made once per list and game: an export asks for it
// some ten thousand times.
const std::vector<const std::string*>& uniqueTexts(ValueList list, Game game)
{
    static std::map<std::pair<ValueList, Game>, std::vector<const std::string*>> tables;
    auto& table = tables[{list, itemGame(list, game)}];
    if (table.empty()) {
        const auto& entries = listEntries(list, game);
        const auto& index = textIndex(list, game);
        for (const auto& entry : entries)
            table.push_back(index.count(normalized(entry)) == 1 ? &entry : nullptr);
    }
    return table;
}

// Up to three entries closest to what was typed.
std::string nearestEntries(ValueList list, Game game, std::string_view typed)
{
    const auto& entries = listEntries(list, game);
    std::vector<std::string> labels;
    for (const int i : nearestCandidates(normalized(typed), static_cast<int>(entries.size()),
                                         [&](int k) { return normalized(entries[static_cast<std::size_t>(k)]); }))
        labels.push_back(entries[static_cast<std::size_t>(i)]);
    return nearestPhrase(labels);
}

unsigned word(const RecordBytes& record, int offset)
{
    return record[static_cast<std::size_t>(offset)] |
           unsigned{record[static_cast<std::size_t>(offset) + 1]} << 8;
}

void setWord(RecordBytes& record, int offset, unsigned value)
{
    record[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(value);
    record[static_cast<std::size_t>(offset) + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::string rangeText(const RecordColumn& column)
{
    return "a whole number from 0 to " + std::to_string(column.maxCode());
}

std::optional<int> machineBit(std::string_view name)
{
    if (name.size() < 3)
        return std::nullopt;
    const std::string prefix = normalized(name.substr(0, 2));
    const bool tm = prefix == "tm", hm = prefix == "hm";
    const auto number = parseWholeNumber(name.substr(2), 99);
    if (!number || *number == 0 || (!tm && !hm))
        return std::nullopt;
    if (tm && *number <= static_cast<unsigned>(kTmCount))
        return static_cast<int>(*number) - 1;
    if (hm && *number <= static_cast<unsigned>(kMachineCount - kTmCount))
        return kTmCount + static_cast<int>(*number) - 1;
    return std::nullopt;
}

// A move's name as people type it: "will o wisp", "X Scissor", "u-turn".
std::string moveKey(std::string_view name)
{
    auto key = normalized(name);
    std::erase(key, '-');
    return key;
}

// The machine that teaches a move in a game, by the move's name in any case, with or
// without its hyphens.
std::optional<int> machineOfMove(std::string_view name, Game game)
{
    const auto key = moveKey(name);
    for (int bit = 0; bit < kMachineCount; ++bit) {
        if (moveKey(machineMove(bit, game)) == key)
            return bit;
    }
    return std::nullopt;
}

std::string nearestMoves(std::string_view typed, Game game)
{
    std::vector<std::string> labels;
    for (const int bit : nearestCandidates(normalized(typed), kMachineCount,
                                           [&](int k) { return normalized(machineMove(k, game)); }))
        labels.push_back(machineName(bit) + " " + std::string(machineMove(bit, game)));
    return nearestPhrase(labels);
}

// The machines of a cell: names (TM26) or the moves they teach in the game
// (Earthquake, "Focus Punch"), separated by blanks or commas.
std::optional<std::string> machineBits(std::string_view text, Game game, std::vector<int>& bits)
{
    std::vector<std::string_view> words;
    for (std::size_t at = 0; at < text.size();) {
        if (text[at] == ' ' || text[at] == ',' || text[at] == '\t') {
            ++at;
            continue;
        }
        const auto end = std::min(text.find_first_of(" ,\t", at), text.size());
        words.push_back(text.substr(at, end - at));
        at = end;
    }
    for (std::size_t i = 0; i < words.size();) {
        if (const auto bit = machineBit(words[i])) {
            bits.push_back(*bit);
            ++i;
            continue;
        }
        // A move's name is at most three words long; the longest that names one wins.
        bool found = false;
        for (std::size_t k = std::min<std::size_t>(3, words.size() - i); k >= 1 && !found; --k) {
            const auto joined = std::string(words[i].data(),
                                            static_cast<std::size_t>(words[i + k - 1].data() +
                                                                     words[i + k - 1].size() - words[i].data()));
            if (const auto bit = machineOfMove(joined, game)) {
                bits.push_back(*bit);
                i += k;
                found = true;
            }
        }
        if (!found)
            return "machines: " + quoteCell(words[i]) +
                   " is not a machine (TM01..TM92, HM01..HM08) nor the move of one" +
                   nearestMoves(words[i], game);
    }
    return std::nullopt;
}

} // namespace

bool machineTeaches(std::string_view machine, std::string_view move)
{
    const auto bit = machineBit(machine);
    if (!bit)
        return false;
    const auto key = moveKey(move);
    return key == moveKey(machineMove(*bit, Game::Diamond)) || key == moveKey(machineMove(*bit, Game::HeartGold));
}

void setMachine(RecordBytes& record, int bit, bool on)
{
    auto& byte = record[static_cast<std::size_t>(kMachineBytes + bit / 8)];
    const auto mask = static_cast<std::uint8_t>(1u << (bit % 8));
    byte = static_cast<std::uint8_t>(on ? byte | mask : byte & ~mask);
}

bool hasMachine(const RecordBytes& record, int bit)
{
    return (record[static_cast<std::size_t>(kMachineBytes + bit / 8)] & (1u << (bit % 8))) != 0;
}

unsigned RecordColumn::maxCode() const
{
    switch (kind) {
    case ColumnKind::Item: return 0xFFFF;
    case ColumnKind::Color: return 0x7F;
    case ColumnKind::EffortValue: return 3;
    case ColumnKind::Flip: return 1;
    case ColumnKind::Number:
    case ColumnKind::List:
    case ColumnKind::Machines: break;
    }
    return 0xFF;
}

const std::vector<RecordColumn>& recordColumns()
{
    using K = ColumnKind;
    using L = ValueList;
    static const std::vector<RecordColumn> columns = {
        {"hp", K::Number, 0},
        {"attack", K::Number, 1},
        {"defense", K::Number, 2},
        {"speed", K::Number, 3},
        {"sp_attack", K::Number, 4},
        {"sp_defense", K::Number, 5},
        {"type1", K::List, 6, 0, L::Types},
        {"type2", K::List, 7, 0, L::Types},
        {"catch_rate", K::Number, 8},
        {"base_xp", K::Number, 9},
        {"ev_hp", K::EffortValue, 10, 0},
        {"ev_attack", K::EffortValue, 10, 2},
        {"ev_defense", K::EffortValue, 10, 4},
        {"ev_speed", K::EffortValue, 10, 6},
        {"ev_sp_attack", K::EffortValue, 10, 8},
        {"ev_sp_defense", K::EffortValue, 10, 10},
        {"item1", K::Item, 12, 0, L::Items},
        {"item2", K::Item, 14, 0, L::Items},
        {"gender_ratio", K::List, 16, 0, L::GenderRatios},
        {"hatch_steps", K::List, 17, 0, L::HatchSteps},
        {"base_happiness", K::Number, 18},
        {"growth_rate", K::List, 19, 0, L::GrowthRates},
        {"egg_group1", K::List, 20, 0, L::EggGroups},
        {"egg_group2", K::List, 21, 0, L::EggGroups},
        {"ability1", K::List, 22, 0, L::Abilities},
        {"ability2", K::List, 23, 0, L::Abilities},
        {"run_chance", K::Number, 24},
        {"color", K::Color, 25, 0, L::Colors},
        {"flip", K::Flip, 25, 7},
        {"machines", K::Machines, kMachineBytes},
    };
    return columns;
}

const RecordColumn* findColumn(std::string_view name)
{
    for (const auto& column : recordColumns()) {
        if (column.name == name)
            return &column;
    }
    return nullptr;
}

const RecordColumn* findCodeColumn(std::string_view name)
{
    if (!name.ends_with("_code"))
        return nullptr;
    const auto* column = findColumn(name.substr(0, name.size() - 5));
    return column && column->hasList() ? column : nullptr;
}

std::string codeColumnName(const RecordColumn& column) { return std::string(column.name) + "_code"; }

const std::vector<std::string>& listEntries(ValueList list, Game game)
{
    static const std::vector<std::string> none;
    static const auto types = toStrings(TypeNames);
    static const auto genders = makeGenderRatioTexts(platform::NumberFormat{"."});
    static const auto hatch = toStrings(HatchStepTexts());
    static const auto eggs = toStrings(EggGroupNames);
    static const auto abilities = toStrings(AbilityNames);
    switch (list) {
    case ValueList::Types: return types;
    case ValueList::Items: return itemNamesOf(game);
    case ValueList::GenderRatios: return genders;
    case ValueList::HatchSteps: return hatch;
    case ValueList::EggGroups: return eggs;
    case ValueList::Abilities: return abilities;
    case ValueList::GrowthRates: return kGrowthRates;
    case ValueList::Colors: return kColors;
    case ValueList::None: break;
    }
    return none;
}

namespace {

constexpr std::pair<std::string_view, ValueList> kListNames[] = {
    {"types", ValueList::Types},           {"items", ValueList::Items},
    {"gender-ratios", ValueList::GenderRatios}, {"hatch-steps", ValueList::HatchSteps},
    {"egg-groups", ValueList::EggGroups},  {"abilities", ValueList::Abilities},
    {"growth-rates", ValueList::GrowthRates}, {"colors", ValueList::Colors},
};

} // namespace

std::optional<ValueList> listByName(std::string_view name)
{
    std::string key;
    for (const char c : name)
        key += c == '_' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& [text, list] : kListNames) {
        if (text == key)
            return list;
    }
    return std::nullopt;
}

std::string_view listName(ValueList list)
{
    for (const auto& [text, each] : kListNames) {
        if (each == list)
            return text;
    }
    return {};
}

std::string machineName(int bit)
{
    static const auto names = [] {
        std::array<std::string, kMachineCount> all;
        for (int b = 0; b < kMachineCount; ++b) {
            const bool tm = b < kTmCount;
            const int number = tm ? b + 1 : b - kTmCount + 1;
            all[static_cast<std::size_t>(b)] =
                std::string(tm ? "TM" : "HM") + (number < 10 ? "0" : "") + std::to_string(number);
        }
        return all;
    }();
    return names[static_cast<std::size_t>(bit)];
}

std::string_view machineMove(int bit, Game game)
{
    constexpr int kHm05 = kTmCount + 4;
    if (bit == kHm05 && (game == Game::HeartGold || game == Game::SoulSilver))
        return "Whirlpool";
    return kMachineMoves[static_cast<std::size_t>(bit)];
}

unsigned codeOf(const RecordColumn& column, const RecordBytes& record)
{
    const auto byte = record[static_cast<std::size_t>(column.offset)];
    switch (column.kind) {
    case ColumnKind::Item: return word(record, column.offset);
    case ColumnKind::Color: return byte & 0x7Fu;
    case ColumnKind::Flip: return byte >> 7;
    case ColumnKind::EffortValue: return (word(record, column.offset) >> column.bit) & 3u;
    case ColumnKind::Number:
    case ColumnKind::List:
    case ColumnKind::Machines: break;
    }
    return byte;
}

void setCode(const RecordColumn& column, unsigned code, RecordBytes& record)
{
    auto& byte = record[static_cast<std::size_t>(column.offset)];
    switch (column.kind) {
    case ColumnKind::Item: setWord(record, column.offset, code); return;
    case ColumnKind::Color: byte = static_cast<std::uint8_t>((byte & 0x80u) | (code & 0x7Fu)); return;
    case ColumnKind::Flip: byte = static_cast<std::uint8_t>((byte & 0x7Fu) | (code & 1u) << 7); return;
    case ColumnKind::EffortValue: {
        const unsigned mask = 3u << column.bit;
        setWord(record, column.offset,
                (word(record, column.offset) & ~mask) | ((code & 3u) << column.bit));
        return;
    }
    case ColumnKind::Number:
    case ColumnKind::List: byte = static_cast<std::uint8_t>(code); return;
    case ColumnKind::Machines: return;
    }
}

std::vector<int> machinesOf(const RecordBytes& record)
{
    std::vector<int> bits;
    for (int bit = 0; bit < kMachineCount; ++bit) {
        if (hasMachine(record, bit))
            bits.push_back(bit);
    }
    return bits;
}

std::string cellText(const RecordColumn& column, const RecordBytes& record, Game game)
{
    if (column.kind == ColumnKind::Machines) {
        std::string text;
        for (int bit = 0; bit < kMachineCount; ++bit) {
            if (!hasMachine(record, bit))
                continue;
            if (!text.empty())
                text += ' ';
            text += machineName(bit);
        }
        return text;
    }
    const unsigned code = codeOf(column, record);
    if (!column.hasList())
        return std::to_string(code);
    const auto& texts = uniqueTexts(column.list, game);
    if (code < texts.size() && texts[code]) {
        // The gender-ratio entries end in a blank, which would have every such cell
        // quoted in a sheet; a cell reads back with or without it.
        std::string_view text = *texts[code];
        if (column.list == ValueList::GenderRatios && text.ends_with(' '))
            text.remove_suffix(1);
        return std::string(text);
    }
    std::string numbered(1, '#');
    return numbered += std::to_string(code);
}

std::optional<std::string> applyCodeCell(const RecordColumn& column, std::string_view text,
                                         RecordBytes& record)
{
    const auto code = parseWholeNumber(text, column.maxCode());
    if (!code)
        return codeColumnName(column) + " must be " + rangeText(column) + ", not " + quoteCell(text);
    setCode(column, *code, record);
    return std::nullopt;
}

std::optional<std::string> applyCell(const RecordColumn& column, std::string_view text,
                                     RecordBytes& record, Game game)
{
    const std::string name(column.name);
    if (column.kind == ColumnKind::Machines) {
        std::vector<int> bits;
        if (auto error = machineBits(text, game, bits))
            return error;
        for (int bit = 0; bit < kMachineCount; ++bit)
            setMachine(record, bit, std::find(bits.begin(), bits.end(), bit) != bits.end());
        return std::nullopt;
    }
    if (!column.hasList()) {
        const auto number = parseWholeNumber(text, column.maxCode());
        if (!number)
            return name + " must be " + rangeText(column) + ", not " + quoteCell(text);
        setCode(column, *number, record);
        return std::nullopt;
    }
    // The gender ratio also as the byte the game stores (127 is 50% M 50% F).
    if (column.list == ValueList::GenderRatios) {
        if (const auto code = parseWholeNumber(text, column.maxCode())) {
            setCode(column, *code, record);
            return std::nullopt;
        }
    }
    if (text.starts_with("#")) {
        const auto code = parseWholeNumber(text.substr(1), column.maxCode());
        if (!code)
            return name + ": " + quoteCell(text) + " is not #0 to #" + std::to_string(column.maxCode());
        setCode(column, *code, record);
        return std::nullopt;
    }
    const auto& index = textIndex(column.list, game);
    const auto [first, last] = index.equal_range(normalized(text));
    const auto matches = std::distance(first, last);
    if (matches == 1) {
        setCode(column, first->second, record);
        return std::nullopt;
    }
    if (matches > 1) {
        std::string codes;
        for (auto it = first; it != last && codes.size() < 60; ++it) {
            codes += codes.empty() ? "#" : ", #";
            codes += std::to_string(it->second);
        }
        return name + ": " + quoteCell(text) + " names " + std::to_string(matches) +
               " entries (" + codes + "...); give the one meant as #NNN";
    }
    if (column.list == ValueList::HatchSteps)
        return name + " is given in steps, a multiple of 256 from 0 to 65280 (or its code with " +
               codeColumnName(column) + "), not " + quoteCell(text);
    return name + ": " + quoteCell(text) + " is not an entry of the list " +
           std::string(listName(column.list)) + nearestEntries(column.list, game, text) +
           " (quillmark-cli list " + std::string(listName(column.list)) + ")";
}

std::optional<std::string> editMachines(std::string_view names, bool set, RecordBytes& record, Game game)
{
    std::vector<int> bits;
    if (auto error = machineBits(names, game, bits))
        return error;
    for (const int bit : bits)
        setMachine(record, bit, set);
    return std::nullopt;
}

std::optional<unsigned> parseWholeNumber(std::string_view text, unsigned max)
{
    if (text.empty() || text.size() > 10 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    unsigned long value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    if (value > max)
        return std::nullopt;
    return static_cast<unsigned>(value);
}

std::string quoteCell(std::string_view text)
{
    std::string quoted(1, '"');
    if (text.size() <= 40)
        return (quoted += text) += '"';
    // Cut at a character boundary.
    std::size_t cut = 40;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    quoted += text.substr(0, cut);
    quoted += "...\" (";
    return quoted += platform::quantity(static_cast<std::int64_t>(text.size()), "byte") + ")";
}

} // namespace quillmark::species
