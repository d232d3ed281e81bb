#include "ui/report_command.h"

#include <cstring>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include "results/file_io.h"
#include "ui/report_page.h"

namespace dcload::ui {

bool isReportCommand(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--report") == 0 || std::strncmp(argv[i], "--report=", 9) == 0)
            return true;
    return false;
}

int runReportCommand(int argc, char** argv, const QString& defaultResultsFolder)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Scripts read standard error: only the command's own line goes there, not Qt's notes.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "dc-load-logger: %s\n", qPrintable(text));
    });
    QApplication app(argc, argv);
    return reportCommand(QApplication::arguments(), defaultResultsFolder, stdout, stderr);
}

int reportCommand(const QStringList& arguments, const QString& defaultResultsFolder, std::FILE* out, std::FILE* err)
{
    auto fail = [err](const QString& why) {
        std::fprintf(err, "dc-load-logger: %s\n", qPrintable(why));
        return 2;
    };
    QCommandLineParser parser;
    const QCommandLineOption file("report", "Result file to report on.", "FILE");
    const QCommandLineOption pdf("out", "PDF file to write.", "PDF");
    const QCommandLineOption cells("cells", "Number of cells.", "N");
    const QCommandLineOption ratedAh("rated-ah", "Rated capacity in Ah at the test rate.", "A");
    const QCommandLineOption ratedMinutes("rated-minutes", "Rated time in minutes to the end voltage.", "M");
    const QCommandLineOption endVolts("end-volts", "End voltage per cell.", "V");
    const QCommandLineOption k("k", "Temperature correction factor.", "K");
    const QCommandLineOption pass("pass", "Pass threshold in percent.", "P");
    const QCommandLineOption site("site", "Site or battery name.", "TEXT");
    const QCommandLineOption resultsDir("results-dir", "Results folder whose Report.ini gives the defaults.", "DIR");
    parser.addOptions({file, pdf, cells, ratedAh, ratedMinutes, endVolts, k, pass, site, resultsDir});
    const QCommandLineOption help("help", "This text.");
    parser.addOption(help);
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(help)) {
        std::fprintf(out, "%s", qPrintable(parser.helpText()));
        return 0;
    }
    if (!parser.isSet(pdf))
        return fail("--report needs --out PDF");
    if (parser.isSet(ratedAh) && parser.isSet(ratedMinutes))
        return fail("give --rated-ah or --rated-minutes, not both");

    // The entries the dialog remembered are the defaults; the options override them.
    const QString folder = parser.isSet(resultsDir) ? parser.value(resultsDir) : defaultResultsFolder;
    report::BatteryTest test = report::loadSettings(QDir(folder).filePath("Report.ini").toStdString());
    bool numbersOk = true;
    auto number = [&](const QCommandLineOption& o, auto& target) {
        if (!parser.isSet(o))
            return false;
        bool ok = false;
        const double v = parser.value(o).toDouble(&ok);
        numbersOk = numbersOk && ok && std::abs(v) < 1e9;
        target = static_cast<std::remove_reference_t<decltype(target)>>(v);
        return true;
    };
    number(cells, test.cells);
    if (number(ratedAh, test.rated))
        test.rating = report::Rating::AmpHours;
    if (number(ratedMinutes, test.rated))
        test.rating = report::Rating::Minutes;
    number(endVolts, test.endCellVolts);
    number(k, test.k);
    number(pass, test.passPercent);
    if (parser.isSet(site))
        test.site = parser.value(site).toStdString();
    if (!numbersOk)
        return fail("a number option has no usable number");
    if (const std::string problem = report::checkTest(test); !problem.empty())
        return fail(QString::fromStdString(problem));

    ReportInput input;
    input.fileName = parser.value(file);
    input.test = test;
    std::string content;
    const FileResult read = readWholeFile(input.fileName.toStdString(), content);
    if (!read.ok())
        return fail("cannot read " + input.fileName + " (" + QString::fromStdString(read.reason) + ")");
    input.run = report::analyseRun(content, test);
    if (input.run.samples.empty())
        return fail(input.fileName + " holds no readings");
    QString error;
    if (!writeReportPdf(parser.value(pdf), input, &error))
        return fail(error);

    std::fprintf(out, "file: %s\n", qPrintable(QFileInfo(input.fileName).fileName()));
    for (const auto& lines : {report::batteryLines(test), report::resultLines(input.run)})
        for (const auto& l : lines)
            std::fprintf(out, "%s: %s\n", l.key.c_str(), l.value.c_str());
    return 0;
}

} // namespace dcload::ui
