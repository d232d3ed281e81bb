// Shared helpers of the fuzz targets that drive a whole logger: the verdict on an exception,
// and checks of what the logger shows and writes.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include "app/form1.h"

namespace dcload::fuzz {

[[noreturn]] inline void finding(const char* step, const std::string& what) {
    std::fprintf(stderr, "FINDING: %s: %s\n", step, what.c_str());
    std::abort();
}

// Runs f. A conversion error (RuntimeError) that reaches the caller is allowed only where the
// logger lets it travel (allowRuntimeError); any other exception is a finding.
// Returns true when f completed.
template <class F>
bool guarded(const char* step, bool allowRuntimeError, F&& f) {
    try {
        f();
        return true;
    } catch (const RuntimeError& e) {
        if (!allowRuntimeError)
            finding(step, "RuntimeError " + std::to_string(e.number) + " escaped: " + e.description);
        return false;
    } catch (const std::exception& e) {
        finding(step, std::string("exception escaped: ") + e.what());
    } catch (...) {
        finding(step, "unknown exception escaped");
    }
}

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "-"? digits (at least minInt) "." exactly `decimals` digits: the shape of "##0.00",
// "##0.0" and "0000.0".
inline bool isFormatted(std::string_view s, std::size_t minInt, std::size_t decimals) {
    if (!s.empty() && s.front() == '-') s.remove_prefix(1);
    const std::size_t dot = s.find('.');
    if (dot == std::string_view::npos || dot < minInt) return false;
    for (std::size_t i = 0; i < dot; ++i)
        if (!isDigit(s[i])) return false;
    if (s.size() - dot - 1 != decimals) return false;
    for (std::size_t i = dot + 1; i < s.size(); ++i)
        if (!isDigit(s[i])) return false;
    return true;
}

// The reading tiles after a decoded message: volts "##0.00", current and temperature "##0.0",
// amp-hours "0000.0".
inline void checkDisplays(const char* step, const Form1& f) {
    const auto& c = f.ctl;
    if (!isFormatted(c.lblU[0].caption, 1, 2)) finding(step, "volts shown as '" + c.lblU[0].caption + "'");
    if (!isFormatted(c.lblA[0].caption, 1, 1)) finding(step, "current shown as '" + c.lblA[0].caption + "'");
    if (!isFormatted(c.lblT.caption, 1, 1)) finding(step, "temperature shown as '" + c.lblT.caption + "'");
    if (!isFormatted(c.lblAh.caption, 4, 1)) finding(step, "amp-hours shown as '" + c.lblAh.caption + "'");
}

// Every value the chart holds is a number (or unset).
inline void checkChart(const char* step, const ChartModel& chart) {
    for (int s = 1; s <= chart.seriesCount(); ++s)
        for (int p = 1; p <= chart.pointCount(); ++p) {
            const double v = chart.value(s, p);
            if (std::isinf(v)) finding(step, "infinite chart value");
        }
}

} // namespace dcload::fuzz
