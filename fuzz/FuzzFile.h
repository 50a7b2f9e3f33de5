#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

// One scratch file per fuzzing process, rewritten for every input.
inline const std::string& fuzzFilePath()
{
    static const std::string path = [] {
        std::string p = "/tmp/quillmark-fuzz-" + std::to_string(::getpid()) + ".nds";
        std::atexit([] { ::unlink(("/tmp/quillmark-fuzz-" + std::to_string(::getpid()) + ".nds").c_str()); });
        return p;
    }();
    return path;
}
