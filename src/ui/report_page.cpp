#include "ui/report_page.h"

#include <QDateTime>
#include <QFileInfo>
#include <QPageLayout>
#include <QPdfWriter>

#include "qcustomplot.h"

namespace dcload::ui {

namespace {

// The page is laid out on a 96-per-inch grid: A4 is 794 x 1123 units.
constexpr double kPageWidth = 793.7, kPageHeight = 1122.5, kMargin = 48;

QString text(const std::string& s) { return QString::fromStdString(s); }

// Voltage, current and temperature stacked over one test-time axis. Curves keep the order of
// the readings: the test time stands while the load is off, and the curve shows it as such.
void buildCharts(QCustomPlot& plot, const ReportInput& in)
{
    plot.plotLayout()->clear();
    const auto& samples = in.run.samples;
    double tMax = 60;
    for (const auto& s : samples)
        tMax = std::max(tMax, s.seconds);
    QSharedPointer<QCPAxisTickerTime> ticker(new QCPAxisTickerTime);
    ticker->setTimeFormat("%h:%m");
    const struct {
        const char* label;
        double report::Sample::*value;
    } panels[] = {{"Voltage (V)", &report::Sample::volts},
                  {"Current (A)", &report::Sample::amps},
                  {"Temperature (\u00B0C)", &report::Sample::celsius}};
    QFont small;
    small.setPointSizeF(7.5);
    for (int row = 0; row < 3; ++row) {
        auto* rect = new QCPAxisRect(&plot);
        plot.plotLayout()->addElement(row, 0, rect);
        QCPAxis* x = rect->axis(QCPAxis::atBottom);
        QCPAxis* y = rect->axis(QCPAxis::atLeft);
        x->setTicker(ticker);
        x->setRange(0, tMax);
        x->setTickLabels(row == 2);
        if (row == 2)
            x->setLabel("Test time (h:mm)");
        y->setLabel(panels[row].label);
        for (QCPAxis* a : {x, y}) {
            a->setTickLabelFont(small);
            a->setLabelFont(small);
            a->grid()->setPen(QPen(QColor(200, 200, 200), 0.5, Qt::DotLine));
        }
        auto* curve = new QCPCurve(x, y);
        QVector<double> t, k, v;
        for (int i = 0; i < static_cast<int>(samples.size()); ++i) {
            t << i;
            k << samples[static_cast<size_t>(i)].seconds;
            v << samples[static_cast<size_t>(i)].*panels[row].value;
        }
        curve->setData(t, k, v, true);
        curve->setPen(QPen(Qt::black, 1.2));
        bool found = false;
        QCPRange range = curve->getValueRange(found);
        if (row == 0 && in.run.endVoltage > 0) {
            auto* end = new QCPGraph(x, y);
            end->setData({0, tMax}, {in.run.endVoltage, in.run.endVoltage});
            end->setPen(QPen(Qt::black, 1, Qt::DashLine));
            range.expand(in.run.endVoltage);
            auto* note = new QCPItemText(&plot);
            note->setClipAxisRect(rect);
            note->position->setAxisRect(rect);
            note->position->setAxes(x, y);
            note->position->setTypeX(QCPItemPosition::ptAxisRectRatio);
            note->position->setCoords(0.99, in.run.endVoltage);
            note->setPositionAlignment(Qt::AlignRight | Qt::AlignBottom);
            note->setFont(small);
            note->setText(QString("End voltage %1 V").arg(in.run.endVoltage, 0, 'f', 2));
            found = true;
        }
        if (!found)
            range = QCPRange(0, 1);
        const double pad = std::max(0.05 * range.size(), 0.5);
        y->setRange(range.lower - pad, range.upper + pad);
    }
}

void paintPage(QCPPainter& p, const ReportInput& in)
{
    p.setMode(QCPPainter::pmVectorized);
    p.setMode(QCPPainter::pmNoCaching);
    p.setMode(QCPPainter::pmNonCosmetic);
    p.fillRect(QRectF(0, 0, kPageWidth, kPageHeight), Qt::white);
    p.setPen(Qt::black);
    const double left = kMargin, right = kPageWidth - kMargin, width = right - left;

    QFont title;
    title.setPointSizeF(16);
    title.setBold(true);
    QFont body;
    body.setPointSizeF(9);
    QFont bold = body;
    bold.setBold(true);

    p.setFont(title);
    p.drawText(QRectF(left, kMargin, width, 30), Qt::AlignLeft | Qt::AlignVCenter, "Battery Discharge Test Report");
    p.setFont(body);
    p.drawText(QRectF(left, kMargin + 30, width, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QString("dc-load-logger %1").arg(DCLOAD_VERSION));

    // The verdict, in a box at the top right.
    const QRectF box(right - 170, kMargin, 170, 52);
    p.setPen(QPen(Qt::black, 1.5));
    p.drawRect(box);
    QFont verdict = title;
    verdict.setPointSizeF(15);
    p.setFont(verdict);
    p.drawText(box.adjusted(0, 2, 0, -22), Qt::AlignCenter, text(report::verdictText(in.run.verdict)));
    p.setFont(body);
    QString capacity = "capacity not rated";
    if (in.run.capacityPercent)
        capacity = QString("%1%2 % of rated").arg(in.run.reachedSeconds ? "" : "at least ").arg(*in.run.capacityPercent, 0, 'f', 1);
    p.drawText(box.adjusted(0, 30, 0, -4), Qt::AlignCenter, capacity);

    // Two tables: the battery as entered, and the results.
    auto table = [&](double x, double y, double w, const char* heading, const std::vector<report::ReportLine>& lines) {
        p.setFont(bold);
        p.drawText(QRectF(x, y, w, 18), Qt::AlignLeft | Qt::AlignVCenter, heading);
        p.setPen(QPen(Qt::black, 0.8));
        p.drawLine(QPointF(x, y + 19), QPointF(x + w, y + 19));
        y += 22;
        for (const auto& l : lines) {
            p.setFont(l.key == "result" ? bold : body);
            p.drawText(QRectF(x, y, w * 0.62, 15), Qt::AlignLeft | Qt::AlignVCenter, text(l.label));
            p.drawText(QRectF(x + w * 0.62, y, w * 0.38, 15), Qt::AlignRight | Qt::AlignVCenter, text(l.value));
            y += 15;
        }
        return y;
    };
    const double top = kMargin + 70, half = (width - 30) / 2;
    table(left, top, half, "Battery and test", report::batteryLines(in.test));
    const double bottom = table(left + half + 30, top, half, "Results", report::resultLines(in.run));

    // The curves, drawn as vectors into the rest of the page above the footer.
    const double chartTop = bottom + 14, chartHeight = kPageHeight - kMargin - 30 - chartTop;
    QCustomPlot plot;
    buildCharts(plot, in);
    p.save();
    p.translate(left, chartTop);
    plot.toPainter(&p, static_cast<int>(width), static_cast<int>(chartHeight));
    p.restore();

    const double footer = kPageHeight - kMargin - 18;
    p.setPen(QPen(Qt::black, 0.8));
    p.drawLine(QPointF(left, footer - 4), QPointF(right, footer - 4));
    p.setFont(body);
    p.drawText(QRectF(left, footer, width, 18), Qt::AlignLeft | Qt::AlignVCenter,
               "Result file: " + QFileInfo(in.fileName).fileName());
    p.drawText(QRectF(left, footer, width, 18), Qt::AlignRight | Qt::AlignVCenter,
               "Report made " + QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm"));
}

} // namespace

bool writeReportPdf(const QString& path, const ReportInput& input, QString* error)
{
    QPdfWriter writer(path);
    writer.setResolution(96);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    writer.setTitle("Battery Discharge Test Report");
    writer.setCreator(QString("dc-load-logger %1").arg(DCLOAD_VERSION));
    QCPPainter painter;
    if (!painter.begin(&writer)) {
        if (error)
            *error = "cannot write " + path;
        return false;
    }
    paintPage(painter, input);
    return painter.end();
}

QImage reportPageImage(const ReportInput& input, double scale)
{
    QImage image(static_cast<int>(kPageWidth * scale), static_cast<int>(kPageHeight * scale), QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.setDotsPerMeterX(static_cast<int>(96 / 0.0254));
    image.setDotsPerMeterY(static_cast<int>(96 / 0.0254));
    image.fill(Qt::white);
    QCPPainter painter(&image);
    paintPage(painter, input);
    return image;
}

} // namespace dcload::ui
