// The link's state on the window, as a screen reader finds it: the banner and the run field.
#include <QAccessible>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QToolButton>

#include "logger_fixture.h"
#include "support/virtual_platform.h"

using namespace dcload;
using namespace dcload::ui;
using namespace dcload::ui::test;

static QString accessibleName(QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); }

// Nothing listens at first: the loss shows on the banner; a load bank that comes up is found by
// a later try and its first reading turns the banner into the gap's account.
TEST(Unattended, BannerTellsOfTheLossAndTheRecoveryAndTheRunFieldNamesTheFile)
{
    LoggerFixture f;
    QTimer boxes; // the missing result file's box takes its default answer
    QObject::connect(&boxes, &QTimer::timeout, [] { if (auto* b = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) b->done(QMessageBox::Ok); });
    boxes.start(50);
    f.app->handle([&] { f.form().cmdConnectClick(); });
    QLabel* banner = f.find<QLabel>("lblLinkBanner");
    ASSERT_TRUE(waitUntil([&] { return accessibleName(banner).contains("Link lost at "); }, 8000));
    EXPECT_TRUE(banner->isVisible());
    EXPECT_TRUE(f.find<QLabel>("lblU_0")->accessibleDescription().startsWith("Last reading 00:00:0"));
    QTcpServer bank;
    ASSERT_TRUE(bank.listen(QHostAddress("127.0.0.1"), static_cast<quint16>(f.app->form().port())));
    int seconds = 0;
    QObject::connect(&bank, &QTcpServer::newConnection, [&] {
        QTcpSocket* s = bank.nextPendingConnection();
        QObject::connect(s, &QTcpSocket::readyRead, [s, &seconds] { s->readAll(), s->write(dcload::test::makeDataMessage(1250, 100, seconds++, 10, 250).c_str()); });
    });
    ASSERT_TRUE(waitUntil([&] { return seconds > 0; }, 40000));
    EXPECT_TRUE(waitUntil([&] { return accessibleName(banner).contains("Link back after a gap of 00:00:"); }, 2000));
    EXPECT_EQ(f.find<QLabel>("lblU_0")->accessibleDescription(), "");
    EXPECT_EQ(accessibleName(f.find<QToolButton>("lblRunFile")), "Run 2 \u00B7 DC_Result_2.txt");
    f.window().grab().save(QDir::temp().filePath("dcload-link-banner.png"));
}
