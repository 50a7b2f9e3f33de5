#include "cli/CliErrors.h"

#include <iostream>

namespace quillmark::cli {

void fail(Exit code, const std::string& message)
{
    std::cerr << "quillmark-cli: " << message << '\n';
    throw Failure{code};
}

void ErrorList::add(const std::string& where, const std::string& message)
{
    if (++m_count <= kShown)
        m_lines.push_back(where.empty() ? message : where + ": " + message);
}

void ErrorList::report(Outcome outcome) const
{
    for (const auto& line : m_lines)
        std::cerr << "quillmark-cli: " << line << '\n';
    if (m_count > m_lines.size())
        std::cerr << "quillmark-cli: ... and " << m_count - m_lines.size() << " more error(s)\n";
    fail(BadInput, std::to_string(m_count) + " error(s)" +
                       (outcome == NothingWritten ? "; nothing was written" : ""));
}

} // namespace quillmark::cli
