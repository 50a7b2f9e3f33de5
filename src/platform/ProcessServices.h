#pragma once

#include <string>
#include <vector>

namespace quillmark::platform {

// The program's arguments as UTF-8, whatever the console's code page: on Windows as the
// system has them, in UTF-16, so that paths with accents, CJK characters or more than
// 260 characters arrive whole.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Text written to the console in UTF-8 shows as it is ("Pokémon"), on Windows too.
void useUtf8Console();

} // namespace quillmark::platform
