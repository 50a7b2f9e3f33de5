// A backward LZ encoder for the test images: overlays stored compressed as HeartGold
// and SoulSilver store theirs. Greedy matches found through chains of 3-byte keys;
// the raw prefix grows until the stream decodes in place without overwriting its own
// unread input, as the game's loader decodes it.
#include "ImageParts.h"

#include <algorithm>
#include <array>

namespace quillmark::romimage::parts {

namespace {

// The stream for data[prefix, size), in the order the decoder reads it (from the top).
Bytes encodeStream(const Bytes& data, std::size_t prefix)
{
    constexpr std::size_t kMaxCount = 18, kMinDistance = 3, kMaxDistance = 4098;
    std::vector<std::int64_t> head(1 << 16, -1), previous(data.size(), -1);
    auto key = [&](std::size_t at) { return (data[at] << 8 ^ data[at + 1] << 4 ^ data[at + 2]) & 0xFFFF; };
    Bytes stream;
    std::size_t flagAt = 0;
    int bits = 8;
    auto token = [&](bool copy) {
        if (bits == 8) {
            flagAt = stream.size();
            stream.push_back(0);
            bits = 0;
        }
        if (copy)
            stream[flagAt] |= static_cast<std::uint8_t>(0x80 >> bits);
        ++bits;
    };
    // p: the bytes below p are still to encode; each token ends at p - 1 and runs down.
    std::size_t p = data.size();
    // Keys of the positions at or above p, by the 3 bytes ending there (x, x+1, x+2
    // are the bytes a copy of distance d reads for the output bytes x-d...).
    auto insert = [&](std::size_t at) {
        if (at + 2 < data.size()) {
            const auto k = key(at);
            previous[at] = head[k];
            head[k] = static_cast<std::int64_t>(at);
        }
    };
    while (p > prefix) {
        std::size_t bestCount = 0, bestDistance = 0;
        if (p >= prefix + 3) {
            // The output bytes p-1, p-2, ... copy the bytes d above them.
            const auto k = key(p - 3);
            int chain = 0;
            for (auto candidate = head[k]; candidate >= 0 && chain < 64; candidate = previous[static_cast<std::size_t>(candidate)], ++chain) {
                const auto source = static_cast<std::size_t>(candidate) + 3;  // one above the source's last byte
                if (source <= p)
                    continue;
                const auto distance = source - p;
                if (distance < kMinDistance || distance > kMaxDistance)
                    continue;
                std::size_t count = 0;
                while (count < kMaxCount && p - count > prefix && data[p - 1 - count] == data[p - 1 - count + distance])
                    ++count;
                if (count > bestCount) {
                    bestCount = count;
                    bestDistance = distance;
                }
            }
        }
        if (bestCount >= 3) {
            token(true);
            const auto d = bestDistance - 3;
            stream.push_back(static_cast<std::uint8_t>((bestCount - 3) << 4 | d >> 8));
            stream.push_back(static_cast<std::uint8_t>(d & 0xFF));
            for (std::size_t k = 0; k < bestCount; ++k)
                insert(p - 1 - k);
            p -= bestCount;
        } else {
            token(false);
            stream.push_back(data[p - 1]);
            insert(p - 1);
            --p;
        }
    }
    return stream;
}

// Whether decoding in place ever writes over stream bytes not yet read.
bool decodesInPlace(const Bytes& stream, std::size_t prefix, std::size_t size)
{
    // Stored from `prefix` up, back to front; the decoder's src runs down from the
    // stream's top, its dst down from `size`.
    std::size_t src = prefix + stream.size(), dst = size, read = 0;
    while (read < stream.size()) {
        const std::uint8_t flags = stream[read++];
        --src;
        for (int bit = 7; bit >= 0 && read < stream.size(); --bit) {
            if (flags >> bit & 1) {
                const std::size_t count = (stream[read] >> 4) + 3;
                read += 2;
                src -= 2;
                dst -= count;
            } else {
                ++read;
                --src;
                --dst;
            }
            if (dst < src)
                return false;
        }
    }
    return true;
}

} // namespace

Bytes compressBackward(const Bytes& data)
{
    for (std::size_t prefix = 0;; prefix = std::min(data.size(), prefix + 0x400)) {
        const auto stream = encodeStream(data, prefix);
        // Stream, 0xFF to a multiple of 4, the footer.
        const std::size_t padding = (4 - (prefix + stream.size()) % 4) % 4;
        const std::size_t stored = prefix + stream.size() + padding + 8;
        if (stored >= data.size() || prefix == data.size())
            return data;  // no smaller: stored as it is, as the games' tool leaves such a module
        if (!decodesInPlace(stream, prefix, data.size()))
            continue;
        Bytes out(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(prefix));
        out.insert(out.end(), stream.rbegin(), stream.rend());
        out.insert(out.end(), padding, 0xFF);
        const auto tail = static_cast<std::uint32_t>(padding + 8);
        const auto length = static_cast<std::uint32_t>(stream.size() + padding + 8);
        out.resize(out.size() + 8);
        put32(out, out.size() - 8, length | tail << 24);
        put32(out, out.size() - 4, static_cast<std::uint32_t>(data.size() - stored));
        return out;
    }
}

} // namespace quillmark::romimage::parts
