#pragma once

#include "cli/CliErrors.h"

#include <gtest/gtest.h>

#include <string>

namespace quillmark::test {

// A command of quillmark-cli run in this process: its exit status and what it printed.
struct Said {
    int status = 0;
    std::string out, err;
};

template <class Command>
Said runInProcess(Command command)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Said said;
    try {
        said.status = command();
    } catch (const cli::Failure& failure) {
        said.status = failure.code;
    }
    said.out = testing::internal::GetCapturedStdout();
    said.err = testing::internal::GetCapturedStderr();
    return said;
}

} // namespace quillmark::test
