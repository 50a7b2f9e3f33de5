#include "cli/CliErrors.h"

#include <iostream>

namespace quillmark::cli {

void fail(Exit code, const std::string& message)
{
    std::cerr << "quillmark-cli: " << message << '\n';
    throw Failure{code};
}

void ErrorList::report(Outcome outcome) const
{
    for (const auto& line : lines())
        std::cerr << "quillmark-cli: " << line << '\n';
    if (count() > lines().size())
        std::cerr << "quillmark-cli: ... and " << count() - lines().size() << " more error(s)\n";
    fail(BadInput, std::to_string(count()) + " error(s)" +
                       (outcome == NothingWritten ? "; nothing was written" : ""));
}

} // namespace quillmark::cli
