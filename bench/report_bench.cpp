// The test report of a 10-hour test logged once a second (36,000 readings): the figures, and
// the PDF written as the dialog writes it. The goal is the whole PDF in under 2 s.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include "loadbank/data_message.h"
#include "loadbank/discharge.h"
#include "ui/report_page.h"

namespace {

std::string tenHourTest() {
    loadbank::BatteryOptions b;
    b.current = 10, b.capacityAh = 100; // 10 hours
    const loadbank::Discharge model(b);
    std::string text;
    for (int t = 0; t < 36000; ++t) {
        const loadbank::Reading r = model.at(t);
        text += loadbank::encodeDataMessage(loadbank::quantize(r.volts, r.amps, r.testSeconds, r.ampHours, r.celsius)) +
                std::to_string(1000000 + t % 1000000).substr(1) + "\r\r\n";
    }
    return text;
}

dcload::report::BatteryTest rated() {
    dcload::report::BatteryTest t;
    t.rating = dcload::report::Rating::AmpHours, t.rated = 100, t.hourRate = 10;
    return t;
}

void BM_ReportFigures(benchmark::State& state) {
    const std::string text = tenHourTest();
    for (auto _ : state) benchmark::DoNotOptimize(dcload::report::analyseRun(text, rated()));
}
BENCHMARK(BM_ReportFigures)->Unit(benchmark::kMillisecond);

void BM_ReportPdf(benchmark::State& state) {
    const std::string text = tenHourTest();
    QTemporaryDir dir;
    dcload::ui::ReportInput in;
    in.fileName = dir.filePath("DC_Result_1.txt");
    in.test = rated();
    for (auto _ : state) {
        in.run = dcload::report::analyseRun(text, in.test);
        benchmark::DoNotOptimize(dcload::ui::writeReportPdf(dir.filePath("report.pdf"), in));
    }
    state.counters["readings"] = static_cast<double>(in.run.samples.size());
}
BENCHMARK(BM_ReportPdf)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
