#include <gtest/gtest.h>

#include <cstring>

#include "trace/zt_format.h"
#include "trace_files_support.h"
#include "util/numeric.h"

namespace otdr {
namespace {

using test::makeZt;
using test::rampSamples;
using test::ztHeader;

Bytes zeros(std::size_t n) {
    return Bytes(n, 0);
}

TEST(ZtLayouts, AcceptedLengths) {
    struct Case {
        std::size_t length;
        bool accepted;
        bool halfRate;
        std::size_t header;
        std::size_t textsAt;
    };
    const Case cases[] = {
        {32815, false, false, 0, 0},    {32816, true, true, 48, 0},     {32817, false, false, 0, 0},
        {32848, true, true, 80, 0},     {32968, true, true, 48, 32816}, {32969, true, true, 48, 0},
        {33000, true, true, 80, 32848}, {33099, true, true, 48, 0},     {33100, false, false, 0, 0},
        {34000, false, false, 0, 0},    {34001, false, false, 0, 0},    {65583, false, false, 0, 0},
        {65584, true, false, 48, 0},    {70000, true, false, 48, 0},
    };
    for (const Case& c : cases) {
        const auto layout = ztLayoutFor(zeros(c.length));
        ASSERT_EQ(layout.has_value(), c.accepted) << c.length;
        if (!layout) continue;
        EXPECT_EQ(layout->halfRate, c.halfRate) << c.length;
        EXPECT_EQ(layout->headerSize, c.header) << c.length;
        EXPECT_EQ(layout->textsAt, c.textsAt) << c.length;
    }
}

TEST(ZtLayouts, FilesWrittenWithEventsAreRecognisedByTheirCount) {
    for (std::size_t n : {1u, 3u, 4u, 38u, 39u, 199u}) {
        Bytes f = zeros(33002 + 26 * n);
        putU16(f, 33000, static_cast<std::uint16_t>(n));
        const auto layout = ztLayoutFor(f);
        ASSERT_TRUE(layout.has_value()) << n;
        EXPECT_TRUE(layout->halfRate) << n;
        EXPECT_EQ(layout->headerSize, 80u) << n;
        EXPECT_EQ(layout->textsAt, 32848u) << n;
    }
    // Without the matching count, a length in the old-header band stays a 48-byte file and one
    // between 33100 and 65583 is refused.
    Bytes f = zeros(33028);
    putU16(f, 33000, 2);
    EXPECT_EQ(ztLayoutFor(f)->headerSize, 48u);
    Bytes g = zeros(33002 + 26 * 10);
    putU16(g, 33000, 9);
    EXPECT_FALSE(ztLayoutFor(g).has_value());
}

TEST(ZtFormat, WrittenWithoutEventsIs33000BytesAndReadsBack) {
    GenParams texts = test::sampleTexts();
    const Bytes file = buildZt(texts, ztHeader(), rampSamples(), EventTable{}, EventText{});
    ASSERT_EQ(file.size(), 33000u);
    // Every second sample, then the header byte for byte.
    EXPECT_EQ(getU16(file, 0), rampSamples()[0]);
    EXPECT_EQ(getU16(file, 2), rampSamples()[2]);
    EXPECT_EQ(std::memcmp(file.data() + 32768, ztHeader().bytes.data(), 80), 0);
    // Texts padded with blanks, the flag as two bytes.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data()) + 32848, 25),
              "CABLE-7" + std::string(18, ' '));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data()) + 32973, 2), "BC");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data()) + 32975, 25),
              "Wang" + std::string(21, ' '));

    auto read = readZt(file);
    ASSERT_TRUE(read.ok());
    const ZtFile& f = *read.value();
    EXPECT_EQ(f.header.bytes, ztHeader().bytes);
    const SampleArray ramp = rampSamples();
    for (std::size_t i = 0; i + 2 < 32768; i += 2) {
        ASSERT_EQ(f.samples[i], ramp[i]) << i;
        ASSERT_EQ(f.samples[i + 1], (ramp[i] + ramp[i + 2]) / 2) << i;
    }
    ASSERT_TRUE(f.hasTexts);
    EXPECT_EQ(f.texts.cableId, "CABLE-7" + std::string(18, ' '));
    EXPECT_EQ(f.texts.dataFlag, "BC");
    EXPECT_EQ(f.texts.operatorName, "Wang" + std::string(21, ' '));
}

TEST(ZtFormat, WriterTrimsAndStoresTextsBack) {
    GenParams texts = test::sampleTexts();
    texts.cableId = "   ";
    texts.fiberId = std::string(30, 'x');
    texts.dataFlag = "R";
    texts.operatorName = "  op ";
    const Bytes file = buildZt(texts, ztHeader(), rampSamples(), EventTable{}, EventText{});
    EXPECT_EQ(texts.cableId, " ");
    EXPECT_EQ(texts.operatorName, "op");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data()) + 32848, 25),
              std::string(25, ' '));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data()) + 32873, 25),
              std::string(25, 'x'));
    EXPECT_EQ(file[32973], 'R');
    EXPECT_EQ(file[32974], 0);
    auto read = readZt(file);
    EXPECT_EQ(read.value()->texts.dataFlag, "R");
}

TEST(ZtFormat, OldFilesTakeTextsAt32816AndZeroHeaderTail) {
    Bytes file = zeros(32968);
    const ZtHeader h = ztHeader(4);
    std::memcpy(file.data() + 32768, h.bytes.data(), 48);
    std::memcpy(file.data() + 32816, "CAB", 3);
    std::memcpy(file.data() + 32941, "R", 1);
    auto read = readZt(file);
    ASSERT_TRUE(read.ok());
    const ZtFile& f = *read.value();
    for (std::size_t i = 48; i < 80; ++i) EXPECT_EQ(f.header.bytes[i], 0) << i;
    // Without the format mark at 48 the stored range is 3 less than the real one.
    EXPECT_EQ(f.header.effectiveRangeIndex(), 7);
    EXPECT_EQ(f.texts.cableId, "CAB");
    EXPECT_EQ(f.texts.fiberId, " ");
    EXPECT_EQ(f.texts.dataFlag, "R");
    EXPECT_EQ(f.texts.operatorName, " ");
}

TEST(ZtFormat, EmptyFlagReadsAsBC) {
    Bytes file = makeZt(rampSamples());
    file[32973] = 0;
    file[32974] = 0;
    EXPECT_EQ(readZt(file).value()->texts.dataFlag, "BC");
}

TEST(ZtFormat, FullRateFilesAreTakenAsTheyAre) {
    Bytes file = zeros(65584 + 100);
    for (std::size_t i = 0; i < 32768; ++i) putU16(file, 2 * i, static_cast<std::uint16_t>(i));
    const ZtHeader h = ztHeader(2);
    std::memcpy(file.data() + 65536, h.bytes.data(), 48);
    auto read = readZt(file);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value()->samples[32767], 32767);
    EXPECT_FALSE(read.value()->hasTexts);
}

TEST(ZtFormat, RefusesRangeIndicesOutsideTheTable) {
    for (std::int16_t stored : {std::int16_t{10}, std::int16_t{-1}, std::int16_t{200}}) {
        Bytes file = makeZt(rampSamples(), ztHeader(5));
        putI16(file, 32768 + 2, stored);
        auto read = readZt(file);
        ASSERT_FALSE(read.ok()) << stored;
        EXPECT_EQ(read.error().kind, ErrorKind::NotTraceFile);
    }
    // In the old layout 7 stored means range 10.
    Bytes old = zeros(32816);
    putI16(old, 32768 + 2, 7);
    EXPECT_FALSE(readZt(old).ok());
    putI16(old, 32768 + 2, 6);
    EXPECT_TRUE(readZt(old).ok());
}

EventText cells(std::initializer_list<std::array<const char*, 5>> rows) {
    EventText t;
    std::size_t r = 0;
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < 5; ++c) t[c][r] = row[c];
        ++r;
    }
    return t;
}

TEST(ZtFormat, EventRecordsFromTheGridTexts) {
    EventTable table;
    table.append(1000 | kReflectiveFlag);
    table.append(2000);
    table.append(3000 | kReflectiveFlag);
    const EventText text = cells({
        {" 12.3456", " 0.345", "   0.123", "  45.000", "   1.234"},
        {" 20.0000", ">0.260", "  -0.050", "--------", "   2.000"},
        {" 30.5000", "<0.150", "--------", "<14.000", "--------"},
    });
    GenParams g = test::sampleTexts();
    const Bytes file = buildZt(g, ztHeader(), rampSamples(), table, text);
    ASSERT_EQ(file.size(), 33002u + 3 * 26);
    EXPECT_EQ(getU16(file, 33000), 3);
    auto rec = [&](int r) {
        return ByteView(file).subspan(33002 + 26 * static_cast<std::size_t>(r), 26);
    };
    // Row 1: a reflective event.
    EXPECT_EQ(getU16(rec(0), 0), 1);
    EXPECT_EQ(getI32(rec(0), 2), 123455);  // 12.3456 x 10000 truncated
    EXPECT_EQ(getI16(rec(0), 6), 345);
    EXPECT_EQ(getI16(rec(0), 8), 123);
    EXPECT_EQ(getI32(rec(0), 10), 45000);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rec(0).data()) + 14, 8), "1F9999LS");
    EXPECT_EQ(getI32(rec(0), 22), 1234);
    // Row 2: capped average loss reads 0, dashes give 0 and the non-reflective code.
    EXPECT_EQ(getI16(rec(1), 6), 0);
    EXPECT_EQ(getI16(rec(1), 8), -50);
    EXPECT_EQ(getI32(rec(1), 10), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rec(1).data()) + 14, 6), "0F9999");
    // Row 3: the last event is the fibre end whatever its reflectance; "<" is dropped first.
    EXPECT_EQ(getI32(rec(2), 10), 14000);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rec(2).data()) + 14, 6), "2E9999");
    EXPECT_EQ(getI32(rec(2), 22), 0);

    // The file reads back with the 80-byte header and the texts.
    auto read = readZt(file);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value()->header.bytes, ztHeader().bytes);
    EXPECT_TRUE(read.value()->hasTexts);
}

}  // namespace
}  // namespace otdr
