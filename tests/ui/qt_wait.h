// Waiting on conditions for tests that run Qt's event loop; a free loopback port.
#pragma once

#include <functional>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTcpServer>

namespace dcload::ui::test {

// Runs the event loop until done() or the time is up; returns done().
inline bool waitUntil(const std::function<bool()>& done, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return done();
}

// A loopback port with nothing listening on it.
inline int unusedLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress("127.0.0.1"), 0);
    return probe.serverPort();
}

} // namespace dcload::ui::test
