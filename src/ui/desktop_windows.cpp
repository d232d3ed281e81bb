// Windows: SetThreadExecutionState keeps the PC from sleeping; the tray icon's balloon shows
// the messages.
#include <windows.h>

#include <QApplication>
#include <QSystemTrayIcon>

#include "ui/desktop_os.h"

namespace dcload::ui {

namespace {

class WindowsDesktop : public OsDesktop {
public:
    bool keepAwake(bool on) override
    {
        const EXECUTION_STATE flags = on ? (ES_CONTINUOUS | ES_SYSTEM_REQUIRED) : ES_CONTINUOUS;
        return SetThreadExecutionState(flags) != 0;
    }

    bool notify(const QString& title, const QString& text) override
    {
        if (!QSystemTrayIcon::isSystemTrayAvailable())
            return false;
        if (!tray_) {
            tray_ = std::make_unique<QSystemTrayIcon>(QApplication::windowIcon());
            tray_->show();
        }
        tray_->showMessage(title, text, QSystemTrayIcon::Information);
        return true;
    }

private:
    std::unique_ptr<QSystemTrayIcon> tray_;
};

} // namespace

std::unique_ptr<OsDesktop> makeOsDesktop() { return std::make_unique<WindowsDesktop>(); }

} // namespace dcload::ui
