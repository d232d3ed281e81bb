// Building the chart, turning one stored message into a chart point, and the graph tabs.
#include <gtest/gtest.h>

#include "logger_rig.h"

using namespace dcload;
using namespace dcload::test;

namespace {
const Rgb kSeries1{139, 69, 69}, kSeries2{0, 0, 0}, kSeries3{47, 79, 79};
} // namespace

TEST(ChartBuild, AfterStartUpAnEmptyTwoPointVoltsChart) {
    VirtualLogger vl;
    const ChartModel& c = vl.form->chart;
    // Axis titles, legend and scaling: EachTypeHasItsTitlesSeriesAndZeroedFirstSeries.
    EXPECT_EQ(c.chartTitle, "Volts - Time");
    EXPECT_EQ(c.pointCount(), 2);
    EXPECT_EQ(c.series(1).label, "V 1");
    EXPECT_EQ(c.valueText(1, 1), "0");
    EXPECT_EQ(c.valueText(1, 2), "0");
    EXPECT_EQ(c.pointLabel(1), "");
    EXPECT_EQ(vl.form->graphType, 0);
}

TEST(ChartBuild, EachTypeHasItsTitlesSeriesAndZeroedFirstSeries) {
    struct Case {
        std::int16_t type;
        const char *title, *yTitle, *label;
        int series;
    };
    const Case cases[] = {
        {0, "Volts - Time", "Volts", "V 1", 3},
        {1, "Current - Time", "Current", "V 1", 3},
        {2, "Temperature(Deg C) - Time", "Temperature (Deg C)", "Deg C", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        VirtualLogger vl;
        Form1& f = *vl.form;
        // A chart with content first: the build must empty it.
        std::int16_t rows = 30;
        f.CreateChart(c.type, 1, rows);
        for (int p = 1; p <= 31; ++p) {
            f.chart.currentPoint = p;
            f.chart.setPointLabel("x");
            f.chart.setPointValue(48.0);
        }
        f.chart.legendVisible = true;
        f.chart.valueAutoScale = false;
        rows = 5;
        f.CreateChart(c.type, 999, rows);
        EXPECT_EQ(rows, 6);
        EXPECT_EQ(f.graphType, c.type);
        EXPECT_EQ(f.chart.chartTitle, c.title);
        EXPECT_EQ(f.chart.axisTitleX, "Time");
        EXPECT_EQ(f.chart.axisTitleY, c.yTitle);
        EXPECT_EQ(f.chart.seriesCount(), c.series);
        EXPECT_EQ(f.chart.series(1).label, c.label);
        EXPECT_EQ(f.chart.series(1).penWidth, 1.0f);
        EXPECT_FALSE(f.chart.legendVisible);
        EXPECT_TRUE(f.chart.valueAutoScale);
        ASSERT_EQ(f.chart.pointCount(), 6);
        for (int p = 1; p <= 6; ++p) {
            EXPECT_EQ(f.chart.valueText(1, p), "0") << p;
            EXPECT_EQ(f.chart.pointLabel(p), "") << p;
        }
    }
}

TEST(ChartBuild, RowCountGrowsByOneInTheCallersVariableUpToTheLimit) {
    struct Case {
        std::int16_t before;
        std::vector<int> points; // after one call each
    };
    const Case cases[] = {{24, {25}}, {24, {25, 26}}, {1, {2}}, {32767, {32767, 32767}}, {32766, {32767, 32767}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        VirtualLogger vl;
        std::int16_t rows = c.before;
        for (int want : c.points) {
            vl.form->CreateChart(0, 1, rows);
            EXPECT_EQ(rows, want);
            EXPECT_EQ(vl.form->chart.pointCount(), want);
            EXPECT_EQ(vl.form->chart.valueText(1, want), "0");
        }
    }
}

TEST(ChartBuild, PensOfNewSeriesAreOnlyAppliedWhenTheSeriesAlreadyExisted) {
    for (std::int16_t type : {0, 1}) {
        SCOPED_TRACE(type);
        VirtualLogger vl;
        Form1& f = *vl.form;
        std::int16_t rows = 10;
        f.CreateChart(2, 1, rows);
        EXPECT_EQ(f.chart.series(1).penColour, kSeries2);
        rows = 10;
        f.CreateChart(type, 1, rows);
        EXPECT_EQ(f.chart.series(1).penColour, kSeries1);
        EXPECT_EQ(f.chart.series(2).penColour, ChartModel::defaultPen(2));
        EXPECT_EQ(f.chart.series(3).penColour, ChartModel::defaultPen(3));
        f.CreateChart(type, 1, rows);
        EXPECT_EQ(f.chart.series(2).penColour, kSeries2);
        EXPECT_EQ(f.chart.series(3).penColour, kSeries3);
    }
    // Connect builds temperature then volts: the fresh series keep their default pens.
    Rig r;
    r.connect();
    EXPECT_EQ(r.form->chart.series(1).penColour, kSeries1);
    EXPECT_EQ(r.form->chart.series(2).penColour, ChartModel::defaultPen(2));
}

TEST(ChartPoint, DefaultRecordAsFirstMessageOfAPage) {
    struct Case {
        std::int16_t type;
        const char* value;
        const char* label;
    };
    const Case cases[] = {{0, "4", "V 1"}, {1, "41", "V 1"}, {2, "21", "Deg C"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        VirtualLogger vl;
        Form1& f = *vl.form;
        f.graphType = c.type;
        f.chartRowCount = 4;
        f.processMessage(kDefaultRecord, -1, -1, 1, 1);
        EXPECT_EQ(f.chart.pointCount(), 5);
        EXPECT_EQ(f.chartRowCount, 5);
        EXPECT_EQ(f.chartRow, 2);
        EXPECT_EQ(f.chartTime, 420.0f);
        EXPECT_EQ(f.chart.pointLabel(2), "00:07:00");
        EXPECT_EQ(f.chart.valueText(1, 2), c.value);
        EXPECT_EQ(f.chart.series(1).label, c.label);
        EXPECT_EQ(f.chart.pointLabel(1), "");
        EXPECT_EQ(f.chart.valueText(1, 1), "0");
        EXPECT_EQ(plottedPoints(f.chart), 1);
        EXPECT_FALSE(vl.fileExists("DC_Result_2.txt")); // replay never saves
    }
}

TEST(ChartPoint, ValuesAreRoundedToOneDecimalThenHalvesToEven) {
    struct Case {
        std::int16_t type;
        int volts100, amps10, temp10;
        const char* value;
    };
    const Case cases[] = {
        {0, 1250, 100, 250, "12"}, {0, 1350, 100, 250, "14"}, {0, 1249, 100, 250, "12"},
        {0, 1260, 100, 250, "13"}, {1, 1250, 415, 250, "42"}, {1, 1250, 405, 250, "40"},
        {2, 1250, 100, 215, "22"}, {2, 1250, 100, 225, "22"}, {2, 1250, 100, -50, "-5"},
        {2, 1250, 100, -15, "-2"}, {0, 65535, 100, 250, "655"}, {1, 1250, 65535, 250, "6554"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << " " << c.volts100 << " " << c.amps10 << " " << c.temp10);
        VirtualLogger vl;
        Form1& f = *vl.form;
        f.graphType = c.type;
        f.chartRowCount = 3;
        f.processMessage(makeDataMessage(c.volts100, c.amps10, 61, 1, c.temp10) + "000001", -1, -1, 1, 1);
        EXPECT_EQ(f.chart.valueText(1, 2), c.value);
        EXPECT_EQ(f.chart.pointLabel(2), "00:01:01");
    }
}

TEST(ChartPoint, EmptyAndSixCharacterMessagesPlotNothing) {
    VirtualLogger vl;
    Form1& f = *vl.form;
    f.chartRow = 9;
    f.chartTime = 33.0f;
    std::int32_t rows = 7;
    const auto revision = f.chart.revision();
    f.addChartPoint("", 1, true, 5, 5, rows);
    EXPECT_EQ(f.chartRow, 9);
    EXPECT_EQ(f.chartTime, 33.0f);
    EXPECT_EQ(rows, 7);
    EXPECT_EQ(f.chart.revision(), revision);
    EXPECT_EQ(f.graphType, 0);

    f.addChartPoint("000012", 1, true, 5, 3, rows);
    EXPECT_EQ(f.chartRow, 3);
    EXPECT_EQ(f.chartTime, 5.0f);
    EXPECT_EQ(rows, 8);
    EXPECT_EQ(f.chart.pointCount(), 8);
    EXPECT_EQ(f.chart.chartTitle, "Current - Time");
    EXPECT_EQ(plottedPoints(f.chart), 0);
    for (int p = 1; p <= 8; ++p) EXPECT_EQ(f.chart.valueText(1, p), "0");
}

TEST(ChartPoint, ShortMessagesArePlottedWithEmptyLabels) {
    const std::string full = makeDataMessage(2000, 100, 90, 1, 250) + "000001";
    struct Case {
        size_t length;
        const char* value; // volts plotted at point 3
    };
    // 25..31 characters are decoded from what is there; 1..16 keep the previous readings.
    const Case cases[] = {{31, "20"}, {28, "20"}, {25, "20"}, {16, "12"}, {7, "12"}, {1, "12"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        VirtualLogger vl;
        Form1& f = *vl.form;
        f.graphType = 0;
        f.chartRowCount = 5;
        f.processMessage(makeDataMessage(1250, 100, 60, 1, 250) + "000001", -1, -1, 1, 1);
        ASSERT_EQ(f.chart.pointLabel(2), "00:01:00");
        f.processMessage(full.substr(0, c.length), -1, 0, 1, 1);
        EXPECT_EQ(f.chartRow, 3);
        EXPECT_EQ(f.chart.pointLabel(3), "");
        EXPECT_EQ(f.chart.valueText(1, 3), c.value);
        EXPECT_EQ(f.chartTime, 60.0f);
    }
}

TEST(GraphTabs, EachTabBuildsItsChartAndReplaysTheLog) {
    struct Case {
        int tab;
        const char* title;
        std::int16_t type;
        const char* value; // point 2
    };
    const Case cases[] = {{1, "Volts - Time", 0, "12"}, {2, "Current - Time", 1, "10"},
                          {3, "Temperature(Deg C) - Time", 2, "25"}};
    for (const Case& c : cases) {
        for (int messages : {0, 3}) {
            SCOPED_TRACE(testing::Message() << "tab " << c.tab << " messages " << messages);
            VirtualLogger vl;
            Form1& f = *vl.form;
            for (int i = 1; i <= messages; ++i) f.messageLog[static_cast<size_t>(i)] = reading(i) + "000001\r";
            f.gTimeCount = messages;
            f.ctl.lblPage.caption = "Page";
            f.reloadHistory = true;
            f.tabStripClick(c.tab);
            EXPECT_EQ(f.chart.chartTitle, c.title);
            EXPECT_EQ(f.graphType, c.type);
            EXPECT_EQ(f.ctl.lblCount.caption, messages ? " 3" : " 0");
            EXPECT_EQ(f.ctl.StatusBar1, "");
            EXPECT_EQ(f.ctl.pointer, Pointer::Default);
            EXPECT_TRUE(f.messageLogLoaded);
            EXPECT_FALSE(f.reloadHistory);
            if (messages) {
                EXPECT_EQ(f.chart.pointCount(), 4);
                EXPECT_EQ(plottedPoints(f.chart), 3);
                EXPECT_EQ(f.chart.valueText(1, 2), c.value);
                EXPECT_EQ(f.ctl.lblPage.caption, "Page 1 of 1");
            } else {
                EXPECT_EQ(f.chart.pointCount(), 25);
                EXPECT_EQ(plottedPoints(f.chart), 0);
                for (int p = 1; p <= 25; ++p) EXPECT_EQ(f.chart.valueText(1, p), "0");
                EXPECT_EQ(f.ctl.lblPage.caption, "Page");
            }
        }
    }
}

TEST(GraphTabs, WaitTextAndBusyPointerWhileTheReplayRuns) {
    VirtualLogger vl;
    Form1& f = *vl.form;
    f.messageLog[1] = makeDataMessage(1250, 20, 1, 1, 250) + "000001\r"; // 2.0 A: the pause question
    f.messageLog[2] = reading(2) + "000002\r";
    f.gTimeCount = 2;
    std::string during;
    Pointer pointerDuring = Pointer::Default;
    vl.dialogs.onPauseDialog = [&] {
        during = f.ctl.StatusBar1;
        pointerDuring = f.ctl.pointer;
        f.dialogOkClick();
    };
    f.tabStripClick(2);
    EXPECT_EQ(vl.dialogs.pauseShown, 1);
    EXPECT_EQ(during, "Please wait loading data ......");
    EXPECT_EQ(pointerDuring, Pointer::Busy);
    EXPECT_EQ(f.ctl.StatusBar1, "");
    EXPECT_EQ(f.ctl.pointer, Pointer::Default);
    EXPECT_EQ(plottedPoints(f.chart), 2);
}

TEST(GraphTabs, GraphListChangesNothingOnTheChart) {
    VirtualLogger vl;
    Form1& f = *vl.form;
    f.tabStripClick(3);
    const auto revision = f.chart.revision();
    f.ctl.frameGCaption = "Graph";
    f.comGraphChange();
    EXPECT_EQ(f.ctl.frameGCaption, "");
    f.ctl.frameGCaption = "Graph";
    f.comGraphClick();
    EXPECT_EQ(f.ctl.frameGCaption, "");
    EXPECT_EQ(f.chart.revision(), revision);
    EXPECT_EQ(f.chart.chartTitle, "Temperature(Deg C) - Time");
    EXPECT_EQ(f.graphType, 2);
}
