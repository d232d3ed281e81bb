// One of the logger's timers on a QTimer. Ticks reach the logger through the event queue, so
// a tick whose handler opens a modal window does not stop the other timers (or itself) from
// being delivered inside that window's wait.
#pragma once

#include <functional>

#include <QObject>
#include <QTimer>

#include "app/platform.h"

namespace dcload::ui {

class TimerAdapter : public QObject, public Timer {
    Q_OBJECT
public:
    explicit TimerAdapter(QObject* parent = nullptr);

    int interval() const override { return interval_; }
    void setInterval(int ms) override;
    bool enabled() const override { return enabled_; }
    void setEnabled(bool on) override;

    // True while a countdown is actually running (enabled with an interval above 0).
    bool counting() const { return timer_.isActive(); }
    int remainingMs() const { return timer_.remainingTime(); }   // -1 when not counting

    std::function<void()> onTick;

private:
    void restart();
    void fired();

    QTimer timer_{this};   // a child, so tests can find it
    int interval_ = 0;
    bool enabled_ = false;
    quint64 generation_ = 0;   // a tick queued before a stop or restart is dropped
};

} // namespace dcload::ui
