#include "rom/ImageComparison.h"

#include "platform/FileServices.h"
#include "rom/CartridgeHeader.h"
#include "rom/LittleEndian.h"
#include "rom/OverlayTable.h"
#include "rom/RomIdentification.h"

#include <algorithm>
#include <array>

namespace quillmark::rom {

namespace {

constexpr std::int64_t kHeaderSize = 0x200;
constexpr std::int64_t kChunk = 1 << 20;
// Where the header's regions lie, the used size and the CRC: layout.
constexpr std::array<std::size_t, 10> kLayoutWords = {0x20, 0x30, 0x40, 0x44, 0x48, 0x4C, 0x50, 0x58, 0x68, 0x80};

// The banner's size by its version word: Japanese to Korean titles, then the DSi's.
std::int64_t bannerSize(std::uint16_t version)
{
    switch (version) {
    case 2: return 0x940;
    case 3: return 0xA40;
    case 0x103: return 0x23C0;
    default: return 0x840;
    }
}

// The header without its layout: what two images of one game must share.
std::vector<std::uint8_t> headerContent(platform::OpenFile& file)
{
    std::vector<std::uint8_t> header(static_cast<std::size_t>(std::min<std::int64_t>(kHeaderSize, file.size())));
    if (!file.read(0, header))
        return {};
    for (const auto word : kLayoutWords) {
        for (std::size_t k = word; k < word + 4 && k < header.size(); ++k)
            header[k] = 0;
    }
    for (std::size_t k = kHeaderCrcOffset; k < kHeaderCrcOffset + 2 && k < header.size(); ++k)
        header[k] = 0;
    return header;
}

void addOverlays(platform::OpenFile& file, const NitroFs& fs, std::int64_t tableField, const std::string& prefix,
                 std::map<std::string, FileExtent>& parts)
{
    std::array<std::uint8_t, 8> words{};
    if (!file.read(tableField, words))
        return;
    const std::int64_t offset = le32(words, 0), size = le32(words, 4);
    if (size <= 0 || size % kOverlayEntrySize != 0 || offset + size > file.size())
        return;
    std::vector<std::uint8_t> table(static_cast<std::size_t>(size));
    if (!file.read(offset, table))
        return;
    for (std::size_t at = 0; at < table.size(); at += kOverlayEntrySize) {
        const auto id = le32(table, at), fileId = le32(table, at + 24);
        if (fileId > 0xEFFF)
            continue;
        if (const auto extent = fs.extent(static_cast<std::uint16_t>(fileId)))
            parts[prefix + std::to_string(id)] = *extent;
    }
}

// Where a name sorts: the header and the code first, the overlays by number, then the
// files by their path.
std::pair<int, std::string> sortKey(const std::string& name)
{
    static const std::array<std::string, 4> kFirst = {"header", "arm9", "arm7", "banner"};
    for (std::size_t k = 0; k < kFirst.size(); ++k) {
        if (name == kFirst[k])
            return {static_cast<int>(k), ""};
    }
    for (const auto& [prefix, rank] : {std::pair<std::string, int>{"overlay ", 4}, {"arm7 overlay ", 5}}) {
        if (name.starts_with(prefix)) {
            auto number = name.substr(prefix.size());
            return {rank, std::string(10 - std::min<std::size_t>(10, number.size()), '0') + number};
        }
    }
    return {6, name};
}

} // namespace

std::map<std::string, FileExtent> imageParts(platform::OpenFile& file, const NitroFs& fs)
{
    std::map<std::string, FileExtent> parts;
    parts["header"] = {0, std::min<std::int64_t>(kHeaderSize, file.size())};
    std::array<std::uint8_t, 0x70> words{};
    if (file.read(0, words)) {
        for (const auto& [name, offset, size] : {std::tuple<const char*, std::size_t, std::size_t>{"arm9", 0x20, 0x2C},
                                                 {"arm7", 0x30, 0x3C}}) {
            const std::int64_t start = le32(words, offset), length = le32(words, size);
            if (length > 0 && start + length <= file.size())
                parts[name] = {start, start + length};
        }
        if (const std::int64_t banner = le32(words, 0x68); banner > 0 && banner + 2 <= file.size()) {
            std::array<std::uint8_t, 2> version{};
            if (file.read(banner, version))
                parts["banner"] = {banner, std::min(file.size(), banner + bannerSize(le16(version, 0)))};
        }
    }
    addOverlays(file, fs, 0x50, "overlay ", parts);
    addOverlays(file, fs, 0x58, "arm7 overlay ", parts);
    for (const auto& [path, id] : fs.files()) {
        if (const auto extent = fs.extent(id))
            parts[path] = *extent;
    }
    return parts;
}

Result<std::vector<PartDifference>, platform::FileError>
differingParts(platform::OpenFile& before, const NitroFs& beforeFs, const ComparedElsewhere& skipBefore,
               platform::OpenFile& after, const NitroFs& afterFs, const ComparedElsewhere& skipAfter)
{
    const auto partsBefore = imageParts(before, beforeFs), partsAfter = imageParts(after, afterFs);
    std::vector<std::string> names;
    for (const auto& [name, extent] : partsBefore)
        names.push_back(name);
    for (const auto& [name, extent] : partsAfter) {
        if (!partsBefore.count(name))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return sortKey(a) < sortKey(b); });

    std::vector<PartDifference> differences;
    std::vector<std::uint8_t> a(static_cast<std::size_t>(kChunk)), b(static_cast<std::size_t>(kChunk));
    for (const auto& name : names) {
        const auto was = partsBefore.find(name), now = partsAfter.find(name);
        PartDifference difference{name, was == partsBefore.end() ? -1 : was->second.size(),
                                  now == partsAfter.end() ? -1 : now->second.size()};
        if (was == partsBefore.end() || now == partsAfter.end()) {
            differences.push_back(difference);
            continue;
        }
        const auto skippedBefore = skipBefore.find(name), skippedAfter = skipAfter.find(name);
        const auto ranges = skippedBefore == skipBefore.end() ? std::vector<FileExtent>{} : skippedBefore->second;
        if (skippedBefore != skipBefore.end() && skippedAfter != skipAfter.end() && ranges.empty() &&
            skippedAfter->second.empty())
            continue;  // a table compared as such
        if (difference.sizeBefore != difference.sizeAfter ||
            (skippedAfter == skipAfter.end() ? std::vector<FileExtent>{} : skippedAfter->second) != ranges) {
            differences.push_back(difference);
            continue;
        }
        if (name == "header") {
            if (headerContent(before) != headerContent(after))
                differences.push_back(difference);
            continue;
        }
        bool differs = false;
        for (std::int64_t at = 0; at < difference.sizeBefore && !differs; at += kChunk) {
            const auto n = static_cast<std::size_t>(std::min(kChunk, difference.sizeBefore - at));
            if (auto got = before.read(was->second.start + at, std::span(a).first(n)); !got)
                return got.error();
            if (auto got = after.read(now->second.start + at, std::span(b).first(n)); !got)
                return got.error();
            for (const auto& range : ranges) {
                // The table's bytes in this piece count as equal.
                const auto from = std::clamp(range.start - at, std::int64_t{0}, static_cast<std::int64_t>(n));
                const auto to = std::clamp(range.end - at, std::int64_t{0}, static_cast<std::int64_t>(n));
                std::fill(a.begin() + from, a.begin() + to, 0);
                std::fill(b.begin() + from, b.begin() + to, 0);
            }
            differs = !std::equal(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(n), b.begin());
        }
        if (differs)
            differences.push_back(difference);
    }
    return differences;
}

std::vector<BpsMove> movedParts(platform::OpenFile& before, const NitroFs& beforeFs, platform::OpenFile& after,
                                const NitroFs& afterFs)
{
    const auto was = imageParts(before, beforeFs), now = imageParts(after, afterFs);
    std::vector<BpsMove> moves;
    for (const auto& [name, extent] : now) {
        const auto old = was.find(name);
        if (old != was.end() && old->second.start != extent.start && extent.size() > 0)
            moves.push_back({extent, old->second.start});
    }
    return moves;
}

} // namespace quillmark::rom
