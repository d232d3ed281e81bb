// The test report as one A4 page: title, the battery as entered, the results, the voltage,
// current and temperature curves at full resolution, and a footer. Black on white, so it reads
// the same printed in black and white.
#pragma once

#include <QImage>
#include <QString>

#include "report/test_report.h"

namespace dcload::ui {

struct ReportInput {
    QString fileName;                 // the result file, shown in the footer
    report::BatteryTest test;
    report::RunFigures run;
};

// Writes the page as a PDF; false with a reason when the file cannot be written.
bool writeReportPdf(const QString& path, const ReportInput& input, QString* error = nullptr);

// The same page as a picture, `scale` device pixels per point of the page's 96-per-inch grid.
QImage reportPageImage(const ReportInput& input, double scale = 1.5);

} // namespace dcload::ui
