#include "bench/reload_fixture.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "decode/format.h"
#include "results/file_io.h"
#include "support/virtual_platform.h"

namespace bench {

std::function<void(dcload::test::VirtualLogger&)> ReloadFixture::redrawHook;

namespace {
std::string storedMessage(int second, int lines) {
    // A 24-cell string at 50 A sagging from 50.9 V towards 42 V, warming slowly.
    const double frac = std::min(1.0, second / static_cast<double>(lines));
    const int volts100 = static_cast<int>(5088 - 600 * frac - 280 * std::pow(frac, 8));
    const int ah = second * 50 / 3600;
    const int temp10 = 210 + second / 800;
    return dcload::test::makeDataMessage(volts100, 500, second & 0xFFFF, ah, temp10) +
           dcload::formatPattern(second, "000000") + "\r";
}
} // namespace

void ReloadFixture::init(int&, char**) { instance(); }

ReloadFixture& ReloadFixture::instance() {
    static ReloadFixture fx(40000);
    return fx;
}

ReloadFixture::ReloadFixture(int lines, int run)
    : logger_(std::make_unique<dcload::test::VirtualLogger>()), lines_(lines) {
    std::string content;
    content.reserve(static_cast<size_t>(lines) * 42);
    for (int i = 1; i <= lines; ++i) content += storedMessage(i, lines) + "\r\n";
    logger_->writeFile("DC_Result_" + std::to_string(run) + ".txt", content);
    logger_->writeFile("DCCount.txt", std::to_string(run) + "\r\n");
    resultFile_ = logger_->form->resultFileName(run);
}

ReloadFixture::~ReloadFixture() = default;

void ReloadFixture::appendLine() {
    dcload::appendToFile(resultFile_, storedMessage(++lines_, lines_) + "\r\n");
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
    for (size_t i = 0; i < log.size(); ++i) log[i] = storedMessage(static_cast<int>(i % 65536), lines_);
}

int ReloadFixture::records() const { return logger_->form->gTimeCount; }
std::size_t ReloadFixture::logBytes() const { return logger_->form->messageLog.memoryBytes(); }

int ReloadFixture::plottedPoints() const {
    const auto& c = logger_->form->chart;
    int n = 0;
    for (int p = 1; p <= c.pointCount(); ++p) n += !std::isnan(c.value(1, p));
    return n;
}

} // namespace bench
