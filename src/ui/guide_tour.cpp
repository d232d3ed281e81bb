#include "ui/guide_tour.h"

#include <cstdio>
#include <deque>
#include <functional>

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "ui/chart_view.h"
#include "ui/logger_app.h"
#include "ui/main_window.h"
#include "ui/report_dialog.h"

namespace dcload::ui {
namespace {

bool runUntil(const std::function<bool()>& done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return done();
}

void settle()
{
    runUntil([] { return false; }, 300);   // let the layout and a repaint happen
}

// Pictures modal windows as they open: each expected one (by object name or title) is saved,
// then answered, so the code that opened it carries on.
class ModalCamera : public QObject {
public:
    struct Shot {
        QString name;   // object name or window title
        QString file;
        std::function<void(QWidget*)> answer;
        bool taken = false;
    };

    explicit ModalCamera(const QString& folder) : folder_(folder)
    {
        connect(&poll_, &QTimer::timeout, this, &ModalCamera::look);
        poll_.start(50);
    }

    Shot& expect(const QString& name, const QString& file, std::function<void(QWidget*)> answer)
    {
        shots_.push_back({name, file, std::move(answer)});
        return shots_.back();
    }

    bool saved(const QString& file) const
    {
        for (const Shot& s : shots_)
            if (s.file == file)
                return s.taken;
        return false;
    }

    int failures = 0;

private:
    void look()
    {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible() || w == last_)
            return;
        for (Shot& s : shots_) {
            if (s.taken || (w->objectName() != s.name && w->windowTitle() != s.name))
                continue;
            last_ = w;
            s.taken = true;
            poll_.stop();   // one picture at a time; the answer may open the next window
            QPointer<QWidget> guard(w);
            settle();
            if (!guard)
                break;
            save(guard, s.file);
            s.answer(guard);
            poll_.start(50);
            return;
        }
    }

    void save(QWidget* w, const QString& file)
    {
        const QString path = QDir(folder_).filePath(file);
        if (w->grab().save(path, "PNG")) {
            std::fprintf(stderr, "guide: %s\n", qPrintable(path));
        } else {
            std::fprintf(stderr, "guide: could not write %s\n", qPrintable(path));
            ++failures;
        }
    }

    QString folder_;
    QTimer poll_;
    std::deque<Shot> shots_;
    QPointer<QWidget> last_;
};

void clickButton(QWidget* box, QMessageBox::StandardButton which)
{
    if (auto* mb = qobject_cast<QMessageBox*>(box); mb && mb->button(which))
        mb->button(which)->click();
    else
        box->close();
}

} // namespace

int runGuideTour(LoggerApp& logger, const QString& folder)
{
    QDir().mkpath(folder);
    MainWindow& window = logger.window();
    ModalCamera camera(folder);
    int failures = 0;
    auto shootWindow = [&](const QString& file) {
        settle();
        window.chart()->replot();
        const QString path = QDir(folder).filePath(file);
        if (window.grab().save(path, "PNG")) {
            std::fprintf(stderr, "guide: %s\n", qPrintable(path));
        } else {
            std::fprintf(stderr, "guide: could not write %s\n", qPrintable(path));
            ++failures;
        }
    };
    auto need = [&](bool ok, const char* what) {
        if (!ok) {
            std::fprintf(stderr, "guide: %s did not happen in time\n", what);
            ++failures;
        }
        return ok;
    };
    auto trigger = [&](const char* action) {
        if (auto* a = window.findChild<QAction*>(action))
            a->trigger();
    };
    auto* connectButton = window.findChild<QPushButton*>("cmdConnect");
    if (!connectButton)
        return 1;

    // The pause dialog opens by itself when the load bank's current falls below 5 A.
    camera.expect("DialogDisconnect", "pause-dialog.png", [](QWidget* w) { w->close(); });

    // Each picture shows the window as it opens on the screen it names, less a 40 px task bar:
    // a 1366x768 laptop first.
    auto placeOn = [&](QSize screen) {
        window.setGeometry(fittedGeometry(QRect(QPoint(0, 0), screen - QSize(0, 40)), QRect(0, 0, 1200, 780)));
    };
    placeOn(QSize(1366, 768));

    // The first test: Ctrl+H on Connect, the simulator's address 127.0.0.1 kept with Above, Connect.
    connectButton->setFocus();
    QKeyEvent ctrlH(QEvent::KeyPress, Qt::Key_H, Qt::ControlModifier, "h");
    QApplication::sendEvent(connectButton, &ctrlH);
    if (auto* above = window.findChild<QPushButton*>("cmdSetIP"))
        above->click();
    shootWindow("address-panel.png");

    connectButton->click();
    need(runUntil([&] { return logger.form().chart.pointCount() >= 20; }, 90000), "20 charted readings");
    shootWindow("main-window.png");

    // The same window on a 1024x600 netbook and on a 1920x1080 screen at 200 % (960x540).
    for (auto [size, file] : {std::pair{QSize(1024, 600), "small-screen.png"}, {QSize(960, 540), "screen-200-percent.png"}}) {
        placeOn(size);
        shootWindow(file);
    }
    placeOn(QSize(1366, 768));

    camera.expect("frmAbout", "about-box.png", [](QWidget* w) { w->close(); });
    trigger("mnuAbout");
    need(runUntil([&] { return camera.saved("about-box.png"); }, 10000), "the About box");

    camera.expect("Form2", "file-dialog.png", [](QWidget* w) { w->close(); });
    trigger("mnuSave");
    need(runUntil([&] { return camera.saved("file-dialog.png"); }, 10000), "the file dialog");

    need(runUntil([&] { return camera.saved("pause-dialog.png"); }, 120000), "the pause dialog");

    // The test report of the run just logged: the dialog and the two pages it writes.
    {
        QString runFile, results;
        logger.handle([&] {
            runFile = QString::fromStdString(logger.form().resultFileName(logger.form().getLastFileNumber()));
            results = QString::fromStdString(logger.form().resultsFolder());
        });
        report::BatteryTest t;
        t.identifier = "String A", t.site = "Exchange 4, battery room 2", t.make = "Example Batteries";
        t.model = "EB-100", t.type = "vented lead-acid", t.operatorName = "A. Technician", t.witness = "B. Witness";
        t.rating = report::Rating::AmpHours, t.rated = 100, t.hourRate = 2, t.method = report::TempMethod::Iec;
        report::saveSettings(QDir(results).filePath("Report.ini").toStdString(), t);
        ReportDialog dialog(results, runFile, window.chart());
        dialog.resize(640, 600);
        dialog.show();
        settle();
        for (const auto& [image, file] : {std::pair{dialog.grab().toImage(), "report-dialog.png"},
                                          std::pair{reportPageImage(dialog.input(), 0, 1.25), "report-page-1.png"},
                                          std::pair{reportPageImage(dialog.input(), 1, 1.25), "report-page-2.png"}}) {
            const QString path = QDir(folder).filePath(file);
            if (!image.save(path, "PNG"))
                ++failures;
            std::fprintf(stderr, "guide: %s\n", qPrintable(path));
        }
    }

    // The memory commands' boxes: clearing the load bank's memory asks first, then informs.
    camera.expect("Flash Delete", "clear-memory-confirm.png",
                  [](QWidget* w) { clickButton(w, QMessageBox::Ok); });
    camera.expect("Clearing Memory", "clear-memory-info.png",
                  [](QWidget* w) { clickButton(w, QMessageBox::Ok); });
    logger.handle([&] { logger.form().mnuClearFlashClick(); });
    need(runUntil([&] { return camera.saved("clear-memory-info.png"); }, 10000), "the memory command's boxes");

    return failures + camera.failures;
}

} // namespace dcload::ui
