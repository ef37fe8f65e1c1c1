#pragma once
// Little-endian access to byte images of file blocks. Every file layout in the program goes
// through these helpers, so byte order and bounds are decided in one place.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <string_view>
#include <vector>

namespace otdr {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

inline std::uint16_t getU16(ByteView b, std::size_t off) {
    return static_cast<std::uint16_t>(b[off] | (b[off + 1] << 8));
}
inline std::int16_t getI16(ByteView b, std::size_t off) {
    return static_cast<std::int16_t>(getU16(b, off));
}
// The little-endian 16-bit values stored in a byte array, read in place as a forward
// iterator: a container filled from it takes them in one pass, without clearing its storage
// first.
class U16Reader {
  public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = std::uint16_t;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::uint16_t;

    U16Reader() = default;
    explicit U16Reader(const std::uint8_t* p) : p_(p) {}
    std::uint16_t operator*() const { return static_cast<std::uint16_t>(p_[0] | (p_[1] << 8)); }
    U16Reader& operator++() {
        p_ += 2;
        return *this;
    }
    U16Reader operator++(int) {
        U16Reader before = *this;
        p_ += 2;
        return before;
    }
    bool operator==(const U16Reader&) const = default;

  private:
    const std::uint8_t* p_ = nullptr;
};

inline std::uint32_t getU32(ByteView b, std::size_t off) {
    return static_cast<std::uint32_t>(b[off]) | (static_cast<std::uint32_t>(b[off + 1]) << 8) |
           (static_cast<std::uint32_t>(b[off + 2]) << 16) |
           (static_cast<std::uint32_t>(b[off + 3]) << 24);
}
inline std::int32_t getI32(ByteView b, std::size_t off) {
    return static_cast<std::int32_t>(getU32(b, off));
}

inline void putU16(std::span<std::uint8_t> b, std::size_t off, std::uint16_t v) {
    b[off] = static_cast<std::uint8_t>(v & 0xFF);
    b[off + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void putI16(std::span<std::uint8_t> b, std::size_t off, std::int16_t v) {
    putU16(b, off, static_cast<std::uint16_t>(v));
}
inline void putU32(std::span<std::uint8_t> b, std::size_t off, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[off + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}
inline void putI32(std::span<std::uint8_t> b, std::size_t off, std::int32_t v) {
    putU32(b, off, static_cast<std::uint32_t>(v));
}
// Copies the characters of s into b at off, then zero-fills up to width bytes.
inline void putText(std::span<std::uint8_t> b, std::size_t off, std::string_view s,
                    std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        b[off + i] = i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0;
}

// Appends to a growing byte buffer.
class ByteWriter {
  public:
    explicit ByteWriter(Bytes& out) : out_(out) {}
    void u16(std::uint16_t v) {
        out_.push_back(static_cast<std::uint8_t>(v & 0xFF));
        out_.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out_.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
    }
    void bytes(ByteView b) { out_.insert(out_.end(), b.begin(), b.end()); }
    void text(std::string_view s) { out_.insert(out_.end(), s.begin(), s.end()); }
    // The text followed by a terminating zero byte.
    void zeroTerminated(std::string_view s) {
        text(s);
        out_.push_back(0);
    }
    void fill(std::uint8_t value, std::size_t count) { out_.insert(out_.end(), count, value); }
    std::size_t size() const { return out_.size(); }

  private:
    Bytes& out_;
};

}  // namespace otdr
