#include "ui/desktop_adapter.h"

#include <QApplication>
#include <QProcess>
#include <QTimer>
#include <QWidget>

namespace dcload::ui {

DesktopAdapter::DesktopAdapter(QObject* parent) : QObject(parent), os_(makeOsDesktop()) {}

DesktopAdapter::~DesktopAdapter()
{
    if (awake_)
        os_->keepAwake(false);
}

bool DesktopAdapter::keepAwake(bool on)
{
    awake_ = on;
    return os_->keepAwake(on);
}

void DesktopAdapter::notify(const std::string& title, const std::string& text)
{
    os_->notify(QString::fromStdString(title), QString::fromStdString(text));
}

void DesktopAdapter::flashTaskBar()
{
    if (window_)
        QApplication::alert(window_);
}

void DesktopAdapter::runEventCommand(const std::string& command, const std::string& event,
                                     const std::string& text)
{
    QStringList words = QProcess::splitCommand(QString::fromStdString(command));
    if (words.isEmpty())
        return;
    const QString program = words.takeFirst();
    words << QString::fromStdString(event) << QString::fromStdString(text);
    auto* process = new QProcess(this);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    auto* deadline = new QTimer(process);
    deadline->setSingleShot(true);
    const QString name = QString::fromStdString(event);
    const auto report = [this](const QString& what) {
        if (onProblem)
            onProblem(what.toStdString());
    };
    connect(deadline, &QTimer::timeout, process, [process, report, name, this] {
        report(QStringLiteral("Event command for %1 did not end within %2 s and was stopped")
                   .arg(name).arg(killAfterMs / 1000.0));
        process->kill();
    });
    connect(process, &QProcess::errorOccurred, process, [process, report, name, program](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            report(QStringLiteral("Event command for %1 could not start: %2").arg(name, program));
            process->deleteLater();
        }
    });
    connect(process, &QProcess::finished, process, [process, deadline, report, name](int code, QProcess::ExitStatus status) {
        if (deadline->isActive() && (status != QProcess::NormalExit || code != 0))
            report(QStringLiteral("Event command for %1 failed (exit code %2)").arg(name).arg(code));
        deadline->stop();
        process->deleteLater();
    });
    deadline->start(killAfterMs);
    process->start(program, words);
}

} // namespace dcload::ui
