#pragma once
// Fixed-size little-endian records: helpers shared by every stored layout.

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace vadrix {

// Stored records are copied to and from files byte for byte; that is only right on a
// little-endian host.
static_assert(std::endian::native == std::endian::little, "stored records are little-endian");

// A length-prefixed string of N bytes in total: one length byte and up to N - 1 characters.
template <std::size_t N>
struct PString {
    static_assert(N >= 2 && N <= 256);
    std::uint8_t len = 0;
    std::array<char, N - 1> chars{};

    std::string_view view() const {
        return {chars.data(), std::min<std::size_t>(len, chars.size())};
    }
    std::string str() const { return std::string(view()); }
    // Cuts to the room there is; the bytes behind the text are cleared.
    void assign(std::string_view s) {
        const std::size_t n = std::min(s.size(), chars.size());
        chars.fill(0);
        std::copy_n(s.data(), n, chars.data());
        len = static_cast<std::uint8_t>(n);
    }
    bool empty() const { return len == 0; }
};

template <typename T>
concept StoredRecord = std::is_trivially_copyable_v<T> && std::is_standard_layout_v<T>;

template <StoredRecord T>
std::span<const std::uint8_t, sizeof(T)> BytesOf(const T& r) {
    return std::span<const std::uint8_t, sizeof(T)>(reinterpret_cast<const std::uint8_t*>(&r),
                                                    sizeof(T));
}
template <StoredRecord T>
std::span<std::uint8_t, sizeof(T)> BytesOf(T& r) {
    return std::span<std::uint8_t, sizeof(T)>(reinterpret_cast<std::uint8_t*>(&r), sizeof(T));
}

// Reads a little-endian value at an offset; an offset past the buffer reads as zero.
template <typename T>
T ReadLe(std::span<const std::uint8_t> buf, std::size_t offset) {
    static_assert(std::is_trivially_copyable_v<T>);
    T v{};
    if (offset <= buf.size() && buf.size() - offset >= sizeof(T))
        std::memcpy(&v, buf.data() + offset, sizeof(T));
    return v;
}
template <typename T>
void WriteLe(std::span<std::uint8_t> buf, std::size_t offset, T v) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (offset <= buf.size() && buf.size() - offset >= sizeof(T))
        std::memcpy(buf.data() + offset, &v, sizeof(T));
}

// Little-endian values in byte arrays, byte by byte: b points at 2 or 4 bytes.
inline std::uint16_t Le16(const std::uint8_t* b) {
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}
inline std::uint32_t Le32(const std::uint8_t* b) {
    return static_cast<std::uint32_t>(Le16(b)) | (static_cast<std::uint32_t>(Le16(b + 2)) << 16);
}
// Writes the low 16 bits of v.
inline void PutLe16(std::uint8_t* b, std::uint32_t v) {
    b[0] = static_cast<std::uint8_t>(v & 0xFF);
    b[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}
inline void PutLe32(std::uint8_t* b, std::uint32_t v) {
    PutLe16(b, v);
    PutLe16(b + 2, v >> 16);
}

// Takes over a stored copy of a record whose first 32-bit word holds its own size: a copy
// whose size word does not match, or that is too short, is ignored and false returned.
template <StoredRecord T>
bool TakeOverSized(T& dst, std::span<const std::uint8_t> stored) {
    if (stored.size() < sizeof(T)) return false;
    if (ReadLe<std::uint32_t>(stored, 0) != sizeof(T)) return false;
    std::memcpy(&dst, stored.data(), sizeof(T));
    return true;
}

}  // namespace vadrix
