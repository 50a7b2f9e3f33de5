#pragma once

#include <cstddef>
#include <cstdint>

namespace quillmark::rom {

// Little-endian words of a byte buffer; the caller has checked the bounds.
template <class Bytes>
std::uint32_t le16(const Bytes& bytes, std::size_t at)
{
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8;
}

template <class Bytes>
std::uint32_t le32(const Bytes& bytes, std::size_t at)
{
    return le16(bytes, at) | le16(bytes, at + 2) << 16;
}

} // namespace quillmark::rom
