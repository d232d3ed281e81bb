// The few things the logger needs from the platform. The Qt layer implements them with
// real widgets, QTcpSocket and QTimer; tests implement them on a virtual clock.
#pragma once

#include <string>

namespace dcload {

// The five timers of the logger. Each tick is delivered back as Form1::timerTick(id).
enum class TimerId { TimerRequest = 0, Timer1, Timer2, TimerDisconnect, PauseTimer1, LinkWatch, Count };

// Semantics the logic relies on: setEnabled(true) on a running timer keeps it running
// (no restart); setEnabled(true) on a stopped one starts a full interval; setInterval on a
// running timer restarts the interval; an interval of 0 never ticks.
class Timer {
public:
    virtual ~Timer() = default;
    virtual int interval() const = 0;
    virtual void setInterval(int ms) = 0;
    virtual bool enabled() const = 0;
    virtual void setEnabled(bool on) = 0;
};

// Socket states as the logger shows them: 0 closed, 1 open, 2 listening, 3 connection
// pending, 4 resolving host, 5 host resolved, 6 connecting, 7 connected, 8 closing, 9 error.
// Events come back as Form1::tcpClientConnect/Close/Error/DataArrival.
class Socket {
public:
    virtual ~Socket() = default;
    virtual int state() const = 0;
    virtual void connect(const std::string& host, int port) = 0;
    virtual void close() = 0;
    virtual void send(const std::string& text) = 0;
    virtual std::string readAll() = 0;
    virtual std::string remoteHostIP() const = 0;
};

// Monotonic seconds since an arbitrary origin; and the PC's date and time of day, which only
// labels what was logged (a clock adjustment may move it).
class Clock {
public:
    virtual ~Clock() = default;
    virtual double seconds() const = 0;
    // Local time, ISO 8601 to the second ("2026-12-06T15:42:07"); empty when not known.
    virtual std::string wallClock() const { return {}; }
};

enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Buttons { OK, OKCancel, YesNo };
enum class Answer { OK = 1, Cancel = 2, Yes = 6, No = 7 };
enum class DefaultButton { First, Second };

// Modal windows. Each show* call returns only when the window was closed. While it is open
// the platform keeps delivering timer ticks and socket events (nested), as the logic expects.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual Answer messageBox(const std::string& text, const std::string& title, Icon icon,
                              Buttons buttons, DefaultButton def) = 0;
    // A message that must hold nothing up: returns at once and leaves an OK box on screen. While
    // one is still shown, the next replaces its text instead of stacking another box.
    virtual void notice(const std::string& text, const std::string& title, Icon icon) = 0;
    // The problem a notice told of is over: a notice still shown now says this instead. Nothing
    // is shown when none is.
    virtual void updateNotice(const std::string& text, Icon icon) { (void)text, (void)icon; }
    // A long file copy is under way (bytes done of total): show it and keep the window alive.
    // Timer ticks and socket events may be delivered meanwhile, nested, as while a box is open.
    virtual void progress(double done, double total) { (void)done, (void)total; }
    // DialogDisconnect: returns after closePauseDialog() was called (by a button or time-out).
    virtual void showPauseDialog() = 0;
    virtual void closePauseDialog() = 0;
    // Form2, the Save / Read file dialog: returns after closeFileDialog().
    virtual void showFileDialog() = 0;
    virtual void closeFileDialog() = 0;
    virtual void showAbout() = 0;
};

// What an unattended test needs of the desktop. Every call returns at once.
class Desktop {
public:
    virtual ~Desktop() = default;
    // Keeps the PC from sleeping while on; false when the system offers no way to.
    virtual bool keepAwake(bool on) = 0;
    virtual void notify(const std::string& title, const std::string& text) = 0;
    virtual void flashTaskBar() = 0;
    // Runs the site's command with the event name and a one-line text as its two arguments.
    virtual void runEventCommand(const std::string& command, const std::string& event,
                                 const std::string& text) = 0;
};

struct Platform {
    Socket& socket;
    Clock& clock;
    Dialogs& dialogs;
    Timer* timers[static_cast<int>(TimerId::Count)];
    Desktop* desktop = nullptr;        // none: nothing is told and the PC may sleep
    Timer& timer(TimerId id) const { return *timers[static_cast<int>(id)]; }
};

} // namespace dcload
