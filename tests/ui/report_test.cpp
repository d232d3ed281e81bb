// The test report on Qt: the headless command, run as the program without a display, against
// the dialog's figures for the same file and entries; its PDF; and pictures of both.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>

#include "loadbank/data_message.h"
#include "loadbank/discharge.h"
#include "logger_fixture.h"
#include "ui/report_dialog.h"

namespace dcload::ui {
namespace {

// The default battery of the load bank model polled every 20 s until after its trip.
QByteArray modelRun()
{
    const loadbank::Discharge model{loadbank::BatteryOptions{}};
    QByteArray text;
    for (int t = 0; t <= 7800; t += 20) {
        const loadbank::Reading r = model.at(t);
        text += loadbank::encodeDataMessage(loadbank::quantize(r.volts, r.amps, r.testSeconds, r.ampHours, r.celsius)).c_str();
        text += QByteArray::number(t).rightJustified(6, '0') + "\r\r\n";
    }
    return text;
}

// 120 minutes rated, K 1.1: the model's 120 minutes are 90.9 %.
report::BatteryTest entries()
{
    report::BatteryTest test;
    test.rating = report::Rating::Minutes;
    test.rated = 120;
    test.k = 1.1;
    test.site = "Bank A";
    return test;
}

struct Outcome {
    int exitCode = -1;
    QString out, err;
};

// The program with no display at all: no X, no Wayland, no platform chosen.
Outcome program(const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    p.setProcessEnvironment(env);
    p.start(DCLOAD_PROGRAM, args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError()};
}

TEST(TestReport, CommandWritesOnePagePdfWithTheDialogsFigures)
{
    QTemporaryDir dir;
    const QString run = dir.filePath("DC_Result_3.txt"), pdf = dir.filePath("report.pdf");
    QFile f(run);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("junk\r\n" + modelRun());
    f.close();

    const Outcome r = program({"--report", run, "--out", pdf, "--cells", "24", "--rated-minutes", "120", "--k", "1.1",
                           "--site", "Bank A", "--results-dir", dir.path()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QFile written(pdf);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 1);
    EXPECT_TRUE(r.out.contains("capacity_percent: 90.9\n")) << r.out.toStdString(); // 120 of 120 x 1.1 min

    // The dialog, given the same entries through Report.ini, shows the same result lines.
    ASSERT_TRUE(report::saveSettings(dir.filePath("Report.ini").toStdString(), entries()).ok());
    ReportDialog dialog(dir.path(), run, nullptr);
    auto* table = dialog.findChild<QTableWidget*>("tblResults");
    QString shown;
    for (int i = 0; i < table->rowCount(); ++i)
        shown += table->item(i, 0)->data(Qt::UserRole).toString() + ": " + table->item(i, 1)->text() + "\n";
    EXPECT_TRUE(r.out.endsWith(shown)) << shown.toStdString();
    EXPECT_TRUE(shown.contains("readings_skipped: 1\n"));

    // Files it cannot use: one line on standard error, status 2, no PDF.
    QFile(dir.filePath("empty.txt")).open(QIODevice::WriteOnly);
    for (const QString& bad : {dir.filePath("missing.txt"), dir.filePath("empty.txt")}) {
        const Outcome b = program({"--report", bad, "--out", dir.filePath("bad.pdf")});
        EXPECT_EQ(b.exitCode, 2) << bad.toStdString();
        EXPECT_EQ(b.err.count('\n'), 1) << b.err.toStdString();
        EXPECT_FALSE(QFile::exists(dir.filePath("bad.pdf")));
    }
}

TEST(TestReport, MenuItemOpensTheReportOnTheCurrentRun)
{
    test::LoggerFixture f;
    f.writeFile(QString("DC_Result_%1.txt").arg(f.form().getLastFileNumber()), "junk\r\n" + modelRun());
    ASSERT_TRUE(report::saveSettings(f.folder() + "/Report.ini", entries()).ok());
    f.window().findChild<QAction*>("mnuTestReport")->trigger();
    ReportDialog* dialog = nullptr;
    ASSERT_TRUE(test::waitUntil([&] { return (dialog = f.window().findChild<ReportDialog*>()) && dialog->isVisible(); }));
    EXPECT_EQ(dialog->input().fileName.toStdString(), f.form().resultFileName(f.form().getLastFileNumber()));
    EXPECT_EQ(dialog->input().run.verdict, report::Verdict::Pass);
    dialog->grab().save(DCLOAD_UI_SHOT_DIR "/report-dialog.png");
    reportPageImage(dialog->input()).save(DCLOAD_UI_SHOT_DIR "/report-page.png");
    dialog->close();
}

} // namespace
} // namespace dcload::ui
