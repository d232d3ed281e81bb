#include "chart/chart_model.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "decode/format.h"

namespace dcload {

namespace {
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
}

ChartModel::ChartModel() {
    series_.resize(1);
    series_[0].penColour = defaultPen(1);
    pointLabels_.resize(1);
    plotted_.resize(1);
    series_[0].values.assign(1, kNone);
}

Rgb ChartModel::defaultPen(int series) {
    static const Rgb pens[] = {{0, 102, 204}, {204, 51, 0}, {0, 153, 76}, {153, 0, 153}};
    return pens[static_cast<size_t>((series - 1) % 4)];
}

void ChartModel::setSeriesCount(int count) {
    if (count < 1) count = 1;
    size_t old = series_.size();
    series_.resize(static_cast<size_t>(count));
    for (size_t s = old; s < series_.size(); ++s) {
        series_[s].penColour = defaultPen(static_cast<int>(s) + 1);
        series_[s].values.assign(pointLabels_.size(), kNone);
    }
    touch();
}

bool ChartModel::setPointCount(int count) {
    if (count < 1) return false;
    pointLabels_.assign(static_cast<size_t>(count), std::string());
    plotted_.assign(static_cast<size_t>(count), false);
    for (auto& s : series_) s.values.assign(static_cast<size_t>(count), kNone);
    touch();
    return true;
}

ChartSeries* ChartModel::current() {
    if (currentSeries < 1 || currentSeries > seriesCount()) return nullptr;
    return &series_[static_cast<size_t>(currentSeries - 1)];
}

bool ChartModel::setSeriesLabel(const std::string& text) {
    ChartSeries* s = current();
    if (!s) return false;
    if (s->label != text) { s->label = text; touch(); }
    return true;
}

bool ChartModel::setPointLabel(const std::string& text) {
    if (currentPoint < 1 || currentPoint > pointCount()) return false;
    auto& l = pointLabels_[static_cast<size_t>(currentPoint - 1)];
    if (l != text) { l = text; touch(); }
    return true;
}

bool ChartModel::setPointValue(double value) {
    ChartSeries* s = current();
    if (!s || currentPoint < 1 || currentPoint > pointCount()) return false;
    s->values[static_cast<size_t>(currentPoint - 1)] = value;
    plotted_[static_cast<size_t>(currentPoint - 1)] = true;
    touch();
    return true;
}

bool ChartModel::zeroPoint() {
    if (!setPointValue(0.0)) return false;
    plotted_[static_cast<size_t>(currentPoint - 1)] = false;
    return true;
}

bool ChartModel::plotted(int p) const {
    return p >= 1 && p <= pointCount() && plotted_[static_cast<size_t>(p - 1)];
}

bool ChartModel::setPointValue(const std::string& decimalText) {
    double v = 0;
    auto t = trimBlanks(decimalText);
    auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return false;
    return setPointValue(v);
}

bool ChartModel::setPenWidth(int series, float width) {
    if (series < 1 || series > seriesCount()) return false;
    series_[static_cast<size_t>(series - 1)].penWidth = width;
    touch();
    return true;
}

bool ChartModel::setPenColour(int series, Rgb colour) {
    if (series < 1 || series > seriesCount()) return false;
    series_[static_cast<size_t>(series - 1)].penColour = colour;
    touch();
    return true;
}

double ChartModel::value(int s, int p) const {
    if (s < 1 || s > seriesCount() || p < 1 || p > pointCount()) return kNone;
    return series_[static_cast<size_t>(s - 1)].values[static_cast<size_t>(p - 1)];
}

std::string ChartModel::valueText(int s, int p) const {
    double v = value(s, p);
    if (std::isnan(v)) return "";
    if (v == std::floor(v) && std::fabs(v) < 1e15) return std::to_string(static_cast<long long>(v));
    return formatPattern(v, "0.000000");
}

} // namespace dcload
