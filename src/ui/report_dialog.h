// "Test Report": the battery and the test as the technician enters them (kept in Report.ini in
// the Results folder), the figures of the current run or of a chosen result file at once, and
// the PDF and chart picture. The figures come from the core (src/report).
#pragma once

#include <QDialog>

#include "ui/report_page.h"

class QComboBox;
class QCustomPlot;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableWidget;

namespace dcload::ui {

class LoggerApp;

class ReportDialog : public QDialog {
    Q_OBJECT
public:
    // `runFile` is the result file to start with; `mainChart` the chart "Save Chart Image..."
    // writes (none: the button is off).
    ReportDialog(const QString& resultsFolder, const QString& runFile, QCustomPlot* mainChart,
                 QWidget* parent = nullptr);

    void setFile(const QString& path);
    const ReportInput& input() const { return input_; }

private:
    void recompute();
    void savePdf();
    void saveChartImage();
    report::BatteryTest entered() const;

    QString folder_;
    QCustomPlot* mainChart_;
    ReportInput input_;
    std::string savedSettings_;
    qint64 fileSize_ = -1;      // of the file when last read
    QLabel* lblFile_ = nullptr;
    QLabel* lblVerdict_ = nullptr;
    QLineEdit* txtSite_ = nullptr;
    QSpinBox* spinCells_ = nullptr;
    QComboBox* comRating_ = nullptr;
    QDoubleSpinBox* spinRated_ = nullptr;
    QDoubleSpinBox* spinEndVolts_ = nullptr;
    QDoubleSpinBox* spinK_ = nullptr;
    QDoubleSpinBox* spinPass_ = nullptr;
    QTableWidget* tblResults_ = nullptr;
};

// File > "Test Report...": a modeless report window on the current run, so logging goes on.
void openTestReport(LoggerApp& app, QCustomPlot* mainChart, QWidget* parent);

} // namespace dcload::ui
