#include "species/MoveNames.h"

#include "species/LookupLists.h"
#include "species/Suggestions.h"

#include <vector>

namespace quillmark::species {

// Move ids as the games number them; 0 is no move. The same in all five games.
const std::array<std::string_view, kMoveCount> MoveNames = {{
    // 0-9
    "-", "Pound", "Karate Chop", "DoubleSlap", "Comet Punch", "Mega Punch", "Pay Day",
    "Fire Punch", "Ice Punch", "ThunderPunch",
    // 10-19
    "Scratch", "ViceGrip", "Guillotine", "Razor Wind", "Swords Dance", "Cut", "Gust",
    "Wing Attack", "Whirlwind", "Fly",
    // 20-29
    "Bind", "Slam", "Vine Whip", "Stomp", "Double Kick", "Mega Kick", "Jump Kick", "Rolling Kick",
    "Sand-Attack", "Headbutt",
    // 30-39
    "Horn Attack", "Fury Attack", "Horn Drill", "Tackle", "Body Slam", "Wrap", "Take Down",
    "Thrash", "Double-Edge", "Tail Whip",
    // 40-49
    "Poison Sting", "Twineedle", "Pin Missile", "Leer", "Bite", "Growl", "Roar", "Sing",
    "Supersonic", "SonicBoom",
    // 50-59
    "Disable", "Acid", "Ember", "Flamethrower", "Mist", "Water Gun", "Hydro Pump", "Surf",
    "Ice Beam", "Blizzard",
    // 60-69
    "Psybeam", "BubbleBeam", "Aurora Beam", "Hyper Beam", "Peck", "Drill Peck", "Submission",
    "Low Kick", "Counter", "Seismic Toss",
    // 70-79
    "Strength", "Absorb", "Mega Drain", "Leech Seed", "Growth", "Razor Leaf", "SolarBeam",
    "PoisonPowder", "Stun Spore", "Sleep Powder",
    // 80-89
    "Petal Dance", "String Shot", "Dragon Rage", "Fire Spin", "ThunderShock", "Thunderbolt",
    "Thunder Wave", "Thunder", "Rock Throw", "Earthquake",
    // 90-99
    "Fissure", "Dig", "Toxic", "Confusion", "Psychic", "Hypnosis", "Meditate", "Agility",
    "Quick Attack", "Rage",
    // 100-109
    "Teleport", "Night Shade", "Mimic", "Screech", "Double Team", "Recover", "Harden", "Minimize",
    "SmokeScreen", "Confuse Ray",
    // 110-119
    "Withdraw", "Defense Curl", "Barrier", "Light Screen", "Haze", "Reflect", "Focus Energy",
    "Bide", "Metronome", "Mirror Move",
    // 120-129
    "Selfdestruct", "Egg Bomb", "Lick", "Smog", "Sludge", "Bone Club", "Fire Blast", "Waterfall",
    "Clamp", "Swift",
    // 130-139
    "Skull Bash", "Spike Cannon", "Constrict", "Amnesia", "Kinesis", "Softboiled", "Hi Jump Kick",
    "Glare", "Dream Eater", "Poison Gas",
    // 140-149
    "Barrage", "Leech Life", "Lovely Kiss", "Sky Attack", "Transform", "Bubble", "Dizzy Punch",
    "Spore", "Flash", "Psywave",
    // 150-159
    "Splash", "Acid Armor", "Crabhammer", "Explosion", "Fury Swipes", "Bonemerang", "Rest",
    "Rock Slide", "Hyper Fang", "Sharpen",
    // 160-169
    "Conversion", "Tri Attack", "Super Fang", "Slash", "Substitute", "Struggle", "Sketch",
    "Triple Kick", "Thief", "Spider Web",
    // 170-179
    "Mind Reader", "Nightmare", "Flame Wheel", "Snore", "Curse", "Flail", "Conversion 2",
    "Aeroblast", "Cotton Spore", "Reversal",
    // 180-189
    "Spite", "Powder Snow", "Protect", "Mach Punch", "Scary Face", "Faint Attack", "Sweet Kiss",
    "Belly Drum", "Sludge Bomb", "Mud-Slap",
    // 190-199
    "Octazooka", "Spikes", "Zap Cannon", "Foresight", "Destiny Bond", "Perish Song", "Icy Wind",
    "Detect", "Bone Rush", "Lock-On",
    // 200-209
    "Outrage", "Sandstorm", "Giga Drain", "Endure", "Charm", "Rollout", "False Swipe", "Swagger",
    "Milk Drink", "Spark",
    // 210-219
    "Fury Cutter", "Steel Wing", "Mean Look", "Attract", "Sleep Talk", "Heal Bell", "Return",
    "Present", "Frustration", "Safeguard",
    // 220-229
    "Pain Split", "Sacred Fire", "Magnitude", "DynamicPunch", "Megahorn", "DragonBreath",
    "Baton Pass", "Encore", "Pursuit", "Rapid Spin",
    // 230-239
    "Sweet Scent", "Iron Tail", "Metal Claw", "Vital Throw", "Morning Sun", "Synthesis",
    "Moonlight", "Hidden Power", "Cross Chop", "Twister",
    // 240-249
    "Rain Dance", "Sunny Day", "Crunch", "Mirror Coat", "Psych Up", "ExtremeSpeed", "AncientPower",
    "Shadow Ball", "Future Sight", "Rock Smash",
    // 250-259
    "Whirlpool", "Beat Up", "Fake Out", "Uproar", "Stockpile", "Spit Up", "Swallow", "Heat Wave",
    "Hail", "Torment",
    // 260-269
    "Flatter", "Will-O-Wisp", "Memento", "Facade", "Focus Punch", "SmellingSalt", "Follow Me",
    "Nature Power", "Charge", "Taunt",
    // 270-279
    "Helping Hand", "Trick", "Role Play", "Wish", "Assist", "Ingrain", "Superpower", "Magic Coat",
    "Recycle", "Revenge",
    // 280-289
    "Brick Break", "Yawn", "Knock Off", "Endeavor", "Eruption", "Skill Swap", "Imprison",
    "Refresh", "Grudge", "Snatch",
    // 290-299
    "Secret Power", "Dive", "Arm Thrust", "Camouflage", "Tail Glow", "Luster Purge", "Mist Ball",
    "FeatherDance", "Teeter Dance", "Blaze Kick",
    // 300-309
    "Mud Sport", "Ice Ball", "Needle Arm", "Slack Off", "Hyper Voice", "Poison Fang", "Crush Claw",
    "Blast Burn", "Hydro Cannon", "Meteor Mash",
    // 310-319
    "Astonish", "Weather Ball", "Aromatherapy", "Fake Tears", "Air Cutter", "Overheat",
    "Odor Sleuth", "Rock Tomb", "Silver Wind", "Metal Sound",
    // 320-329
    "GrassWhistle", "Tickle", "Cosmic Power", "Water Spout", "Signal Beam", "Shadow Punch",
    "Extrasensory", "Sky Uppercut", "Sand Tomb", "Sheer Cold",
    // 330-339
    "Muddy Water", "Bullet Seed", "Aerial Ace", "Icicle Spear", "Iron Defense", "Block", "Howl",
    "Dragon Claw", "Frenzy Plant", "Bulk Up",
    // 340-349
    "Bounce", "Mud Shot", "Poison Tail", "Covet", "Volt Tackle", "Magical Leaf", "Water Sport",
    "Calm Mind", "Leaf Blade", "Dragon Dance",
    // 350-359
    "Rock Blast", "Shock Wave", "Water Pulse", "Doom Desire", "Psycho Boost", "Roost", "Gravity",
    "Miracle Eye", "Wake-Up Slap", "Hammer Arm",
    // 360-369
    "Gyro Ball", "Healing Wish", "Brine", "Natural Gift", "Feint", "Pluck", "Tailwind",
    "Acupressure", "Metal Burst", "U-turn",
    // 370-379
    "Close Combat", "Payback", "Assurance", "Embargo", "Fling", "Psycho Shift", "Trump Card",
    "Heal Block", "Wring Out", "Power Trick",
    // 380-389
    "Gastro Acid", "Lucky Chant", "Me First", "Copycat", "Power Swap", "Guard Swap", "Punishment",
    "Last Resort", "Worry Seed", "Sucker Punch",
    // 390-399
    "Toxic Spikes", "Heart Swap", "Aqua Ring", "Magnet Rise", "Flare Blitz", "Force Palm",
    "Aura Sphere", "Rock Polish", "Poison Jab", "Dark Pulse",
    // 400-409
    "Night Slash", "Aqua Tail", "Seed Bomb", "Air Slash", "X-Scissor", "Bug Buzz", "Dragon Pulse",
    "Dragon Rush", "Power Gem", "Drain Punch",
    // 410-419
    "Vacuum Wave", "Focus Blast", "Energy Ball", "Brave Bird", "Earth Power", "Switcheroo",
    "Giga Impact", "Nasty Plot", "Bullet Punch", "Avalanche",
    // 420-429
    "Ice Shard", "Shadow Claw", "Thunder Fang", "Ice Fang", "Fire Fang", "Shadow Sneak",
    "Mud Bomb", "Psycho Cut", "Zen Headbutt", "Mirror Shot",
    // 430-439
    "Flash Cannon", "Rock Climb", "Defog", "Trick Room", "Draco Meteor", "Discharge", "Lava Plume",
    "Leaf Storm", "Power Whip", "Rock Wrecker",
    // 440-449
    "Cross Poison", "Gunk Shot", "Iron Head", "Magnet Bomb", "Stone Edge", "Captivate",
    "Stealth Rock", "Grass Knot", "Chatter", "Judgment",
    // 450-459
    "Bug Bite", "Charge Beam", "Wood Hammer", "Aqua Jet", "Attack Order", "Defend Order",
    "Heal Order", "Head Smash", "Double Hit", "Roar of Time",
    // 460-467
    "Spacial Rend", "Lunar Dance", "Crush Grip", "Magma Storm", "Dark Void", "Seed Flare",
    "Ominous Wind", "Shadow Force",
}};

std::optional<int> findMove(std::string_view text)
{
    // The keys made once: a sheet names a move on each of thousands of rows.
    static const auto keys = [] {
        std::vector<std::string> made;
        for (const auto name : MoveNames)
            made.push_back(nameKey(name));
        return made;
    }();
    const auto key = nameKey(text);
    if (key.empty())
        return std::nullopt;
    std::optional<int> started;
    int starts = 0;
    for (int id = 1; id < kMoveCount; ++id) {
        const auto& name = keys[static_cast<std::size_t>(id)];
        if (name == key)
            return id;
        if (name.starts_with(key) && starts++ == 0)
            started = id;
    }
    return starts == 1 ? started : std::nullopt;
}

std::string nearestMoves(std::string_view text)
{
    std::vector<std::string_view> names(MoveNames.begin() + 1, MoveNames.begin() + kMoveCount);
    return didYouMean(text, names);
}

} // namespace quillmark::species
