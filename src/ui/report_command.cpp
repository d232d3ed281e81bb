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
    const QCommandLineOption csv("csv", "CSV file to write: the reported test's readings with units.", "FILE");
    const QCommandLineOption testNumber("test", "Which test of the file (1 = the first; default: the last complete one).", "N");
    const QCommandLineOption cells("cells", "Number of cells.", "N");
    const QCommandLineOption ratedAh("rated-ah", "Rated capacity in Ah at the test rate.", "A");
    const QCommandLineOption ratedMinutes("rated-minutes", "Rated time in minutes to the end voltage.", "M");
    const QCommandLineOption hourRate("hour-rate", "Hour rate of the rating (10 for C10).", "H");
    const QCommandLineOption endVolts("end-volts", "End voltage per cell.", "V");
    const QCommandLineOption k("k", "Temperature correction factor typed by hand.", "K");
    const QCommandLineOption method("method", "Temperature correction: k (by hand), ieee or iec.", "METHOD");
    const QCommandLineOption temperature("battery-temp", "Battery temperature at the start in degC (default: the logged one).", "C");
    const QCommandLineOption pass("pass", "Pass threshold in percent.", "P");
    const QCommandLineOption onLoad("on-load-percent", "On load from this share of the test current, in percent.", "P");
    const QCommandLineOption site("site", "Site or battery name.", "TEXT");
    const QCommandLineOption identifier("identifier", "String or battery identifier: its own entries in Report.ini are the defaults.", "TEXT");
    const QCommandLineOption make("make", "Battery make.", "TEXT");
    const QCommandLineOption model("model", "Battery model.", "TEXT");
    const QCommandLineOption type("type", "Battery type.", "TEXT");
    const QCommandLineOption operatorName("operator", "Who ran the test.", "TEXT");
    const QCommandLineOption witness("witness", "Who witnessed it.", "TEXT");
    const QCommandLineOption resultsDir("results-dir", "Results folder whose Report.ini gives the defaults.", "DIR");
    parser.addOptions({file, pdf, csv, testNumber, cells, ratedAh, ratedMinutes, hourRate, endVolts, k, method, temperature,
                       pass, onLoad, site, identifier, make, model, type, operatorName, witness, resultsDir});
    const QCommandLineOption help("help", "This text.");
    parser.addOption(help);
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(help)) {
        std::fprintf(out, "%s", qPrintable(parser.helpText()));
        return 0;
    }
    if (!parser.isSet(pdf) && !parser.isSet(csv))
        return fail("--report needs --out PDF or --csv FILE");
    if (parser.isSet(ratedAh) && parser.isSet(ratedMinutes))
        return fail("give --rated-ah or --rated-minutes, not both");

    // The entries the dialog remembered are the defaults; the options override them.
    const QString folder = parser.isSet(resultsDir) ? parser.value(resultsDir) : defaultResultsFolder;
    const std::string ini = QDir(folder).filePath("Report.ini").toStdString();
    report::BatteryTest test = parser.isSet(identifier) ? report::loadSettings(ini, parser.value(identifier).toStdString())
                                                        : report::loadSettings(ini);
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
    number(hourRate, test.hourRate);
    number(endVolts, test.endCellVolts);
    number(k, test.k);
    number(temperature, test.batteryCelsius);
    number(pass, test.passPercent);
    number(onLoad, test.onLoadPercent);
    int wanted = 0;
    number(testNumber, wanted);
    if (parser.isSet(method)) {
        const QString m = parser.value(method).toLower();
        if (m != "k" && m != "ieee" && m != "iec")
            return fail("--method takes k, ieee or iec");
        test.method = m == "ieee" ? report::TempMethod::Ieee : m == "iec" ? report::TempMethod::Iec : report::TempMethod::ByHand;
    }
    const std::pair<const QCommandLineOption*, std::string*> texts[] = {
        {&site, &test.site}, {&make, &test.make}, {&model, &test.model}, {&type, &test.type},
        {&operatorName, &test.operatorName}, {&witness, &test.witness}, {&identifier, &test.identifier}};
    for (const auto& [option, target] : texts)
        if (parser.isSet(*option))
            *target = parser.value(*option).toStdString();
    if (!numbersOk || wanted < 0)
        return fail("a number option has no usable number");
    if (const std::string problem = report::checkTest(test); !problem.empty())
        return fail(QString::fromStdString(problem));

    QString readError;
    const ReportInput input = reportInputFor(parser.value(file), test, wanted, &readError);
    if (!readError.isEmpty())
        return fail("cannot read " + input.fileName + " (" + readError + ")");
    if (input.run.checked == 0)
        return fail(input.fileName + " holds no readings");
    if (wanted > input.run.testCount)
        return fail(QString("%1 holds %2 test(s), not %3").arg(input.fileName).arg(input.run.testCount).arg(wanted));
    QString error;
    if (parser.isSet(pdf) && !writeReportPdf(parser.value(pdf), input, &error))
        return fail(error);
    if (parser.isSet(csv)) {
        const FileResult written = replaceFile(parser.value(csv).toStdString(), report::csvText(input.run, input.info));
        if (!written.ok())
            return fail("cannot write " + parser.value(csv) + " (" + QString::fromStdString(written.reason) + ")");
    }

    std::fprintf(out, "file: %s\n", qPrintable(QFileInfo(input.fileName).fileName()));
    std::fprintf(out, "first_reading: %s\n", input.info.firstReading.empty() ? "date not recorded" : input.info.firstReading.c_str());
    std::fprintf(out, "last_reading: %s\n", input.info.lastReading.empty() ? "date not recorded" : input.info.lastReading.c_str());
    for (const auto& lines : {report::batteryLines(test), report::resultLines(input.run)})
        for (const auto& l : lines)
            std::fprintf(out, "%s: %s\n", l.key.c_str(), l.value.c_str());
    return 0;
}

} // namespace dcload::ui
