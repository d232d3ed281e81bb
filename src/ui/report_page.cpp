#include "ui/report_page.h"

#include <algorithm>
#include <cmath>

#include <QDateTime>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include "results/file_io.h"

namespace dcload::ui {

namespace {

// The page is laid out on a 96-per-inch grid: A4 is 794 x 1123 units.
constexpr double kPageWidth = 793.7, kPageHeight = 1122.5, kMargin = 48;
constexpr double kLeft = kMargin, kRight = kPageWidth - kMargin, kWidth = kRight - kLeft;

QString text(const std::string& s) { return QString::fromStdString(s); }

QString pcTime(const std::string& iso)
{
    return iso.empty() ? QString("date not recorded") : text(iso).replace('T', ' ');
}

struct Fonts {
    QFont title, body, bold, small;
    Fonts()
    {
        title.setPointSizeF(16);
        title.setBold(true);
        body.setPointSizeF(8.5);
        bold = body;
        bold.setBold(true);
        small.setPointSizeF(7.5);
    }
};

// Text wrapped into the width; returns the height it took.
double wrapped(QPainter& p, double x, double y, double w, const QString& s, int align = Qt::AlignLeft)
{
    const QRectF r = p.boundingRect(QRectF(x, y, w, 10000), align | Qt::TextWordWrap, s);
    p.drawText(QRectF(x, y, w, r.height()), align | Qt::TextWordWrap, s);
    return r.height();
}

// A table of label / value rows; long values wrap. Returns the y below it.
double table(QPainter& p, const Fonts& f, double x, double y, double w, const QString& heading,
             const std::vector<report::ReportLine>& lines)
{
    p.setFont(f.bold);
    p.drawText(QRectF(x, y, w, 16), Qt::AlignLeft | Qt::AlignVCenter, heading);
    p.setPen(QPen(Qt::black, 0.8));
    p.drawLine(QPointF(x, y + 17), QPointF(x + w, y + 17));
    y += 20;
    for (const auto& l : lines) {
        p.setFont(l.key == "result" ? f.bold : f.body);
        const double h1 = wrapped(p, x, y, w * 0.55, text(l.label));
        const double h2 = wrapped(p, x + w * 0.57, y, w * 0.43, text(l.value), Qt::AlignRight);
        y += std::max({h1, h2, 13.0}) + 1;
    }
    return y;
}

// Voltage, current and temperature stacked over one time axis, every panel with the same plot
// rectangle width so the time axes line up. Each column of pixels draws the lowest and highest
// reading in it, so 36,000 readings cost no more than a few hundred line segments.
void paintCharts(QPainter& p, const Fonts& f, const QRectF& area, const ReportInput& in)
{
    const auto& s = in.run.samples;
    double tMax = 60;
    for (const auto& x : s)
        tMax = std::max(tMax, x.seconds);
    const struct {
        const char* label;
        double report::Sample::*value;
    } panels[] = {{"Voltage (V)", &report::Sample::volts},
                  {"Current (A)", &report::Sample::amps},
                  {"Temperature (\u00B0C)", &report::Sample::celsius}};
    const double axisLeft = 52, axisBottom = 30, gap = 10;
    const double panelHeight = (area.height() - axisBottom - 2 * gap) / 3;
    // Time ticks: a step that gives at most about 10 of them.
    double step = 600;
    for (double c : {600.0, 1800.0, 3600.0, 7200.0, 10800.0, 21600.0})
        if (tMax / c <= 10) {
            step = c;
            break;
        }
    for (int row = 0; row < 3; ++row) {
        const QRectF plot(area.left() + axisLeft, area.top() + row * (panelHeight + gap), area.width() - axisLeft - 4,
                          panelHeight);
        double lo = 1e300, hi = -1e300;
        for (const auto& x : s) {
            lo = std::min(lo, x.*panels[row].value);
            hi = std::max(hi, x.*panels[row].value);
        }
        if (row == 0 && in.run.endVoltage > 0) {
            lo = std::min(lo, in.run.endVoltage);
            hi = std::max(hi, in.run.endVoltage);
        }
        if (!(hi >= lo)) {
            lo = 0;
            hi = 1;
        }
        const double pad = std::max(0.05 * (hi - lo), 0.5);
        lo -= pad;
        hi += pad;
        const auto px = [&](double t) { return plot.left() + t / tMax * plot.width(); };
        const auto py = [&](double v) { return plot.bottom() - (v - lo) / (hi - lo) * plot.height(); };

        p.setFont(f.small);
        p.setPen(QPen(QColor(190, 190, 190), 0.5, Qt::DotLine));
        for (double t = 0; t <= tMax + 1e-9; t += step)
            p.drawLine(QPointF(px(t), plot.top()), QPointF(px(t), plot.bottom()));
        const double vStep = std::pow(10, std::floor(std::log10((hi - lo) / 4)));
        const double niceStep = (hi - lo) / vStep > 20 ? vStep * 5 : (hi - lo) / vStep > 8 ? vStep * 2 : vStep;
        for (double v = std::ceil(lo / niceStep) * niceStep; v <= hi; v += niceStep) {
            p.setPen(QPen(QColor(190, 190, 190), 0.5, Qt::DotLine));
            p.drawLine(QPointF(plot.left(), py(v)), QPointF(plot.right(), py(v)));
            p.setPen(Qt::black);
            p.drawText(QRectF(plot.left() - 40, py(v) - 7, 36, 14), Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(v, 'f', niceStep < 1 ? 1 : 0));
        }
        p.setPen(QPen(Qt::black, 0.8));
        p.drawRect(plot);
        p.save();
        p.translate(area.left() + 8, plot.center().y());
        p.rotate(-90);
        p.drawText(QRectF(-plot.height() / 2, -8, plot.height(), 14), Qt::AlignCenter, panels[row].label);
        p.restore();
        if (row == 0 && in.run.endVoltage > 0) {
            p.setPen(QPen(Qt::black, 0.8, Qt::DashLine));
            p.drawLine(QPointF(plot.left(), py(in.run.endVoltage)), QPointF(plot.right(), py(in.run.endVoltage)));
            p.drawText(QRectF(plot.left(), py(in.run.endVoltage) - 14, plot.width() - 4, 13), Qt::AlignRight,
                       QString("End voltage %1 V").arg(in.run.endVoltage, 0, 'f', 2));
        }
        // The curve: one vertical stroke per pixel column, joined in order.
        QPainterPath path;
        int column = -1;
        double cMin = 0, cMax = 0, cLast = 0;
        bool started = false;
        auto flush = [&] {
            if (column < 0)
                return;
            const double x = plot.left() + column;
            if (!started)
                path.moveTo(x, py(cMin)), started = true;
            path.lineTo(x, py(cMin));
            path.lineTo(x, py(cMax));
            path.lineTo(x, py(cLast));
        };
        for (const auto& x : s) {
            const int c = static_cast<int>(std::floor(px(x.seconds) - plot.left()));
            const double v = x.*panels[row].value;
            if (c != column) {
                flush();
                column = c;
                cMin = cMax = v;
            }
            cMin = std::min(cMin, v);
            cMax = std::max(cMax, v);
            cLast = v;
        }
        flush();
        p.setPen(QPen(Qt::black, 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        if (row == 2) {
            p.setPen(Qt::black);
            for (double t = 0; t <= tMax + 1e-9; t += step)
                p.drawText(QRectF(px(t) - 30, plot.bottom() + 2, 60, 12), Qt::AlignCenter,
                           text(report::clockText(t)).left(5));
            p.drawText(QRectF(plot.left(), plot.bottom() + 15, plot.width(), 13), Qt::AlignCenter,
                       "Load bank test time (h:mm)");
        }
    }
}

void paintFooter(QPainter& p, const Fonts& f, const ReportInput& in, int page)
{
    const double footer = kPageHeight - kMargin - 16;
    p.setPen(QPen(Qt::black, 0.8));
    p.drawLine(QPointF(kLeft, footer - 4), QPointF(kRight, footer - 4));
    p.setFont(f.small);
    p.drawText(QRectF(kLeft, footer, kWidth, 16), Qt::AlignLeft | Qt::AlignVCenter,
               "Result file: " + QFileInfo(in.fileName).fileName() +
                   QString("   Test %1 of %2").arg(in.run.testNumber).arg(in.run.testCount));
    p.drawText(QRectF(kLeft, footer, kWidth, 16), Qt::AlignCenter, QString("Page %1 of %2").arg(page + 1).arg(kReportPages));
    p.drawText(QRectF(kLeft, footer, kWidth, 16), Qt::AlignRight | Qt::AlignVCenter, "Report made " + in.madeAt);
}

void paintPage(QPainter& p, const ReportInput& in, int page)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRectF(0, 0, kPageWidth, kPageHeight), Qt::white);
    p.setPen(Qt::black);
    const Fonts f;
    const auto& r = in.run;
    if (page == 1) {
        p.setFont(f.bold);
        p.drawText(QRectF(kLeft, kMargin, kWidth, 18), Qt::AlignLeft | Qt::AlignVCenter,
                   "Voltage, current and temperature against the load bank's test time");
        const double signTop = kPageHeight - kMargin - 150;
        paintCharts(p, f, QRectF(kLeft, kMargin + 26, kWidth, signTop - kMargin - 40), in);
        // Signature lines.
        p.setFont(f.body);
        const double w = (kWidth - 40) / 3;
        const char* who[] = {"Tested by", "Witnessed by", "Approved by"};
        const std::string names[] = {in.test.operatorName, in.test.witness, ""};
        for (int i = 0; i < 3; ++i) {
            const double x = kLeft + i * (w + 20);
            p.drawText(QRectF(x, signTop, w, 14), Qt::AlignLeft, who[i]);
            wrapped(p, x, signTop + 16, w, text(names[i]));
            p.drawLine(QPointF(x, signTop + 70), QPointF(x + w, signTop + 70));
            p.drawText(QRectF(x, signTop + 72, w, 14), Qt::AlignLeft, "Signature");
            p.drawLine(QPointF(x, signTop + 110), QPointF(x + w, signTop + 110));
            p.drawText(QRectF(x, signTop + 112, w, 14), Qt::AlignLeft, "Date");
        }
        paintFooter(p, f, in, page);
        return;
    }

    p.setFont(f.title);
    p.drawText(QRectF(kLeft, kMargin, kWidth - 180, 30), Qt::AlignLeft | Qt::AlignVCenter, "Battery Discharge Test Report");
    p.setFont(f.body);
    p.drawText(QRectF(kLeft, kMargin + 28, kWidth - 180, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QString("dc-load-logger %1").arg(DCLOAD_VERSION));

    // The verdict, in a box at the top right.
    const QRectF box(kRight - 170, kMargin, 170, 52);
    p.setPen(QPen(Qt::black, 1.5));
    p.drawRect(box);
    QFont verdict = f.title;
    verdict.setPointSizeF(15);
    p.setFont(verdict);
    p.drawText(box.adjusted(0, 2, 0, -22), Qt::AlignCenter, text(report::verdictText(r.verdict)));
    p.setFont(f.body);
    p.drawText(box.adjusted(0, 30, 0, -4), Qt::AlignCenter,
               r.capacityPercent ? text(report::capacityText(r)) + " % of rated" : QString("capacity not rated"));

    double y = kMargin + 60;
    p.setFont(f.body);
    QString when = "Run logged from " + pcTime(in.info.firstReading) + " to " + pcTime(in.info.lastReading) + " (PC clock).";
    when += QString(" The file holds %1 test%2; this is test %3.").arg(r.testCount).arg(r.testCount == 1 ? "" : "s").arg(r.testNumber);
    if (!r.note.empty())
        when += " " + QString(report::verdictText(r.verdict).c_str()) + ": " + text(r.note) + ".";
    y += wrapped(p, kLeft, y, kWidth, when) + 8;

    const double half = (kWidth - 24) / 2;
    const double leftBottom = table(p, f, kLeft, y, half, "Battery and test", report::batteryLines(in.test));
    const double rightBottom = table(p, f, kLeft + half + 24, y, half, "Results", report::resultLines(r));
    y = std::max(leftBottom, rightBottom) + 10;

    // Readings at 0, 10, 30, 60 minutes, then hourly, and at the end.
    p.setFont(f.bold);
    p.drawText(QRectF(kLeft, y, kWidth, 16), Qt::AlignLeft | Qt::AlignVCenter, "Readings");
    y += 18;
    const char* heads[] = {"Time (counted)", "Voltage (V)", "Current (A)", "Ah", "Temperature (\u00B0C)"};
    const double cw = kWidth / 5;
    for (int i = 0; i < 5; ++i)
        p.drawText(QRectF(kLeft + i * cw, y, cw, 14), Qt::AlignRight | Qt::AlignVCenter, heads[i]);
    p.drawLine(QPointF(kLeft, y + 15), QPointF(kRight, y + 15));
    y += 17;
    p.setFont(f.body);
    for (const auto& row : r.table) {
        if (y > kPageHeight - kMargin - 90)
            break;
        const QString cells[] = {text(report::clockText(row.seconds)) + (row.end ? " end" : ""),
                                 QString::number(row.volts, 'f', 2), QString::number(row.amps, 'f', 1),
                                 QString::number(row.ampHours, 'f', 1), QString::number(row.celsius, 'f', 1)};
        for (int i = 0; i < 5; ++i)
            p.drawText(QRectF(kLeft + i * cw, y, cw, 13), Qt::AlignRight | Qt::AlignVCenter, cells[i]);
        y += 13;
    }
    y += 8;

    // Interruptions, link gaps, method and warnings, in words.
    QString notes;
    if (r.interruptions.empty()) {
        notes = "Interruptions: none.";
    } else {
        notes = "Interruptions (load off, then on again):";
        for (const auto& i : r.interruptions)
            notes += QString(" at %1 for %2 s%3;").arg(text(report::clockText(i.startSeconds))).arg(i.lengthSeconds, 0, 'f', 0)
                         .arg(i.timerRan ? " (timer ran on: not counted)" : "");
    }
    if (!in.info.gaps.empty()) {
        notes += " Link gaps (no answer from the load bank):";
        for (const auto& g : in.info.gaps)
            notes += QString(" %1 to %2, %3 readings missed;").arg(pcTime(g.start), pcTime(g.end)).arg(g.missed);
    }
    notes += " Temperature correction: " + text(r.methodText) +
             QString(" at %1 \u00B0C.").arg(r.correctionCelsius, 0, 'f', 1);
    if (!r.warning.empty())
        notes += " Warning: " + text(r.warning) + ".";
    if (r.recordsSetAside > 0)
        notes += QString(" %1 readings of a coarser copy of the same test (a download) were not used.").arg(r.recordsSetAside);
    wrapped(p, kLeft, y, kWidth, notes);
    paintFooter(p, f, in, page);
}

} // namespace

bool writeReportPdf(const QString& path, const ReportInput& input, QString* error)
{
    QPdfWriter writer(path);
    writer.setResolution(96);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    writer.setTitle("Battery Discharge Test Report");
    writer.setCreator(QString("dc-load-logger %1").arg(DCLOAD_VERSION));
    QPainter painter;
    if (!painter.begin(&writer)) {
        if (error)
            *error = "cannot write " + path;
        return false;
    }
    for (int page = 0; page < kReportPages; ++page) {
        if (page > 0)
            writer.newPage();
        paintPage(painter, input, page);
    }
    return painter.end();
}

QImage reportPageImage(const ReportInput& input, int page, double scale)
{
    QImage image(static_cast<int>(kPageWidth * scale), static_cast<int>(kPageHeight * scale), QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.setDotsPerMeterX(static_cast<int>(96 / 0.0254));
    image.setDotsPerMeterY(static_cast<int>(96 / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    paintPage(painter, input, page);
    return image;
}

ReportInput reportInputFor(const QString& fileName, const report::BatteryTest& test, int testNumber, QString* readError)
{
    ReportInput in;
    in.fileName = fileName;
    in.test = test;
    std::string content;
    const FileResult read = readWholeFile(fileName.toStdString(), content);
    if (!read.ok() && readError)
        *readError = QString::fromStdString(read.reason);
    in.run = report::analyseRun(read.ok() ? content : std::string(), test, testNumber);
    if (const std::string info = report::runInfoPathFor(fileName.toStdString()); !info.empty())
        in.info = loadRunInfo(info);
    in.madeAt = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm");
    return in;
}

} // namespace dcload::ui
