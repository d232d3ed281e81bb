// How a history of n messages is thinned for the chart: a label every labelSpacing points,
// every replayStep-th message replayed.
#pragma once

namespace dcload {

struct Thinning {
    int labelSpacing;
    int replayStep;
};

constexpr Thinning thinningFor(int n) {
    if (n <= 50) return {1, 1};
    if (n <= 400) return {5, 2};
    if (n <= 5000) return {10, 5};
    if (n <= 10000) return {20, 10};
    if (n <= 20000) return {30, 10};
    return {40, 10};
}

} // namespace dcload
