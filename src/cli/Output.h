#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::cli {

// Text to standard output ("" or "-"), or to a file that is neither the ROM itself
// (also through a link) nor anything that looks like a ROM. A regular file must be
// named .csv or .json unless the format was given; .nds, .srl and .bin never are. A
// file is written beside its final name and renamed into place, so a failed write
// leaves no partial file and the old file, if any, as it was. Exit 1 with a message
// when the write fails.
void writeOutput(const std::string& output, const std::string& text, const std::string& romPath,
                 bool formatGiven = false);

// writeOutput in two steps, for a command that writes more than one file: every
// refusal first (none of `romPaths` is replaced), before anything is written; then the
// write the check chose.
enum class OutputWay { StandardOutput, Stream, File };
OutputWay checkOutput(const std::string& output, const std::vector<std::string>& romPaths, bool formatGiven);
void writeCheckedOutput(const std::string& output, OutputWay way, const std::string& text);

// A file of bytes a command makes: a patch (.bps), which replaces only an older patch,
// or a patched ROM (.nds), which never replaces anything. Never one of `inputs` (also
// through a link), never a device, stream or directory; written beside its final name
// and renamed into place. Exit 1 with a message otherwise or when the write fails.
enum class MadeFile { Patch, Rom };
void writeMadeFile(const std::string& output, std::string_view bytes, MadeFile kind,
                   const std::vector<std::string>& inputs);
// Its refusals alone, before anything is written.
void checkMadeFile(const std::string& output, MadeFile kind, const std::vector<std::string>& inputs);

// The part of writeOutput's checks that needs only the name, so that a wrong name is
// refused before the ROM is read.
void checkOutputName(const std::string& output, bool formatGiven);

// Exit 1 if what went to standard output did not all get there (a full disk, a
// closed pipe); exit 4 instead once the ROM has been written, since 1 would say that
// nothing was.
void checkStandardOutput();

// Called once every change has gone into the ROM.
void noteRomWritten();

// Notes a closed pipe on standard output instead of letting SIGPIPE end the process,
// which could happen half-way through a command.
void catchClosedPipes();

} // namespace quillmark::cli
