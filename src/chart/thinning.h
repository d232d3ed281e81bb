// How a history of n messages is thinned for the chart: a label every labelSpacing points,
// every replayStep-th message replayed.
#pragma once

namespace dcload {

struct Thinning {
    int labelSpacing;
    int replayStep;
};

// Past 32767 messages (about nine hours at one a second) the step grows with n, so a replay of
// any length plots 3,273 to 3,602 points.
inline constexpr int kLongRunPoints = 3600;

constexpr Thinning thinningFor(long long n) {
    if (n <= 50) return {1, 1};
    if (n <= 400) return {5, 2};
    if (n <= 5000) return {10, 5};
    if (n <= 10000) return {20, 10};
    if (n <= 20000) return {30, 10};
    if (n <= 32767) return {40, 10};
    return {40, static_cast<int>((n + kLongRunPoints - 1) / kLongRunPoints)};
}

} // namespace dcload
