// The CRC-16 variants of SOR files and the single-byte code pages of other instruments' texts.

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "trace/crc16.h"
#include "util/codepages.h"

namespace otdr {
namespace {

ByteView bytesOf(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(Crc16Variants, CheckValuesAndContinuation) {
    const std::string check = "123456789";
    EXPECT_EQ(crc16CcittFalse(bytesOf(check)), 0x29B1);
    EXPECT_EQ(crc16Xmodem(bytesOf(check)), 0x31C3);
    EXPECT_EQ(crc16Genibus(bytesOf(check)), 0xD64E);
    // Continuing the register over the rest equals one pass over the whole.
    const std::string text = "a longer text that spans several slices of eight bytes";
    for (std::size_t cut = 0; cut <= text.size(); ++cut)
        EXPECT_EQ(crc16Update(crc16Update(0xFFFF, bytesOf(text.substr(0, cut))),
                              bytesOf(text.substr(cut))),
                  crc16CcittFalse(bytesOf(text)));
}

TEST(Crc16Variants, AnotherStartValueFollowsFromTheZerosAfterIt) {
    for (std::size_t n : {0u, 1u, 7u, 8u, 9u, 1000u, 65537u}) {
        const Bytes zeros(n, 0);
        for (std::uint16_t start : {0x0000, 0xFFFF, 0x1234})
            EXPECT_EQ(crc16AfterZeros(start, n), crc16Update(start, zeros)) << n;
        Bytes data(n);
        for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<std::uint8_t>(i * 37 + 11);
        EXPECT_EQ(crc16CcittFalse(data) ^ crc16AfterZeros(0xFFFF, n), crc16Xmodem(data)) << n;
    }
}

// Long inputs take another path where the CPU has it (64 bytes at a time); every length,
// alignment and start value agrees with the bit-by-bit definition.
TEST(Crc16Variants, LongInputsAgreeWithTheDefinition) {
    Bytes data(1200);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
    for (std::uint16_t start : {0x0000, 0xFFFF, 0x8001})
        for (std::size_t offset : {0u, 5u}) {
            std::uint16_t ref = start;
            for (std::size_t len = 0; offset + len <= data.size(); ++len) {
                ASSERT_EQ(crc16Update(start, ByteView(data).subspan(offset, len)), ref)
                    << start << " " << offset << " " << len;
                if (offset + len == data.size()) break;
                ref ^= static_cast<std::uint16_t>(data[offset + len] << 8);
                for (int b = 0; b < 8; ++b)
                    ref =
                        static_cast<std::uint16_t>((ref & 0x8000) ? (ref << 1) ^ 0x1021 : ref << 1);
            }
        }
}

// The C library's converter is an independent reference for the table.
std::string iconvToUtf8(const std::string& in, const char* from) {
    iconv_t cd = iconv_open("UTF-8", from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return "?";
    char buf[16];
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = buf;
    std::size_t dstLeft = sizeof buf;
    const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    return r == static_cast<std::size_t>(-1) ? "?" : std::string(buf, dst);
}

TEST(CodePages, Windows1251AndLatin1MatchTheCLibrary) {
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        if (b != 0x98) {
            EXPECT_EQ(windows1251ToUtf8(byte), iconvToUtf8(byte, "CP1251")) << b;
        }
        EXPECT_EQ(latin1ToUtf8(byte), iconvToUtf8(byte, "ISO-8859-1")) << b;
    }
    EXPECT_EQ(windows1251ToUtf8("\x98"), "\xEF\xBF\xBD");
}

TEST(CodePages, Utf8Validity) {
    for (const char* ok : {"", "plain", "Grüß", "光缆", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF"})
        EXPECT_TRUE(isValidUtf8(ok)) << ok;
    for (const char* bad : {"\xFC", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                            "\xE4\xB8", "\xB9\xE2\xC0\xC2"})
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
}

}  // namespace
}  // namespace otdr
