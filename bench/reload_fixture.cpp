#include "bench/reload_fixture.h"

#include <cmath>
#include <string>

#include "decode/format.h"
#include "support/virtual_platform.h"

namespace bench {

std::function<void(dcload::test::VirtualLogger&)> ReloadFixture::redrawHook;

namespace {
constexpr int kLines = 40000;
constexpr int kRun = 7;

std::string storedMessage(int second) {
    // A 24-cell string at 50 A sagging from 50.9 V towards 42 V, warming slowly.
    const double frac = second / static_cast<double>(kLines);
    const int volts100 = static_cast<int>(5088 - 600 * frac - 280 * std::pow(frac, 8));
    const int ah = second * 50 / 3600;
    const int temp10 = 210 + second / 800;
    return dcload::test::makeDataMessage(volts100, 500, second & 0xFFFF, ah, temp10) +
           dcload::formatPattern(second, "000000") + "\r";
}
} // namespace

void ReloadFixture::init(int&, char**) { instance(); }

ReloadFixture& ReloadFixture::instance() {
    static ReloadFixture fx;
    return fx;
}

ReloadFixture::ReloadFixture() : logger_(std::make_unique<dcload::test::VirtualLogger>()) {
    std::string content;
    content.reserve(kLines * 42);
    for (int i = 1; i <= kLines; ++i) content += storedMessage(i) + "\r\n";
    logger_->writeFile("DC_Result_" + std::to_string(kRun) + ".txt", content);
    logger_->writeFile("DCCount.txt", std::to_string(kRun) + "\r\n");
    resultFile_ = logger_->form->resultFileName(kRun);
}

void ReloadFixture::redraw() {
    if (redrawHook) {
        redrawHook(*logger_);
        ++redraws_;
    }
}

void ReloadFixture::reload() {
    logger_->form->importLastData();
    redraw();
}

void ReloadFixture::tabSwitch(int tab) {
    logger_->form->tabStripClick(tab);
    redraw();
}

void ReloadFixture::fillMessageLog() {
    auto& log = logger_->form->messageLog;
    for (size_t i = 0; i < log.size(); ++i) log[i] = storedMessage(static_cast<int>(i % 65536));
}

int ReloadFixture::records() const { return logger_->form->gTimeCount; }

int ReloadFixture::plottedPoints() const {
    const auto& c = logger_->form->chart;
    int n = 0;
    for (int p = 1; p <= c.pointCount(); ++p) n += !std::isnan(c.value(1, p));
    return n;
}

} // namespace bench
