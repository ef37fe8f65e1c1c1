#include "util/numeric.h"

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>

#include "util/text.h"

namespace otdr {

std::int64_t truncToI64(double v) {
    if (std::isnan(v)) return 0;
    constexpr double kMax = 9.2233720368547748e18;  // just below 2^63
    if (v >= kMax) return std::numeric_limits<std::int64_t>::max();
    if (v <= -kMax) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(v);
}

std::int32_t roundToI32(double v) {
    if (std::isnan(v)) return 0;
    return truncToI32(std::round(v));
}

std::uint16_t roundLow16(double v) {
    if (std::isnan(v)) return 0;
    return truncLow16(std::round(v));
}

std::string cformat(const char* fmt, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    const int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    std::string out;
    if (n < 0) {
        va_end(ap2);
        return out;
    }
    if (static_cast<std::size_t>(n) < sizeof buf) {
        out.assign(buf, static_cast<std::size_t>(n));
    } else {
        out.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, ap2);
        out.resize(static_cast<std::size_t>(n));
    }
    va_end(ap2);
    return out;
}

namespace {
bool hasNonZeroDigit(const std::string& s) {
    for (char c : s)
        if (c >= '1' && c <= '9') return true;
    return false;
}
}  // namespace

std::string formatNumber(const char* fmt, double v) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::string out = cformat(fmt, v);
    if (std::signbit(v) && !std::isnan(v) && !hasNonZeroDigit(out)) out = cformat(fmt, 0.0);
#pragma GCC diagnostic pop
    return out;
}

std::string formatGeneral3(double v) {
    return formatNumber("%.3g", v);
}

std::string shortestFloat(float v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    std::string out(buf, r.ptr);
    if (out == "-0") out = "0";
    return out;
}

namespace {
bool isCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Length of the longest prefix of s that is a decimal floating-point number (digits, an
// optional point with digits, an optional exponent), 0 when there is none.
std::size_t decimalPrefix(std::string_view s) {
    std::size_t i = 0;
    std::size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        std::size_t expDigits = 0;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j, ++expDigits;
        if (expDigits > 0) i = j;
    }
    return i;
}

// Converts a sign and decimal prefix; returns the number of characters used (0: none).
std::size_t convertPrefix(std::string_view s, double& out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    const std::size_t len = decimalPrefix(s.substr(i));
    if (len == 0) return 0;
    double v = 0;
    const char* first = s.data() + i;
    auto r = std::from_chars(first, first + len, v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // from_chars leaves v untouched on overflow; strtod gives HUGE_VAL or 0.
        bool tiny = false;
        for (std::size_t k = 0; k < len; ++k)
            if (first[k] == 'e' || first[k] == 'E') tiny = first[k + 1] == '-';
        v = tiny ? 0.0 : HUGE_VAL;
    } else if (r.ec != std::errc()) {
        return 0;
    }
    out = negative ? -v : v;
    return i + len;
}
}  // namespace

double parseCNumber(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && isCSpace(s[i])) ++i;
    double v = 0;
    if (convertPrefix(s.substr(i), v) == 0) return 0.0;
    return v;
}

std::optional<double> parseWholeNumber(std::string_view s) {
    const std::string_view t = trimBlanks(s);
    double v = 0;
    if (t.empty() || convertPrefix(t, v) != t.size()) return std::nullopt;
    return v;
}

}  // namespace otdr
