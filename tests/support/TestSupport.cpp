#include "TestSupport.h"

#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace quillmark::test {

TempDir::TempDir()
{
#ifdef _WIN32
    // No mkdtemp: a random name, made only if it is new.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
        const auto candidate = std::filesystem::temp_directory_path() /
                               ("quillmark-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate))
            m_path = candidate.string();
    }
    if (m_path.empty())
        throw std::runtime_error("no temporary directory");
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "quillmark-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
#endif
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

Bytes readFile(const std::string& path)
{
    // Paths are UTF-8, as everywhere in the program; Windows takes them as UTF-16.
    std::ifstream in(platform::nativePath(path), std::ios::binary | std::ios::ate);
    if (!in)
        return {};
    Bytes bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(platform::nativePath(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::int64_t fileSize(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(platform::nativePath(path), error);
    return error ? -1 : static_cast<std::int64_t>(size);
}

void patchFile(const std::string& path, std::int64_t offset, const Bytes& bytes)
{
    std::fstream file(platform::nativePath(path), std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(offset);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot patch " + path);
}

void patchWord32(const std::string& path, std::int64_t offset, std::uint32_t value)
{
    patchFile(path, offset, {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                             static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

int openDescriptorCount()
{
    int count = 0;
#ifdef _WIN32
    // No /proc: handles are not counted there (wine lists its own under that name).
    return count;
#endif
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir))
            ++count;
        ::closedir(dir);
    }
    return count;
}

std::vector<std::int64_t> differingOffsets(const Bytes& before, const Bytes& after)
{
    std::vector<std::int64_t> offsets;
    const auto common = std::min(before.size(), after.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (before[i] != after[i])
            offsets.push_back(static_cast<std::int64_t>(i));
    }
    if (before.size() != after.size())
        offsets.push_back(static_cast<std::int64_t>(common));
    return offsets;
}

std::string samplesDir() { return QUILLMARK_SAMPLES_DIR; }

std::vector<std::map<std::string, std::string>> sampleCsv(const std::string& name)
{
    std::ifstream in(samplesDir() + "/" + name);
    auto cells = [](const std::string& line) {
        std::vector<std::string> out;
        std::stringstream row(line);
        for (std::string cell; std::getline(row, cell, ',');)
            out.push_back(cell);
        if (!line.empty() && line.back() == ',')
            out.emplace_back();
        return out;
    };
    std::string line;
    std::getline(in, line);
    const auto header = cells(line);
    std::vector<std::map<std::string, std::string>> rows;
    while (std::getline(in, line)) {
        const auto values = cells(line);
        auto& row = rows.emplace_back();
        for (std::size_t c = 0; c < header.size() && c < values.size(); ++c)
            row[header[c]] = values[c];
    }
    return rows;
}

OtherWriter::OtherWriter(const std::string& path)
{
    auto file = platform::systemFileServices().open(path, platform::FileAccess::ReadWrite);
    if (file && (*file)->lockForWriting(std::chrono::milliseconds(0)))
        m_file = std::move(*file);
}

} // namespace quillmark::test
