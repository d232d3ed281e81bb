#include "ui/logger_app.h"

#include <exception>


#include "ui/main_window.h"

namespace dcload::ui {

LoggerApp::LoggerApp(const std::string& resultsFolder, int port, QObject* parent) : QObject(parent)
{
    socket_.onConnect = [this] { handle([this] { form_->tcpClientConnect(); }); };
    socket_.onClose = [this] { handle([this] { form_->tcpClientClose(); }); };
    socket_.onError = [this](const std::string& description) {
        handle([this, &description] { form_->tcpClientError(description); });
    };
    socket_.onDataArrival = [this] { handle([this] { form_->tcpClientDataArrival(); }); };
    for (int i = 0; i < static_cast<int>(TimerId::Count); ++i) {
        const auto id = static_cast<TimerId>(i);
        timers_[static_cast<size_t>(i)].onTick = [this, id] { handle([this, id] { form_->timerTick(id); }); };
    }

    Platform platform{socket_, clock_, dialogs_, {}, &desktop_};
    for (size_t i = 0; i < timers_.size(); ++i)
        platform.timers[i] = &timers_[i];
    form_ = std::make_unique<Form1>(platform, resultsFolder, port);
    window_ = std::make_unique<MainWindow>(*this);
    desktop_.setWindow(window_.get());
    desktop_.onProblem = [this](const std::string& what) { handle([this, &what] { form_->eventCommandProblem(what); }); };
}

LoggerApp::~LoggerApp()
{
    for (auto& t : timers_)
        t.onTick = nullptr;
    socket_.onConnect = nullptr;
    socket_.onClose = nullptr;
    socket_.onError = nullptr;
    socket_.onDataArrival = nullptr;
    desktop_.onProblem = nullptr;
    window_.reset();
}

void LoggerApp::start()
{
    handle([this] { form_->formLoad(); });
    window_->show();
}

void LoggerApp::handle(const std::function<void()>& call)
{
    ++handled_;
    try {
        call();
    } catch (const RuntimeError& e) {
        caught(std::to_string(e.number) + " " + e.description);
    } catch (const std::exception& e) {
        caught(e.what());
    } catch (...) {
        caught("unknown failure");
    }
    mirror();
    if (form_->exitRequested && !quitSent_) {
        quitSent_ = true;
        emit quitRequested();
    }
}

void LoggerApp::mirror()
{
    window_->mirror(*form_);
    dialogs_.mirror(*form_);
}

void LoggerApp::caught(const std::string& what)
{
    ++caughtErrors_;
    lastError_ = what;
    qWarning("dc-load-logger: a handler stopped: %s", what.c_str());
}

} // namespace dcload::ui
