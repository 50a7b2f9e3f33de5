#include "cli/Output.h"

#include "cli/CliErrors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

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
    std::string temporary = output + ".quillmark-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        fail(BadInput, "cannot write " + output + ": " + std::strerror(errno));
    // mkstemp makes the file private; give it the permissions a new file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    const char* data = text.data();
    std::size_t left = text.size();
    int error = 0;
    while (left > 0 && error == 0) {
        const auto n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            error = n < 0 ? errno : EIO;
        else {
            data += n;
            left -= static_cast<std::size_t>(n);
        }
    }
    if (::fsync(fd) != 0 && error == 0 && errno != EINVAL)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && std::rename(temporary.c_str(), output.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        fail(BadInput, "cannot write " + output + ": " + std::strerror(error) + "; nothing was written");
    }
}

void checkStandardOutput()
{
    errno = 0;
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error = errno;
        std::cout.clear();
        fail(BadInput, std::string("cannot write to standard output: ") +
                           (error ? std::strerror(error) : "the output was closed or is full"));
    }
}

} // namespace quillmark::cli
