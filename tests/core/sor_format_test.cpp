#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "test_support.h"
#include "trace/crc16.h"
#include "trace/sor_format.h"
#include "trace_files_support.h"

namespace otdr {
namespace {

using test::makeSor;
using test::rampSamples;

class SorFormat : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
    }
};

TEST(Crc16, CcittFalseCheckValue) {
    const char* text = "123456789";
    EXPECT_EQ(crc16CcittFalse(ByteView(reinterpret_cast<const std::uint8_t*>(text), 9)), 0x29B1);
    EXPECT_EQ(crc16CcittFalse(ByteView()), 0xFFFF);
    // The fast path agrees with the bit-by-bit definition for every length and alignment.
    Bytes data(300);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 151 + 7);
    for (std::size_t start : {0u, 1u, 3u})
        for (std::size_t len = 0; len + start <= data.size(); len += 13) {
            std::uint16_t ref = 0xFFFF;
            for (std::size_t i = start; i < start + len; ++i) {
                ref ^= static_cast<std::uint16_t>(data[i] << 8);
                for (int b = 0; b < 8; ++b)
                    ref =
                        static_cast<std::uint16_t>((ref & 0x8000) ? (ref << 1) ^ 0x1021 : ref << 1);
            }
            ASSERT_EQ(crc16CcittFalse(ByteView(data).subspan(start, len)), ref)
                << start << " " << len;
        }
}

TEST_F(SorFormat, WrittenFileHasTheFixedLayoutAndAValidChecksum) {
    const Bytes file = makeSor(rampSamples());
    // GenParams: 26 + the seven texts with their terminators.
    const std::size_t gen = 26 + 8 + 4 + 10 + 10 + 8 + 5 + 13;
    ASSERT_EQ(file.size(), 66010 + gen);
    EXPECT_EQ(std::memcmp(file.data(), "Map\0", 4), 0);
    EXPECT_EQ(getU16(file, 10), 6);
    EXPECT_EQ(getU32(file, 24), gen);
    EXPECT_EQ(std::memcmp(file.data() + 86, "GenParams\0CH", 12), 0);
    const std::size_t cksum = file.size() - 8;
    EXPECT_EQ(std::memcmp(file.data() + cksum, "CKsum\0", 6), 0);
    EXPECT_EQ(getU16(file, cksum + 6), crc16CcittFalse(ByteView(file).first(cksum)));

    const std::size_t fxd = 86 + gen + 68;
    EXPECT_EQ(std::memcmp(file.data() + fxd, "FxdParams\0", 10), 0);
    EXPECT_EQ(getU32(file, fxd + 10), 1142604309u);
    EXPECT_EQ(getU16(file, fxd + 16), 15500);     // nominal wavelength x 10
    EXPECT_EQ(getU32(file, fxd + 30), 1000000u);  // data spacing, range 7
    EXPECT_EQ(getU32(file, fxd + 34), 32868u);
    // 1.4682f is slightly below 1.4682: the field is rounded, so the index survives a save.
    EXPECT_EQ(getI32(file, fxd + 38), 146820);
    EXPECT_EQ(getU16(file, fxd + 48), 160);       // averages x 10
    EXPECT_EQ(getU32(file, fxd + 50), 3134322u);  // 146820 x 64 x 0.33356...
    EXPECT_EQ(getU32(file, fxd + 54), 640000u);
    EXPECT_EQ(getU16(file, fxd + 68), 50);  // threshold 0.05 dB
    // Samples are stored inverted and followed by 100 padding points.
    const std::size_t data = fxd + 92 + 20;
    EXPECT_EQ(getU16(file, data), 65535 - rampSamples()[0]);
    EXPECT_EQ(getU16(file, data + 2 * 32768), 0xFFF0);
    EXPECT_EQ(getU16(file, data + 2 * 32867), 0xFFF0);
}

TEST_F(SorFormat, RoundTripKeepsSamplesTextsAndParameters) {
    GenParams texts = test::sampleTexts();
    texts.cableId = "  padded  ";
    texts.comment = "";
    const Bytes file = makeSor(rampSamples(), test::sorParams(), texts);
    auto read = readSor(file);
    ASSERT_TRUE(read.ok());
    const SorFile& f = *read.value();
    EXPECT_EQ(f.samples, rampSamples());
    EXPECT_EQ(f.texts.cableId, "padded");
    EXPECT_EQ(f.texts.fiberId, "F12");
    EXPECT_EQ(f.texts.dataFlag, "BC");
    EXPECT_EQ(f.texts.operatorName, "Wang");
    EXPECT_EQ(f.texts.comment, " ");  // an empty text is written as one blank
    EXPECT_EQ(f.rangeIndex, 7);
    EXPECT_EQ(f.pulseWidthNs, 1280);
    EXPECT_FLOAT_EQ(f.refractiveIndex, 1.4682f);
    // Written as averages x 10, read as (value / 10) x 64.
    EXPECT_EQ(f.averageCount, 1024);
    EXPECT_EQ(f.waveText, "1550 nm");
    EXPECT_EQ(f.wavelengthClass, 1);
    EXPECT_EQ(f.dateText, "2006.03.17  14:05:09");
    EXPECT_EQ(f.checksum, ChecksumStatus::Valid);
}

TEST_F(SorFormat, ChecksumMismatchIsReportedNotRefused) {
    Bytes file = makeSor(rampSamples());
    file[5000] ^= 0xFF;
    auto read = readSor(file);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value()->checksum, ChecksumStatus::Mismatch);
}

TEST_F(SorFormat, WavelengthTable) {
    struct Case {
        std::uint16_t value;
        const char* text;
        int cls;
        int fiberCode;
    };
    const Case cases[] = {{8500, "850 nm", 1, 83},   {13000, "1300 nm", 0, 83},
                          {13100, "1310 nm", 0, 35}, {14900, "1490 nm", 2, 34},
                          {15500, "1550 nm", 1, 35}, {16250, "1625 nm", 0, 56},
                          {12345, "1310 nm", 0, 35}};
    for (const Case& c : cases) {
        Bytes file = makeSor(rampSamples());
        const std::size_t fxd = 86 + getU32(file, 24) + 68;
        putU16(file, fxd + 16, c.value);
        auto read = readSor(file);
        ASSERT_TRUE(read.ok());
        EXPECT_EQ(read.value()->waveText, c.text) << c.value;
        EXPECT_EQ(read.value()->wavelengthClass, c.cls) << c.value;
        EXPECT_EQ(read.value()->fiberCode, c.fiberCode) << c.value;
    }
}

TEST_F(SorFormat, RangeIndexFromAcquisitionDistance) {
    EXPECT_EQ(sorRangeIndexForDistance(5000), 0);
    EXPECT_EQ(sorRangeIndexForDistance(40000), 3);
    EXPECT_EQ(sorRangeIndexForDistance(320000), 6);
    EXPECT_EQ(sorRangeIndexForDistance(640000), 7);
    EXPECT_EQ(sorRangeIndexForDistance(1280000), 8);
    EXPECT_EQ(sorRangeIndexForDistance(2560000), 9);
    EXPECT_EQ(sorRangeIndexForDistance(123), 7);
    for (std::int16_t r = 0; r <= 9; ++r) {
        auto read = readSor(makeSor(rampSamples(), test::sorParams(r)));
        ASSERT_TRUE(read.ok());
        EXPECT_EQ(read.value()->rangeIndex, r);
    }
}

TEST_F(SorFormat, OutOfRangeGroupIndexReadsAsDefault) {
    Bytes file = makeSor(rampSamples());
    const std::size_t fxd = 86 + getU32(file, 24) + 68;
    for (std::int32_t gi : {0, 100000, 200001, -147200}) {
        putI32(file, fxd + 38, gi);
        EXPECT_FLOAT_EQ(readSor(file).value()->refractiveIndex, 1.472f) << gi;
    }
    putI32(file, fxd + 38, 200000);
    EXPECT_FLOAT_EQ(readSor(file).value()->refractiveIndex, 2.0f);
}

// A file with a given number of half-rate data points.
Bytes halfRateFile(std::uint32_t points, std::uint16_t stored) {
    Bytes file = makeSor(rampSamples());
    const std::size_t fxd = 86 + getU32(file, 24) + 68;
    putU32(file, fxd + 34, points);
    const std::size_t data = fxd + 92 + 20;
    for (std::size_t k = 0; k < 32868; ++k) putU16(file, data + 2 * k, stored);
    return file;
}

TEST_F(SorFormat, HalfRateFilesAreExpanded) {
    // 16384 points and 100 padding points: expanded; stored 65535 - 1000 reads as 1000.
    Bytes file = halfRateFile(16484, 64535);
    const std::size_t data = 86 + getU32(file, 24) + 68 + 92 + 20;
    putU16(file, data + 2 * 1, 64535 - 200);  // point 1 = 1200
    auto read = readSor(file);
    ASSERT_TRUE(read.ok());
    const SampleArray& s = read.value()->samples;
    EXPECT_EQ(s[0], 1000);
    EXPECT_EQ(s[1], 1100);  // mean of samples 0 and 2
    EXPECT_EQ(s[2], 1200);
    EXPECT_EQ(s[3], 1100);
    EXPECT_EQ(s[32766], 1000);
    // Sample 32767 is not written by the expansion: 0, inverted to 65535.
    EXPECT_EQ(s[32767], 65535);
}

TEST_F(SorFormat, ShortHalfRateFileTreatsMissingPointsAsZero) {
    auto read = readSor(halfRateFile(16000, 64535));
    ASSERT_TRUE(read.ok());
    const SampleArray& s = read.value()->samples;
    EXPECT_EQ(s[2 * 15999], 1000);
    EXPECT_EQ(s[2 * 16000], 65535);                  // point 16000 was 0
    EXPECT_EQ(s[2 * 16000 - 1], 65535 - 64535 / 2);  // (64535 + 0) / 2 before inversion
}

TEST_F(SorFormat, FullRateWhenMoreThan16384PointsBesidesPadding) {
    auto read = readSor(halfRateFile(16485, 64535));
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value()->samples[32767], 1000);
}

TEST_F(SorFormat, LongTextsAndOneCharacterFlagReadBackIntact) {
    GenParams texts = test::sampleTexts();
    texts.cableId = std::string(30, 'C');
    texts.operatorName = "\xD5\xC5\xC8\xFD\xB7\xE1\xB9\xE2\xCF\xCB\xD5\xC5\xC8\xFD\xB7\xE1";
    texts.dataFlag = "R";
    auto read = readSor(makeSor(rampSamples(), test::sorParams(), texts));
    ASSERT_TRUE(read.ok());
    const GenParams& t = read.value()->texts;
    EXPECT_EQ(t.cableId, std::string(30, 'C'));
    EXPECT_EQ(t.fiberId, "F12");
    EXPECT_EQ(t.dataFlag, "R");
    EXPECT_EQ(t.originatingLocation, "Station A");
    EXPECT_EQ(t.operatorName, texts.operatorName);
    EXPECT_EQ(t.comment, "after repair");
}

TEST_F(SorFormat, RefusesFilesThatAreNotCompleteSixBlockFiles) {
    const Bytes good = makeSor(rampSamples());
    const std::size_t gen = getU32(good, 24);
    struct Bad {
        const char* what;
        Bytes file;
    };
    std::vector<Bad> bad;
    bad.push_back({"empty", {}});
    bad.push_back({"only the map", Bytes(good.begin(), good.begin() + 86)});
    bad.push_back({"cut in FxdParams", Bytes(good.begin(), good.begin() + 86 + gen + 68 + 50)});
    bad.push_back({"cut in the data", Bytes(good.begin(), good.begin() + 40000)});
    {
        Bytes f = good;
        f[0] = 'X';
        bad.push_back({"no Map name", f});
    }
    {
        Bytes f = good;
        putU16(f, 10, 7);
        bad.push_back({"seven blocks", f});
    }
    {
        Bytes f = good;
        putU32(f, 24, 0xFFFFFFF0u);
        bad.push_back({"absurd GenParams size", f});
    }
    {
        Bytes f = good;
        putU32(f, 6, 0x7FFFFFFFu);
        bad.push_back({"absurd Map size", f});
    }
    {
        Bytes f = good;
        const std::size_t fxd = 86 + gen + 68;
        putU32(f, fxd + 34, 40000000u);
        putU32(f, 70, 1);  // data block declared tiny and file cut below the samples
        f.resize(fxd + 92 + 20 + 1000);
        bad.push_back({"data points past the end", f});
    }
    {
        Bytes f = good;
        for (std::size_t i = 86 + 12; i < 86 + gen; ++i)
            if (f[i] == 0) f[i] = 'x';
        bad.push_back({"texts without terminators", f});
    }
    {
        Bytes f = good;
        putU32(f, 24, 14);  // block too small for any text
        bad.push_back({"GenParams too small", f});
    }
    for (const Bad& b : bad) {
        auto r = readSor(b.file);
        ASSERT_FALSE(r.ok()) << b.what;
        EXPECT_EQ(r.error().kind, ErrorKind::NotTraceFile) << b.what;
        EXPECT_EQ(r.error().message, kNotTraceFileMessage) << b.what;
    }
}

TEST_F(SorFormat, WriterNormalisesTextsAndLeavesSamplesUntouched) {
    TraceRecord rec;
    rec.genParams.cableId = "  x  ";
    rec.genParams.dataFlag = "   ";
    rec.genParams.nominalWavelength = 1310;
    const SampleArray samples = rampSamples();
    SorWriteParams p = test::sorParams();
    p.waveText = "unknown";
    const Bytes file = buildSor(rec, samples, p).value();
    EXPECT_EQ(rec.genParams.cableId, "x");
    EXPECT_EQ(rec.genParams.fiberId, " ");
    EXPECT_EQ(rec.genParams.dataFlag, "  ");
    // An unknown wavelength text keeps the previous nominal wavelength.
    EXPECT_EQ(rec.genParams.nominalWavelength, 1310);
    EXPECT_EQ(samples, rampSamples());
    EXPECT_EQ(getU16(rec.cksumBlock, 6), getU16(file, file.size() - 2));
}

}  // namespace
}  // namespace otdr
