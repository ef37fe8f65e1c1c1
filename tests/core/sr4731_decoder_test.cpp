// The general SR-4731 decoder on files of the generator: both revisions, every variation of
// the Map, the quirks of real files, refusals and the checksum conventions.

#include <gtest/gtest.h>

#include <cmath>

#include "sr4731/texts.h"
#include "sr4731/trace.h"
#include "sr4731_support.h"
#include "trace_files_support.h"

namespace otdr {
namespace {

using namespace sr4731;

Document typical(int version) {
    return typicalDocument(version, 1000);
}

bool mentions(const std::vector<std::string>& warnings, const std::string& part) {
    for (const std::string& w : warnings)
        if (w.find(part) != std::string::npos) return true;
    return false;
}

// Variations of the Map and the blocks that real files show.
Document varied(int version, int variation) {
    Document d = typical(version);
    switch (variation) {
        case 0:  // KeyEvents after DataPts
            std::swap(d.blocks[4], d.blocks[5]);
            break;
        case 1:  // zero-size blocks
            d.keyEvents.reset();
            d.supplier.reset();
            break;
        case 2:  // an unknown block whose name carries a trailing blank, other revisions
            d.blocks.insert(d.blocks.begin() + 3, BlockEntry{"NetTestTSI ", 210, 0, 0});
            d.others.push_back(OtherBlock{"NetTestTSI ", 210, Bytes{1, 2, 3, 0, 4}});
            d.blocks[1].revision = 220;
            d.blocks[4].revision = 240;
            break;
        case 3:  // bytes after the last block
            d.trailing = Bytes(37, 0xAB);
            break;
        case 4:  // no KeyEvents at all, Cksum not last
            d.blocks.erase(d.blocks.begin() + 4);
            d.keyEvents.reset();
            std::swap(d.blocks[4], d.blocks[5]);
            break;
    }
    return d;
}

TEST(Sr4731Decode, EveryVariationOfBothRevisionsRoundTrips) {
    for (int version : {1, 2})
        for (int v = 0; v < 5; ++v) {
            const Document d = varied(version, v);
            const Bytes file = encode(d);
            const Document back = test::decodeOk(file);
            SCOPED_TRACE("version " + std::to_string(version) + ", variation " + std::to_string(v));
            EXPECT_EQ(back.version, version);
            ASSERT_EQ(back.blocks.size(), d.blocks.size());
            for (std::size_t b = 0; b < d.blocks.size(); ++b) {
                EXPECT_EQ(back.blocks[b].name, d.blocks[b].name);
                EXPECT_EQ(back.blocks[b].revision, d.blocks[b].revision);
            }
            EXPECT_EQ(back.others.size(), d.others.size());
            EXPECT_EQ(back.trailing, d.trailing);
            EXPECT_EQ(back.checksum.status, sr4731::ChecksumStatus::Valid);
            EXPECT_TRUE(back.warnings.empty()) << back.warnings.front();
            // Every field survives: writing the decoded document gives the same bytes.
            EXPECT_EQ(encode(back), file);
        }
}

TEST(Sr4731Decode, FieldsOfBothRevisions) {
    for (int version : {1, 2}) {
        const Document d = test::decodeOk(encode(typical(version)));
        ASSERT_TRUE(d.general && d.supplier && d.fixed && d.keyEvents && d.data);
        EXPECT_EQ(d.general->cableId, "K-17");
        EXPECT_EQ(d.general->fiberType, version == 2 ? 652 : 0);
        EXPECT_EQ(d.general->comment, "acceptance");
        EXPECT_EQ(d.supplier->other, "calibrated 2024-03-01");
        EXPECT_DOUBLE_EQ(d.fixed->wavelengthNm(), 1550.0);
        EXPECT_EQ(d.fixed->pulses.size(), 1u);
        EXPECT_EQ(d.fixed->pulses[0].widthNs, 30);
        EXPECT_DOUBLE_EQ(d.fixed->effectiveGroupIndex(), 1.468);
        EXPECT_EQ(d.fixed->averagingTime, version == 2 ? 30 : 0);
        // 100000 x 100 ps per 10000 points is 1 ns a point: 0.2042 m in fibre of index 1.468.
        EXPECT_NEAR(d.fixed->spacingMetres(0), 0.299792458 / 1.468, 1e-12);
        const KeyEvents& k = *d.keyEvents;
        ASSERT_EQ(k.events.size(), 3u);
        EXPECT_NEAR(d.fixed->metresOfTime(k.events[1].propagationTime),
                    0.4 * 1000 * d.fixed->spacingMetres(0), 0.02);
        EXPECT_EQ(k.events[0].reflectance, -52340);
        EXPECT_EQ(k.events[2].code, "2E9999");
        EXPECT_EQ(k.events[1].markers[4], version == 2 ? 5 : 0);
        EXPECT_EQ(k.summary.orl, 31250);
        EXPECT_EQ(d.data->pointCount(), 1000u);
    }
}

TEST(Sr4731Decode, BlocksLieInMapOrderAndZeroSizeBlocksReadAsAbsent) {
    const Document d = test::decodeOk(encode(varied(2, 1)));
    EXPECT_FALSE(d.keyEvents.has_value());
    EXPECT_FALSE(d.supplier.has_value());
    EXPECT_TRUE(d.general.has_value());
    for (std::size_t b = 1; b < d.blocks.size(); ++b)
        EXPECT_EQ(d.blocks[b].offset, d.blocks[b - 1].offset + d.blocks[b - 1].size);
    EXPECT_EQ(d.blocks[test::blockIndex(d, "KeyEvents")].size, 0u);

    const Document r = test::decodeOk(encode(varied(2, 0)));
    EXPECT_GT(r.blocks[test::blockIndex(r, "KeyEvents")].offset,
              r.blocks[test::blockIndex(r, "DataPts")].offset);
    EXPECT_EQ(r.keyEvents->events.size(), 3u);
}

TEST(Sr4731Decode, NamesMatchWithoutCaseOrTrailingBlanks) {
    Document d = typical(2);
    d.blocks[5].name = "DataPts ";
    d.blocks[6].name = "CKsum";
    const Document back = test::decodeOk(encode(d));
    EXPECT_EQ(back.data->pointCount(), 1000u);
    EXPECT_EQ(back.checksum.status, sr4731::ChecksumStatus::Valid);
    EXPECT_TRUE(back.others.empty());
}

TEST(Sr4731Decode, BlockRunningPastTheEndGivesThePointsPresent) {
    Bytes file = encode(typical(2));
    file.resize(file.size() - 8 - 2 * 400 - 1);  // drop Cksum, 400 points and half of one
    const Document d = test::decodeOk(file);
    EXPECT_EQ(d.data->pointCount(), 599u);
    EXPECT_EQ(d.checksum.status, sr4731::ChecksumStatus::Absent);
    EXPECT_TRUE(mentions(d.warnings, "DataPts"));
}

// Without its contents a document keeps everything but the points and the unread blocks'
// bodies, which it counts: the same counts, warnings, checksum and trace length.
TEST(Sr4731Decode, WithoutContentsThePointsAndUnreadBodiesAreOnlyCounted) {
    std::vector<Bytes> files;
    for (int version : {1, 2})
        for (int variation = 0; variation < 5; ++variation)
            files.push_back(encode(varied(version, variation)));
    Document groups = varied(2, 2);
    groups.data->groups.push_back(ScaleGroup{300, 2000, std::vector<std::uint16_t>(300, 9)});
    groups.data->declaredGroups = 2;
    groups.others[0].bytes.resize(5000, 3);
    const Bytes whole = encode(groups);
    for (std::size_t cut : {0u, 9u, 801u, 5100u, 7000u})  // through DataPts and the other block
        files.emplace_back(whole.begin(), whole.end() - static_cast<std::ptrdiff_t>(cut));
    for (const Bytes& file : files) {
        const Document full = test::decodeOk(file);
        auto counted = decode(file, {.contents = false});
        ASSERT_TRUE(counted.ok());
        const Document& c = counted.value();
        EXPECT_EQ(c.warnings, full.warnings);
        EXPECT_EQ(c.blocks.size(), full.blocks.size());
        EXPECT_EQ(c.checksum.status, full.checksum.status);
        EXPECT_EQ(c.trailing, full.trailing);
        ASSERT_EQ(c.others.size(), full.others.size());
        for (std::size_t k = 0; k < c.others.size(); ++k) {
            EXPECT_TRUE(c.others[k].bytes.empty());
            EXPECT_EQ(c.others[k].size(), full.others[k].bytes.size());
        }
        ASSERT_EQ(c.data.has_value(), full.data.has_value());
        if (!c.data) continue;
        EXPECT_EQ(c.data->pointCount(), full.data->pointCount());
        ASSERT_EQ(c.data->groups.size(), full.data->groups.size());
        for (std::size_t k = 0; k < c.data->groups.size(); ++k) {
            EXPECT_TRUE(c.data->groups[k].points.empty());
            EXPECT_EQ(c.data->groups[k].presentPoints(), full.data->groups[k].points.size());
        }
        EXPECT_EQ(lastPointMetres(c), lastPointMetres(full));
        if (c.data->pointCount() > 0) {
            EXPECT_FALSE(tracesOf(c).ok());
        }
    }
}

TEST(Sr4731Decode, UnreadableMapsAreRefusedWithTheReason) {
    Bytes map = {'M', 'a', 'p', 0, 200, 0, 12, 0, 0, 0, 3, 0};
    const Bytes good = encode(typical(2));
    struct Case {
        Bytes file;
        const char* reason;
    };
    std::vector<Case> cases{
        {{}, "needs 8 bytes, but the file has 0"},
        {Bytes{'M', 'a', 'p', 0, 200, 0, 0xFF, 0xFF, 0, 0, 2, 0, 'X', 0, 0, 0, 0, 0, 0, 0},
         "declares 65535 bytes, but the file has 20"},
        {Bytes(good.begin(), good.end()), ""},
        {map, "declares 3 blocks"},
        // A ZT file's samples are no first-revision Map.
        {Bytes(33000, 0x9C), "no \"Map\" at offset 0"},
    };
    putU16(cases[2].file, 10, 0);
    cases[2].reason = "declares 0 blocks";
    Bytes unterminated = good;
    for (std::size_t i = 12; i < 102; ++i)
        if (unterminated[i] == 0) unterminated[i] = 'x';
    cases.push_back({unterminated, "runs past the end of the Map"});
    for (const Case& c : cases) {
        const std::string why = test::refusalOf(c.file);
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
    }
}

TEST(Sr4731Decode, BrokenInterpretedBlocksAreRefusedWithBlockAndOffset) {
    const Document d = test::decodeOk(encode(typical(2)));
    const std::uint64_t fxd = d.blocks[test::blockIndex(d, "FxdParams")].offset;
    Bytes file = encode(typical(2));
    putU16(file, fxd + 10 + 16, 5000);  // number of pulse widths
    EXPECT_EQ(test::refusalOf(file),
              "FxdParams: declares 5000 pulse widths at offset " + std::to_string(fxd + 26) +
                  ", but only 64 bytes of the block follow (block at offset " +
                  std::to_string(fxd) + ")");

    const std::uint64_t ke = d.blocks[test::blockIndex(d, "KeyEvents")].offset;
    Bytes events = encode(typical(2));
    putU16(events, ke + 10, 40000);
    EXPECT_NE(test::refusalOf(events).find("KeyEvents: declares 40000 events"), std::string::npos);
}

TEST(Sr4731Decode, QuirksOfRealFiles) {
    Document d = typical(2);
    d.fixed->actualWavelength = 1550;  // nm instead of 0.1 nm
    d.fixed->pulses[0].points = 999;   // disagrees with DataPts
    d.fixed->groupIndex = 0;
    d.supplier = SupplierParams{" ", " ", " ", " ", " ", " ", " "};
    const Document back = test::decodeOk(encode(d, test::storedChecksum(0)));
    EXPECT_DOUBLE_EQ(back.fixed->wavelengthNm(), 1550.0);
    EXPECT_DOUBLE_EQ(back.fixed->effectiveGroupIndex(), kFallbackGroupIndex);
    EXPECT_EQ(back.data->pointCount(), 1000u);
    EXPECT_TRUE(mentions(back.warnings, "FxdParams gives 999 data points, DataPts holds 1000"));
    EXPECT_EQ(back.supplier->mainframeId, " ");
    EXPECT_EQ(back.checksum.status, sr4731::ChecksumStatus::Absent);
    EXPECT_EQ(back.checksum.stored, 0);
}

TEST(Sr4731Checksum, EachConventionIsRecognised) {
    for (int version : {1, 2})
        for (ChecksumConvention c : kAllConventions) {
            const Document d = test::decodeOk(encode(typical(version), test::convention(c)));
            EXPECT_EQ(d.checksum.status, sr4731::ChecksumStatus::Valid);
            // In issue 1 the Cksum block has no name: "before the block" is "before the field".
            const ChecksumConvention expected =
                version == 1 && c == ChecksumConvention::CcittFalseBeforeBlock
                    ? ChecksumConvention::CcittFalseBeforeField
                    : c;
            EXPECT_EQ(d.checksum.convention, expected) << conventionName(c);
        }
}

TEST(Sr4731Checksum, MismatchAndAbsenceAreFindingsNotRefusals) {
    Bytes file = encode(typical(2));
    file[700] ^= 0x01;
    const Document bad = test::decodeOk(file);
    EXPECT_EQ(bad.checksum.status, sr4731::ChecksumStatus::Mismatch);
    EXPECT_EQ(bad.checksum.stored, getU16(file, file.size() - 2));
    EXPECT_FALSE(bad.checksum.convention.has_value());

    Document none = typical(2);
    none.blocks.pop_back();
    const Document d = test::decodeOk(encode(none));
    EXPECT_EQ(d.checksum.status, sr4731::ChecksumStatus::Absent);
    EXPECT_FALSE(d.checksum.stored.has_value());
}

TEST(Sr4731Decode, TheInstrumentsOwnFile) {
    const SampleArray samples = test::rampSamples();
    const Bytes file = test::makeSor(samples);
    const Document d = test::decodeOk(file);
    EXPECT_EQ(d.blocks.size(), 6u);
    EXPECT_EQ(d.general->languageCode, "CH");
    EXPECT_EQ(d.supplier->mainframeId, "VR3728 ");
    EXPECT_DOUBLE_EQ(d.fixed->wavelengthNm(), 1550.0);
    ASSERT_EQ(d.data->pointCount(), 32868u);
    EXPECT_EQ(d.data->groups[0].points[123], 65535 - samples[123]);
    EXPECT_EQ(d.checksum.convention, ChecksumConvention::CcittFalseBeforeBlock);
    EXPECT_TRUE(d.warnings.empty());
}

TEST(Sr4731Texts, DecodedByValidUtf8ThenTheLanguagesCodePage) {
    const std::string gbk = "\xB9\xE2\xC0\xC2";             // 光缆
    const std::string cp1251 = "\xCA\xE0\xE1\xE5\xEB\xFC";  // Кабель
    EXPECT_EQ(textToUtf8(gbk, codePageForLanguage("CH")), "光缆");
    EXPECT_EQ(textToUtf8(cp1251, codePageForLanguage("ru")), "Кабель");
    EXPECT_EQ(textToUtf8("Gr\xFC\xDF", codePageForLanguage("EN")), "Grüß");
    EXPECT_EQ(textToUtf8("Grüß", codePageForLanguage("RU")), "Grüß");  // valid UTF-8 stays
    Document d = typical(2);
    d.general->languageCode = "RU";
    d.general->comment = cp1251;
    const Document back = test::decodeOk(encode(d));
    EXPECT_EQ(back.general->comment, cp1251);  // kept as bytes
    EXPECT_EQ(codePageOf(back), CodePage::Windows1251);
}

TEST(Sr4731Traces, PulseWidthsAndScaleFactors) {
    Document d = typical(2);
    d.fixed->pulses = {{30, 100000, 600}, {100, 200000, 400}};
    DataPoints& p = *d.data;
    p.groups[0].points.resize(600);
    p.groups[0].declaredPoints = 600;
    p.groups.push_back(ScaleGroup{400, 2000, std::vector<std::uint16_t>(400, 1500)});
    p.declaredGroups = 2;
    const Document back = test::decodeOk(encode(d));
    auto traces = tracesOf(back);
    ASSERT_TRUE(traces.ok());
    ASSERT_EQ(traces.value().size(), 2u);
    EXPECT_EQ(traces.value()[1].pulseWidthNs, 100);
    EXPECT_NEAR(traces.value()[1].spacingMetres, 2 * traces.value()[0].spacingMetres, 1e-12);
    EXPECT_DOUBLE_EQ(traces.value()[1].levelsDb[7], -3.0);  // 1500 x 2000 / 1000 x 0.001
    EXPECT_EQ(traces.value()[0].levelsDb.size(), 600u);

    // One group holding both pulse widths' points, in order.
    d.data->groups[0].points.resize(1000, 500);
    d.data->groups.pop_back();
    auto split = tracesOf(d);
    ASSERT_EQ(split.value().size(), 2u);
    EXPECT_DOUBLE_EQ(split.value()[1].levelsDb[0], -0.5);
    // Otherwise one trace at the first pulse width.
    d.fixed->pulses[1].points = 7;
    EXPECT_EQ(tracesOf(d).value().size(), 1u);
}

}  // namespace
}  // namespace otdr
