// What the desktop adapter needs of the operating system, one file per system chosen by CMake:
// desktop_linux.cpp (D-Bus) and desktop_windows.cpp (Win32 and the tray).
#pragma once

#include <memory>

#include <QString>

namespace dcload::ui {

class OsDesktop {
public:
    virtual ~OsDesktop() = default;
    // false: the system offers no way to keep the PC awake.
    virtual bool keepAwake(bool on) = 0;
    // false: nothing on the desktop shows notifications.
    virtual bool notify(const QString& title, const QString& text) = 0;
};

std::unique_ptr<OsDesktop> makeOsDesktop();

} // namespace dcload::ui
