// A stand-in for the desktop's screen saver on a private session bus: prints each Inhibit and
// UnInhibit it is asked for, one line each, and answers Inhibit with cookie 7.
#include <cstdio>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>

struct ScreenSaver : QDBusVirtualObject {
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override {
        const bool inhibit = m.member() == "Inhibit";
        std::printf("%s %s\n", qPrintable(m.member()), qPrintable(m.arguments().value(0).toString()));
        std::fflush(stdout);
        return bus.send(inhibit ? m.createReply(QVariant(7u)) : m.createReply());
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ScreenSaver saver;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const bool ok = bus.registerVirtualObject("/org/freedesktop/ScreenSaver", &saver) && bus.registerService("org.freedesktop.ScreenSaver");
    return ok ? app.exec() : 1;
}
