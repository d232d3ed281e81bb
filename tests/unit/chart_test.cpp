// The chart: building it, a stored message as a chart point, the graph tabs, and the replay of
// the message log, thinned to the number of messages.
#include <gtest/gtest.h>

#include "decode/format.h"
#include "logger_rig.h"

using namespace dcload;
using namespace dcload::test;

namespace {
// Entry i carries the test time i seconds, so a point's label names the message plotted there.
void fillLog(Form1& f, int n) {
    for (int i = 1; i <= n; ++i) f.messageLog[static_cast<size_t>(i)] = reading(i) + "000001\r";
}
} // namespace

// Each type has its titles and series; the caller's row count grows by one up to the 16-bit
// limit, and every point of the chart before is emptied.
TEST(ChartBuild, EachTypeRebuildsTheChartEmpty) {
    const std::tuple<std::int16_t, const char*, int> types[] = {
        {0, "Volts - Time", 3}, {1, "Current - Time", 3}, {2, "Temperature(Deg C) - Time", 1}};
    for (const auto& [type, title, series] : types) {
        for (const auto& [before, after] : {std::pair{5, 6}, {32766, 32767}, {32767, 32767}}) {
            VirtualLogger vl;
            Form1& f = *vl.form;
            fillLog(f, 3);
            f.gTimeCount = 3;
            f.tabStripClick((type + 1) % 3 + 1);  // another type's chart, with points
            ASSERT_EQ(plottedPoints(f.chart), 3);
            std::int16_t rows = static_cast<std::int16_t>(before);
            f.CreateChart(type, 1, rows);
            EXPECT_EQ(rows, after);
            EXPECT_EQ(f.chart.chartTitle, title);
            EXPECT_EQ(f.chart.seriesCount(), series);
            ASSERT_EQ(f.chart.pointCount(), after);
            EXPECT_EQ(plottedPoints(f.chart), 0);
        }
    }
}

// Values are rounded to one decimal, then halves to even; the label is the test time (here
// just past the hour).
TEST(ChartPoint, EachTypePlotsItsValueRoundedHalfToEven) {
    const std::tuple<std::int16_t, int, int, int, const char*> cases[] = {
        {0, 1250, 100, 250, "12"}, {0, 1350, 100, 250, "14"}, {0, 1260, 100, 250, "13"}, {1, 1250, 415, 250, "42"},
        {1, 1250, 405, 250, "40"}, {2, 1250, 100, 225, "22"}, {2, 1250, 100, -15, "-2"}, {1, 1250, 65535, 250, "6554"}};
    for (const auto& [type, volts100, amps10, temp10, value] : cases) {
        VirtualLogger vl;
        Form1& f = *vl.form;
        f.graphType = type;
        f.chartRowCount = 3;
        f.processMessage(makeDataMessage(volts100, amps10, 3601, 1, temp10) + "000001", -1, -1, 1, 1);
        EXPECT_EQ(f.chart.valueText(1, 2), value) << type << " " << volts100 << " " << amps10 << " " << temp10;
        EXPECT_EQ(f.chart.pointLabel(2), "01:00:01");
    }
}

// A label every few points and every few messages replayed, by the number of messages; past
// 32767 the step grows with the run and the chart ends on the latest reading.
TEST(HistoryReplay, ThinningFollowsTheNumberOfMessages) {
    // messages, label spacing, replay step, time points of the rebuilt chart, last message plotted
    const std::tuple<int, int, int, int, int> cases[] = {
        {50, 1, 1, 51, 50},          {51, 5, 2, 27, 51},
        {400, 5, 2, 201, 399},       {401, 10, 5, 81, 396},       {5000, 10, 5, 1001, 4996},
        {5001, 20, 10, 501, 4991},   {10000, 20, 10, 1001, 9991}, {10001, 30, 10, 1001, 9991},
        {20000, 30, 10, 2001, 19991}, {20001, 40, 10, 2001, 19991}, {32767, 40, 10, 3278, 32761},
        {40000, 40, 12, 3336, 40000}};
    VirtualLogger vl;
    Form1& f = *vl.form;
    fillLog(f, 40000);
    for (const auto& [n, spacing, step, points, last] : cases) {
        for (std::int16_t page : {0, 1}) {  // page 1 is the whole log, as page 0
            SCOPED_TRACE(testing::Message() << n << " from page " << page);
            f.gTimeCount = n;
            f.readLFile(page, false);
            EXPECT_EQ(f.ctl.lblCount.caption, " " + std::to_string(n));
            EXPECT_EQ(f.chart.divisionsPerLabel, spacing);
            ASSERT_EQ(f.chart.pointCount(), points);
            EXPECT_EQ(plottedPoints(f.chart), points - 1);
            EXPECT_EQ(f.chart.pointLabel(2), testTimeText(1));
            EXPECT_EQ(f.chart.pointLabel(points - 1), testTimeText(last - step));
            EXPECT_EQ(f.chart.pointLabel(points), testTimeText(last));
            EXPECT_EQ(f.ctl.lblPage.caption + " " + std::to_string(page), "Page 1 of 1 0");
        }
    }
}

TEST(GraphTabs, EachTabBuildsItsChartAndReplaysTheLog) {
    const std::tuple<int, const char*, const char*> cases[] = {
        {1, "Volts - Time", "12"}, {2, "Current - Time", "10"}, {3, "Temperature(Deg C) - Time", "25"}};
    for (const auto& [tab, title, value] : cases) {
        VirtualLogger vl;
        Form1& f = *vl.form;
        fillLog(f, 3);
        f.gTimeCount = 3;
        f.tabStripClick(tab);
        EXPECT_EQ(f.chart.chartTitle, title);
        EXPECT_EQ(f.graphType, tab - 1);
        EXPECT_EQ(plottedPoints(f.chart), 3);
        EXPECT_EQ(f.chart.valueText(1, 2), value);
        EXPECT_EQ(f.ctl.StatusBar1 + f.ctl.lblPage.caption, "Page 1 of 1");
    }
    VirtualLogger empty;
    empty.form->tabStripClick(1);
    EXPECT_EQ(empty.form->ctl.lblCount.caption, " 0");
}
