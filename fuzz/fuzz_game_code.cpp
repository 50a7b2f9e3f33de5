// ROM identification on arbitrary file contents: never a crash, never a change to the
// file, and a code is found exactly when the file has 16 bytes.
#include "FuzzFile.h"

#include "rom/RomIdentification.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quillmark;
    const auto& path = fuzzFilePath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const auto identity = rom::identifyRom(path);
    if (identity.ok() != (size >= 16))
        std::abort();
    if (identity.ok()) {
        if (identity->gameCode != std::string(reinterpret_cast<const char*>(data) + 12, 4))
            std::abort();
        if (identity->edition && identity->edition->gameCode != identity->gameCode)
            std::abort();
    }
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> after{std::istreambuf_iterator<char>(in), {}};
    if (after != std::vector<std::uint8_t>(data, data + size))
        std::abort();
    return 0;
}
