#include "platform/ProcessServices.h"

namespace quillmark::platform {

// Arguments and terminals are UTF-8 already.
std::vector<std::string> commandLineArguments(int argc, char** argv) { return {argv, argv + argc}; }

void useUtf8Console() {}

} // namespace quillmark::platform
