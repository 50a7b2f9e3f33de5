#pragma once

// Moves as people type them, and the move each names as the games spell it: the one
// table the window's move cells and the command line's sheets are both checked on.
namespace quillmark::test {

struct MoveNameCase {
    const char* typed;
    const char* move;  // empty: no move, the text is refused
};

inline constexpr MoveNameCase kMoveNameCases[] = {
    {"thunder p", "ThunderPunch"},
    {"solar beam", "SolarBeam"},
    {"Vice Grip", "ViceGrip"},
    {"will o wisp", "Will-O-Wisp"},
    {"EARTHQUAKE", "Earthquake"},
    {"hyper", ""},  // Hyper Beam, Hyper Fang, Hyper Voice: no one of them
    {"earthquak3", ""},
};

} // namespace quillmark::test
