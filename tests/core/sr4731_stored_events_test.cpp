// Other instruments' files: signed event times, locations outside the trace, the code page of
// texts under a language code that names none, and the file's events in the event table.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "sr4731/general_input.h"
#include "sr4731/stored_events.h"
#include "sr4731/texts.h"
#include "sr4731_support.h"

namespace otdr {
namespace {

using namespace sr4731;

TEST(Sr4731Decode, EventTimesAreSignedAndLocationsOutsideTheTraceWarned) {
    Document d = typicalDocument(2, 1000);  // 1000 points of 0.204 m
    d.keyEvents->events[0].propagationTime = static_cast<std::int32_t>(4294967296LL - 750);
    d.keyEvents->summary.lossStart = -2237000;
    const Document back = test::decodeOk(encode(d));
    EXPECT_EQ(back.keyEvents->events[0].propagationTime, -750);
    EXPECT_NEAR(back.fixed->metresOfTime(-750), -15.3, 0.05);
    std::vector<std::string> outside;
    for (const std::string& w : back.warnings)
        if (w.find("lies outside the trace") != std::string::npos) outside.push_back(w);
    ASSERT_EQ(outside.size(), 2u);
    EXPECT_EQ(outside[0],
              "KeyEvents: event 1 at -0.0153 km lies outside the trace (0 to 0.2040 km)");
    EXPECT_EQ(outside[1].rfind("KeyEvents: end-to-end loss start at -", 0), 0u) << outside[1];
    // Inside the trace nothing is said.
    const Document fine = test::decodeOk(encode(typicalDocument(2, 30000)));
    for (const std::string& w : fine.warnings)
        EXPECT_EQ(w.find("outside the trace"), std::string::npos);
}

TEST(Sr4731Texts, UnnamedCodePageGuessedFromTheWords) {
    // Windows-1251 bytes of Russian names and words, as "EN" files of Cyrillic makers hold them.
    const std::vector<std::string_view> cyrillic{"\xC0\xCD\xC4\xD0\xDE\xCA\xCE\xC2 \xC0.\xC2.",
                                                 "\xCC\xEE\xF1\xEA\xE2\xE0-\xD1\xE5\xE2\xE5\xF0",
                                                 "\xEA\xE0\xE1\xE5\xEB\xFC 12"};
    for (std::string_view t : cyrillic) {
        const std::string_view one[] = {t};
        EXPECT_EQ(guessCodePage(one), CodePage::Windows1251) << t;
    }
    // Latin-1 names: accented letters among ASCII letters, or a word of one accented letter.
    const std::vector<std::string_view> latin{"M\xFCller",
                                              "Jos\xE9 Garc\xED"
                                              "a",
                                              "\xC0 la carte",
                                              "A\xE7\xE3o",
                                              "\xD8rsted",
                                              "caf\xE9 \xE0"};
    for (std::string_view t : latin) {
        const std::string_view one[] = {t};
        EXPECT_EQ(guessCodePage(one), CodePage::Latin1) << t;
    }
    // One file's texts decide together; UTF-8 texts take no part.
    const std::string_view mixed[] = {"Gr\xC3\xBC\xC3\x9F", "\xC8\xE2\xE0\xED\xEE\xE2",
                                      "M\xFCller"};
    EXPECT_EQ(guessCodePage(mixed), CodePage::Windows1251);

    Document d = typicalDocument(2, 100);
    d.general->languageCode = "EN";
    d.general->operatorName = std::string(cyrillic[0]);
    const Document back = test::decodeOk(encode(d));
    EXPECT_EQ(codePageOf(back), CodePage::Windows1251);
    EXPECT_EQ(textToUtf8(back.general->operatorName, codePageOf(back)), "АНДРЮКОВ А.В.");
    d.general->operatorName = "Jos\xE9";
    EXPECT_EQ(textToUtf8(d.general->operatorName, codePageOf(d)), "José");
}

TEST(Sr4731StoredEvents, KeyEventsAsTableEventsFromTheirOrigin) {
    Document d = typicalDocument(2, 30000);
    KeyEvents& k = *d.keyEvents;
    k.events = {{1, 0, 0, 420, -41250, "1F9999", "LS", {}, ""},
                {2, 50000, 210, 130, -30000, "2F9999", "LS", {}, ""},
                {3, 90000, 205, 0, -15500, "2E9999", "LS", {}, ""}};
    const std::vector<FoundEvent> e = storedEventsOf(test::decodeOk(encode(d)));
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].kind, FoundKind::Reflective);
    EXPECT_FALSE(e[0].slopeDbPerKm.has_value());  // a slope of 0 was not measured
    EXPECT_DOUBLE_EQ(*e[0].reflectanceDb, -41.25);
    EXPECT_EQ(e[1].kind, FoundKind::Reflective);  // a saturated reflection
    EXPECT_NEAR(e[1].distanceM, d.fixed->metresOfTime(50000), 1e-9);
    EXPECT_DOUBLE_EQ(*e[1].slopeDbPerKm, 0.21);
    EXPECT_DOUBLE_EQ(*e[1].lossDb, 0.13);
    EXPECT_EQ(e[2].kind, FoundKind::FibreEnd);
    EXPECT_TRUE(e[2].reflective);
    k.events[1].code = "0F9999";
    k.events[1].reflectance = 0;
    const std::vector<FoundEvent> plain = storedEventsOf(d);
    EXPECT_EQ(plain[1].kind, FoundKind::NonReflective);
    EXPECT_FALSE(plain[1].reflectanceDb.has_value());

    // Counted from a launch cable's end (the user offset) and from the front panel, which lies
    // the acquisition offset after the trace's first point (the front panel offset where that
    // is 0).
    d.general->userOffset = 7000;
    d.fixed->acquisitionOffset = -2000;
    EXPECT_NEAR(storedEventsOf(d)[1].distanceM, d.fixed->metresOfTime(59000), 1e-9);
    d.fixed->acquisitionOffset = 0;
    d.fixed->frontPanelOffset = 500;
    EXPECT_NEAR(storedEventsOf(d)[1].distanceM, d.fixed->metresOfTime(57500), 1e-9);
}

TEST(Sr4731StoredEvents, EventsOutsideTheRangeOrBehindTheEndAreLeftOutAndNamed) {
    TestParameters p;
    p.rangeIndex = 3;  // 4 km
    p.sampleSpacing = computeSampleSpacing(3, 1.0f, 1.4682f);
    p.helixFactor = 1.0f;
    p.wavelengthClass = 1;
    std::vector<FoundEvent> events(5);
    events[0].distanceM = -15.3;
    events[1].distanceM = 1009.9;
    events[2].distanceM = 2200.0;
    events[2].kind = FoundKind::FibreEnd;
    events[3].distanceM = 3000.0;  // behind the fibre end
    events[4].distanceM = 4100.0;  // on the samples (4.17 km), beyond the range
    EventTable table;
    EventText text;
    const StoredEventsFill fill = fillStoredEvents(events, p, table, text);
    EXPECT_EQ(fill.written, 2);
    EXPECT_EQ(table.count(), 2);
    EXPECT_EQ(text[kColDistance][0], "  1.0099");
    ASSERT_EQ(fill.leftOut.size(), 3u);
    EXPECT_EQ(fill.leftOut[0].reason, LeftOutReason::OutsideRange);
    EXPECT_EQ(fill.leftOut[1].reason, LeftOutReason::AfterFibreEnd);
    EXPECT_EQ(fill.leftOut[2].reason, LeftOutReason::OutsideRange);
    EXPECT_EQ(leftOutNotes(fill, 3)[0],
              "event 1 at -0.0153 km lies outside the range 4 km; left out");
}

TEST(Sr4731StoredEvents, TheSmallestReflectanceIsNoneStored) {
    Document d = typicalDocument(2, 30000);
    d.keyEvents->events[1].reflectance = std::numeric_limits<std::int32_t>::min();
    EXPECT_FALSE(storedEventsOf(d)[1].reflectanceDb.has_value());
}

TEST(Sr4731GeneralInput, TheFilesParametersAndOneFrontPanelWithTheStoredEvents) {
    Document d = typicalDocument(2, 3000);
    d.fixed->lossThreshold = 200;
    d.fixed->reflectanceThreshold = 55000;
    d.fixed->endOfFibreThreshold = 0;  // not given
    d.fixed->frontPanelOffset = 500;
    const AnalysisTrace t = analysisTraceOf(d).value();
    EXPECT_EQ(t.levelsDb.size(), 3000u);
    EXPECT_DOUBLE_EQ(t.groupIndex, 1.468);
    EXPECT_DOUBLE_EQ(*t.backscatterDb, -81.0);
    EXPECT_DOUBLE_EQ(*t.thresholds.lossDb, 0.2);
    EXPECT_DOUBLE_EQ(*t.thresholds.reflectanceDb, -55.0);
    EXPECT_FALSE(t.thresholds.endOfFibreDb.has_value());
    EXPECT_DOUBLE_EQ(t.frontPanelM, d.fixed->metresOfTime(500));
    // The acquisition offset places the front panel where both are given, as it places the
    // stored events; one before the first point counts as the first point.
    d.fixed->acquisitionOffset = -700;
    EXPECT_DOUBLE_EQ(analysisTraceOf(d).value().frontPanelM, d.fixed->metresOfTime(700));
    EXPECT_DOUBLE_EQ(eventOriginTime(d), 700.0);
    d.fixed->acquisitionOffset = 700;
    EXPECT_DOUBLE_EQ(analysisTraceOf(d).value().frontPanelM, 0.0);

    // At another group index the distances follow; a threshold given replaces the file's.
    general::Thresholds over;
    over.lossDb = 0.5;
    const general::TraceInput in = generalInputOf(t, 1.5, over);
    EXPECT_DOUBLE_EQ(in.spacingM, t.spacingM * 1.468 / 1.5);
    EXPECT_DOUBLE_EQ(in.frontPanelM, t.frontPanelM * 1.468 / 1.5);
    EXPECT_DOUBLE_EQ(*in.thresholds.lossDb, 0.5);
    EXPECT_DOUBLE_EQ(*in.thresholds.reflectanceDb, -55.0);
    EXPECT_FALSE(analysisTraceOf(d, 1).ok());
}

}  // namespace
}  // namespace otdr
