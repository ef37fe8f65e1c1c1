#include "trace/crc16.h"

#include <array>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define OTDR_CRC16_CLMUL 1
#endif

#include "util/cpu_features.h"

namespace otdr {

namespace {

// Slicing by eight: table k gives the contribution of a byte followed by k zero bytes.
using Tables = std::array<std::array<std::uint16_t, 256>, 8>;

constexpr Tables makeTables() {
    Tables t{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i << 8;
        for (int b = 0; b < 8; ++b) crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) : (crc << 1);
        t[0][i] = static_cast<std::uint16_t>(crc & 0xFFFF);
    }
    for (std::size_t k = 1; k < t.size(); ++k)
        for (unsigned i = 0; i < 256; ++i) {
            const std::uint16_t prev = t[k - 1][i];
            t[k][i] = static_cast<std::uint16_t>((prev << 8) ^ t[0][prev >> 8]);
        }
    return t;
}

constexpr Tables kTables = makeTables();

std::uint16_t tableUpdate(std::uint16_t crc, const std::uint8_t* p, std::size_t n) {
    while (n >= 8) {
        crc = static_cast<std::uint16_t>(kTables[7][p[0] ^ (crc >> 8)] ^
                                         kTables[6][p[1] ^ (crc & 0xFF)] ^ kTables[5][p[2]] ^
                                         kTables[4][p[3]] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^
                                         kTables[1][p[6]] ^ kTables[0][p[7]]);
        p += 8;
        n -= 8;
    }
    while (n-- > 0)
        crc = static_cast<std::uint16_t>((crc << 8) ^ kTables[0][((crc >> 8) ^ *p++) & 0xFF]);
    return crc;
}

#ifdef OTDR_CRC16_CLMUL

// x^n modulo the polynomial x^16 + x^12 + x^5 + 1.
constexpr std::uint64_t xPowerMod(unsigned n) {
    std::uint32_t r = 1;
    for (unsigned i = 0; i < n; ++i) {
        r <<= 1;
        if (r & 0x10000) r ^= 0x11021;
    }
    return r;
}

#define OTDR_FOLD_TARGET __attribute__((target("pclmul,ssse3")))

// 16 bytes as a polynomial of degree below 128, the first byte's top bit highest.
OTDR_FOLD_TARGET inline __m128i loadReversed(const std::uint8_t* p) {
    const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), reverse);
}

// v x^d modulo the polynomial, up to a multiple of it, for v = h x^64 + l and k holding
// x^(d+64) mod P above x^d mod P: h (x^(d+64) mod P) + l (x^d mod P).
OTDR_FOLD_TARGET inline __m128i fold(__m128i v, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(v, k, 0x11), _mm_clmulepi64_si128(v, k, 0x00));
}

// The constants of fold() for a distance of d bits.
template <unsigned d>
OTDR_FOLD_TARGET inline __m128i foldConstants() {
    constexpr std::uint64_t high = xPowerMod(d + 64), low = xPowerMod(d);
    return _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low));
}

// Where the CPU multiplies without carries, long inputs are folded 64 bytes at a time: the
// bytes read so far, as a polynomial with the first byte's top bit highest, are kept as four
// 128-bit values congruent to it modulo the CRC polynomial. The CRC register after a message
// from start value 0 is the message times x^16 modulo the polynomial, so it follows from the
// 16 bytes of the folded value by the table, and the tail from there. The start value counts
// as if added to the first two bytes. n >= 64.
OTDR_FOLD_TARGET std::uint16_t foldedUpdate(std::uint16_t crc, const std::uint8_t* p,
                                            std::size_t n) {
    const __m128i by512 = foldConstants<512>();
    const __m128i by128 = foldConstants<128>();
    const __m128i start = _mm_set_epi64x(static_cast<long long>(std::uint64_t{crc} << 48), 0);
    __m128i x0 = _mm_xor_si128(loadReversed(p), start);
    __m128i x1 = loadReversed(p + 16), x2 = loadReversed(p + 32), x3 = loadReversed(p + 48);
    p += 64;
    n -= 64;
    for (; n >= 64; p += 64, n -= 64) {
        x0 = _mm_xor_si128(fold(x0, by512), loadReversed(p));
        x1 = _mm_xor_si128(fold(x1, by512), loadReversed(p + 16));
        x2 = _mm_xor_si128(fold(x2, by512), loadReversed(p + 32));
        x3 = _mm_xor_si128(fold(x3, by512), loadReversed(p + 48));
    }
    __m128i x = _mm_xor_si128(fold(x0, by128), x1);
    x = _mm_xor_si128(fold(x, by128), x2);
    x = _mm_xor_si128(fold(x, by128), x3);
    for (; n >= 16; p += 16, n -= 16) x = _mm_xor_si128(fold(x, by128), loadReversed(p));
    const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    alignas(16) std::uint8_t folded[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(folded), _mm_shuffle_epi8(x, reverse));
    return tableUpdate(tableUpdate(0, folded, sizeof folded), p, n);
}

#endif

}  // namespace

std::uint16_t crc16Update(std::uint16_t crc, ByteView data) {
#ifdef OTDR_CRC16_CLMUL
    static const bool folding = cpu::hasCarrylessMultiply();
    if (folding && data.size() >= 128) return foldedUpdate(crc, data.data(), data.size());
#endif
    return tableUpdate(crc, data.data(), data.size());
}

namespace {

// A linear map of the 16-bit register: the image of each of its bits.
using RegisterMap = std::array<std::uint16_t, 16>;

std::uint16_t apply(const RegisterMap& m, std::uint16_t v) {
    std::uint16_t out = 0;
    for (int b = 0; b < 16; ++b)
        if (v & (1u << b)) out ^= m[static_cast<std::size_t>(b)];
    return out;
}

// first, then second.
RegisterMap compose(const RegisterMap& first, const RegisterMap& second) {
    RegisterMap out{};
    for (std::size_t b = 0; b < 16; ++b) out[b] = apply(second, first[b]);
    return out;
}

}  // namespace

std::uint16_t crc16AfterZeros(std::uint16_t crc, std::uint64_t n) {
    // One zero byte: the register shifted by eight bits through the table.
    RegisterMap step{};
    for (std::size_t b = 0; b < 16; ++b) {
        const auto v = static_cast<std::uint16_t>(1u << b);
        step[b] = static_cast<std::uint16_t>((v << 8) ^ kTables[0][v >> 8]);
    }
    for (; n > 0; n >>= 1) {
        if (n & 1) crc = apply(step, crc);
        step = compose(step, step);
    }
    return crc;
}

std::uint16_t crc16CcittFalse(ByteView data) {
    return crc16Update(0xFFFF, data);
}

std::uint16_t crc16Xmodem(ByteView data) {
    return crc16Update(0x0000, data);
}

std::uint16_t crc16Genibus(ByteView data) {
    return static_cast<std::uint16_t>(crc16Update(0xFFFF, data) ^ 0xFFFF);
}

}  // namespace otdr
