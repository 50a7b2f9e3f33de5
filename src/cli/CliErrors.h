#pragma once

#include "species/SheetRows.h"

#include <string>
#include <vector>

namespace quillmark::cli {

// The exit status of quillmark-cli, as the README documents it.
enum Exit {
    Ok = 0,
    BadInput = 1,         // nothing was written
    BadRom = 2,           // unsupported or unreadable ROM; nothing was written
    WriteIncomplete = 3,  // the ROM could not be written completely
    WrittenReportLost = 4,  // the ROM was written completely, but the report of it could
                            // not be printed (standard output full or closed)
    // diff --exit-code: the ROMs differ, as git diff says it; and a bad input or an
    // output not written, which 1 would report as a difference.
    Differ = 1,
    DiffFailed = 5,
    // Standard output was a pipe that its reader closed (`export | head`): the command
    // ends quietly, with the status a shell shows for a process ended by SIGPIPE.
    OutputClosed = 141,
};

// Thrown to end a command; the message has been printed.
struct Failure {
    Exit code;
};

[[noreturn]] void fail(Exit code, const std::string& message);

// Problems of an input, each with where it stood, that the command reports.
class ErrorList : public species::SheetErrors {
public:
    // Whether the command that found them would have written the ROM: a command that
    // only reads has nothing to say about writing.
    enum Outcome { NothingWritten, NothingWritable };
    // Prints them and ends the command with BadInput.
    [[noreturn]] void report(Outcome outcome = NothingWritten) const;
};

} // namespace quillmark::cli
