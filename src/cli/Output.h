#pragma once

#include <string>

namespace quillmark::cli {

// Text to standard output ("" or "-"), or to a file that is neither the ROM itself
// (also through a link) nor any existing .nds. A file is written beside its final
// name and renamed into place, so a failed write leaves no partial file and the old
// file, if any, as it was. Exit 1 with a message when the write fails.
void writeOutput(const std::string& output, const std::string& text, const std::string& romPath);

// Exit 1 if what went to standard output did not all get there (a full disk, a
// closed pipe); exit 4 instead once the ROM has been written, since 1 would say that
// nothing was.
void checkStandardOutput();

// Called once every change has gone into the ROM.
void noteRomWritten();

} // namespace quillmark::cli
