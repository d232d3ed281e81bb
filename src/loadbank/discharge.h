// A constant-current discharge of a lead-acid string: voltage curve with a knee, the trip at
// the end voltage, recovery afterwards, amp-hours and a slowly warming battery.
#pragma once

namespace loadbank {

struct BatteryOptions {
    int cells = 24;
    double current = 50.0;            // A, held constant until the trip
    double capacityAh = 100.0;        // rated capacity at this current
    double startCellVolts = 2.12;     // on load, at the start of the test
    double endCellVolts = 1.75;       // the load trips here
    double recoveryCellVolts = 0.15;  // how far each cell recovers once the load is off
    double ambientCelsius = 21.0;
    double temperatureRise = 6.0;     // warming towards this many degrees above ambient
};

// Empty when the options describe a battery the model can follow; else what is wrong.
const char* checkBattery(const BatteryOptions& b);

struct Reading {
    double volts = 0;
    double amps = 0;
    double testSeconds = 0;   // stops counting at the trip, like the instrument's test timer
    double ampHours = 0;
    double celsius = 0;
    bool loadOn = true;
};

class Discharge {
public:
    // Throws std::invalid_argument when checkBattery() reports a problem.
    explicit Discharge(const BatteryOptions& battery);

    const BatteryOptions& battery() const { return b_; }
    // Test time at which the string reaches the end voltage and the load trips.
    double tripSeconds() const { return trip_; }
    Reading at(double seconds) const;
    // Per-cell voltage on load at a fraction of the rated time (0..1).
    double cellVoltsOnLoad(double fraction) const;

private:
    double temperatureOnLoad(double seconds) const;
    BatteryOptions b_;
    double trip_;
};

}  // namespace loadbank
