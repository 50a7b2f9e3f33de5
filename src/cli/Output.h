#pragma once

#include <string>

namespace quillmark::cli {

// Text to standard output ("" or "-"), or to a file that is neither the ROM itself
// (also through a link) nor any existing .nds. A file is written beside its final
// name and renamed into place, so a failed write leaves no partial file and the old
// file, if any, as it was. Exit 1 with a message when the write fails.
void writeOutput(const std::string& output, const std::string& text, const std::string& romPath);

// Exit 1 if what went to standard output did not all get there (a full disk, a
// closed pipe).
void checkStandardOutput();

} // namespace quillmark::cli
