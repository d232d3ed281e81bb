// dc-load-logger: the DC load bank data logger.
//
//   dc-load-logger [--results-dir DIR] [--port PORT] [--screenshot FILE] [--quit-after SECONDS]
//                  [--connect-after SECONDS] [--guide-screenshots DIR]
//                  [--no-reconnect | --reconnect] [--on-event CMD]   (kept in Logger.ini)
//   dc-load-logger --report FILE --out PDF [...]   (the test report, no window: report_command.h)
//
// Without options it is the operator's program: the Results folder in the home folder
// (C:/Results on Windows), running until the window is closed or File > Exit. The other
// options serve demos and checks: press Connect after a while, save a picture of the window,
// end after a while.
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QCommandLineParser>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#include "ui/guide_tour.h"
#include "ui/logger_app.h"
#include "ui/main_window.h"
#include "ui/report_command.h"

namespace {

QString defaultResultsFolder()
{
    return QString::fromStdString(dcload::defaultResultsFolder());
}

// As --help names it: the same for every user, and in the manual page made from it.
#ifdef Q_OS_WIN
const QString shownResultsFolder = QStringLiteral("C:/Results");
#else
const QString shownResultsFolder = QStringLiteral("~/Results");
#endif

bool seconds(QCommandLineParser& parser, const QCommandLineOption& option, double& out)
{
    if (!parser.isSet(option))
        return false;
    bool ok = false;
    out = parser.value(option).toDouble(&ok);
    if (!ok || out < 0) {
        std::fprintf(stderr, "dc-load-logger: --%s needs a number of seconds\n",
                     qPrintable(option.names().first()));
        std::exit(2);
    }
    return true;
}

// --help and --version print and end before the window system is touched, so that they work
// without a display (and help2man can read them on a build machine).
void answerWithoutDisplay(QCommandLineParser& parser, int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!parser.parse(arguments))
        return;   // the full parse below reports the error
    if (parser.isSet("help") || parser.isSet("help-all") || parser.isSet("version")) {
        QCoreApplication console(argc, argv);
        parser.process(console);   // prints and exits
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (dcload::ui::isReportCommand(argc, argv))
        return dcload::ui::runReportCommand(argc, argv, defaultResultsFolder());
    QCoreApplication::setApplicationName("dc-load-logger");
    QCoreApplication::setOrganizationName("dc-load-logger");   // ~/.config/dc-load-logger/
    QCoreApplication::setApplicationVersion(DCLOAD_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription("Data logger for DC load banks.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption resultsDir("results-dir", "Results folder (default " + shownResultsFolder + ").", "DIR");
    const QCommandLineOption screenshot("screenshot", "Save a PNG picture of the main window to FILE just before quitting.", "FILE");
    const QCommandLineOption quitAfter("quit-after", "Quit after SECONDS (5 when --screenshot is given).", "SECONDS");
    const QCommandLineOption connectAfter("connect-after", "Press Connect after SECONDS.", "SECONDS");
    const QCommandLineOption port("port", "TCP port of the load bank (default 2200).", "PORT");
    const QCommandLineOption guideShots("guide-screenshots", "Connect, open every window and dialog in turn, save a PNG of each into DIR, then quit (the operator's guide; needs a load bank such as loadbank-sim).", "DIR");
    const QCommandLineOption report("report", "Write the test report of the result FILE as a PDF (and CSV) without a window and print its figures (dc-load-logger --report FILE --help lists its options).", "FILE");
    const QCommandLineOption noReconnect("no-reconnect", "Do not open a dropped link again by itself (kept until --reconnect).");
    const QCommandLineOption reconnect("reconnect", "Open a dropped link again by itself (the default; kept).");
    const QCommandLineOption onEvent("on-event", "Run CMD, without a shell, with an event name (test-end, link-lost, link-back) and a one-line text as its arguments (kept; \"\" for none).", "CMD");
    parser.addOptions({resultsDir, screenshot, quitAfter, connectAfter, port, guideShots, report, noReconnect, reconnect, onEvent});
    answerWithoutDisplay(parser, argc, argv);

    QApplication app(argc, argv);
    QApplication::setStyle("Fusion");
    QGuiApplication::setDesktopFileName("dc-load-logger");   // matches the window to its menu entry and icon
    parser.process(app);

    double connectDelay = 0;
    const bool pressConnect = seconds(parser, connectAfter, connectDelay);
    double quitDelay = 0;
    const bool timed = seconds(parser, quitAfter, quitDelay);
    if (parser.isSet(screenshot) && !timed)
        quitDelay = 5;

    int devicePort = dcload::kDevicePort;
    if (parser.isSet(port)) {
        bool ok = false;
        devicePort = parser.value(port).toInt(&ok);
        if (!ok || devicePort < 1 || devicePort > 65535) {
            std::fprintf(stderr, "dc-load-logger: --port needs a port number from 1 to 65535\n");
            return 2;
        }
    }

    const QString folder = parser.isSet(resultsDir) ? parser.value(resultsDir) : defaultResultsFolder();
    dcload::ui::LoggerApp logger(folder.toUtf8().toStdString(), devicePort);
    {   // Unattended-test settings, kept beside the site's results.
        QSettings kept(folder + "/Logger.ini", QSettings::IniFormat);
        if (parser.isSet(noReconnect) || parser.isSet(reconnect))
            kept.setValue("reconnect", parser.isSet(reconnect));
        if (parser.isSet(onEvent))
            kept.setValue("on_event", parser.value(onEvent));
        logger.form().link.reconnect = kept.value("reconnect", true).toBool();
        logger.form().link.eventCommand = kept.value("on_event").toString().toStdString();
    }
    QObject::connect(&logger, &dcload::ui::LoggerApp::quitRequested, &app, [] { QCoreApplication::exit(0); });

    // The operator's window opens where it was closed; demo and guide runs keep the default
    // place and size, so their pictures do not depend on what a user did before.
    if (!pressConnect && !timed && !parser.isSet(screenshot) && !parser.isSet(guideShots))
        logger.window().restorePlacement(QSettings().value("window/geometry").toByteArray());

    if (pressConnect) {
        QTimer::singleShot(static_cast<int>(connectDelay * 1000), &logger.window(), [&logger] {
            if (auto* button = logger.window().findChild<QPushButton*>("cmdConnect")) {
                std::fprintf(stderr, "dc-load-logger: pressing Connect (address %s)\n",
                             logger.form().ctl.txtIP.c_str());
                button->click();
            }
        });
    }

    bool ended = false;   // the time ran out inside a message box of the start-up
    if (timed || parser.isSet(screenshot)) {
        const QString picture = parser.value(screenshot);
        QTimer::singleShot(static_cast<int>(quitDelay * 1000), &app, [&logger, &ended, picture] {
            ended = true;
            if (!picture.isEmpty()) {
                if (logger.window().grab().save(picture, "PNG"))
                    std::fprintf(stderr, "dc-load-logger: window saved to %s\n", qPrintable(picture));
                else
                    std::fprintf(stderr, "dc-load-logger: could not write %s\n", qPrintable(picture));
            }
            QCoreApplication::exit(0);
        });
    }

    logger.start();
    if (parser.isSet(guideShots)) {
        QTimer::singleShot(0, &app, [&logger, folder = parser.value(guideShots)] {
            QCoreApplication::exit(dcload::ui::runGuideTour(logger, folder) == 0 ? 0 : 1);
        });
    }
    if (ended)
        return 0;
    return app.exec();
}
