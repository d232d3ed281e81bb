// The logger's clock: monotonic, so a clock adjustment never shifts a time stamp.
#pragma once

#include <chrono>

#include <QDateTime>

#include "app/platform.h"

namespace dcload::ui {

class SteadyClock : public Clock {
public:
    double seconds() const override
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    std::string wallClock() const override
    {
        return QDateTime::currentDateTime().toString("yyyy-MM-ddTHH:mm:ss").toStdString();
    }
};

} // namespace dcload::ui
