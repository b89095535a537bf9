// Byte order of the grid file readers: every number read from a file passes through here.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace byteorder {

inline uint32_t reversed(uint32_t w) { return __builtin_bswap32(w); }
inline uint64_t reversed(uint64_t w) { return __builtin_bswap64(w); }

// A 4- or 8-byte number taken from raw bytes, byte-reversed first when `swap` is set.
template <typename T>
T load(const unsigned char* bytes, bool swap) {
    static_assert(sizeof(T) == 4 || sizeof(T) == 8);
    using Word = std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>;
    Word w;
    std::memcpy(&w, bytes, sizeof w);
    if (swap) w = reversed(w);
    return std::bit_cast<T>(w);
}

// The same for a file written in a fixed byte order.
template <typename T>
T loadLittle(const unsigned char* bytes) {
    return load<T>(bytes, std::endian::native != std::endian::little);
}
template <typename T>
T loadBig(const unsigned char* bytes) {
    return load<T>(bytes, std::endian::native != std::endian::big);
}

// Writes a number into raw bytes in machine order.
template <typename T>
void store(unsigned char* bytes, T value) {
    std::memcpy(bytes, &value, sizeof value);
}

}  // namespace byteorder
