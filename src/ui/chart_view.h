// The chart of the main window: draws the logger's chart model with QCustomPlot. It redraws
// only when the model changed, so a replay of thousands of points costs one redraw.
#pragma once

#include <cstdint>
#include <vector>

#include <QSharedPointer>
#include <QString>

#include "qcustomplot.h"

namespace dcload {
class ChartModel;
}

namespace dcload::ui {

class ChartView : public QCustomPlot {
    Q_OBJECT
public:
    explicit ChartView(QWidget* parent = nullptr);

    // Takes over the model's content when its revision changed since the last call and
    // queues one redraw. Returns whether it did.
    bool render(const ChartModel& model);

    int redraws() const { return redraws_; }
    // The X labels on screen: positions (point numbers) and texts.
    QVector<double> labelPositions() const;
    QVector<QString> labelTexts() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeLabels();

    QCPTextElement* title_ = nullptr;
    QSharedPointer<QCPAxisTickerText> xTicker_;
    std::vector<QString> pointLabels_;
    int divisionsPerLabel_ = 1;
    std::uint64_t revision_ = 0;
    bool rendered_ = false;
    int redraws_ = 0;
};

// Point numbers that get a label: every `divisions` points from 1, thinned to whole multiples
// of that step so that labels about `labelWidth` pixels wide do not overlap on `width` pixels.
std::vector<int> labelledPoints(int pointCount, int divisions, int width, int labelWidth);

} // namespace dcload::ui
