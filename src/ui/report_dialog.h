// "Test Report": the battery and the test as the technician enters them (kept in Report.ini in
// the Results folder, one set per battery identifier), the figures of one test of the current
// run or of a chosen result file at once, the PDF (made off the event thread), the CSV export
// and the chart picture. The figures come from the core (src/report).
#pragma once

#include <QDialog>

#include "ui/report_page.h"

class QComboBox;
class QCustomPlot;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
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
    // Writes the PDF off the event thread; the status line says when it is saved and where.
    void savePdfTo(const QString& path);
    bool pdfBusy() const { return pdfBusy_; }

private:
    void recompute();
    void savePdf();
    void exportCsv();
    void saveChartImage();
    void identifierChanged();
    void showEntries(const report::BatteryTest& t);
    report::BatteryTest entered() const;
    void setStatus(const QString& text);

    QString folder_;
    QCustomPlot* mainChart_;
    ReportInput input_;
    std::string savedSettings_;
    QString shownIdentifier_;
    qint64 fileSize_ = -1;      // of the file when last read
    bool showing_ = false;      // filling the fields: no recompute per field
    bool pdfBusy_ = false;
    QLabel* lblFile_ = nullptr;
    QLabel* lblVerdict_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QComboBox* comTest_ = nullptr;
    QLineEdit* txtIdentifier_ = nullptr;
    QLineEdit* txtSite_ = nullptr;
    QLineEdit* txtMake_ = nullptr;
    QLineEdit* txtModel_ = nullptr;
    QLineEdit* txtType_ = nullptr;
    QLineEdit* txtOperator_ = nullptr;
    QLineEdit* txtWitness_ = nullptr;
    QSpinBox* spinCells_ = nullptr;
    QComboBox* comRating_ = nullptr;
    QDoubleSpinBox* spinRated_ = nullptr;
    QDoubleSpinBox* spinHourRate_ = nullptr;
    QDoubleSpinBox* spinEndVolts_ = nullptr;
    QComboBox* comMethod_ = nullptr;
    QDoubleSpinBox* spinK_ = nullptr;
    QDoubleSpinBox* spinTemp_ = nullptr;
    QDoubleSpinBox* spinPass_ = nullptr;
    QDoubleSpinBox* spinOnLoad_ = nullptr;
    QTableWidget* tblResults_ = nullptr;
    QPushButton* cmdPdf_ = nullptr;
};

// File > "Test Report...": a modeless report window on the current run, so logging goes on.
void openTestReport(LoggerApp& app, QCustomPlot* mainChart, QWidget* parent);

} // namespace dcload::ui
