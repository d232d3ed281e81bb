#include "ui/timer_adapter.h"

namespace dcload::ui {

TimerAdapter::TimerAdapter(QObject* parent) : QObject(parent)
{
    // The poll rate is matched against real seconds; a coarse timer drifts by up to 5 %.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, this, &TimerAdapter::fired);
}

void TimerAdapter::setInterval(int ms)
{
    interval_ = ms;
    if (enabled_)
        restart();
}

void TimerAdapter::setEnabled(bool on)
{
    if (on == enabled_)
        return;   // enabling a running timer keeps its countdown
    enabled_ = on;
    restart();
}

void TimerAdapter::restart()
{
    ++generation_;
    timer_.stop();
    if (enabled_ && interval_ > 0)   // an interval of 0 never ticks
        timer_.start(interval_);
}

void TimerAdapter::fired()
{
    QMetaObject::invokeMethod(
        this,
        [this, generation = generation_] {
            if (generation == generation_ && enabled_ && onTick)
                onTick();
        },
        Qt::QueuedConnection);
}

} // namespace dcload::ui
