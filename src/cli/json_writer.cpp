#include "json_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include <nlohmann/json.hpp>

namespace otdr::cli {

namespace {

constexpr std::size_t kIndent = 2;

// The length of the UTF-8 sequence that s[i] starts when it is valid, else 0 with `consumed`
// the bytes of its longest valid beginning (at least 1), which one U+FFFD replaces; the byte
// after them starts the next character. A beginning cut off by the end of s counts as invalid.
std::size_t utf8Sequence(std::string_view s, std::size_t i, std::size_t& consumed) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) low = 0xA0;   // overlong
        if (c == 0xED) high = 0x9F;  // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0) low = 0x90;   // overlong
        if (c == 0xF4) high = 0x8F;  // beyond U+10FFFF
    } else {
        consumed = 1;
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if (i + k >= s.size()) {
            consumed = s.size() - i;
            return 0;
        }
        const auto b = static_cast<unsigned char>(s[i + k]);
        if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF)) {
            consumed = k;
            return 0;
        }
    }
    return length;
}

}  // namespace

JsonWriter::JsonWriter(std::size_t capacity)
    : buf_(new char[std::max<std::size_t>(capacity, 64)]),
      capacity_(std::max<std::size_t>(capacity, 64)) {}

char* JsonWriter::grow(std::size_t n) {
    const std::size_t capacity = std::max(2 * capacity_, size_ + n);
    std::unique_ptr<char[]> bigger(new char[capacity]);
    std::memcpy(bigger.get(), buf_.get(), size_);
    buf_ = std::move(bigger);
    capacity_ = capacity;
    return buf_.get() + size_;
}

std::size_t JsonWriter::breakRoom() const {
    // The indentation goes in steps of eight spaces, the last one partly beyond it.
    return 2 + static_cast<std::size_t>(depth_) * kIndent + 8;
}

char* JsonWriter::breakAt(char* p) {
    if (afterKey_) {
        afterKey_ = false;
        return p;
    }
    if (depth_ == 0) return p;
    if (!empty_) *p++ = ',';
    *p++ = '\n';
    const std::size_t indent = static_cast<std::size_t>(depth_) * kIndent;
    for (std::size_t i = 0; i < indent; i += 8) std::memcpy(p + i, "        ", 8);
    empty_ = false;
    return p + indent;
}

void JsonWriter::piece(const char* text, std::size_t n) {
    char* p = breakAt(room(breakRoom() + n));
    std::memcpy(p, text, n);
    setEnd(p + n);
}

void JsonWriter::open(char bracket) {
    piece(&bracket, 1);
    ++depth_;
    empty_ = true;
}

void JsonWriter::close(char bracket) {
    --depth_;
    char* p = room(breakRoom() + 1);
    if (!empty_) {
        *p++ = '\n';
        const std::size_t indent = static_cast<std::size_t>(depth_) * kIndent;
        for (std::size_t i = 0; i < indent; i += 8) std::memcpy(p + i, "        ", 8);
        p += indent;
    }
    *p++ = bracket;
    setEnd(p);
    empty_ = false;
}

void JsonWriter::key(JsonKey name) {
    const std::string_view k = name.name();
    char* p = breakAt(room(breakRoom() + k.size() + 4));
    *p++ = '"';
    std::memcpy(p, k.data(), k.size());
    p += k.size();
    std::memcpy(p, "\": ", 3);
    setEnd(p + 3);
    afterKey_ = true;
}

void JsonWriter::value(std::string_view s) {
    char* p = breakAt(room(breakRoom() + 6 * s.size() + 2));
    *p++ = '"';
    p = escaped(p, s);
    *p++ = '"';
    setEnd(p);
}

void JsonWriter::value(double v) {
    if (!std::isfinite(v)) return piece("null", 4);
    // nlohmann's own conversion, so that every double reads as its dump() writes it.
    char buf[64];
    const char* end = nlohmann::detail::to_chars(buf, buf + sizeof buf, v);
    piece(buf, static_cast<std::size_t>(end - buf));
}

void JsonWriter::signedValue(std::int64_t v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    piece(buf, static_cast<std::size_t>(r.ptr - buf));
}

void JsonWriter::unsignedValue(std::uint64_t v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    piece(buf, static_cast<std::size_t>(r.ptr - buf));
}

char* JsonWriter::escaped(char* p, std::string_view s) {
    static const char* const hex = "0123456789abcdef";
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t plain = i;
        while (plain < s.size()) {
            const auto c = static_cast<unsigned char>(s[plain]);
            if (c < 0x20 || c == '"' || c == '\\' || c >= 0x80) break;
            ++plain;
        }
        std::memcpy(p, s.data() + i, plain - i);
        p += plain - i;
        i = plain;
        if (i == s.size()) break;
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            *p++ = '\\';
            switch (c) {
                case '\b':
                    *p++ = 'b';
                    break;
                case '\t':
                    *p++ = 't';
                    break;
                case '\n':
                    *p++ = 'n';
                    break;
                case '\f':
                    *p++ = 'f';
                    break;
                case '\r':
                    *p++ = 'r';
                    break;
                case '"':
                case '\\':
                    *p++ = static_cast<char>(c);
                    break;
                default:
                    std::memcpy(p, "u00", 3);
                    p[3] = hex[c >> 4];
                    p[4] = hex[c & 15];
                    p += 5;
                    break;
            }
            ++i;
            continue;
        }
        std::size_t consumed = 0;
        const std::size_t n = utf8Sequence(s, i, consumed);
        if (n > 0) {
            std::memcpy(p, s.data() + i, n);
            p += n;
            i += n;
        } else {
            std::memcpy(p, "\xEF\xBF\xBD", 3);
            p += 3;
            i += consumed;
        }
    }
    return p;
}

}  // namespace otdr::cli
