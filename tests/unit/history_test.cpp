// Replaying the message log into the chart: thinning, label spacing, the page label and the
// scroll bar, re-counting from the result file, and the cases that end the replay early.
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

TEST(HistoryReplay, ThinningFollowsTheNumberOfMessages) {
    struct Case {
        int n;
        int spacing, step;
        int points;   // time points of the rebuilt chart
        int plotted;  // messages that found a point
    };
    const Case cases[] = {
        {1, 1, 1, 2, 1},         {50, 1, 1, 51, 50},         {51, 5, 2, 27, 26},       {53, 5, 2, 27, 26},
        {100, 5, 2, 51, 50},     {400, 5, 2, 201, 200},      {401, 10, 5, 81, 80},     {5000, 10, 5, 1001, 1000},
        {5001, 20, 10, 501, 500}, {10000, 20, 10, 1001, 1000}, {10001, 30, 10, 1001, 1000},
        {20000, 30, 10, 2001, 2000}, {20001, 40, 10, 2001, 2000}, {32767, 40, 10, 3278, 3277},
    };
    VirtualLogger vl;
    Form1& f = *vl.form;
    fillLog(f, 32767);
    for (const Case& c : cases) {
      for (std::int16_t start : {0, 1}) { // page 1 is the whole log, as page 0
        SCOPED_TRACE(testing::Message() << c.n << " from page " << start);
        f.gTimeCount = c.n;
        f.ctl.lblPage.caption = "Page";
        f.ctl.HScroll = {0, 32767, 9};
        std::int16_t page = start;
        f.readLFile(page, false);
        EXPECT_EQ(f.ctl.lblCount.caption, " " + std::to_string(c.n));
        EXPECT_FALSE(f.chart.categoryAutoScale);
        EXPECT_EQ(f.chart.divisionsPerLabel, c.spacing);
        EXPECT_EQ(f.chart.divisionsPerTick, c.spacing);
        EXPECT_EQ(f.chart.pointCount(), c.points);
        EXPECT_EQ(f.chartRowCount, c.points);
        EXPECT_EQ(plottedPoints(f.chart), c.plotted);
        EXPECT_EQ(f.chart.pointLabel(1), "");
        EXPECT_EQ(f.chart.pointLabel(2), testTimeText(1));
        if (c.points > 2) {
            EXPECT_EQ(f.chart.pointLabel(3), testTimeText(1 + c.step));
        }
        EXPECT_EQ(f.chart.pointLabel(c.plotted + 1), testTimeText(1 + (c.plotted - 1) * c.step));
        EXPECT_EQ(f.pageCount, 1);
        EXPECT_EQ(page, 0);
        EXPECT_EQ(f.ctl.lblPage.caption, "Page 1 of 1");
        EXPECT_EQ(f.ctl.HScroll.min, 1);
        EXPECT_EQ(f.ctl.HScroll.max, 1);
        EXPECT_EQ(f.ctl.HScroll.value, 1);
        EXPECT_EQ(f.gTimeCount, c.n);
      }
    }
}

// Past 32767 readings the step grows with the run: 3,000 to 4,000 points, evenly spread back
// from the latest reading. A week of them comes from a file, as the file dialog's read does.
TEST(HistoryReplay, LongRunsEndOnTheLatestReading) {
    VirtualLogger vl;
    Form1& f = *vl.form;
    fillLog(f, 40000);
    std::string week;
    for (int i = 1; i <= 604800; ++i) week += reading(i) + "000001\r\r\n";
    for (const int n : {40000, 604800}) {
        SCOPED_TRACE(n);
        if (n > 40000) vl.writeFile("DC_Result_1.txt", week);
        f.gTimeCount = n;
        f.reloadHistory = n > 40000;
        std::int16_t page = 0;
        f.readLFile(page, false);
        const int points = f.chart.pointCount(), step = (n + 3599) / 3600;
        EXPECT_EQ(f.ctl.lblCount.caption, " " + std::to_string(n));
        EXPECT_EQ(f.chart.divisionsPerLabel, 40);
        EXPECT_GE(points, 3000);
        EXPECT_LE(points, 4000);
        EXPECT_EQ(plottedPoints(f.chart), points - 1);
        EXPECT_EQ(f.chart.pointLabel(2), testTimeText(1));
        for (int p = 3; p <= points; ++p)
            ASSERT_EQ(f.chart.pointLabel(p), testTimeText((n - (points - p) * step) & 0xFFFF)) << p;
    }
}

TEST(HistoryReplay, RecountReadsTheResultFile) {
    VirtualLogger vl;
    Form1& f = *vl.form;
    std::string file;
    for (int i = 1; i <= 7; ++i) file += reading(100 + i) + "000001\r\r\n";
    vl.writeFile("DC_Result_1.txt", file);
    fillLog(f, 40); // stale entries: the file wins
    f.gTimeCount = 40;
    f.reloadHistory = true;
    std::int16_t page = 0;
    f.readLFile(page, false);
    EXPECT_EQ(f.gTimeCount, 7);
    EXPECT_EQ(f.ctl.lblCount.caption, " 7");
    EXPECT_EQ(f.chart.pointCount(), 8);
    EXPECT_EQ(plottedPoints(f.chart), 7);
    EXPECT_EQ(f.chart.pointLabel(2), testTimeText(101));
    EXPECT_EQ(f.chart.pointLabel(8), testTimeText(107));
    EXPECT_TRUE(f.messageLogLoaded);
}

TEST(HistoryReplay, EmptyOrOversizedLogEndsEarly) {
    struct Case {
        std::int32_t n;
        const char* count; // lblCount afterwards
        int spacing;
    };
    const Case cases[] = {{0, " 0", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        VirtualLogger vl;
        Form1& f = *vl.form;
        fillLog(f, 10);
        std::int16_t rows = 3;
        f.CreateChart(0, 1, rows);
        f.chartRowCount = 99;
        f.ctl.lblCount.caption = "untouched";
        f.ctl.lblPage.caption = "Page 2 of 5";
        f.ctl.HScroll = {2, 5, 3};
        f.chart.divisionsPerLabel = 7;
        f.gTimeCount = c.n;
        std::int16_t page = 0;
        f.readLFile(page, false);
        EXPECT_EQ(f.ctl.lblCount.caption, c.count);
        EXPECT_EQ(f.chart.divisionsPerLabel, c.spacing);
        EXPECT_EQ(f.ctl.lblPage.caption, "Page 2 of 5");
        EXPECT_EQ(f.ctl.HScroll.min, 2);
        EXPECT_EQ(f.ctl.HScroll.max, 5);
        EXPECT_EQ(f.ctl.HScroll.value, 3);
        EXPECT_EQ(f.chart.pointCount(), 4);
        EXPECT_EQ(plottedPoints(f.chart), 0);
        EXPECT_EQ(f.chartRowCount, c.count[0] == ' ' ? c.n : 99);
    }
}

TEST(HistoryReplay, MalformedMessageStopsTheReplayThere) {
    VirtualLogger vl;
    Form1& f = *vl.form;
    fillLog(f, 10);
    f.messageLog[5] = "0101010001G0019A01A400C800D200DC000001\r";
    f.gTimeCount = 10;
    f.ctl.lblPage.caption = "Page";
    std::int16_t page = 0;
    f.readLFile(page, false);
    EXPECT_EQ(f.chart.pointCount(), 11);
    EXPECT_EQ(plottedPoints(f.chart), 4);
    EXPECT_EQ(f.ctl.lblPage.caption, "Page");
}
