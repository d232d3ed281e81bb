// The chart as data: series, time points, labels, titles, pens and axis settings. Every
// chart change goes through here; the Qt layer renders it. Writes that address a series or a
// point that does not exist are rejected (return false) and change nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/controls.h"

namespace dcload {

struct ChartSeries {
    std::string label;
    float penWidth = 1.0f;
    Rgb penColour;
    std::vector<double> values; // NaN: no value at that point
};

class ChartModel {
public:
    ChartModel();

    int seriesCount() const { return static_cast<int>(series_.size()); }
    int pointCount() const { return static_cast<int>(pointLabels_.size()); }
    void setSeriesCount(int count); // new series get the default pens, no values
    bool setPointCount(int count);  // rejected below 1

    int currentSeries = 1;
    int currentPoint = 1;
    bool setSeriesLabel(const std::string& text);
    bool setPointLabel(const std::string& text);
    bool setPointValue(const std::string& decimalText);
    bool setPointValue(double value);
    bool zeroPoint();                   // value 0 at the current point, as a build leaves it
    bool plotted(int p) const;          // a value other than a build's zero was written at p

    bool setPenWidth(int series, float width);
    bool setPenColour(int series, Rgb colour);

    std::string chartTitle;
    std::string axisTitleX;
    std::string axisTitleY;
    bool legendVisible = false;
    bool valueAutoScale = true;
    bool categoryAutoScale = true;
    int divisionsPerLabel = 1;
    int divisionsPerTick = 1;

    const ChartSeries& series(int s) const { return series_.at(static_cast<size_t>(s - 1)); }
    const std::string& pointLabel(int p) const { return pointLabels_.at(static_cast<size_t>(p - 1)); }
    double value(int s, int p) const;           // NaN when unset or out of range
    std::string valueText(int s, int p) const;  // "" when unset

    // Bumped by every accepted change, so a view can redraw once per handled event.
    std::uint64_t revision() const { return revision_; }
    void touch() { ++revision_; }

    static Rgb defaultPen(int series);

private:
    ChartSeries* current();
    std::vector<ChartSeries> series_;
    std::vector<std::string> pointLabels_;
    std::vector<bool> plotted_;
    std::uint64_t revision_ = 0;
};

} // namespace dcload
