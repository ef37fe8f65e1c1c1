#pragma once
// Number rules shared by every subsystem: truncation toward zero, the 32-bit float quantities,
// C-style formatting and C-style number parsing. Expressions are evaluated in double; a value
// is rounded to float only where it is stored in a quantity that is a 32-bit float.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace otdr {

// Truncation toward zero, saturating at the limits of the target (NaN gives 0), so that an
// absurd value from a damaged file can never become undefined behaviour.
std::int64_t truncToI64(double v);
inline std::int32_t truncToI32(double v) {
    const std::int64_t t = truncToI64(v);
    if (t > INT32_MAX) return INT32_MAX;
    if (t < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(t);
}
// Truncated, then reduced to its low 16 bits (the stated behaviour of 16-bit fields).
inline std::uint16_t truncLow16(double v) {
    return static_cast<std::uint16_t>(truncToI64(v));
}

// Nearest integer (halves away from zero), saturating like the truncations. For the
// decimal-valued fields of the trace files (group index x 100000, helix factor x 100000, loss
// scale x 100): a float such as 1.4682f lies a hair below 1.4682, and truncating its product
// would lose the last digit on every save.
std::int32_t roundToI32(double v);
// Rounded, then reduced to its low 16 bits.
std::uint16_t roundLow16(double v);

inline float toF32(double v) {
    return static_cast<float>(v);
}

// printf-style formatting in the C locale's notation.
std::string cformat(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Formats one number with a printf conversion such as "%8.3f" (the format may carry fixed text
// around it). A value that prints as zero prints without a minus sign.
std::string formatNumber(const char* fmt, double v);

// "%.3g": general format, at most three significant digits, no trailing zeros.
std::string formatGeneral3(double v);

// The shortest decimal text that reads back as the same float ("10", "2.5").
std::string shortestFloat(float v);

// C strtod semantics: leading white space skipped, the longest prefix that forms a decimal
// number converted; a text that does not start with a number gives 0.
double parseCNumber(std::string_view s);

// The whole text (after trimming blanks) must be a decimal number; otherwise nothing.
std::optional<double> parseWholeNumber(std::string_view s);

}  // namespace otdr
