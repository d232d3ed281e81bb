// Observable state of the windows' controls, owned by the core and mirrored by the Qt layer.
#pragma once

#include <string>
#include <vector>

namespace dcload {

struct Rgb {
    int r = 255, g = 255, b = 255;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kDarkGrey{64, 64, 64};
inline constexpr Rgb kYellow{255, 255, 0};
inline constexpr Rgb kGreen{0, 255, 0};
inline constexpr Rgb kLightCyan{192, 255, 255};
// The 1000 ms band of the graph-time label: a soft green that reads as "on time".
inline constexpr Rgb kOnTime{198, 239, 206};

struct Label {
    std::string caption;
    Rgb back = kWhite;
    bool visible = true;
};

struct Frame {
    std::string caption;
    bool visible = true;
};

struct ProgressBar {
    int max = 10;
    int value = 0;
    // One step of an activity indicator: up to the maximum, then back to 1.
    void step() { value = (max > value) ? value + 1 : 1; }
};

struct ScrollBar {
    int min = 0;
    int max = 32767;
    int value = 0;
};

enum class Pointer { Default, Busy };

} // namespace dcload
