#pragma once

#include <cstddef>
#include <cstdint>

namespace quillmark::rom {

// Little-endian words of a byte buffer, read; the caller has checked the bounds.
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

// And written; the caller has checked the bounds.
template <class Bytes>
void putLe16(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

template <class Bytes>
void putLe32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    putLe16(bytes, at, value & 0xFFFF);
    putLe16(bytes, at + 2, value >> 16);
}

} // namespace quillmark::rom
