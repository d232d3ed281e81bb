// The test report run headless, as the program without a display, against the dialog's figures
// for the same file and entries.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "qcustomplot.h"
#include "ui/qt_wait.h"

#include "loadbank/data_message.h"
#include "loadbank/discharge.h"
#include "ui/report_dialog.h"

namespace dcload::ui {
namespace {

TEST(TestReport, CommandWritesPdfAndCsvWithTheDialogsFigures)
{
    QTemporaryDir dir;
    const QString run = dir.filePath("DC_Result_3.txt"), pdf = dir.filePath("report.pdf");
    QFile file(run);   // the load bank model's default battery polled every 20 s until after its trip
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("junk\r\n");
    const loadbank::Discharge model{loadbank::BatteryOptions{}};
    for (int t = 0; t <= 7800; t += 20) {
        const loadbank::Reading r = model.at(t);
        file.write(loadbank::encodeDataMessage(loadbank::quantize(r.volts, r.amps, r.testSeconds, r.ampHours, r.celsius)).c_str());
        file.write(QByteArray::number(t).rightJustified(6, '0') + "\r\r\n");
    }
    file.close();

    QFile acip(dir.filePath("ACIP.txt")); // the headless report never dials, but its folder points at loopback all the same
    ASSERT_TRUE(acip.open(QIODevice::WriteOnly) && acip.write("127.0.0.1\r\n") > 0);
    acip.close();
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);   // no display at all
    p.setProcessEnvironment(env);
    p.start(DCLOAD_PROGRAM, {"--report", run, "--out", pdf, "--cells", "24", "--rated-minutes", "120", "--k", "1.1",
                             "--site", "Bank A", "--results-dir", dir.path(), "--csv", dir.filePath("t.csv")});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QString out = p.readAllStandardOutput();
    QFile written(pdf);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 2);
    QFile csv(dir.filePath("t.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readLine().startsWith("Test Time / s,Voltage / V,Current / A,Discharging Capacity / Ah,Temperature / degC"));
    EXPECT_TRUE(out.contains("capacity_percent: 90.9\n")) << out.toStdString();   // 120 of 120 x 1.1 min

    // The dialog, given the same entries through Report.ini, shows the same result lines.
    const report::BatteryTest entries{.site = "Bank A", .rating = report::Rating::Minutes, .rated = 120, .k = 1.1};
    ASSERT_TRUE(report::saveSettings(dir.filePath("Report.ini").toStdString(), entries).ok());
    ReportDialog dialog(dir.path(), run, nullptr);
    auto* table = dialog.findChild<QTableWidget*>("tblResults");
    QString shown;
    for (int i = 0; i < table->rowCount(); ++i)
        shown += table->item(i, 0)->data(Qt::UserRole).toString() + ": " + table->item(i, 1)->text() + "\n";
    EXPECT_TRUE(out.endsWith(shown)) << shown.toStdString();
    EXPECT_TRUE(shown.contains("readings_skipped: 1\n"));

    // The keyboard: Tab reaches every button within 12 presses, the table is one stop.
    QCustomPlot chart;
    ReportDialog keys(dir.path(), run, &chart);
    EXPECT_LE(keys.minimumSizeHint().height(), 600);   // fits a 1024x600 screen: the entries scroll
    keys.resize(1024, 600);
    keys.show();
    QApplication::setActiveWindow(&keys);
    ASSERT_TRUE(test::waitUntil([&] { return keys.isActiveWindow(); }));
    QSet<QString> reached;
    for (int i = 0; i < 12; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget()->objectName();
    }
    for (const char* name : {"cmdChooseFile", "cmdSavePdf", "cmdExportCsv", "cmdSaveChartImage", "cmdClose"})
        EXPECT_TRUE(reached.contains(name)) << name;
    // Save PDF says where it saved, once the page is made off the event thread.
    keys.savePdfTo(dir.filePath("keys.pdf"));
    ASSERT_TRUE(test::waitUntil([&] { return !keys.pdfBusy(); }, 30000));
    EXPECT_EQ(keys.findChild<QLabel*>("lblReportStatus")->text(), "Saved PDF: " + QDir::toNativeSeparators(dir.filePath("keys.pdf")));
    QTest::keyClick(keys.findChild<QWidget*>("txtSite"), Qt::Key_Return);   // the default button: Close
    EXPECT_FALSE(keys.isVisible());
}

} // namespace
} // namespace dcload::ui
