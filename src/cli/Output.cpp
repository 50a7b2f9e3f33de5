#include "cli/Output.h"

#include "cli/CliErrors.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>

namespace quillmark::cli {

namespace {

bool isNdsName(const std::filesystem::path& path)
{
    std::string ext = path.extension().string();
    for (auto& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".nds";
}

void refuseRomAsOutput(const std::string& output, const std::string& romPath)
{
    std::error_code error;
    if (std::filesystem::equivalent(output, romPath, error))
        fail(BadInput, output + " is the ROM itself; nothing was written (give -o another file)");
    if (isNdsName(output) && std::filesystem::exists(output, error))
        fail(BadInput, output + " is a ROM image; an export never writes over one (give -o a "
                                ".csv or .json file)");
}

} // namespace

void writeOutput(const std::string& output, const std::string& text, const std::string& romPath)
{
    if (output.empty() || output == "-") {
        std::cout << text;
        checkStandardOutput();
        return;
    }
    refuseRomAsOutput(output, romPath);
    // Beside the final name, so that the rename stays on one file system.
    std::random_device random;
    const std::string temporary = output + ".quillmark-" + std::to_string(random()) + ".tmp";
    int failure = 0;
    {
        errno = 0;
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (out)
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out)
            failure = errno ? errno : EIO;
    }
    if (failure == 0) {
        std::error_code renamed;
        std::filesystem::rename(temporary, output, renamed);
        failure = renamed.value();
    }
    if (failure != 0) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        fail(BadInput, "cannot write " + output + ": " + std::strerror(failure) + "; nothing was written");
    }
}

namespace {
bool g_romWritten = false;
}

void noteRomWritten() { g_romWritten = true; }

void checkStandardOutput()
{
    errno = 0;
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error = errno;
        std::cout.clear();
        const std::string why = error ? std::strerror(error) : "the output was closed or is full";
        if (g_romWritten)
            fail(WrittenReportLost, "the ROM was written completely, but its report could not be "
                                    "printed to standard output: " + why);
        fail(BadInput, "cannot write to standard output: " + why);
    }
}

} // namespace quillmark::cli
