// The desktop for the core: keep-awake and notifications from the operating system's file,
// the task bar flash from Qt, and the site's event command run without a shell.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QObject>
#include <QPointer>

#include "app/platform.h"
#include "ui/desktop_os.h"

class QWidget;

namespace dcload::ui {

class DesktopAdapter : public QObject, public Desktop {
    Q_OBJECT
public:
    explicit DesktopAdapter(QObject* parent = nullptr);
    ~DesktopAdapter() override;

    bool keepAwake(bool on) override;
    void notify(const std::string& title, const std::string& text) override;
    void flashTaskBar() override;
    void runEventCommand(const std::string& command, const std::string& event,
                         const std::string& text) override;

    void setWindow(QWidget* window) { window_ = window; }
    std::function<void(const std::string&)> onProblem; // a command that failed or hung
    int killAfterMs = 30000;

private:
    std::unique_ptr<OsDesktop> os_;
    QPointer<QWidget> window_;
    bool awake_ = false;
};

} // namespace dcload::ui
