// The Qt part of the reload benchmark: the chart view redraws the model into an offscreen image.
#include <QApplication>
#include <QImage>
#include <QPainter>

#include "bench/reload_fixture.h"
#include "support/virtual_platform.h"
#include "ui/chart_view.h"

namespace bench {

void installChartRedraw(int& argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    static dcload::ui::ChartView view;
    view.resize(1000, 420); // the chart's size in the window at its default size
    static QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    ReloadFixture::redrawHook = [](dcload::test::VirtualLogger& logger) {
        view.render(logger.form->chart);
        view.replot(QCustomPlot::rpImmediateRefresh);
        QPainter painter(&image);
        static_cast<QWidget&>(view).render(&painter);
    };
}

} // namespace bench
