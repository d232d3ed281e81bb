#include "app/form1.h"
#include "decode/format.h"

namespace dcload {

// Rebuilds the chart empty for graph type `ref`; `rowCount` grows by one and is the number of
// time points. Every step is skipped on its own when the chart rejects it.
void Form1::CreateChart(std::int16_t ref, std::int16_t /*firstRowRef*/, std::int16_t& rowCount) {
    try {
        rowCount = add16(rowCount, 1);
    } catch (const RuntimeError&) {
    }
    buildChart(ref, rowCount);
}

// The replay's row count is 32-bit (a week of readings); the chart it asks for stays small.
void Form1::CreateChart(std::int16_t ref, std::int16_t /*firstRowRef*/, std::int32_t& rowCount) {
    try {
        rowCount = add32(rowCount, 1);
    } catch (const RuntimeError&) {
    }
    buildChart(ref, rowCount);
}

void Form1::buildChart(std::int16_t ref, std::int32_t rowCount) {
    for (int s = 1; s <= 3; ++s) chart.setPenWidth(s, 1.0f);

    graphType = ref;
    // Pens first: they reach only the series that exist before the series count changes.
    if (ref == 0 || ref == 1) {
        chart.setPenColour(1, {139, 69, 69});
        chart.setPenColour(2, {0, 0, 0});
        chart.setPenColour(3, {47, 79, 79});
    } else if (ref == 2) {
        chart.setPenColour(1, {0, 0, 0});
    }
    if (ref < 0 || ref > 2) return;
    chart.setSeriesCount(ref == 2 ? 1 : 3);
    chart.setPointCount(rowCount);

    static const char* const titles[] = {"Volts - Time", "Current - Time", "Temperature(Deg C) - Time"};
    static const char* const yTitles[] = {"Volts", "Current", "Temperature (Deg C)"};
    chart.chartTitle = titles[ref];
    chart.axisTitleX = "Time";
    chart.axisTitleY = yTitles[ref];
    chart.touch();

    if (ref == 0) adjustScale(readings[5], 0);
    if (ref == 1) adjustScale(readings[8], 1);
    if (ref == 2) {
        chart.valueAutoScale = true;
        chart.setPenWidth(1, 1.0f);
    }
    chart.legendVisible = false;

    const std::string label = ref == 2 ? "Deg C" : "V 1";
    for (int p = 1; p <= rowCount; ++p) {
        chart.currentSeries = 1;
        chart.setSeriesLabel(label);
        chart.currentPoint = p;
        chart.setPointLabel("");
        chart.zeroPoint();
    }
}

void Form1::adjustScale(float /*value*/, std::int16_t /*c*/) {
    chart.valueAutoScale = true;
}

} // namespace dcload
