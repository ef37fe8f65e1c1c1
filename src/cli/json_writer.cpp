#include "json_writer.h"

#include <charconv>
#include <cmath>

#include <nlohmann/json.hpp>

namespace otdr::cli {

namespace {

constexpr int kIndent = 2;

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

void appendJsonEscaped(std::string& out, std::string_view s) {
    static const char* const hex = "0123456789abcdef";
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t plain = i;
        while (plain < s.size()) {
            const auto c = static_cast<unsigned char>(s[plain]);
            if (c < 0x20 || c == '"' || c == '\\' || c >= 0x80) break;
            ++plain;
        }
        out.append(s.data() + i, plain - i);
        i = plain;
        if (i == s.size()) break;
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            switch (c) {
                case '\b':
                    out += "\\b";
                    break;
                case '\t':
                    out += "\\t";
                    break;
                case '\n':
                    out += "\\n";
                    break;
                case '\f':
                    out += "\\f";
                    break;
                case '\r':
                    out += "\\r";
                    break;
                case '"':
                    out += "\\\"";
                    break;
                case '\\':
                    out += "\\\\";
                    break;
                default:
                    out += "\\u00";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                    break;
            }
            ++i;
            continue;
        }
        std::size_t consumed = 0;
        const std::size_t n = utf8Sequence(s, i, consumed);
        if (n > 0) {
            out.append(s.data() + i, n);
            i += n;
        } else {
            out += "\xEF\xBF\xBD";
            i += consumed;
        }
    }
}

void JsonWriter::open(char bracket) {
    element();
    out_ += bracket;
    ++depth_;
    empty_ = true;
}

void JsonWriter::close(char bracket) {
    --depth_;
    if (!empty_) {
        out_ += '\n';
        out_.append(static_cast<std::size_t>(depth_ * kIndent), ' ');
    }
    out_ += bracket;
    empty_ = false;
}

void JsonWriter::element() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (depth_ == 0) return;
    out_ += empty_ ? "\n" : ",\n";
    out_.append(static_cast<std::size_t>(depth_ * kIndent), ' ');
    empty_ = false;
}

void JsonWriter::key(std::string_view name) {
    element();
    out_ += '"';
    appendJsonEscaped(out_, name);
    out_ += "\": ";
    afterKey_ = true;
}

void JsonWriter::value(std::string_view s) {
    element();
    out_ += '"';
    appendJsonEscaped(out_, s);
    out_ += '"';
}

void JsonWriter::value(std::nullptr_t) {
    element();
    out_ += "null";
}

void JsonWriter::value(double v) {
    element();
    if (!std::isfinite(v)) {
        out_ += "null";
        return;
    }
    // nlohmann's own conversion, so that every double reads as its dump() writes it.
    char buf[64];
    const char* end = nlohmann::detail::to_chars(buf, buf + sizeof buf, v);
    out_.append(buf, static_cast<std::size_t>(end - buf));
}

void JsonWriter::signedValue(std::int64_t v) {
    element();
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out_.append(buf, static_cast<std::size_t>(r.ptr - buf));
}

void JsonWriter::unsignedValue(std::uint64_t v) {
    element();
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out_.append(buf, static_cast<std::size_t>(r.ptr - buf));
}

}  // namespace otdr::cli
