#include "species/GenderRatioTexts.h"
#include "species/LookupLists.h"
#include "species/RecordCodec.h"
#include "species/SpeciesRecord.h"
#include "species/Suggestions.h"
#include "species/Vocabulary.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

using namespace quillmark::species;
using quillmark::platform::NumberFormat;

namespace {

// One row of a CSV file of ../shared/data, split at commas (no field there is quoted).
std::vector<std::vector<std::string>> csvRows(const std::string& file)
{
    std::ifstream in(quillmark::test::samplesDir() + "/" + file);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream row(line);
        for (std::string cell; std::getline(row, cell, ',');)
            cells.push_back(cell);
        rows.push_back(std::move(cells));
    }
    return rows;
}

std::string upperAlphanumeric(std::string_view text)
{
    std::string out;
    for (const unsigned char c : text) {
        if (std::isalnum(c))
            out += static_cast<char>(std::toupper(c));
    }
    return out;
}

TEST(LookupLists, SpeciesNamesAreTheGamesNames)
{
    // The window writes the two Nidoran in ASCII.
    const std::map<std::size_t, std::string_view> intended = {{28, "Nidoran-F"}, {31, "Nidoran-M"}};
    const auto rows = csvRows("dp_personal.csv");
    ASSERT_EQ(rows.size(), SpeciesNames.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (const auto it = intended.find(i); it != intended.end())
            EXPECT_EQ(SpeciesNames[i], it->second) << i;
        else
            EXPECT_EQ(upperAlphanumeric(SpeciesNames[i]), upperAlphanumeric(rows[i][1])) << i;
        EXPECT_TRUE(std::all_of(SpeciesNames[i].begin(), SpeciesNames[i].end(),
                                [](char c) { return c >= 0x20 && c < 0x7F; })) << i;
    }
}

// Every name as the games themselves write it (upper case, ’, ♀, "HEAT ROTOM") finds
// its record, and so do the ways people type a few of them.
TEST(LookupLists, RecordsAreFoundByTheNamesPeopleWrite)
{
    const auto species = csvRows("dp_personal.csv");
    for (std::size_t i = 0; i < species.size(); ++i)
        EXPECT_EQ(Vocabulary::builtIn().findRecord(species[i][1], 507), static_cast<int>(i)) << species[i][1];
    const auto members = csvRows("pt_personal.csv");
    for (std::size_t member = 496; member < members.size(); ++member)
        EXPECT_EQ(Vocabulary::builtIn().findRecord(members[member][2], 507), static_cast<int>(member) - 1) << members[member][2];
    const std::pair<const char*, int> typed[] = {
        {"mr mime", 121}, {"mr. mime", 121}, {"MrMime", 121}, {"farfetchd", 82}, {"Farfetch'd", 82},
        {"nidoran f", 28}, {"nidoran-m", 31}, {"hooh", 249}, {"Ho Oh", 249}, {"porygon z", 473},
        {"porygon2", 232}, {"Heat Rotom", 502}, {"rotom heat", 502}, {"giratina origin", 500},
        {"Giratina-Origin", 500}, {"shaymin sky", 501}, {"wormadam sandy", 498}, {"flabebe", -1},
        {"rotom", 478}, {"", -1}, {"...", -1},
    };
    for (const auto& [text, index] : typed)
        EXPECT_EQ(Vocabulary::builtIn().findRecord(text, 507).value_or(-1), index) << text;
    // Form records lie beyond a Diamond table's 500 records.
    EXPECT_FALSE(Vocabulary::builtIn().findRecord("Heat Rotom", 500));
    const auto nearest = Vocabulary::builtIn().nearestRecordNames("garchmop", 493);
    ASSERT_FALSE(nearest.empty());
    EXPECT_EQ(nearest.front(), "Garchomp");
    // Suggestions reach as far as a third of the typed length (at least two edits).
    EXPECT_EQ(Vocabulary::builtIn().nearestRecordNames("pikachuuuu", 493), std::vector<std::string>{"Pikachu"});
    EXPECT_EQ(Vocabulary::builtIn().nearestRecordNames("pikachuuuuu", 493), std::vector<std::string>{});
    EXPECT_EQ(Vocabulary::builtIn().nearestRecordNames("mewxx", 493).size(), 1u) << "Mew, two edits away";
}

TEST(LookupLists, ItemNamesOfEachGameAreTheGamesNames)
{
    // The editor's own wording: a placeholder for no item, "Poke" without its accent.
    const std::map<std::size_t, std::string_view> intended = {
        {0, "-No Item-"}, {4, "Poke Ball"}, {63, "Poke Doll"}, {431, "Poke Radar"}};
    const auto rows = csvRows("gen4_items.csv");
    const struct {
        quillmark::rom::Game game;
        std::size_t column;  // dp_name, pt_name, hgss_name
        std::size_t count;
    } games[] = {{quillmark::rom::Game::Diamond, 3, 465}, {quillmark::rom::Game::Pearl, 3, 465},
                 {quillmark::rom::Game::Platinum, 4, 468}, {quillmark::rom::Game::HeartGold, 5, 537},
                 {quillmark::rom::Game::SoulSilver, 5, 537}};
    EXPECT_EQ(ItemNames.size(), 465u);
    for (const auto& game : games) {
        const auto& names = itemNamesOf(game.game);
        ASSERT_EQ(names.size(), game.count);
        for (std::size_t i = 0; i < names.size(); ++i) {
            const auto it = intended.find(i);
            EXPECT_EQ(names[i], it != intended.end() ? it->second : rows[i][game.column])
                << i << " in " << quillmark::rom::gameName(game.game);
        }
    }
    for (std::size_t i = 0; i < ItemNames.size(); ++i)
        EXPECT_EQ(ItemNames[i], itemNamesOf(quillmark::rom::Game::Diamond)[i]);
}

// The games' own records say which type, ability and egg group each code is.
TEST(LookupLists, TypesAbilitiesAndEggGroupsMatchTheGamesRecords)
{
    const auto rows = csvRows("dp_personal.csv");
    auto column = [&](std::string_view name, std::size_t c) {
        for (const auto& row : rows) {
            if (row[1] == name)
                return static_cast<std::size_t>(std::stoul(row[c]));
        }
        ADD_FAILURE() << name;
        return std::size_t{0};
    };
    constexpr std::size_t kType1 = 8, kType2 = 9, kEgg1 = 19, kEgg2 = 20, kAbility1 = 21;
    const struct {
        const char* species;
        std::size_t column;
        const char* text;
    } facts[] = {
        {"PIDGEY", kType1, "Normal"},     {"MACHOP", kType1, "Fighting"}, {"PIDGEY", kType2, "Flying"},
        {"EKANS", kType1, "Poison"},      {"SANDSHREW", kType1, "Ground"}, {"GEODUDE", kType1, "Rock"},
        {"CATERPIE", kType1, "Bug"},      {"GASTLY", kType1, "Ghost"},    {"SKARMORY", kType1, "Steel"},
        {"CHARMANDER", kType1, "Fire"},   {"SQUIRTLE", kType1, "Water"},  {"BULBASAUR", kType1, "Grass"},
        {"PIKACHU", kType1, "Electric"},  {"ABRA", kType1, "Psychic"},    {"JYNX", kType1, "Ice"},
        {"DRATINI", kType1, "Dragon"},    {"UMBREON", kType1, "Dark"},
        {"BULBASAUR", kAbility1, "Overgrow"}, {"CHARMANDER", kAbility1, "Blaze"},
        {"SQUIRTLE", kAbility1, "Torrent"}, {"PIKACHU", kAbility1, "Static"},
        {"GARCHOMP", kAbility1, "Sand Veil"}, {"GENGAR", kAbility1, "Levitate"},
        {"ARCEUS", kAbility1, "Multitype"}, {"DARKRAI", kAbility1, "Bad Dreams"},
        {"KABUTO", kAbility1, "Swift Swim"}, {"MACHOP", kAbility1, "Guts"},
        {"BULBASAUR", kEgg1, "Monster"},  {"BULBASAUR", kEgg2, "Plant"},  {"SQUIRTLE", kEgg2, "Water 1"},
        {"CATERPIE", kEgg1, "Bug"},       {"PIDGEY", kEgg1, "Flying"},    {"PIKACHU", kEgg1, "Field"},
        {"CLEFAIRY", kEgg1, "Fairy"},     {"MACHOP", kEgg1, "Human-Like"}, {"KRABBY", kEgg1, "Water 3"},
        {"GEODUDE", kEgg1, "Mineral"},    {"GRIMER", kEgg1, "Chaos"},     {"MAGIKARP", kEgg1, "Water 2"},
        {"DITTO", kEgg1, "Ditto (Can breed with anything.)"}, {"DRATINI", kEgg2, "Dragon"},
        {"MEWTWO", kEgg1, "Can't Breed"},
    };
    for (const auto& fact : facts) {
        const auto code = column(fact.species, fact.column);
        const auto& list = fact.column == kType1 || fact.column == kType2 ? std::vector<std::string_view>(TypeNames.begin(), TypeNames.end())
                           : fact.column == kAbility1 ? std::vector<std::string_view>(AbilityNames.begin(), AbilityNames.end())
                                                      : std::vector<std::string_view>(EggGroupNames.begin(), EggGroupNames.end());
        ASSERT_LT(code, list.size()) << fact.species;
        EXPECT_EQ(list[code], fact.text) << fact.species << " code " << code;
    }
    EXPECT_EQ(TypeNames[9], "???");
    EXPECT_EQ(EggGroupNames[0], "---");
    EXPECT_EQ(AbilityNames[0], "-No Ability-");
}

TEST(LookupLists, AbilityNamesAreTheTextsOfTheList)
{
    // The abilities as the editor was designed with them, ten to a line.
    const std::string written =
        "-No Ability-, Stench, Drizzle, Speed Boost, Battle Armour, Sturdy, Damp, Limber, Sand Veil, Static, "
        "Volt Absorb, Water Absorb, Oblivious, Cloud Nine, Compoundeyes, Insomnia, Color Change, Immunity, Flash Fire, Shield Dust, "
        "Own Tempo, Suction Cups, Intimidate, Shadow Tag, Rough Skin, Wonder Guard, Levitate, Effect Spore, Synchronize, Clear Body, "
        "Natural Cure, Lightningrod, Serene Grace, Swift Swim, Chlorophyll, Illuminate, Trace, Huge Power, Poison Point, Inner Focus, "
        "Magma Armour, Water Veil, Magnet Pull, Soundproof, Rain Dish, Sand Stream, Pressure, Thick Fat, Early Bird, Flame Body, "
        "Run Away, Keen Eye, Hyper Cutter, Pickup, Truant, Hustle, Cute Charm, Plus, Minus, Forecast, "
        "Sticky Hold, Shed Skin, Guts, Marvel Scale, Liquid Ooze, Overgrow, Blaze, Torrent, Swarm, Rock Head, "
        "Drought, Arena Trap, Vital Spirit, White Smoke, Pure Power, Shell Armour, Air Lock, Tangled Feet, Motor Drive, Rivalry, "
        "Steadfast, Snow Cloak, Gluttony, Anger Point, Unburden, Heatproof, Simple, Dry Skin, Download, Iron Fist, "
        "Poison Heal, Adaptability, Skill Link, Hydration, Solar Power, Quick Feet, Normalize, Sniper, Magic Guard, No Guard, "
        "Stall, Technician, Leaf Guard, Klutz, Mold Breaker, Super Luck, Aftermath, Anticipation, Forewarn, Unaware, "
        "Tinted Lens, Filter, Slow Start, Scrappy, Storm Drain, Ice Body, Solid Rock, Snow Warning, Honey Gather, Frisk, "
        "Reckless, Multitype, Flower Gift, Bad Dreams";
    std::vector<std::string> expected;
    for (std::size_t from = 0;;) {
        const auto comma = written.find(", ", from);
        expected.push_back(written.substr(from, comma - from));
        if (comma == std::string::npos)
            break;
        from = comma + 2;
    }
    ASSERT_EQ(expected.size(), AbilityNames.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(AbilityNames[i], expected[i]) << i;
}

TEST(LookupLists, EveryListFieldHasTheEntriesOfItsList)
{
    // A field that counts one entry too few would show every species of the last
    // type, ability or egg group as having none.
    const std::map<LookupList, std::size_t> sizes = {
        {LookupList::Types, TypeNames.size()},     {LookupList::Items, ItemNames.size()},
        {LookupList::EggGroups, EggGroupNames.size()}, {LookupList::Abilities, AbilityNames.size()},
        {LookupList::HatchSteps, HatchStepTexts().size()},
        {LookupList::GenderRatios, makeGenderRatioTexts(NumberFormat{"."}).size()}};
    for (const auto& field : SpeciesFieldMap) {
        if (field.kind != FieldKind::Number) {
            EXPECT_EQ(static_cast<std::size_t>(field.entryCount), sizes.at(field.list)) << field.control;
        }
    }
    EXPECT_EQ(TypeNames.size(), 18u);
    EXPECT_EQ(EggGroupNames.size(), 16u);
}

TEST(LookupLists, FormNamesAreTheGamesNamesOfTheRecordsAfterTheSpecies)
{
    // "HEAT ROTOM" is written "Rotom (Heat)": the same words, in the species-first order.
    auto words = [](std::string_view text) {
        std::vector<std::string> out;
        std::string word;
        for (const unsigned char c : std::string(text) + " ") {
            if (std::isalnum(c)) {
                word += static_cast<char>(std::toupper(c));
            } else if (!word.empty()) {
                out.push_back(word);
                word.clear();
            }
        }
        std::sort(out.begin(), out.end());
        return out;
    };
    const auto rows = csvRows("pt_personal.csv");
    ASSERT_EQ(rows.size(), 508u);
    ASSERT_EQ(FormNames.size(), rows.size() - 494);
    for (std::size_t i = 0; i < FormNames.size(); ++i)
        EXPECT_EQ(words(FormNames[i]), words(rows[494 + i][2])) << FormNames[i];
    EXPECT_EQ(Vocabulary::builtIn().recordName(493), "Egg");
    EXPECT_EQ(Vocabulary::builtIn().recordName(506), "Rotom (Mow)");
    EXPECT_EQ(recordCountOf(quillmark::rom::Game::Pearl), 500);
    EXPECT_EQ(recordCountOf(quillmark::rom::Game::SoulSilver), 507);
}

// One rule for what a name that matches nothing may have meant, checked on the games'
// move names: the names the text starts (five, then how many more), else those that
// hold it, else the nearest by spelling, else nothing.
TEST(Suggestions, StartsThenHoldsThenNearestUpToFive)
{
    std::vector<std::string> moves;
    for (const auto& row : quillmark::test::sampleCsv("gen4_moves.csv")) {
        if (row.at("id") != "0")
            moves.push_back(row.at("name"));
    }
    const std::vector<std::string_view> names(moves.begin(), moves.end());
    const struct {
        const char* typed;
        const char* suggested;
    } rows[] = {
        {"dragon", "Dragon Rage, DragonBreath, Dragon Claw, Dragon Dance, Dragon Pulse and 1 more"},
        {"dragon p", "Dragon Pulse"},
        {"DRAGON-R", "Dragon Rage, Dragon Rush"},
        {"quake", "Earthquake"},  // held, not started
        {"Tackel", "Tackle, Tickle"},  // neither: the nearest spellings
        {"xyzzy", ""},
        {"", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        EXPECT_EQ(suggestedNames(row.typed, names), row.suggested);
    }
    EXPECT_EQ(didYouMean("dragon p", names), "; did you mean Dragon Pulse?");
    EXPECT_EQ(didYouMean("xyzzy", names), "");
    // Exactly five started: no "more".
    const std::vector<std::string_view> five = {"Aa", "Ab", "Ac", "Ad", "Ae", "Ba"};
    EXPECT_EQ(suggestedNames("a", five), "Aa, Ab, Ac, Ad, Ae");
}

TEST(GenderlessSpecies, AreTheSpeciesTheGamesStoreWithoutGender)
{
    // Gender byte 255 in the retail records, but for three species the window leaves
    // unlocked as its list always has.
    const std::set<int> unlockedAlthoughGenderless = {291, 473, 490};  // Shedinja, Porygon-Z, Darkrai
    const auto rows = csvRows("dp_personal.csv");
    int locked = 0;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const bool genderless = rows[static_cast<std::size_t>(i)][15] == "255";  // the gender column
        EXPECT_EQ(isGenderless(i), genderless && !unlockedAlthoughGenderless.count(i)) << i;
        locked += isGenderless(i);
    }
    EXPECT_EQ(locked, 51);
    // A form record follows its species; the two egg records (255 too) are not locked.
    const auto forms = csvRows("pt_personal.csv");
    for (std::size_t member = 496; member < forms.size(); ++member) {
        const int index = static_cast<int>(member) - 1;
        EXPECT_EQ(isGenderless(index), forms[member][1 + 15] == "255") << forms[member][2];
    }
    for (const int outside : {-1, 493, 494, 507})
        EXPECT_FALSE(isGenderless(outside)) << outside;
}

TEST(GenderRatioTexts, WorkedEntries)
{
    const auto texts = makeGenderRatioTexts(NumberFormat{"."});
    ASSERT_EQ(texts.size(), 256u);
    const std::pair<int, const char*> worked[] = {
        {0, "100% M 0% F "},        {1, "99.60% M 0.393% F "}, {2, "99.21% M 0.787% F "},
        {31, "87.79% M 12.20% F "}, {64, "74.80% M 25.19% F "}, {127, "50% M 50% F "},
        {128, "49.60% M 50.39% F "}, {191, "24.80% M 75.19% F "}, {253, "0.393% M 99.60% F "},
        {254, "0% M 100% F "},      {255, "None"},
    };
    for (const auto& [k, text] : worked)
        EXPECT_EQ(texts[static_cast<std::size_t>(k)], text) << k;
    for (std::size_t k = 0; k < 255; ++k) {
        EXPECT_EQ(texts[k].back(), ' ') << k;
        EXPECT_NE(texts[k][texts[k].size() - 2], ' ') << k;
    }
}

TEST(GenderRatioTexts, UseTheUsersDecimalSeparator)
{
    const auto german = makeGenderRatioTexts(NumberFormat{","});
    EXPECT_EQ(german[1], "99,60% M 0,393% F ");
    EXPECT_EQ(german[127], "50% M 50% F ");
    // A separator of more than one byte still counts as one character.
    const auto arabic = makeGenderRatioTexts(NumberFormat{"\u066B"});
    EXPECT_EQ(arabic[1], "99\u066B60% M 0\u066B393% F ");
}

// The egg groups by the names later guides use, beside the games' own texts; the codes
// as the games number them (Chaos/Amorphous 11, Plant/Grass 7, Machop 8/8, Magikarp
// 12/14, Ditto 13, 15 cannot breed). An export keeps the games' texts.
TEST(LookupLists, EggGroupsTakeTheGuidesNamesToo)
{
    const auto* column = findColumn("egg_group1");
    ASSERT_NE(column, nullptr);
    const std::pair<const char*, unsigned> spellings[] = {
        {"Amorphous", 11}, {"Chaos", 11},       {"Grass", 7},       {"Plant", 7},
        {"Human-Like", 8}, {"human like", 8},   {"Undiscovered", 15}, {"Can't Breed", 15},
        {"Water 1", 2},    {"Water 2", 12},     {"water3", 9},      {"Ditto", 13},
    };
    for (const auto& [text, code] : spellings) {
        RecordBytes record{};
        EXPECT_FALSE(applyCell(*column, text, record)) << text;
        EXPECT_EQ(codeOf(*column, record), code) << text;
    }
    RecordBytes record{};
    record[20] = 11;
    EXPECT_EQ(cellText(*column, record), "Chaos");
    EXPECT_TRUE(applyCell(*column, "Amorph", record)) << "a guide's name is matched whole";
}

} // namespace

namespace {

// A vocabulary answers by its own names, whatever the built-in ones are: a hack's
// renamed species is found and labelled by its new name, and the built-in one no longer
// names it.
TEST(Vocabulary, AnswersByItsOwnNames)
{
    std::vector<std::string> names;
    for (int i = 0; i < quillmark::species::Vocabulary::builtIn().recordCount(); ++i)
        names.push_back(quillmark::species::Vocabulary::builtIn().recordName(i));
    ASSERT_EQ(names.size(), 507u) << "493 species, Egg, Bad Egg and twelve forms";
    names[444] = "Sharkomp";
    const quillmark::species::Vocabulary hack(names);
    EXPECT_EQ(hack.findRecord("SHARKOMP", 493), 444);
    EXPECT_FALSE(hack.findRecord("Garchomp", 493));
    EXPECT_EQ(hack.recordLabel(444), "Sharkomp (444)");
    EXPECT_EQ(hack.memberLabel(445), "Sharkomp (444)");
    EXPECT_EQ(hack.memberLabel(508), "member 508");
    EXPECT_EQ(hack.recordName(507), "");
    EXPECT_EQ(hack.nearestRecordNames("sharkomb", 493), std::vector<std::string>{"Sharkomp"});
    EXPECT_EQ(quillmark::species::Vocabulary::builtIn().findRecord("heat rotom", 507), 502);
}

} // namespace
