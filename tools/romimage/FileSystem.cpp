// The image's file system: which files the game has, and the file name table.
#include "ImageParts.h"

#include <algorithm>
#include <fstream>
#include <map>

namespace quillmark::romimage {

using namespace parts;

int narcMembersOf(const std::string& gameCode)
{
    return gameCode.starts_with("CPU") || gameCode.starts_with("IPK") || gameCode.starts_with("IPG")
               ? 508
               : 501;
}

std::string speciesArchivePath(const std::string& gameCode)
{
    if (gameCode.starts_with("APA"))
        return "poketool/personal_pearl/personal.narc";
    if (gameCode.starts_with("CPU"))
        return "poketool/personal/pl_personal.narc";
    if (gameCode.starts_with("IPK") || gameCode.starts_with("IPG"))
        return "a/0/0/2";
    return "poketool/personal/personal.narc";
}

std::vector<std::string> gameFilePaths(const std::string& gameCode)
{
    const std::string list = gameCode.starts_with("CPU") ? "pt_nitrofs_files.txt"
                             : gameCode.starts_with("IPK") || gameCode.starts_with("IPG")
                                 ? "hgss_nitrofs_files.txt"
                                 : "dp_nitrofs_files.txt";
    std::ifstream in(std::string(QUILLMARK_SAMPLES_DIR) + "/" + list);
    std::vector<std::string> paths;
    for (std::string line; std::getline(in, line);) {
        if (line.empty())
            continue;
        if (line == "poketool/personal/personal.narc" && gameCode.starts_with("APA"))
            line = "poketool/personal_pearl/personal.narc";
        paths.push_back(line);
    }
    return paths;
}

namespace parts {

// Diamond's archive, which Platinum and HG/SS carry without reading it.
std::string leftoverPathOf(const std::string& gameCode)
{
    if (gameCode.starts_with("CPU"))
        return "poketool/personal/personal.narc";
    if (gameCode.starts_with("IPK") || gameCode.starts_with("IPG"))
        return "pbr/personal.narc";
    return "";
}

// The file name table of `paths`; `byId` gets the paths in file-ID order, from
// firstFileId on. Files of a directory come before its sub-directories.
Bytes buildFnt(const std::vector<std::string>& paths, int firstFileId, std::vector<std::string>& byId)
{
    struct Dir {
        std::string path;  // with a trailing '/', "" for the root
        int parent = 0;
        std::vector<std::string> files;
        std::vector<int> subdirs;
    };
    std::vector<Dir> dirs(1);
    std::map<std::string, int> index{{"", 0}};
    for (const auto& path : paths) {
        int dir = 0;
        std::size_t from = 0;
        for (auto slash = path.find('/'); slash != std::string::npos; slash = path.find('/', from)) {
            const std::string sub = path.substr(0, slash + 1);
            auto [at, added] = index.emplace(sub, static_cast<int>(dirs.size()));
            if (added) {
                dirs.push_back({sub, dir, {}, {}});
                dirs[static_cast<std::size_t>(dir)].subdirs.push_back(at->second);
            }
            dir = at->second;
            from = slash + 1;
        }
        dirs[static_cast<std::size_t>(dir)].files.push_back(path.substr(from));
    }

    Bytes fnt(dirs.size() * 8, 0);
    int fileId = firstFileId;
    for (std::size_t d = 0; d < dirs.size(); ++d) {
        const auto& dir = dirs[d];
        put32(fnt, d * 8, static_cast<std::uint32_t>(fnt.size()));
        put16(fnt, d * 8 + 4, static_cast<std::uint32_t>(fileId));
        put16(fnt, d * 8 + 6, d == 0 ? static_cast<std::uint32_t>(dirs.size())
                                     : 0xF000u + static_cast<std::uint32_t>(dir.parent));
        for (const auto& name : dir.files) {
            fnt.push_back(static_cast<std::uint8_t>(name.size()));
            append(fnt, name);
            byId.push_back(dir.path + name);
            ++fileId;
        }
        for (const int sub : dir.subdirs) {
            const auto& subPath = dirs[static_cast<std::size_t>(sub)].path;
            const auto slash = subPath.rfind('/', subPath.size() - 2);
            const std::string name = subPath.substr(slash == std::string::npos ? 0 : slash + 1,
                                                    subPath.size() - 1 - (slash == std::string::npos ? 0 : slash + 1));
            fnt.push_back(static_cast<std::uint8_t>(0x80 | name.size()));
            append(fnt, name);
            fnt.push_back(0);
            fnt.push_back(0);
            put16(fnt, fnt.size() - 2, 0xF000u + static_cast<std::uint32_t>(sub));
        }
        fnt.push_back(0);
    }
    return fnt;
}

} // namespace parts

} // namespace quillmark::romimage
