// A stand-in for the desktop's screen saver on a private session bus: prints each Inhibit and
// UnInhibit it is asked for, one line each, and answers Inhibit with cookie 7.
#include <cstdio>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>

namespace {

class ScreenSaver : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override
    {
        const QVariantList args = m.arguments();
        if (m.member() == "Inhibit" && args.size() == 2) {
            std::printf("Inhibit %s\n", qPrintable(args[0].toString()));
            bus.send(m.createReply(QVariant(7u)));
        } else if (m.member() == "UnInhibit" && args.size() == 1) {
            std::printf("UnInhibit %u\n", args[0].toUInt());
            bus.send(m.createReply());
        } else {
            return false;
        }
        std::fflush(stdout);
        return true;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ScreenSaver saver;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerVirtualObject("/org/freedesktop/ScreenSaver", &saver) ||
        !bus.registerService("org.freedesktop.ScreenSaver"))
        return 1;
    return app.exec();
}
