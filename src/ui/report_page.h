// The test report as two A4 pages an auditor can sign: the battery and the test as entered,
// the dates and clock times of the run, the results, the readings table, the interruptions,
// the method, then the voltage, current and temperature curves over one time axis and the
// signature lines. Black on white, so it reads the same printed in black and white. Painted
// with QPainter alone, so it can be made off the event thread.
#pragma once

#include <QImage>
#include <QString>

#include "report/test_report.h"
#include "results/run_info.h"

namespace dcload::ui {

struct ReportInput {
    QString fileName;                 // the result file, shown in the footer
    report::BatteryTest test;
    report::RunFigures run;
    RunInfo info;                     // PC dates of the run; empty for an older run
    QString madeAt;                   // when the report was made, for the footer
};

constexpr int kReportPages = 2;

// Writes the pages as a PDF; false with a reason when the file cannot be written. Safe to call
// from any thread.
bool writeReportPdf(const QString& path, const ReportInput& input, QString* error = nullptr);

// One page (from 0) as a picture, `scale` device pixels per point of the 96-per-inch grid.
QImage reportPageImage(const ReportInput& input, int page = 0, double scale = 1.5);

// The report input for a result file as it is now: read, checked, the test chosen (0: the
// last complete one), with the run's PC dates.
ReportInput reportInputFor(const QString& fileName, const report::BatteryTest& test, int testNumber,
                           QString* readError = nullptr);

} // namespace dcload::ui
