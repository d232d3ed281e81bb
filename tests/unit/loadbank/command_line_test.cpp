#include <gtest/gtest.h>

#include "command_line.h"

namespace loadbank {
namespace {

TEST(CommandLine, DefaultsListenOnLoopbackPort2200InRealTime) {
    const auto p = parseCommandLine({});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.settings.server.bind, "127.0.0.1");
    EXPECT_EQ(p.settings.server.port, 2200);
    EXPECT_EQ(p.settings.server.speed, 1.0);
}

// Each option lands in its own setting (a copy-paste slip would put two in one).
TEST(CommandLine, EachOptionReachesItsSetting) {
    using Get = double (*)(const SimSettings&);
    const std::vector<std::tuple<std::vector<std::string>, Get, double>> table = {
        {{"--port", "0"}, [](const SimSettings& s) { return double(s.server.port); }, 0},
        {{"--duration=2.5"}, [](const SimSettings& s) { return s.durationSeconds; }, 2.5},
        {{"--speed", "60"}, [](const SimSettings& s) { return s.server.speed; }, 60},
        {{"-v"}, [](const SimSettings& s) { return double(s.verbose); }, 1},
        {{"--cells", "12"}, [](const SimSettings& s) { return double(s.server.model.battery.cells); }, 12},
        {{"--current", "20.5"}, [](const SimSettings& s) { return s.server.model.battery.current; }, 20.5},
        {{"--capacity", "50"}, [](const SimSettings& s) { return s.server.model.battery.capacityAh; }, 50},
        {{"--start-volts", "2.2"}, [](const SimSettings& s) { return s.server.model.battery.startCellVolts; }, 2.2},
        {{"--end-volts", "1.8"}, [](const SimSettings& s) { return s.server.model.battery.endCellVolts; }, 1.8},
        {{"--recovery-volts", "0.1"}, [](const SimSettings& s) { return s.server.model.battery.recoveryCellVolts; }, 0.1},
        {{"--ambient", "-3.5"}, [](const SimSettings& s) { return s.server.model.battery.ambientCelsius; }, -3.5},
        {{"--temp-rise", "4"}, [](const SimSettings& s) { return s.server.model.battery.temperatureRise; }, 4},
        {{"--start-at", "100"}, [](const SimSettings& s) { return s.server.model.startSeconds; }, 100},
        {{"--header", "0a0B0c0D"}, [](const SimSettings& s) { return double(s.server.model.frame.leading[3]); }, 13},
        {{"--byte15", "7f"}, [](const SimSettings& s) { return double(s.server.model.frame.byte15); }, 127},
        {{"--long-replies", "space"}, [](const SimSettings& s) { return double(s.server.model.faults.longFormExtra); }, 32},
        {{"--long-replies", "cr"}, [](const SimSettings& s) { return double(s.server.model.faults.longFormExtra); }, 13},
        {{"--record-interval", "10"}, [](const SimSettings& s) { return s.server.model.recordIntervalSeconds; }, 10},
        {{"--memory-size", "500"}, [](const SimSettings& s) { return double(s.server.model.memorySize); }, 500},
        {{"--no-recording"}, [](const SimSettings& s) { return double(s.server.model.recording); }, 0},
        {{"--preload", "30"}, [](const SimSettings& s) { return double(s.server.model.preloadRecords); }, 30},
        {{"--silent"}, [](const SimSettings& s) { return double(s.server.model.faults.silent); }, 1},
        {{"--drop-every", "3"}, [](const SimSettings& s) { return double(s.server.model.faults.dropEvery); }, 3},
        {{"--drop-chance", "0.25"}, [](const SimSettings& s) { return s.server.model.faults.dropChance; }, 0.25},
        {{"--corrupt-every", "4"}, [](const SimSettings& s) { return double(s.server.model.faults.corruptEvery); }, 4},
        {{"--corrupt-chance", "0.5"}, [](const SimSettings& s) { return s.server.model.faults.corruptChance; }, 0.5},
        {{"--split-every", "5"}, [](const SimSettings& s) { return double(s.server.model.faults.splitEvery); }, 5},
        {{"--split-pause", "300"}, [](const SimSettings& s) { return double(s.server.model.faults.splitPauseMs); }, 300},
        {{"--split-at", "8"}, [](const SimSettings& s) { return double(s.server.model.faults.splitAt); }, 8},
        {{"--join-every", "6"}, [](const SimSettings& s) { return double(s.server.model.faults.joinEvery); }, 6},
        {{"--close-after", "7"}, [](const SimSettings& s) { return double(s.server.model.faults.closeAfter); }, 7},
        {{"--refuse"}, [](const SimSettings& s) { return double(s.server.model.faults.refuseConnections); }, 1},
        {{"--delay", "150"}, [](const SimSettings& s) { return double(s.server.model.faults.replyDelayMs); }, 150},
        {{"--seed", "4000000000"}, [](const SimSettings& s) { return double(s.server.model.faults.seed); }, 4e9}};
    for (const auto& [args, get, want] : table) {
        const auto p = parseCommandLine(args);
        ASSERT_EQ(p.error, "") << args[0];
        EXPECT_EQ(get(p.settings), want) << args[0];
        EXPECT_NE(helpText().find(args[0].substr(0, args[0].find('='))), std::string::npos) << args[0];
    }
    EXPECT_EQ(parseCommandLine({"--bind", "localhost"}).settings.server.bind, "127.0.0.1");
}

TEST(CommandLine, RefusedWithAReason) {
    const std::vector<std::pair<std::vector<std::string>, const char*>> table = {
        {{"--bogus"}, "unknown option"},     {{"--port"}, "needs a value"},        {{"--port", "65536"}, "--port"},
        {{"--port", "22x"}, "--port"},       {{"--port", "-1"}, "--port"},         {{"--bind", "example.org"}, "--bind"},
        {{"--speed", "nan"}, "--speed"},     {{"--current", "0"}, "--current"},    {{"--header", "0101010G"}, "--header"},
        {{"--byte15", "100"}, "--byte15"},   {{"--long-replies", "lf"}, "--long-replies"},
        {{"--silent=yes"}, "takes no value"}, {{"--end-volts", "2.2"}, "start voltage"}};  // fine alone, not together
    for (const auto& [args, mention] : table)
        EXPECT_NE(parseCommandLine(args).error.find(mention), std::string::npos) << args[0];
    EXPECT_TRUE(parseCommandLine({"--port", "1", "--help"}).settings.help);
}

}  // namespace
}  // namespace loadbank
