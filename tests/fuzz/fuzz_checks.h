// Shared helpers of the fuzz targets that drive a whole logger: the verdict on an exception,
// and the check of the chart.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/form1.h"

namespace dcload::fuzz {

[[noreturn]] inline void finding(const char* step, const std::string& what) {
    std::fprintf(stderr, "FINDING: %s: %s\n", step, what.c_str());
    std::abort();
}

// Runs f; true when it completed. A conversion error (RuntimeError) may reach the caller only
// where the logger lets it travel; any other exception is a finding.
template <class F>
bool guarded(const char* step, bool allowRuntimeError, F&& f) {
    try {
        f();
        return true;
    } catch (const RuntimeError& e) {
        if (!allowRuntimeError) finding(step, "RuntimeError escaped: " + e.description);
        return false;
    } catch (...) {
        finding(step, "other exception escaped");
    }
}

// Every value the chart holds is a number (or unset).
inline void checkChart(const char* step, const ChartModel& chart) {
    for (int s = 1; s <= chart.seriesCount(); ++s)
        for (int p = 1; p <= chart.pointCount(); ++p)
            if (std::isinf(chart.value(s, p))) finding(step, "infinite chart value");
}

} // namespace dcload::fuzz
