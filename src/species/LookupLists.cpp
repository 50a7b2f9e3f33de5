#include "species/LookupLists.h"

#include <algorithm>
#include <cctype>

// The display texts of the stored codes. An entry's position is the code the game
// stores, so neither the order nor the count may change.

namespace quillmark::species {

const std::array<std::string_view, 493> SpeciesNames = {{
    // 0-9
    "Bulbasaur", "Ivysaur", "Venusaur", "Charmander", "Charmeleon", "Charizard", "Squirtle",
    "Wartortle", "Blastoise", "Caterpie",
    // 10-19
    "Metapod", "Butterfree", "Weedle", "Kakuna", "Beedrill", "Pidgey", "Pidgeotto", "Pidgeot",
    "Rattata", "Raticate",
    // 20-29
    "Spearow", "Fearow", "Ekans", "Arbok", "Pikachu", "Raichu", "Sandshrew", "Sandslash",
    "Nidoran-F", "Nidorina",
    // 30-39
    "Nidoqueen", "Nidoran-M", "Nidorino", "Nidoking", "Clefairy", "Clefable", "Vulpix",
    "Ninetales", "Jigglypuff", "Wigglytuff",
    // 40-49
    "Zubat", "Golbat", "Oddish", "Gloom", "Vileplume", "Paras", "Parasect", "Venonat", "Venomoth",
    "Diglett",
    // 50-59
    "Dugtrio", "Meowth", "Persian", "Psyduck", "Golduck", "Mankey", "Primeape", "Growlithe",
    "Arcanine", "Poliwag",
    // 60-69
    "Poliwhirl", "Poliwrath", "Abra", "Kadabra", "Alakazam", "Machop", "Machoke", "Machamp",
    "Bellsprout", "Weepinbell",
    // 70-79
    "Victreebel", "Tentacool", "Tentacruel", "Geodude", "Graveler", "Golem", "Ponyta", "Rapidash",
    "Slowpoke", "Slowbro",
    // 80-89
    "Magnemite", "Magneton", "Farfetch'd", "Doduo", "Dodrio", "Seel", "Dewgong", "Grimer", "Muk",
    "Shellder",
    // 90-99
    "Cloyster", "Gastly", "Haunter", "Gengar", "Onix", "Drowzee", "Hypno", "Krabby", "Kingler",
    "Voltorb",
    // 100-109
    "Electrode", "Exeggcute", "Exeggutor", "Cubone", "Marowak", "Hitmonlee", "Hitmonchan",
    "Lickitung", "Koffing", "Weezing",
    // 110-119
    "Rhyhorn", "Rhydon", "Chansey", "Tangela", "Kangaskhan", "Horsea", "Seadra", "Goldeen",
    "Seaking", "Staryu",
    // 120-129
    "Starmie", "Mr.Mime", "Scyther", "Jynx", "Electabuzz", "Magmar", "Pinsir", "Tauros",
    "Magikarp", "Gyarados",
    // 130-139
    "Lapras", "Ditto", "Eevee", "Vaporeon", "Jolteon", "Flareon", "Porygon", "Omanyte", "Omastar",
    "Kabuto",
    // 140-149
    "Kabutops", "Aerodactyl", "Snorlax", "Articuno", "Zapdos", "Moltres", "Dratini", "Dragonair",
    "Dragonite", "Mewtwo",
    // 150-159
    "Mew", "Chikorita", "Bayleef", "Meganium", "Cyndaquil", "Quilava", "Typhlosion", "Totodile",
    "Croconaw", "Feraligatr",
    // 160-169
    "Sentret", "Furret", "Hoothoot", "Noctowl", "Ledyba", "Ledian", "Spinarak", "Ariados",
    "Crobat", "Chinchou",
    // 170-179
    "Lanturn", "Pichu", "Cleffa", "Igglybuff", "Togepi", "Togetic", "Natu", "Xatu", "Mareep",
    "Flaaffy",
    // 180-189
    "Ampharos", "Bellossom", "Marill", "Azumarill", "Sudowoodo", "Politoed", "Hoppip", "Skiploom",
    "Jumpluff", "Aipom",
    // 190-199
    "Sunkern", "Sunflora", "Yanma", "Wooper", "Quagsire", "Espeon", "Umbreon", "Murkrow",
    "Slowking", "Misdreavus",
    // 200-209
    "Unown", "Wobbuffet", "Girafarig", "Pineco", "Forretress", "Dunsparce", "Gligar", "Steelix",
    "Snubbull", "Granbull",
    // 210-219
    "Qwilfish", "Scizor", "Shuckle", "Heracross", "Sneasel", "Teddiursa", "Ursaring", "Slugma",
    "Magcargo", "Swinub",
    // 220-229
    "Piloswine", "Corsola", "Remoraid", "Octillery", "Delibird", "Mantine", "Skarmory", "Houndour",
    "Houndoom", "Kingdra",
    // 230-239
    "Phanpy", "Donphan", "Porygon 2", "Stantler", "Smeargle", "Tyrogue", "Hitmontop", "Smoochum",
    "Elekid", "Magby",
    // 240-249
    "Miltank", "Blissey", "Raikou", "Entei", "Suicune", "Larvitar", "Pupitar", "Tyranitar",
    "Lugia", "Ho-oh",
    // 250-259
    "Celebi", "Treecko", "Grovyle", "Sceptile", "Torchic", "Combusken", "Blaziken", "Mudkip",
    "Marshtomp", "Swampert",
    // 260-269
    "Poochyena", "Mightyena", "Zigzagoon", "Linoone", "Wurmple", "Silcoon", "Beautifly", "Cascoon",
    "Dustox", "Lotad",
    // 270-279
    "Lombre", "Ludicolo", "Seedot", "Nuzleaf", "Shiftry", "Taillow", "Swellow", "Wingull",
    "Pelipper", "Ralts",
    // 280-289
    "Kirlia", "Gardevoir", "Surskit", "Masquerain", "Shroomish", "Breloom", "Slakoth", "Vigoroth",
    "Slaking", "Nincada",
    // 290-299
    "Ninjask", "Shedinja", "Whismur", "Loudred", "Exploud", "Makuhita", "Hariyama", "Azurill",
    "Nosepass", "Skitty",
    // 300-309
    "Delcatty", "Sableye", "Mawile", "Aron", "Lairon", "Aggron", "Meditite", "Medicham",
    "Electrike", "Manectric",
    // 310-319
    "Plusle", "Minun", "Volbeat", "Illumise", "Roselia", "Gulpin", "Swalot", "Carvanha",
    "Sharpedo", "Wailmer",
    // 320-329
    "Wailord", "Numel", "Camerupt", "Torkoal", "Spoink", "Grumpig", "Spinda", "Trapinch",
    "Vibrava", "Flygon",
    // 330-339
    "Cacnea", "Cacturne", "Swablu", "Altaria", "Zangoose", "Seviper", "Lunatone", "Solrock",
    "Barboach", "Whiscash",
    // 340-349
    "Corphish", "Crawdaunt", "Baltoy", "Claydol", "Lileep", "Cradily", "Anorith", "Armaldo",
    "Feebas", "Milotic",
    // 350-359
    "Castform", "Kecleon", "Shuppet", "Banette", "Duskull", "Dusclops", "Tropius", "Chimecho",
    "Absol", "Wynaut",
    // 360-369
    "Snorunt", "Glalie", "Spheal", "Sealeo", "Walrein", "Clamperl", "Huntail", "Gorebyss",
    "Relicanth", "Luvdisc",
    // 370-379
    "Bagon", "Shelgon", "Salamence", "Beldum", "Metang", "Metagross", "Regirock", "Regice",
    "Registeel", "Latias",
    // 380-389
    "Latios", "Kyogre", "Groudon", "Rayquaza", "Jirachi", "Deoxys", "Turtwig", "Grotle",
    "Torterra", "Chimchar",
    // 390-399
    "Monferno", "Infernape", "Piplup", "Prinplup", "Empoleon", "Starly", "Staravia", "Staraptor",
    "Bidoof", "Bibarel",
    // 400-409
    "Kricketot", "Kricketune", "Shinx", "Luxio", "Luxray", "Budew", "Roserade", "Cranidos",
    "Rampardos", "Shieldon",
    // 410-419
    "Bastiodon", "Burmy", "Wormadam", "Mothim", "Combee", "Vespiquen", "Pachirisu", "Buizel",
    "Floatzel", "Cherubi",
    // 420-429
    "Cherrim", "Shellos", "Gastrodon", "Ambipom", "Drifloon", "Drifblim", "Buneary", "Lopunny",
    "Mismagius", "Honchkrow",
    // 430-439
    "Glameow", "Purugly", "Chingling", "Stunky", "Skuntank", "Bronzor", "Bronzong", "Bonsly",
    "Mime Jr.", "Happiny",
    // 440-449
    "Chatot", "Spiritomb", "Gible", "Gabite", "Garchomp", "Munchlax", "Riolu", "Lucario",
    "Hippopotas", "Hippowdon",
    // 450-459
    "Skorupi", "Drapion", "Croagunk", "Toxicroak", "Carnivine", "Finneon", "Lumineon", "Mantyke",
    "Snover", "Abomasnow",
    // 460-469
    "Weavile", "Magnezone", "Lickilicky", "Rhyperior", "Tangrowth", "Electivire", "Magmortar",
    "Togekiss", "Yanmega", "Leafeon",
    // 470-479
    "Glaceon", "Gliscor", "Mamoswine", "Porygon-Z", "Gallade", "Probopass", "Dusknoir", "Froslass",
    "Rotom", "Uxie",
    // 480-489
    "Mesprit", "Azelf", "Dialga", "Palkia", "Heatran", "Regigigas", "Giratina", "Cresselia",
    "Phione", "Manaphy",
    // 490-492
    "Darkrai", "Shaymin", "Arceus",
}};

const std::array<std::string_view, 18> TypeNames = {{
    // 0-9
    "Normal", "Fighting", "Flying", "Poison", "Ground", "Rock", "Bug", "Ghost", "Steel", "???",
    // 10-17
    "Fire", "Water", "Grass", "Electric", "Psychic", "Ice", "Dragon", "Dark",
}};

const std::array<std::string_view, 465> ItemNames = {{
    // 0-9
    "-No Item-", "Master Ball", "Ultra Ball", "Great Ball", "Poke Ball", "Safari Ball", "Net Ball",
    "Dive Ball", "Nest Ball", "Repeat Ball",
    // 10-19
    "Timer Ball", "Luxury Ball", "Premier Ball", "Dusk Ball", "Heal Ball", "Quick Ball",
    "Cherish Ball", "Potion", "Antidote", "Burn Heal",
    // 20-29
    "Ice Heal", "Awakening", "Parlyz Heal", "Full Restore", "Max Potion", "Hyper Potion",
    "Super Potion", "Full Heal", "Revive", "Max Revive",
    // 30-39
    "Fresh Water", "Soda Pop", "Lemonade", "Moomoo Milk", "EnergyPowder", "Energy Root",
    "Heal Powder", "Revival Herb", "Ether", "Max Ether",
    // 40-49
    "Elixir", "Max Elixir", "Lava Cookie", "Berry Juice", "Sacred Ash", "HP Up", "Protein", "Iron",
    "Carbos", "Calcium",
    // 50-59
    "Rare Candy", "PP Up", "Zinc", "PP Max", "Old Gateau", "Guard Spec.", "Dire Hit", "X Attack",
    "X Defend", "X Speed",
    // 60-69
    "X Accuracy", "X Special", "X Sp. Def", "Poke Doll", "Fluffy Tail", "Blue Flute",
    "Yellow Flute", "Red Flute", "Black Flute", "White Flute",
    // 70-79
    "Shoal Salt", "Shoal Shell", "Red Shard", "Blue Shard", "Yellow Shard", "Green Shard",
    "Super Repel", "Max Repel", "Escape Rope", "Repel",
    // 80-89
    "Sun Stone", "Moon Stone", "Fire Stone", "Thunderstone", "Water Stone", "Leaf Stone",
    "TinyMushroom", "Big Mushroom", "Pearl", "Big Pearl",
    // 90-99
    "Stardust", "Star Piece", "Nugget", "Heart Scale", "Honey", "Growth Mulch", "Damp Mulch",
    "Stable Mulch", "Gooey Mulch", "Root Fossil",
    // 100-109
    "Claw Fossil", "Helix Fossil", "Dome Fossil", "Old Amber", "Armor Fossil", "Skull Fossil",
    "Rare Bone", "Shiny Stone", "Dusk Stone", "Dawn Stone",
    // 110-119
    "Oval Stone", "Odd Keystone", "???", "???", "???", "???", "???", "???", "???", "???",
    // 120-129
    "???", "???", "???", "???", "???", "???", "???", "???", "???", "???",
    // 130-139
    "???", "???", "???", "???", "???", "Adamant Orb", "Lustrous Orb", "Grass Mail", "Flame Mail",
    "Bubble Mail",
    // 140-149
    "Bloom Mail", "Tunnel Mail", "Steel Mail", "Heart Mail", "Snow Mail", "Space Mail", "Air Mail",
    "Mosaic Mail", "Brick Mail", "Cheri Berry",
    // 150-159
    "Chesto Berry", "Pecha Berry", "Rawst Berry", "Aspear Berry", "Leppa Berry", "Oran Berry",
    "Persim Berry", "Lum Berry", "Sitrus Berry", "Figy Berry",
    // 160-169
    "Wiki Berry", "Mago Berry", "Aguav Berry", "Iapapa Berry", "Razz Berry", "Bluk Berry",
    "Nanab Berry", "Wepear Berry", "Pinap Berry", "Pomeg Berry",
    // 170-179
    "Kelpsy Berry", "Qualot Berry", "Hondew Berry", "Grepa Berry", "Tamato Berry", "Cornn Berry",
    "Magost Berry", "Rabuta Berry", "Nomel Berry", "Spelon Berry",
    // 180-189
    "Pamtre Berry", "Watmel Berry", "Durin Berry", "Belue Berry", "Occa Berry", "Passho Berry",
    "Wacan Berry", "Rindo Berry", "Yache Berry", "Chople Berry",
    // 190-199
    "Kebia Berry", "Shuca Berry", "Coba Berry", "Payapa Berry", "Tanga Berry", "Charti Berry",
    "Kasib Berry", "Haban Berry", "Colbur Berry", "Babiri Berry",
    // 200-209
    "Chilan Berry", "Liechi Berry", "Ganlon Berry", "Salac Berry", "Petaya Berry", "Apicot Berry",
    "Lansat Berry", "Starf Berry", "Enigma Berry", "Micle Berry",
    // 210-219
    "Custap Berry", "Jaboca Berry", "Rowap Berry", "BrightPowder", "White Herb", "Macho Brace",
    "Exp. Share", "Quick Claw", "Soothe Bell", "Mental Herb",
    // 220-229
    "Choice Band", "King’s Rock", "SilverPowder", "Amulet Coin", "Cleanse Tag", "Soul Dew",
    "DeepSeaTooth", "DeepSeaScale", "Smoke Ball", "Everstone",
    // 230-239
    "Focus Band", "Lucky Egg", "Scope Lens", "Metal Coat", "Leftovers", "Dragon Scale",
    "Light Ball", "Soft Sand", "Hard Stone", "Miracle Seed",
    // 240-249
    "BlackGlasses", "Black Belt", "Magnet", "Mystic Water", "Sharp Beak", "Poison Barb",
    "NeverMeltIce", "Spell Tag", "TwistedSpoon", "Charcoal",
    // 250-259
    "Dragon Fang", "Silk Scarf", "Up-Grade", "Shell Bell", "Sea Incense", "Lax Incense",
    "Lucky Punch", "Metal Powder", "Thick Club", "Stick",
    // 260-269
    "Red Scarf", "Blue Scarf", "Pink Scarf", "Green Scarf", "Yellow Scarf", "Wide Lens",
    "Muscle Band", "Wise Glasses", "Expert Belt", "Light Clay",
    // 270-279
    "Life Orb", "Power Herb", "Toxic Orb", "Flame Orb", "Quick Powder", "Focus Sash", "Zoom Lens",
    "Metronome", "Iron Ball", "Lagging Tail",
    // 280-289
    "Destiny Knot", "Black Sludge", "Icy Rock", "Smooth Rock", "Heat Rock", "Damp Rock",
    "Grip Claw", "Choice Scarf", "Sticky Barb", "Power Bracer",
    // 290-299
    "Power Belt", "Power Lens", "Power Band", "Power Anklet", "Power Weight", "Shed Shell",
    "Big Root", "Choice Specs", "Flame Plate", "Splash Plate",
    // 300-309
    "Zap Plate", "Meadow Plate", "Icicle Plate", "Fist Plate", "Toxic Plate", "Earth Plate",
    "Sky Plate", "Mind Plate", "Insect Plate", "Stone Plate",
    // 310-319
    "Spooky Plate", "Draco Plate", "Dread Plate", "Iron Plate", "Odd Incense", "Rock Incense",
    "Full Incense", "Wave Incense", "Rose Incense", "Luck Incense",
    // 320-329
    "Pure Incense", "Protector", "Electirizer", "Magmarizer", "Dubious Disc", "Reaper Cloth",
    "Razor Claw", "Razor Fang", "TM01", "TM02",
    // 330-339
    "TM03", "TM04", "TM05", "TM06", "TM07", "TM08", "TM09", "TM10", "TM11", "TM12",
    // 340-349
    "TM13", "TM14", "TM15", "TM16", "TM17", "TM18", "TM19", "TM20", "TM21", "TM22",
    // 350-359
    "TM23", "TM24", "TM25", "TM26", "TM27", "TM28", "TM29", "TM30", "TM31", "TM32",
    // 360-369
    "TM33", "TM34", "TM35", "TM36", "TM37", "TM38", "TM39", "TM40", "TM41", "TM42",
    // 370-379
    "TM43", "TM44", "TM45", "TM46", "TM47", "TM48", "TM49", "TM50", "TM51", "TM52",
    // 380-389
    "TM53", "TM54", "TM55", "TM56", "TM57", "TM58", "TM59", "TM60", "TM61", "TM62",
    // 390-399
    "TM63", "TM64", "TM65", "TM66", "TM67", "TM68", "TM69", "TM70", "TM71", "TM72",
    // 400-409
    "TM73", "TM74", "TM75", "TM76", "TM77", "TM78", "TM79", "TM80", "TM81", "TM82",
    // 410-419
    "TM83", "TM84", "TM85", "TM86", "TM87", "TM88", "TM89", "TM90", "TM91", "TM92",
    // 420-429
    "HM01", "HM02", "HM03", "HM04", "HM05", "HM06", "HM07", "HM08", "Explorer Kit", "Loot Sack",
    // 430-439
    "Rule Book", "Poke Radar", "Point Card", "Journal", "Seal Case", "Fashion Case", "Seal Bag",
    "Pal Pad", "Works Key", "Old Charm",
    // 440-449
    "Galactic Key", "Red Chain", "Town Map", "Vs. Seeker", "Coin Case", "Old Rod", "Good Rod",
    "Super Rod", "Sprayduck", "Poffin Case",
    // 450-459
    "Bicycle", "Suite Key", "Oak’s Letter", "Lunar Wing", "Member Card", "Azure Flute",
    "S.S. Ticket", "Contest Pass", "Magma Stone", "Parcel",
    // 460-464
    "Coupon 1", "Coupon 2", "Coupon 3", "Storage Key", "SecretPotion",
}};

// The games' own numbering of the egg groups (Machop is 8, Magikarp 12 and 14, Ditto 13).
const std::array<std::string_view, 16> EggGroupNames = {{
    // 0-9
    "---", "Monster", "Water 1", "Bug", "Flying", "Field", "Fairy", "Plant", "Human-Like",
    "Water 3",
    // 10-15
    "Mineral", "Chaos", "Water 2", "Ditto (Can breed with anything.)", "Dragon", "Can't Breed",
}};

const std::array<std::string_view, 124> AbilityNames = {{
    // 0-9
    "-No Ability-", "Stench", "Drizzle", "Speed Boost", "Battle Armour", "Sturdy", "Damp",
    "Limber", "Sand Veil", "Static",
    // 10-19
    "Volt Absorb", "Water Absorb", "Oblivious", "Cloud Nine", "Compoundeyes", "Insomnia",
    "Color Change", "Immunity", "Flash Fire", "Shield Dust",
    // 20-29
    "Own Tempo", "Suction Cups", "Intimidate", "Shadow Tag", "Rough Skin", "Wonder Guard",
    "Levitate", "Effect Spore", "Synchronize", "Clear Body",
    // 30-39
    "Natural Cure", "Lightningrod", "Serene Grace", "Swift Swim", "Chlorophyll", "Illuminate",
    "Trace", "Huge Power", "Poison Point", "Inner Focus",
    // 40-49
    "Magma Armour", "Water Veil", "Magnet Pull", "Soundproof", "Rain Dish", "Sand Stream",
    "Pressure", "Thick Fat", "Early Bird", "Flame Body",
    // 50-59
    "Run Away", "Keen Eye", "Hyper Cutter", "Pickup", "Truant", "Hustle", "Cute Charm", "Plus",
    "Minus", "Forecast",
    // 60-69
    "Sticky Hold", "Shed Skin", "Guts", "Marvel Scale", "Liquid Ooze", "Overgrow", "Blaze",
    "Torrent", "Swarm", "Rock Head",
    // 70-79
    "Drought", "Arena Trap", "Vital Spirit", "White Smoke", "Pure Power", "Shell Armour",
    "Air Lock", "Tangled Feet", "Motor Drive", "Rivalry",
    // 80-89
    "Steadfast", "Snow Cloak", "Gluttony", "Anger Point", "Unburden", "Heatproof", "Simple",
    "Dry Skin", "Download", "Iron Fist",
    // 90-99
    "Poison Heal", "Adaptability", "Skill Link", "Hydration", "Solar Power", "Quick Feet",
    "Normalize", "Sniper", "Magic Guard", "No Guard",
    // 100-109
    "Stall", "Technician", "Leaf Guard", "Klutz", "Mold Breaker", "Super Luck", "Aftermath",
    "Anticipation", "Forewarn", "Unaware",
    // 110-119
    "Tinted Lens", "Filter", "Slow Start", "Scrappy", "Storm Drain", "Ice Body", "Solid Rock",
    "Snow Warning", "Honey Gather", "Frisk",
    // 120-123
    "Reckless", "Multitype", "Flower Gift", "Bad Dreams",
}};

const std::vector<std::string>& itemNamesOf(rom::Game game)
{
    static const std::vector<std::string> diamondPearl(ItemNames.begin(), ItemNames.end());
    static const std::vector<std::string> platinum = [] {
        auto names = diamondPearl;
        names[112] = "Griseous Orb";
        names.insert(names.end(), {"Vs. Recorder", "Gracidea", "Secret Key"});
        return names;
    }();
    static const std::vector<std::string> heartGoldSoulSilver = [] {
        auto names = diamondPearl;
        names[112] = "Griseous Orb";
        names[428] = "???";
        names.insert(names.end(), {
            "Vs. Recorder", "Gracidea", "Secret Key", "Apricorn Box", "UNOWN Report", "Berry Pots",
            "Dowsing MCHN", "Blue Card", "SlowpokeTail", "Clear Bell", "Card Key", "Basement Key",
            "SquirtBottle", "Red Scale", "Lost Item", "Pass", "Machine Part", "Silver Wing",
            "Rainbow Wing", "Mystery Egg", "Red Apricorn", "Ylw Apricorn", "Blu Apricorn",
            "Grn Apricorn", "Pnk Apricorn", "Wht Apricorn", "Blk Apricorn", "Fast Ball", "Level Ball",
            "Lure Ball", "Heavy Ball", "Love Ball", "Friend Ball", "Moon Ball", "Sport Ball",
            "Park Ball", "Photo Album", "GB Sounds", "Tidal Bell", "RageCandyBar", "Data Card 01",
            "Data Card 02", "Data Card 03", "Data Card 04", "Data Card 05", "Data Card 06",
            "Data Card 07", "Data Card 08", "Data Card 09", "Data Card 10", "Data Card 11",
            "Data Card 12", "Data Card 13", "Data Card 14", "Data Card 15", "Data Card 16",
            "Data Card 17", "Data Card 18", "Data Card 19", "Data Card 20", "Data Card 21",
            "Data Card 22", "Data Card 23", "Data Card 24", "Data Card 25", "Data Card 26",
            "Data Card 27", "Jade Orb", "Lock Capsule", "Red Orb", "Blue Orb", "Enigma Stone",
        });
        return names;
    }();
    switch (game) {
    case rom::Game::Diamond:
    case rom::Game::Pearl: return diamondPearl;
    case rom::Game::Platinum: return platinum;
    case rom::Game::HeartGold:
    case rom::Game::SoulSilver: break;
    }
    return heartGoldSoulSilver;
}

const std::array<std::string_view, 14> FormNames = {
    "Egg", "Bad Egg", "Deoxys (Attack Forme)", "Deoxys (Defense Forme)", "Deoxys (Speed Forme)",
    "Wormadam (Sandy Cloak)", "Wormadam (Trash Cloak)", "Giratina (Origin Forme)",
    "Shaymin (Sky Forme)", "Rotom (Heat)", "Rotom (Wash)", "Rotom (Frost)", "Rotom (Fan)",
    "Rotom (Mow)",
};

std::optional<int> baseSpeciesOf(int index)
{
    const auto species = static_cast<int>(SpeciesNames.size());
    if (index < species)
        return index;
    // After Egg and Bad Egg, in the order of FormNames: list indices of Deoxys,
    // Wormadam, Giratina, Shaymin and Rotom.
    constexpr std::array<int, 12> kBases = {385, 385, 385, 412, 412, 486, 491, 478, 478, 478, 478, 478};
    const auto form = index - species - 2;
    if (form < 0 || form >= static_cast<int>(kBases.size()))
        return std::nullopt;
    return kBases[static_cast<std::size_t>(form)];
}

int recordCountOf(rom::Game game)
{
    const bool diamondPearl = game == rom::Game::Diamond || game == rom::Game::Pearl;
    return static_cast<int>(SpeciesNames.size()) + (diamondPearl ? 7 : 14);
}

const std::array<std::string, 256>& HatchStepTexts()
{
    static const auto texts = [] {
        std::array<std::string, 256> generated;
        for (std::size_t i = 0; i < generated.size(); ++i)
            generated[i] = std::to_string(i * 256);
        return generated;
    }();
    return texts;
}

namespace {

// Letters with the accents and symbols people type in names, folded to ASCII.
constexpr std::pair<std::string_view, char> kFolded[] = {
    {"\xC3\xA9", 'e'}, {"\xC3\x89", 'e'}, {"\xC3\xA8", 'e'}, {"\xC3\xAA", 'e'}, {"\xC3\xAB", 'e'},
    {"\xC3\xA0", 'a'}, {"\xC3\xA2", 'a'}, {"\xC3\xA4", 'a'}, {"\xC3\xAE", 'i'}, {"\xC3\xAF", 'i'},
    {"\xC3\xB4", 'o'}, {"\xC3\xB6", 'o'}, {"\xC3\xBB", 'u'}, {"\xC3\xBC", 'u'}, {"\xC3\xA7", 'c'},
    {"\xE2\x99\x80", 'f'}, {"\xE2\x99\x82", 'm'},  // ♀ ♂
};

// The words of a name, folded: letters and digits only, lower case.
std::vector<std::string> nameWords(std::string_view text)
{
    std::vector<std::string> words(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        for (const auto& [from, to] : kFolded) {
            if (text.substr(i, from.size()) == from) {
                c = to;
                i += from.size() - 1;
                break;
            }
        }
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) && u < 0x80) {
            words.back() += static_cast<char>(std::tolower(u));
        } else if (c == '\'' || text.substr(i, 3) == "\xE2\x80\x99") {
            // Inside a word: Farfetch'd.
            if (c != '\'')
                i += 2;
        } else if (!words.back().empty()) {
            words.emplace_back();
        }
    }
    if (words.back().empty())
        words.pop_back();
    return words;
}

} // namespace

// The words of a form name in a fixed order, without the words that only say "form".
std::string formKey(std::string_view text)
{
    auto words = nameWords(text);
    std::erase_if(words, [](const std::string& w) { return w == "forme" || w == "form" || w == "cloak"; });
    std::sort(words.begin(), words.end());
    std::string key;
    for (const auto& w : words)
        key += w;
    return key;
}

std::string nameKey(std::string_view text)
{
    std::string key;
    for (const auto& word : nameWords(text))
        key += word;
    return key;
}

std::size_t editDistance(std::string_view a, std::string_view b)
{
    // Two letters swapped count as one edit: "lsit" is one from "list".
    std::vector<std::size_t> before(b.size() + 1), previous(b.size() + 1), row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        previous[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            row[j] = std::min({previous[j] + 1, row[j - 1] + 1,
                               previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                row[j] = std::min(row[j], before[j - 2] + 1);
        }
        std::swap(before, previous);
        std::swap(previous, row);
    }
    return previous[b.size()];
}

std::vector<int> nearestCandidates(std::string_view key, int count,
                                   const std::function<std::string(int)>& keyOf)
{
    key = key.substr(0, 64);
    std::vector<std::pair<std::size_t, int>> scored;
    for (int i = 0; i < count; ++i) {
        const auto distance = editDistance(key, keyOf(i));
        if (distance <= std::max<std::size_t>(2, key.size() / 3))
            scored.emplace_back(distance, i);
    }
    std::stable_sort(scored.begin(), scored.end(), [](auto& a, auto& b) { return a.first < b.first; });
    std::vector<int> nearest;
    for (const auto& [distance, i] : scored)
        nearest.push_back(i);
    return nearest;
}

std::string nearestPhrase(const std::vector<std::string>& labels)
{
    std::vector<std::string> shown;
    for (const auto& label : labels) {
        if (shown.size() < 3 && std::find(shown.begin(), shown.end(), label) == shown.end())
            shown.push_back(label);
    }
    std::string out;
    for (const auto& label : shown)
        out += (out.empty() ? "" : ", ") + label;
    return out.empty() ? "" : "; nearest: " + out;
}

} // namespace quillmark::species
