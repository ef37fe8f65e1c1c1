// Events of other origins entering the event table and the grid's cells.

#include <gtest/gtest.h>

#include <vector>

#include "analysis/found_events.h"

namespace otdr {
namespace {

TestParameters params4m() {
    TestParameters p;
    p.sampleSpacing = 4.0f;
    p.helixFactor = 1.0f;
    p.wavelengthClass = 1;  // 1550 nm: average loss between 0.15 and 0.26 shown as it is
    return p;
}

TEST(FoundEvents, CellsShowEachValueAsTheAnalysisWould) {
    FoundEvent e{1009.9, FoundKind::Reflective, true, 0.2, 0.35, -44.958, 1.5};
    auto c = foundEventCells(e, 1, false);
    EXPECT_EQ(c[kColDistance], "  1.0099");
    EXPECT_EQ(c[kColAverageLoss], " 0.200");
    EXPECT_EQ(c[kColSpliceLoss], "   0.350");
    EXPECT_EQ(c[kColReturnLoss], "  44.958");
    EXPECT_EQ(c[kColLinkLoss], "   1.500");
    // The last row has no splice loss; a non-reflective event no return loss; what is not
    // known is blank; the slope is capped like the analysis's.
    FoundEvent n{30.0, FoundKind::NonReflective, false, 0.9, std::nullopt, -50.0, std::nullopt};
    c = foundEventCells(n, 1, true);
    EXPECT_EQ(c[kColAverageLoss], ">0.260");
    EXPECT_EQ(c[kColSpliceLoss], "--------");
    EXPECT_EQ(c[kColReturnLoss], "--------");
    EXPECT_EQ(c[kColLinkLoss], "--------");
}

TEST(FoundEvents, TableTakesNearestSamplesInOrderAndEndsAtTheFibreEnd) {
    const std::vector<FoundEvent> events{
        {2000.0, FoundKind::FibreEnd, true, 0.2, 0.0, -14.0, std::nullopt},
        {1001.9, FoundKind::NonReflective, false, 0.2, 0.5, std::nullopt, std::nullopt},
        {-10.0, FoundKind::Reflective, true, {}, {}, {}, {}},
        {3000.0, FoundKind::Reflective, true, {}, {}, {}, {}},
        {200000.0, FoundKind::Reflective, true, {}, {}, {}, {}},
    };
    EventTable t;
    t.append(77);
    EventText text;
    const auto fill = fillFoundEvents(events, params4m(), t, text);
    EXPECT_EQ(fill.written, 2);
    EXPECT_EQ(fill.outsideTrace, (std::vector<std::size_t>{2}));
    EXPECT_EQ(fill.afterEnd, (std::vector<std::size_t>{3, 4}));
    ASSERT_EQ(t.count(), 2);
    EXPECT_EQ(t.position(1), 250);
    EXPECT_FALSE(t.reflective(1));
    EXPECT_EQ(t.position(2), 500);
    EXPECT_TRUE(t.reflective(2));
    // Link loss accumulated: 0.2 dB/km over 1.0019 km, then the event's 0.5 dB and 0.9981 km.
    EXPECT_EQ(text[kColLinkLoss][0], "   0.200");
    EXPECT_EQ(text[kColLinkLoss][1], "   0.900");
    EXPECT_EQ(text[kColSpliceLoss][1], "--------");
    EXPECT_EQ(text[kColReturnLoss][1], "  14.000");
}

TEST(FoundEvents, AtMost199RowsAreWritten) {
    std::vector<FoundEvent> events(250);
    for (std::size_t i = 0; i < events.size(); ++i) events[i].distanceM = 10.0 * (i + 1);
    EventTable t;
    EventText text;
    const auto fill = fillFoundEvents(events, params4m(), t, text);
    EXPECT_EQ(fill.written, kMaxEvents);
    EXPECT_EQ(t.count(), kMaxEvents);
    EXPECT_EQ(fill.tableFull.size(), 250u - kMaxEvents);
}

}  // namespace
}  // namespace otdr
