#include "loadbank/discharge.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace loadbank {
namespace {

// Shape of the curve, as fractions of the total drop from start to end voltage: a quick
// early sag, a gently sloping plateau and the knee near the end. Each part falls
// monotonically, so the on-load voltage never rises.
constexpr double kSagShare = 0.2, kPlateauShare = 0.3, kKneeShare = 0.5;
constexpr double kSagWidth = 0.03;     // of the rated time
constexpr double kKneeWidth = 0.06;    // of the rated time
constexpr double kRecoverySeconds = 300.0;
constexpr double kCoolingSeconds = 1800.0;

}  // namespace

const char* checkBattery(const BatteryOptions& b) {
    if (!(b.cells >= 1 && b.cells <= 1000)) return "cells must be 1 to 1000";
    if (!(b.current >= 0.1 && b.current <= 6553.5)) return "current must be 0.1 to 6553.5 A";
    if (!(b.capacityAh > 0 && b.capacityAh <= 65535)) return "capacity must be above 0 and at most 65535 Ah";
    if (!(b.endCellVolts > 0)) return "end voltage must be above 0";
    if (!(b.startCellVolts >= b.endCellVolts + 0.05))
        return "start voltage must be at least 0.05 V per cell above the end voltage";
    if (!(b.recoveryCellVolts >= 0 && b.recoveryCellVolts <= 1)) return "recovery must be 0 to 1 V per cell";
    if (!(b.cells * (b.startCellVolts + b.recoveryCellVolts) <= 655.35))
        return "string voltage must stay below 655.35 V";
    if (!(std::fabs(b.ambientCelsius) <= 1000)) return "ambient temperature out of range";
    if (!(b.temperatureRise >= 0 && b.temperatureRise <= 100)) return "temperature rise must be 0 to 100";
    return "";
}

Discharge::Discharge(const BatteryOptions& battery) : b_(battery) {
    const char* problem = checkBattery(b_);
    if (*problem) throw std::invalid_argument(problem);
    trip_ = b_.capacityAh / b_.current * 3600.0;
}

double Discharge::cellVoltsOnLoad(double f) const {
    f = std::clamp(f, 0.0, 1.0);
    const double drop = b_.startCellVolts - b_.endCellVolts;
    const double sag = (1.0 - std::exp(-f / kSagWidth)) / (1.0 - std::exp(-1.0 / kSagWidth));
    const double knee = std::expm1(f / kKneeWidth) / std::expm1(1.0 / kKneeWidth);
    return b_.startCellVolts - drop * (kSagShare * sag + kPlateauShare * f + kKneeShare * knee);
}

double Discharge::temperatureOnLoad(double t) const {
    return b_.ambientCelsius + b_.temperatureRise * -std::expm1(-t / trip_);
}

Reading Discharge::at(double t) const {
    if (!(t >= 0)) t = 0;  // also catches NaN
    Reading r;
    if (t < trip_) {
        r.loadOn = true;
        r.amps = b_.current;
        r.volts = b_.cells * cellVoltsOnLoad(t / trip_);
        r.testSeconds = t;
        r.celsius = temperatureOnLoad(t);
    } else {
        const double off = t - trip_;
        r.loadOn = false;
        r.amps = 0.0;
        r.volts = b_.cells * (b_.endCellVolts +
                              b_.recoveryCellVolts * -std::expm1(-off / kRecoverySeconds));
        r.testSeconds = trip_;
        const double atTrip = temperatureOnLoad(trip_);
        r.celsius = b_.ambientCelsius + (atTrip - b_.ambientCelsius) * std::exp(-off / kCoolingSeconds);
    }
    r.ampHours = b_.current * r.testSeconds / 3600.0;
    return r;
}

}  // namespace loadbank
