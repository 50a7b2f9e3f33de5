#include "rom/Bps.h"

#include "platform/FileServices.h"
#include "rom/CartridgeHeader.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace quillmark::rom {

namespace {

enum Action : std::uint64_t { SourceRead = 0, TargetRead = 1, SourceCopy = 2, TargetCopy = 3 };

constexpr std::int64_t kChunk = 1 << 20;
// A run of equal bytes shorter than this costs more as an action than as literal bytes.
constexpr std::int64_t kShortestMatch = 4;
constexpr std::size_t kFooterSize = 12;

void putLe32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int k = 0; k < 4; ++k)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
}

// Builds the actions as the target is read from start to end.
class Encoder {
public:
    explicit Encoder(std::vector<std::uint8_t>& out) : m_out(out) {}

    // The next target byte, and whether it equals the byte the current way of copying
    // (`from`: a source offset, or -1 for none) would give.
    void literal(std::uint8_t byte)
    {
        endMatch();
        m_literal.push_back(byte);
        if (m_literal.size() >= static_cast<std::size_t>(kChunk))
            flushLiteral();
    }
    // `length` target bytes equal to the source's from `sourceOffset` on (`bytes`).
    void match(std::int64_t sourceOffset, bool sameOffset, const std::uint8_t* bytes, std::int64_t length)
    {
        if (m_matchLength > 0 && (sameOffset != m_matchSame || sourceOffset != m_matchFrom + m_matchLength))
            endMatch();
        if (m_matchLength == 0) {
            m_matchFrom = sourceOffset;
            m_matchSame = sameOffset;
        }
        for (std::int64_t k = 0; k < length && m_matchLength + k < kShortestMatch; ++k)
            m_matchBytes[static_cast<std::size_t>(m_matchLength + k)] = bytes[k];
        m_matchLength += length;
    }
    void finish()
    {
        endMatch();
        flushLiteral();
    }

private:
    void action(Action kind, std::int64_t length)
    {
        putBpsNumber(m_out, (static_cast<std::uint64_t>(length - 1) << 2) | kind);
    }
    void flushLiteral()
    {
        if (m_literal.empty())
            return;
        action(TargetRead, static_cast<std::int64_t>(m_literal.size()));
        m_out.insert(m_out.end(), m_literal.begin(), m_literal.end());
        m_literal.clear();
    }
    void endMatch()
    {
        if (m_matchLength == 0)
            return;
        if (m_matchLength < kShortestMatch) {
            m_literal.insert(m_literal.end(), m_matchBytes.begin(), m_matchBytes.begin() + m_matchLength);
        } else {
            flushLiteral();
            if (m_matchSame) {
                action(SourceRead, m_matchLength);
            } else {
                action(SourceCopy, m_matchLength);
                const std::int64_t delta = m_matchFrom - m_sourceRelative;
                putBpsNumber(m_out, (static_cast<std::uint64_t>(delta < 0 ? -delta : delta) << 1) | (delta < 0 ? 1 : 0));
                m_sourceRelative = m_matchFrom + m_matchLength;
            }
        }
        m_matchLength = 0;
    }

    std::vector<std::uint8_t>& m_out;
    std::vector<std::uint8_t> m_literal;
    std::int64_t m_matchFrom = 0, m_matchLength = 0, m_sourceRelative = 0;
    bool m_matchSame = false;
    std::array<std::uint8_t, kShortestMatch> m_matchBytes{};
};

// Reads a variable-length number, or nothing past the end of what may be read.
std::optional<std::uint64_t> bpsNumber(std::span<const std::uint8_t> patch, std::size_t& at, std::size_t end)
{
    // A number past 64 bits is damage, never a value that wrapped round to a small one.
    std::uint64_t value = 0, shift = 1;
    for (int bytes = 0; bytes < 10; ++bytes) {
        if (at >= end)
            return std::nullopt;
        const auto byte = patch[at++];
        std::uint64_t part = 0;
        if (__builtin_mul_overflow(std::uint64_t{byte & 0x7Fu}, shift, &part) ||
            __builtin_add_overflow(value, part, &value))
            return std::nullopt;
        if (byte & 0x80)
            return value;
        if (bytes == 9 || __builtin_add_overflow(value, shift << 7, &value))
            return std::nullopt;
        shift <<= 7;
    }
    return std::nullopt;
}

std::uint32_t le32At(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return bytes[at] | std::uint32_t{bytes[at + 1]} << 8 | std::uint32_t{bytes[at + 2]} << 16 |
           std::uint32_t{bytes[at + 3]} << 24;
}

} // namespace

void putBpsNumber(std::vector<std::uint8_t>& out, std::uint64_t value)
{
    for (;;) {
        const auto low = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
        if (value == 0) {
            out.push_back(low | 0x80);
            return;
        }
        out.push_back(low);
        --value;
    }
}

std::uint32_t crc32Of(std::span<const std::uint8_t> bytes, std::uint32_t crc)
{
    // zlib takes at most 4 GiB a call.
    for (std::size_t at = 0; at < bytes.size();) {
        const auto n = std::min<std::size_t>(bytes.size() - at, 1u << 30);
        crc = static_cast<std::uint32_t>(::crc32(crc, bytes.data() + at, static_cast<uInt>(n)));
        at += n;
    }
    return crc;
}

Result<std::uint32_t, platform::FileError> crc32OfFile(platform::OpenFile& file)
{
    std::uint32_t crc = 0;
    std::vector<std::uint8_t> piece(static_cast<std::size_t>(kChunk));
    for (std::int64_t offset = 0; offset < file.size(); offset += kChunk) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(kChunk, file.size() - offset));
        if (auto got = file.read(offset, std::span(piece).first(n)); !got)
            return got.error();
        crc = crc32Of(std::span(piece).first(n), crc);
    }
    return crc;
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> bpsFileSums(std::span<const std::uint8_t> patch)
{
    if (patchFormatOf(patch) != PatchFormat::Bps || patch.size() < 4 + 3 + kFooterSize)
        return std::nullopt;
    const auto footer = patch.size() - kFooterSize;
    return std::pair{le32At(patch, footer), le32At(patch, footer + 4)};
}

Result<std::vector<std::uint8_t>, platform::FileError> makeBpsPatch(platform::OpenFile& source,
                                                                     platform::OpenFile& target,
                                                                     const std::vector<BpsMove>& moves)
{
    const auto sourceSize = source.size(), targetSize = target.size();
    std::vector<std::uint8_t> out = {'B', 'P', 'S', '1'};
    putBpsNumber(out, static_cast<std::uint64_t>(sourceSize));
    putBpsNumber(out, static_cast<std::uint64_t>(targetSize));
    putBpsNumber(out, 0);  // no metadata

    auto sorted = moves;
    std::sort(sorted.begin(), sorted.end(), [](const BpsMove& a, const BpsMove& b) { return a.target.start < b.target.start; });
    Encoder encoder(out);
    std::uint32_t sourceCrc = 0, targetCrc = 0;
    std::vector<std::uint8_t> wanted(static_cast<std::size_t>(kChunk)), same(static_cast<std::size_t>(kChunk)),
        moved(static_cast<std::size_t>(kChunk));
    std::size_t next = 0;  // the first move not yet passed
    for (std::int64_t at = 0; at < std::max(sourceSize, targetSize); at += kChunk) {
        const auto targetCount = std::clamp<std::int64_t>(targetSize - at, 0, kChunk);
        const auto sourceCount = std::clamp<std::int64_t>(sourceSize - at, 0, kChunk);
        const std::span<std::uint8_t> t(wanted.data(), static_cast<std::size_t>(targetCount));
        const std::span<std::uint8_t> s(same.data(), static_cast<std::size_t>(sourceCount));
        if (auto got = target.read(at, t); !got)
            return got.error();
        if (auto got = source.read(at, s); !got)
            return got.error();
        targetCrc = crc32Of(t, targetCrc);
        sourceCrc = crc32Of(s, sourceCrc);
        for (std::int64_t k = 0; k < targetCount;) {
            const auto position = at + k;
            while (next < sorted.size() && sorted[next].target.end <= position)
                ++next;
            const bool inMove = next < sorted.size() && sorted[next].target.start <= position;
            if (!inMove) {
                // Up to the next move or the chunk's end, against the same place.
                const auto stop = std::min(targetCount, next < sorted.size() ? sorted[next].target.start - at : targetCount);
                while (k < stop) {
                    const auto p = static_cast<std::size_t>(k);
                    const auto comparable = std::min(stop, sourceCount);
                    if (k < comparable && t[p] == s[p]) {
                        // The whole run of equal bytes at once.
                        const auto end = std::mismatch(t.begin() + k, t.begin() + comparable, s.begin() + k).first - t.begin();
                        encoder.match(at + k, true, t.data() + k, end - k);
                        k = end;
                    } else {
                        encoder.literal(t[p]);
                        ++k;
                    }
                }
                continue;
            }
            // Inside a moved range: against its old place, which lies inside the source.
            const auto& move = sorted[next];
            const auto stop = std::min(targetCount, move.target.end - at);
            const auto from = move.sourceStart + (position - move.target.start);
            const auto count = std::clamp<std::int64_t>(std::min(stop - k, sourceSize - from), 0, stop - k);
            const std::span<std::uint8_t> old(moved.data(), static_cast<std::size_t>(count));
            if (count > 0) {
                if (auto got = source.read(from, old); !got)
                    return got.error();
            }
            for (std::int64_t j = 0; k < stop; ++k, ++j) {
                const auto p = static_cast<std::size_t>(k);
                if (j < count && t[p] == old[static_cast<std::size_t>(j)])
                    encoder.match(from + j, false, t.data() + k, 1);
                else
                    encoder.literal(t[p]);
            }
        }
    }
    encoder.finish();
    putLe32(out, sourceCrc);
    putLe32(out, targetCrc);
    putLe32(out, crc32Of(out));
    return out;
}

namespace {

// What a patch says before its actions, checked against itself and the ROM given.
struct PatchHead {
    std::size_t actions = 0, end = 0;  // where its actions start and end
    std::uint64_t targetSize = 0;
    std::uint32_t targetCrc = 0;
};

Result<PatchHead, BpsError> patchHead(std::span<const std::uint8_t> patch, platform::OpenFile& source)
{
    if (patch.size() < 4 + 3 + kFooterSize || patch[0] != 'B' || patch[1] != 'P' || patch[2] != 'S' || patch[3] != '1')
        return BpsError{BpsProblem::NotAPatch, "it does not start with \"BPS1\", as a BPS patch does"};
    const auto end = patch.size() - kFooterSize;
    if (crc32Of(patch.first(patch.size() - 4)) != le32At(patch, patch.size() - 4))
        return BpsError{BpsProblem::PatchDamaged, "the patch's own CRC-32 does not match: it is damaged or cut short"};
    const auto sourceCrc = le32At(patch, end), targetCrc = le32At(patch, end + 4);
    std::size_t at = 4;
    const auto sourceSize = bpsNumber(patch, at, end);
    const auto targetSize = bpsNumber(patch, at, end);
    const auto metadataSize = bpsNumber(patch, at, end);
    if (!sourceSize || !targetSize || !metadataSize || *metadataSize > end - at)
        return BpsError{BpsProblem::PatchDamaged, "its sizes run past the end of the patch"};
    at += static_cast<std::size_t>(*metadataSize);
    // Larger than any cartridge: refused before anything is allocated for it (and
    // before the ROM is read).
    constexpr std::uint64_t kLargestTarget = std::uint64_t{1} << 30;
    if (*targetSize > kLargestTarget)
        return BpsError{BpsProblem::OutOfBounds, "its result would be " + std::to_string(*targetSize) +
                                                     " bytes, more than any DS cartridge holds"};
    const auto sourceRead = crc32OfFile(source);
    if (!sourceRead)
        return BpsError{BpsProblem::ReadFailed, "the ROM could not be read", sourceRead.error()};
    const auto crc = *sourceRead;
    if (static_cast<std::uint64_t>(source.size()) != *sourceSize || crc != sourceCrc)
        return BpsError{BpsProblem::OtherSource, "the ROM's size or CRC-32 is not the one the patch was made for",
                        std::nullopt, BpsSums{*sourceSize, *targetSize, sourceCrc, targetCrc, source.size(), crc}};
    return PatchHead{at, end, *targetSize, targetCrc};
}

} // namespace

Result<std::vector<std::uint8_t>, BpsError> applyBpsPatch(std::span<const std::uint8_t> patch, platform::OpenFile& source)
{
    const auto head = patchHead(patch, source);
    if (!head)
        return head.error();
    std::size_t at = head->actions;
    const auto end = head->end;
    const auto targetCrc = head->targetCrc;

    std::vector<std::uint8_t> target(static_cast<std::size_t>(head->targetSize));
    const auto size = static_cast<std::int64_t>(head->targetSize);
    std::int64_t output = 0, sourceRelative = 0, targetRelative = 0;
    auto outOfBounds = [&](const char* what) {
        return BpsError{BpsProblem::OutOfBounds, std::string(what) + " at target byte " + std::to_string(output) +
                                                     " reaches past the end of a file"};
    };
    // A copy's place moves by a signed offset; one that would leave [0, limit] is out
    // of bounds, told apart before anything is added (an offset near 2^63 would
    // otherwise wrap round into the file).
    enum class Offset { Moved, Damaged, Outside };
    auto offsetDelta = [&](std::int64_t& relative, std::int64_t limit) {
        const auto number = bpsNumber(patch, at, end);
        if (!number)
            return Offset::Damaged;
        const auto magnitude = *number >> 1;
        const bool back = *number & 1;
        if (magnitude > static_cast<std::uint64_t>(back ? relative : limit - relative))
            return Offset::Outside;
        relative += back ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
        return Offset::Moved;
    };
    while (at < end) {
        const auto data = bpsNumber(patch, at, end);
        if (!data)
            return BpsError{BpsProblem::PatchDamaged, "an action runs past the end of the patch"};
        const auto kind = *data & 3;
        const auto length = static_cast<std::int64_t>((*data >> 2) + 1);
        if (length > size - output)
            return outOfBounds("an action");
        auto into = std::span(target).subspan(static_cast<std::size_t>(output), static_cast<std::size_t>(length));
        switch (kind) {
        case SourceRead:
            if (output + length > source.size())
                return outOfBounds("a read of the source");
            if (auto got = source.read(output, into); !got)
                return BpsError{BpsProblem::ReadFailed, "the ROM could not be read", got.error()};
            break;
        case TargetRead:
            if (static_cast<std::uint64_t>(length) > end - at)
                return BpsError{BpsProblem::PatchDamaged, "literal bytes run past the end of the patch"};
            std::copy_n(patch.begin() + static_cast<std::ptrdiff_t>(at), length, into.begin());
            at += static_cast<std::size_t>(length);
            break;
        case SourceCopy:
            if (const auto moved = offsetDelta(sourceRelative, source.size()); moved == Offset::Damaged)
                return BpsError{BpsProblem::PatchDamaged, "an action runs past the end of the patch"};
            else if (moved == Offset::Outside || length > source.size() - sourceRelative)
                return outOfBounds("a copy from the source");
            if (auto got = source.read(sourceRelative, into); !got)
                return BpsError{BpsProblem::ReadFailed, "the ROM could not be read", got.error()};
            sourceRelative += length;
            break;
        case TargetCopy:
            if (const auto moved = offsetDelta(targetRelative, size); moved == Offset::Damaged)
                return BpsError{BpsProblem::PatchDamaged, "an action runs past the end of the patch"};
            else if (moved == Offset::Outside || targetRelative >= output)
                return outOfBounds("a copy from the result");
            // Byte by byte: a copy may overlap what it writes, as a run of one pattern does.
            for (std::int64_t k = 0; k < length; ++k)
                target[static_cast<std::size_t>(output + k)] = target[static_cast<std::size_t>(targetRelative++)];
            break;
        }
        output += length;
    }
    if (output != size)
        return BpsError{BpsProblem::OutOfBounds, "the actions fill " + std::to_string(output) + " of the result's " +
                                                     std::to_string(size) + " bytes"};
    if (crc32Of(target) != targetCrc)
        return BpsError{BpsProblem::TargetDamaged, "the result's CRC-32 is not the one the patch gives"};
    return target;
}

PatchFormat patchFormatOf(std::span<const std::uint8_t> start)
{
    auto startsWith = [&](std::string_view magic) {
        return start.size() >= magic.size() && std::equal(magic.begin(), magic.end(), start.begin(),
                                                          [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
    };
    if (startsWith("BPS1"))
        return PatchFormat::Bps;
    if (startsWith("PATCH"))
        return PatchFormat::Ips;
    if (startsWith("UPS1"))
        return PatchFormat::Ups;
    // VCDIFF (RFC 3284), as xdelta3 writes it: "VCD" with the top bits set.
    if (startsWith("\xD6\xC3\xC4"))
        return PatchFormat::Vcdiff;
    if (start.size() >= kHeaderEnd &&
        CartridgeHeader{std::vector<std::uint8_t>(start.begin(), start.begin() + kHeaderEnd)}.crcMatches())
        return PatchFormat::NdsRom;
    return PatchFormat::Unknown;
}

} // namespace quillmark::rom
