// The logger on Qt: the platform adapters, the logger's core (Form1) and the main window, wired
// so that every event reaches the core through one door (handle) and the windows show the
// core's control state after each one.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include <QObject>

#include "app/form1.h"
#include "ui/desktop_adapter.h"
#include "ui/dialogs_adapter.h"
#include "ui/socket_adapter.h"
#include "ui/steady_clock.h"
#include "ui/timer_adapter.h"

namespace dcload::ui {

class MainWindow;

class LoggerApp : public QObject {
    Q_OBJECT
public:
    explicit LoggerApp(const std::string& resultsFolder, int port = kDevicePort,
                       QObject* parent = nullptr);
    ~LoggerApp() override;

    Form1& form() { return *form_; }
    MainWindow& window() { return *window_; }
    SocketAdapter& socket() { return socket_; }
    TimerAdapter& timer(TimerId id) { return timers_[static_cast<size_t>(id)]; }
    DialogsAdapter& dialogs() { return dialogs_; }
    DesktopAdapter& desktop() { return desktop_; }

    // Start-up of the window (it may show a message box), then the window appears.
    void start();

    // Runs one call into the core. Nothing it throws escapes into Qt's event loop; the
    // windows are brought up to date afterwards.
    void handle(const std::function<void()>& call);

    // Copies the core's control state onto every open window.
    void mirror();

    int handledCount() const { return handled_; }   // calls into the core so far
    int caughtErrors() const { return caughtErrors_; }
    const std::string& lastError() const { return lastError_; }

signals:
    void quitRequested();   // "&Exit": end the program now

private:
    void caught(const std::string& what);

    SteadyClock clock_;
    SocketAdapter socket_;
    std::array<TimerAdapter, static_cast<size_t>(TimerId::Count)> timers_;
    DialogsAdapter dialogs_{*this};
    DesktopAdapter desktop_;
    std::unique_ptr<Form1> form_;
    std::unique_ptr<MainWindow> window_;
    bool quitSent_ = false;
    int handled_ = 0;
    int caughtErrors_ = 0;
    std::string lastError_;
};

} // namespace dcload::ui
