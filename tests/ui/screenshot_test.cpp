// A picture of the main window taken offscreen, with a replayed discharge on the volts chart.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <set>
#include <string>

#include <QImage>
#include <QLabel>

#include "logger_fixture.h"
#include "support/virtual_platform.h"
#include "ui/chart_view.h"

#ifndef DCLOAD_UI_SHOT_DIR
#define DCLOAD_UI_SHOT_DIR "."
#endif

namespace dcload::ui {
namespace {

using test::LoggerFixture;

// A two-hour discharge at 30 s per record: 52.6 V falling to about 42 V, 100 A.
QByteArray dischargeFile(int records)
{
    QByteArray file;
    char stamp[16];
    for (int i = 0; i < records; ++i) {
        const double x = static_cast<double>(i) / records;
        const int volts100 = static_cast<int>(std::lround(100 * (52.6 - 4.0 * x - 6.5 * std::pow(x, 6))));
        const int seconds = 30 * (i + 1);
        const int ah = seconds * 100 / 3600;
        const int temp10 = 215 + static_cast<int>(60 * x);
        std::snprintf(stamp, sizeof stamp, "%06d", seconds);
        file += dcload::test::makeDataMessage(volts100, 1000, seconds, ah, temp10).c_str();
        file += stamp;
        file += "\r\r\n";
    }
    return file;
}

TEST(Screenshot, MainWindowWithAReplayedDischarge)
{
    LoggerFixture f;
    const int n = f.form().getLastFileNumber();
    f.writeFile(QString("DC_Result_%1.txt").arg(n), dischargeFile(240));
    f.app->handle([&] { f.form().importLastData(); });
    f.app->handle([&] {
        f.form().ctl.StatusBar1 = "Socket Connected";
        f.form().ctl.pBar.value = 6;
        f.form().ctl.pB2.value = 3;
    });
    ASSERT_EQ(f.app->caughtErrors(), 0) << f.app->lastError();
    EXPECT_GT(f.form().chart.pointCount(), 100);
    EXPECT_FALSE(f.window().findChild<QLabel*>("lblU_0")->text().isEmpty());

    QApplication::processEvents();
    f.window().chart()->replot();
    const QPixmap shot = f.window().grab();
    const std::string path = std::string(DCLOAD_UI_SHOT_DIR) + "/main-window.png";
    ASSERT_TRUE(shot.save(QString::fromStdString(path), "PNG")) << path;

    QImage image(QString::fromStdString(path));
    ASSERT_FALSE(image.isNull());
    const qreal dpr = shot.devicePixelRatio();
    EXPECT_EQ(image.width(), std::lround(f.window().width() * dpr));
    EXPECT_EQ(image.height(), std::lround(f.window().height() * dpr));
    EXPECT_GE(f.window().width(), 1000);
    // A blank grab has one or two colours; a drawn window has many.
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 20u);
}

TEST(Screenshot, WaitingForConnectionWithTheAddressPanel)
{
    LoggerFixture f;
    f.app->handle([&] {
        f.form().cmdConnectKeyDown(72, false, true, false);
        f.form().Connecting(true);
        f.form().ctl.StatusBar1 = "Socket Connecting....";
        f.form().ctl.lblPauseMessage.caption = "TEST RECORDING FINISHED";
    });
    QApplication::processEvents();   // lay out the changed rows, as the event loop would
    const QPixmap shot = f.window().grab();
    const std::string path = std::string(DCLOAD_UI_SHOT_DIR) + "/main-window-waiting.png";
    ASSERT_TRUE(shot.save(QString::fromStdString(path), "PNG"));
    // The extra rows must not squeeze the chart or the readings.
    EXPECT_GE(f.window().chart()->height(), 250);
    EXPECT_GE(f.window().findChild<QLabel*>("lblU_0")->height(), 60);
    auto* message = f.window().findChild<QLabel*>("lblPauseMessage");
    EXPECT_GE(message->width(), QFontMetrics(message->font()).horizontalAdvance(message->text()));
}

TEST(Screenshot, DialogsOffscreen)
{
    struct Case {
        const char* file;
        const char* window;
        std::function<void(LoggerFixture&)> open;
    };
    const Case cases[] = {
        {"pause-dialog.png", "DialogDisconnect", [](LoggerFixture& f) { f.form().checkCurrent(2.0f); }},
        {"file-dialog.png", "Form2", [](LoggerFixture& f) { f.form().mnuReadClick(); }},
        {"about-box.png", "frmAbout", [](LoggerFixture& f) { f.form().mnuAboutClick(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        LoggerFixture f;
        f.writeFile("DC_Result_1.txt", dischargeFile(10));
        f.writeFile("DC_Result_2.txt", dischargeFile(10));
        QSize size;
        QString name;
        const std::string path = std::string(DCLOAD_UI_SHOT_DIR) + "/" + c.file;
        test::onNextModal([&](QWidget* w) {
            name = w->objectName();
            const QPixmap shot = w->grab();
            size = shot.size();
            EXPECT_TRUE(shot.save(QString::fromStdString(path), "PNG"));
            w->close();
        });
        f.app->handle([&] { c.open(f); });
        EXPECT_EQ(name, c.window);
        EXPECT_GT(size.width(), 200);
        EXPECT_GT(size.height(), 80);
        EXPECT_FALSE(QImage(QString::fromStdString(path)).isNull());
    }
}

} // namespace
} // namespace dcload::ui
