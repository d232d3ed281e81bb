// Linux: the desktop's screen saver (org.freedesktop.ScreenSaver on the session bus) or, without
// one, logind's sleep lock keep the PC awake; freedesktop Notifications show the messages.
// Every call is asynchronous: a slow bus never holds up polling.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QPointer>
#include <QVariantMap>

#include "ui/desktop_os.h"

namespace dcload::ui {

namespace {

const QString kScreenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kWhy = QStringLiteral("A discharge test is being logged");

bool hasService(const QDBusConnection& bus, const QString& name)
{
    return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(name).value();
}

class LinuxDesktop : public OsDesktop {
public:
    ~LinuxDesktop() override { delete guard_; }

    bool keepAwake(bool on) override
    {
        wanted_ = on;
        if (!on) {
            release();
            return true;
        }
        if (held_ || pending_)
            return true;
        QDBusConnection session = QDBusConnection::sessionBus();
        if (hasService(session, kScreenSaver)) {
            ask(session, QDBusMessage::createMethodCall(kScreenSaver, "/org/freedesktop/ScreenSaver", kScreenSaver, "Inhibit")
                             << QStringLiteral("dc-load-logger") << kWhy, false);
            return true;
        }
        QDBusConnection system = QDBusConnection::systemBus();
        if (hasService(system, kLogin)) {
            ask(system, QDBusMessage::createMethodCall(kLogin, "/org/freedesktop/login1", kLogin + ".Manager", "Inhibit")
                            << QStringLiteral("sleep:idle") << QStringLiteral("dc-load-logger") << kWhy << QStringLiteral("block"), true);
            return true;
        }
        return false;
    }

    bool notify(const QString& title, const QString& text) override
    {
        const QString service = QStringLiteral("org.freedesktop.Notifications");
        QDBusConnection session = QDBusConnection::sessionBus();
        if (!hasService(session, service))
            return false;
        QDBusMessage m = QDBusMessage::createMethodCall(service, "/org/freedesktop/Notifications", service, "Notify");
        m << QStringLiteral("DC Load Logger") << 0u << QStringLiteral("dc-load-logger") << title << text
          << QStringList() << QVariantMap() << -1;
        session.asyncCall(m);
        return true;
    }

private:
    void ask(QDBusConnection bus, const QDBusMessage& m, bool logind)
    {
        pending_ = true;
        if (!guard_)
            guard_ = new QObject;
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(m), guard_);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, guard_, [this, watcher, logind] {
            watcher->deleteLater();
            pending_ = false;
            const QDBusMessage reply = watcher->reply();
            if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
                return;
            held_ = true;
            if (logind)
                lock_ = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().first());
            else
                cookie_ = reply.arguments().first().toUInt();
            if (!wanted_)
                release(); // Disconnect came while the request was on its way
        });
    }

    void release()
    {
        if (!held_)
            return;
        held_ = false;
        if (lock_.isValid()) {
            lock_ = QDBusUnixFileDescriptor(); // closing the descriptor ends logind's lock
            return;
        }
        QDBusConnection::sessionBus().asyncCall(
            QDBusMessage::createMethodCall(kScreenSaver, "/org/freedesktop/ScreenSaver", kScreenSaver, "UnInhibit")
            << cookie_);
    }

    QObject* guard_ = nullptr; // owns the watchers; gone with this object
    bool wanted_ = false;
    bool pending_ = false;
    bool held_ = false;
    uint cookie_ = 0;
    QDBusUnixFileDescriptor lock_;
};

} // namespace

std::unique_ptr<OsDesktop> makeOsDesktop() { return std::make_unique<LinuxDesktop>(); }

} // namespace dcload::ui
