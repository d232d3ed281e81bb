#include "app/form1.h"
#include "decode/format.h"

namespace dcload {

void Form1::addChartPoint(const std::string& msg, std::int16_t type, bool resetFlag,
                          std::int16_t startTime, std::int16_t startRow, std::int32_t& rowCount) {
    if (msg.empty()) return;
    if (chartRow == 0) chartRow = 1;
    if (chartTime == 0.0f) chartTime = 1.0f;
    if (resetFlag) {
        chartTime = startTime;
        chartRow = startRow;
        CreateChart(type, startTime, rowCount);
    }
    if (msg.size() == 6) return;

    std::string label;
    if (msg.size() >= 32) {
        const std::int32_t t = hexField(std::string_view(msg).substr(16, 4));
        chartTime = static_cast<float>(t);
        // Normally the decoder has just shown this very test time.
        label = t == static_cast<std::int32_t>(readings[7]) ? ctl.lblA[3].caption : testTimeText(t);
    }
    chartRow = add16(chartRow, 1);

    long long value = 0;
    std::string seriesLabel = "V 1";
    if (type == 0) value = wholeOfOneDecimal(readings[5] / 100.0f);
    else if (type == 1) value = wholeOfOneDecimal(readings[6] / 10.0f);
    else if (type == 2) { value = wholeOfOneDecimal(readings[9] / 10.0f); seriesLabel = "Deg C"; }
    else return;

    chart.currentSeries = 1;
    chart.setSeriesLabel(seriesLabel);
    chart.currentPoint = chartRow;
    // A point beyond the points the chart was built with is not plotted; the replay goes on.
    if (!chart.setPointLabel(label)) return;
    chart.setPointValue(static_cast<double>(value));
    if (type == 0) adjustScale(readings[5], 0);
    if (type == 1) adjustScale(readings[8], 1);
}

} // namespace dcload
