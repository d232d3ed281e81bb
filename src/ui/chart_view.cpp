#include "ui/chart_view.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/chart_model.h"

namespace dcload::ui {

namespace {

QColor toColor(const Rgb& c) { return QColor(c.r, c.g, c.b); }

constexpr int kLabelGap = 14;   // pixels kept free between two X labels

} // namespace

std::vector<int> labelledPoints(int pointCount, int divisions, int width, int labelWidth)
{
    std::vector<int> points;
    if (pointCount < 1)
        return points;
    divisions = std::max(divisions, 1);
    const int wanted = (pointCount - 1) / divisions + 1;
    const int room = std::max(1, width / std::max(1, labelWidth + kLabelGap));
    const int stride = divisions * std::max(1, (wanted + room - 1) / room);
    for (int p = 1; p <= pointCount; p += stride)
        points.push_back(p);
    return points;
}

ChartView::ChartView(QWidget* parent) : QCustomPlot(parent)
{
    setNoAntialiasingOnDrag(true);
    setAntialiasedElements(QCP::aePlottables);
    setBackground(QBrush(Qt::white));

    const QColor axisColour(0x5b, 0x66, 0x75);
    const QColor gridColour(0xe3, 0xe7, 0xed);
    for (QCPAxis* axis : {xAxis, yAxis}) {
        axis->setBasePen(QPen(axisColour));
        axis->setTickPen(QPen(axisColour));
        axis->setSubTickPen(QPen(axisColour));
        axis->setTickLabelColor(QColor(0x33, 0x3d, 0x4a));
        axis->setLabelColor(QColor(0x33, 0x3d, 0x4a));
        axis->grid()->setPen(QPen(gridColour, 1));
        QFont f = axis->labelFont();
        f.setPointSizeF(10);
        f.setBold(true);
        axis->setLabelFont(f);
    }
    yAxis->setSubTicks(false);
    xAxis->setSubTicks(false);

    xTicker_.reset(new QCPAxisTickerText);
    xAxis->setTicker(xTicker_);

    plotLayout()->insertRow(0);
    title_ = new QCPTextElement(this, QString(), QFont(font().family(), 12, QFont::Bold));
    title_->setTextColor(QColor(0x1b, 0x24, 0x30));
    plotLayout()->addElement(0, 0, title_);
    legend->setVisible(false);
    xAxis->setRange(0.5, 2.5);
    yAxis->setRange(0, 1);
}

bool ChartView::render(const ChartModel& model)
{
    if (rendered_ && model.revision() == revision_)
        return false;
    rendered_ = true;
    revision_ = model.revision();
    ++redraws_;

    const int points = model.pointCount();
    const int seriesCount = model.seriesCount();
    while (graphCount() > seriesCount)
        removeGraph(graphCount() - 1);
    while (graphCount() < seriesCount)
        addGraph();

    QVector<double> keys(points);
    for (int p = 0; p < points; ++p)
        keys[p] = p + 1;

    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    // Scale to the plotted readings (points that carry a time label); the zeros a rebuild
    // leaves in unlabelled points would otherwise flatten a discharge curve against 0 V.
    double lowRead = low, highRead = high;
    std::vector<bool> labelled(static_cast<size_t>(points)), plotted(static_cast<size_t>(points));
    for (int p = 1; p <= points; ++p) {
        labelled[static_cast<size_t>(p - 1)] = !model.pointLabel(p).empty();
        plotted[static_cast<size_t>(p - 1)] = model.plotted(p);
    }
    legend->clearItems();
    for (int s = 1; s <= seriesCount; ++s) {
        const ChartSeries& series = model.series(s);
        QCPGraph* g = graph(s - 1);
        QPen pen(toColor(series.penColour));
        pen.setWidthF(series.penWidth > 0 ? series.penWidth : 1.0);
        g->setPen(pen);
        g->setName(QString::fromStdString(series.label));
        QVector<double> values(points, std::numeric_limits<double>::quiet_NaN());
        const int stored = std::min<int>(points, static_cast<int>(series.values.size()));
        for (int p = 0; p < stored; ++p) {
            // A point no reading wrote keeps the build's 0: not drawn, or every replay would
            // start with a dip from below the axis.
            const double v = plotted[static_cast<size_t>(p)] ? series.values[static_cast<size_t>(p)]
                                                             : std::numeric_limits<double>::quiet_NaN();
            values[p] = v;
            if (std::isfinite(v)) {
                low = std::min(low, v);
                high = std::max(high, v);
                if (labelled[static_cast<size_t>(p)]) {
                    lowRead = std::min(lowRead, v);
                    highRead = std::max(highRead, v);
                }
            } else {
                values[p] = std::numeric_limits<double>::quiet_NaN();   // a gap in the line
            }
        }
        g->setData(keys, values, true);
        if (model.legendVisible)
            g->addToLegend();
    }
    legend->setVisible(model.legendVisible);

    // Y from the values present, with a little room above and below.
    if (std::isfinite(lowRead)) {
        low = lowRead;
        high = highRead;
    }
    if (!std::isfinite(low)) {
        low = 0;
        high = 1;
    } else if (low == high) {
        const double pad = (low == 0) ? 1 : std::abs(low) * 0.05;
        low = (low == 0) ? 0 : low - pad;
        high += pad;
    } else {
        const double pad = (high - low) * 0.06;
        low -= pad;
        high += pad;
    }
    yAxis->setRange(low, high);
    xAxis->setRange(0.5, std::max(points, 1) + 0.5);

    title_->setText(QString::fromStdString(model.chartTitle));
    xAxis->setLabel(QString::fromStdString(model.axisTitleX));
    yAxis->setLabel(QString::fromStdString(model.axisTitleY));

    pointLabels_.resize(static_cast<size_t>(points));
    for (int p = 1; p <= points; ++p)
        pointLabels_[static_cast<size_t>(p - 1)] = QString::fromStdString(model.pointLabel(p));
    divisionsPerLabel_ = model.divisionsPerLabel;
    placeLabels();

    replot(QCustomPlot::rpQueuedReplot);
    return true;
}

void ChartView::placeLabels()
{
    const int points = static_cast<int>(pointLabels_.size());
    const QFontMetrics metrics(xAxis->tickLabelFont());
    int labelWidth = metrics.horizontalAdvance(QStringLiteral("00:00"));
    // Sample the labels: their widths barely vary, and a replay may have thousands.
    const int step = std::max(1, points / 64);
    for (int p = 0; p < points; p += step)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(pointLabels_[static_cast<size_t>(p)]));
    updateLayout();   // the plot area's width for the current window size and Y labels
    int width = axisRect()->width();
    if (width < 100)
        width = std::max(100, this->width() - 90);

    QMap<double, QString> ticks;
    for (int p : labelledPoints(points, divisionsPerLabel_, width, labelWidth))
        ticks.insert(p, pointLabels_[static_cast<size_t>(p - 1)]);
    xTicker_->setTicks(ticks);
}

void ChartView::resizeEvent(QResizeEvent* event)
{
    QCustomPlot::resizeEvent(event);
    if (rendered_) {
        placeLabels();
        replot(QCustomPlot::rpQueuedReplot);
    }
}

QVector<double> ChartView::labelPositions() const { return xTicker_->ticks().keys().toVector(); }

QVector<QString> ChartView::labelTexts() const { return xTicker_->ticks().values().toVector(); }

} // namespace dcload::ui
