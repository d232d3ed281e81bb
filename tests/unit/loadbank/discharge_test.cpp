#include <gtest/gtest.h>

#include <cmath>

#include "loadbank/data_message.h"
#include "loadbank/discharge.h"

namespace loadbank {
namespace {

BatteryOptions make(int cells, double amps, double ah, double start, double end, double ambient) {
    BatteryOptions b;
    b.cells = cells, b.current = amps, b.capacityAh = ah;
    b.startCellVolts = start, b.endCellVolts = end, b.ambientCelsius = ambient;
    return b;
}

// Volts as the logger sees them, in hundredths.
int shown(double volts) { return quantize(volts, 0, 0, 0, 0).centivolts; }

class Curve : public ::testing::TestWithParam<BatteryOptions> {};

TEST_P(Curve, FallsWithAKneeToTheEndVoltageAtTheRatedTimeThenTripsAndRecovers) {
    const BatteryOptions b = GetParam();
    const Discharge d(b);
    const double T = b.capacityAh / b.current * 3600.0, endVolts = b.cells * b.endCellVolts;
    EXPECT_NEAR(d.tripSeconds(), T, T * 0.02);
    EXPECT_NEAR(d.at(0).volts, b.cells * b.startCellVolts, 0.01);

    int previous = shown(d.at(0).volts);
    for (double t = 0; t < d.tripSeconds(); t += T / 20000) {
        const Reading r = d.at(t);
        ASSERT_TRUE(r.loadOn);
        ASSERT_EQ(r.amps, b.current);
        ASSERT_LE(shown(r.volts), previous) << "rose at " << t << " s";
        previous = shown(r.volts);
    }
    const double middleDrop = d.at(0.45 * T).volts - d.at(0.55 * T).volts;
    EXPECT_GT(middleDrop, 0);
    EXPECT_GT(d.at(0.9 * T).volts - d.at(0.9999 * T).volts, 4 * middleDrop);  // the knee
    EXPECT_LT(d.at(0.9999 * T).volts - endVolts, 0.02 * b.cells);

    const Reading tripped = d.at(d.tripSeconds());
    EXPECT_FALSE(tripped.loadOn);
    EXPECT_EQ(tripped.amps, 0.0);
    EXPECT_EQ(shown(tripped.volts), shown(endVolts));
    double last = tripped.volts;
    for (double off : {60.0, 600.0, 86400.0}) {
        const Reading r = d.at(d.tripSeconds() + off);
        EXPECT_EQ(r.amps, 0.0);
        EXPECT_GE(r.volts, last);  // recovers, only a little
        EXPECT_LE(r.volts, endVolts + b.cells * b.recoveryCellVolts + 1e-9);
        EXPECT_NEAR(r.testSeconds, d.tripSeconds(), 1e-9);  // test time and Ah hold at the trip
        EXPECT_NEAR(r.ampHours, b.capacityAh, 1e-6);
        last = r.volts;
    }
    EXPECT_GT(last, endVolts + 0.5 * b.cells * b.recoveryCellVolts);
    EXPECT_NEAR(d.at(T / 2).ampHours, b.capacityAh / 2, 1e-6);
}

TEST_P(Curve, TemperatureCreepsUpFromAmbientThenSettlesBack) {
    const BatteryOptions b = GetParam();
    const Discharge d(b);
    const double T = d.tripSeconds();
    EXPECT_NEAR(d.at(0).celsius, b.ambientCelsius, 1e-9);
    EXPECT_LT(d.at(60).celsius - b.ambientCelsius, 0.5);
    double previous = b.ambientCelsius;
    for (int i = 1; i <= 10; ++i) {
        const double c = d.at(T * i / 10 - 1e-3).celsius;
        EXPECT_GT(c, previous);
        previous = c;
    }
    EXPECT_LE(previous, b.ambientCelsius + b.temperatureRise);
    EXPECT_LT(d.at(T + 7200).celsius, d.at(T).celsius);
    EXPECT_GE(d.at(T + 7200).celsius, b.ambientCelsius);
}

INSTANTIATE_TEST_SUITE_P(Batteries, Curve, ::testing::Values(
    BatteryOptions{},                           // 24 cells, 50 A, 100 Ah: two hours
    make(24, 10.0, 200, 2.12, 1.80, 25.0),
    make(240, 120.0, 40, 2.10, 1.67, 30.0),
    make(6, 2.5, 7, 2.15, 1.75, -10.0)));

TEST(Curve, UnusableBatteriesAreRefused) {
    for (BatteryOptions b : {make(0, 50, 100, 2.12, 1.75, 21), make(24, 0, 100, 2.12, 1.75, 21),
                             make(24, NAN, 100, 2.12, 1.75, 21), make(24, 50, 0, 2.12, 1.75, 21),
                             make(24, 50, 100, 2.12, 2.2, 21), make(400, 50, 100, 2.12, 1.75, 21)})
        EXPECT_THROW(Discharge{b}, std::invalid_argument);
}

}  // namespace
}  // namespace loadbank
