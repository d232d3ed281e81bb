// The chart view draws the core's chart model: lines, gaps, pens, titles, X labels that do
// not overlap, a Y range around the values present, and one redraw per model change.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include <QFontMetrics>

#include "chart/chart_model.h"
#include "ui/chart_view.h"

namespace dcload::ui {
namespace {

// A volts-like model: series 1 from `values`, series 2 and 3 empty, labels every point.
ChartModel makeModel(const std::vector<double>& values, int divisions = 1)
{
    ChartModel m;
    m.setSeriesCount(3);
    m.setPointCount(static_cast<int>(values.size()));
    m.chartTitle = "Volts - Time";
    m.axisTitleX = "Time";
    m.axisTitleY = "Volts";
    m.setPenColour(1, {139, 69, 69});
    m.currentSeries = 1;
    for (size_t i = 0; i < values.size(); ++i) {
        m.currentPoint = static_cast<int>(i) + 1;
        const int s = static_cast<int>(i) * 5;
        m.setPointLabel(std::to_string(s / 3600) + ":" + (s / 60 % 60 < 10 ? "0" : "") +
                        std::to_string(s / 60 % 60) + ":" + (s % 60 < 10 ? "0" : "") + std::to_string(s % 60));
        if (!std::isnan(values[i]))
            m.setPointValue(values[i]);
    }
    m.divisionsPerLabel = divisions;
    m.touch();
    return m;
}

TEST(ChartViewDrawing, OneLinePerSeriesWithTheModelsPointsAndPens)
{
    const double gap = std::nan("");
    ChartModel m = makeModel({50.1, 49.9, gap, 49.5, 49.2});
    ChartView view;
    view.resize(900, 400);
    ASSERT_TRUE(view.render(m));
    ASSERT_EQ(view.graphCount(), 3);
    QCPGraph* g = view.graph(0);
    ASSERT_EQ(g->data()->size(), 5);
    const double expected[] = {50.1, 49.9, gap, 49.5, 49.2};
    for (int i = 0; i < 5; ++i) {
        auto it = g->data()->at(i);
        EXPECT_EQ(it->key, i + 1);
        if (std::isnan(expected[i]))
            EXPECT_TRUE(std::isnan(it->value)) << "a point without a value is a gap";
        else
            EXPECT_DOUBLE_EQ(it->value, expected[i]);
    }
    EXPECT_EQ(g->pen().color(), QColor(139, 69, 69));
    EXPECT_DOUBLE_EQ(g->pen().widthF(), 1.0);
    for (int s = 1; s < 3; ++s)
        for (int i = 0; i < view.graph(s)->data()->size(); ++i)
            EXPECT_TRUE(std::isnan(view.graph(s)->data()->at(i)->value)) << "series " << s + 1 << " is empty";
    EXPECT_EQ(view.xAxis->label(), "Time");
    EXPECT_EQ(view.yAxis->label(), "Volts");
    EXPECT_FALSE(view.legend->visible());
    auto* title = qobject_cast<QCPTextElement*>(view.plotLayout()->element(0, 0));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), "Volts - Time");
    m.setSeriesCount(1);   // a temperature chart
    view.render(m);
    EXPECT_EQ(view.graphCount(), 1);
}

struct RangeCase {
    const char* what;
    std::vector<double> values;
    double low, high;   // the range must hold [low, high] ...
    double span;        // ... and be no wider than this
};

TEST(ChartViewDrawing, ValueAxisFitsTheValuesPresent)
{
    const double gap = std::nan("");
    const std::vector<RangeCase> cases = {
        {"discharge", {52.8, 50.0, 47.3, 44.1}, 44.1, 52.8, 12},
        {"all zero after a rebuild", {0, 0}, 0, 0, 2.5},
        {"one value among gaps", {gap, 47.5, gap}, 47.5, 47.5, 10},
        {"negative temperatures", {-5.5, 2.0, 11.5}, -5.5, 11.5, 22},
        {"nothing plotted", {gap, gap}, 0, 0, 5},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(c.what);
        ChartView view;
        view.resize(900, 400);
        view.render(makeModel(c.values));
        const QCPRange r = view.yAxis->range();
        EXPECT_LT(r.lower, c.low + 1e-9);
        EXPECT_GT(r.upper, c.high - 1e-9);
        EXPECT_LE(r.size(), c.span);
        EXPECT_GT(r.size(), 0);
    }
}

TEST(ChartViewRedraw, OnlyWhenTheModelChanged)
{
    ChartModel m = makeModel({1, 2, 3});
    ChartView view;
    EXPECT_TRUE(view.render(m));
    EXPECT_FALSE(view.render(m));
    EXPECT_FALSE(view.render(m));
    EXPECT_EQ(view.redraws(), 1);
    m.currentPoint = 2;
    m.setPointValue(7.0);
    EXPECT_TRUE(view.render(m));
    EXPECT_EQ(view.redraws(), 2);
    EXPECT_DOUBLE_EQ(view.graph(0)->data()->at(1)->value, 7.0);
    m.currentPoint = 1;
    m.zeroPoint(); // as a chart build leaves it: 0 in the model, but no reading: not drawn
    EXPECT_TRUE(view.render(m));
    EXPECT_TRUE(std::isnan(view.graph(0)->data()->at(0)->value));
}

TEST(ChartViewLabels, EveryDivisionWhenThereIsRoom)
{
    ChartModel m = makeModel(std::vector<double>(25, 1.0), 4);
    ChartView view;
    view.resize(1100, 400);
    view.render(m);
    const QVector<double> at = view.labelPositions();
    EXPECT_EQ(at, (QVector<double>{1, 5, 9, 13, 17, 21, 25}));
    const QVector<QString> texts = view.labelTexts();
    ASSERT_EQ(texts.size(), at.size());
    for (int i = 0; i < at.size(); ++i)
        EXPECT_EQ(texts[i], QString::fromStdString(m.pointLabel(static_cast<int>(at[i]))));
}

TEST(ChartViewLabels, ThreeThousandPointsStayReadableAtTheDefaultSize)
{
    std::vector<double> volts(3277);
    for (size_t i = 0; i < volts.size(); ++i)
        volts[i] = 52.0 - 8.0 * std::pow(static_cast<double>(i) / volts.size(), 3);
    ChartModel m = makeModel(volts, 1);   // a label asked for at every point
    ChartView view;
    view.resize(1170, 420);   // the chart's share of the window at its default size
    view.show();
    view.render(m);
    view.replot();
    const QVector<double> at = view.labelPositions();
    ASSERT_GE(at.size(), 4);
    EXPECT_LE(at.size(), 40);
    const QFontMetrics metrics(view.xAxis->tickLabelFont());
    int widest = 0;
    for (const QString& t : view.labelTexts())
        widest = std::max(widest, metrics.horizontalAdvance(t));
    for (int i = 1; i < at.size(); ++i) {
        const double gap = view.xAxis->coordToPixel(at[i]) - view.xAxis->coordToPixel(at[i - 1]);
        EXPECT_GT(gap, widest) << "labels " << i - 1 << " and " << i << " overlap";
        EXPECT_EQ(std::fmod(at[i] - 1, 1.0), 0.0);
    }
    EXPECT_EQ(view.graph(0)->data()->size(), 3277);
    EXPECT_LE(view.graph(0)->pen().widthF(), 1.0) << "a dense line stays thin";
}

TEST(ChartViewLabels, ThinnedLabelsStayOnTheModelsDivisions)
{
    struct Case {
        int points, divisions, width, labelWidth;
        std::vector<int> expected;
    };
    const std::vector<Case> cases = {
        {10, 1, 1000, 40, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {10, 3, 1000, 40, {1, 4, 7, 10}},
        {100, 1, 540, 40, {1, 11, 21, 31, 41, 51, 61, 71, 81, 91}},
        {100, 7, 270, 40, {1, 22, 43, 64, 85}},
        {1, 1, 100, 40, {1}},
        {0, 1, 100, 40, {}},
        {5, 0, 1000, 40, {1, 2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.points) + "/" + std::to_string(c.divisions));
        EXPECT_EQ(labelledPoints(c.points, c.divisions, c.width, c.labelWidth), c.expected);
    }
}

TEST(ChartViewLabels, WideningTheWindowShowsMoreLabels)
{
    ChartModel m = makeModel(std::vector<double>(400, 1.0), 1);
    ChartView view;
    view.resize(500, 300);
    view.show();
    view.render(m);
    const int narrow = view.labelPositions().size();
    view.resize(1600, 300);
    EXPECT_GT(view.labelPositions().size(), narrow);
}

} // namespace
} // namespace dcload::ui
