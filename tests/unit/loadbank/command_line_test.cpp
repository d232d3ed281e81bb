#include <gtest/gtest.h>

#include "command_line.h"

namespace loadbank {
namespace {

// Each option lands in its own setting (a copy-paste slip would put two in one).
TEST(CommandLine, EachOptionReachesItsSetting) {
#define ROW(field, want, ...) {{__VA_ARGS__}, [](const SimSettings& s) { return double(s.field); }, want}
    const std::vector<std::tuple<std::vector<std::string>, double (*)(const SimSettings&), double>> table = {
        ROW(server.port, 0, "--port", "0"), ROW(durationSeconds, 2.5, "--duration=2.5"), ROW(verbose, 1, "-v"),
        ROW(server.speed, 60, "--speed", "60"), ROW(server.model.battery.cells, 12, "--cells", "12"),
        ROW(server.model.battery.current, 20.5, "--current", "20.5"),
        ROW(server.model.battery.ambientCelsius, -3.5, "--ambient", "-3.5"),
        ROW(server.model.frame.leading[3], 13, "--header", "0a0B0c0D"),
        ROW(server.model.frame.byte15, 127, "--byte15", "7f"),
        ROW(server.model.faults.longFormExtra, 32, "--long-replies", "space"),
        ROW(server.model.faults.longFormExtra, 13, "--long-replies", "cr"),
        ROW(server.model.recording, 0, "--no-recording"), ROW(server.model.preloadRecords, 30, "--preload", "30"),
        ROW(server.model.faults.corruptChance, 0.5, "--corrupt-chance", "0.5"),
        ROW(server.model.faults.refuseConnections, 1, "--refuse"),
        ROW(server.model.faults.seed, 4e9, "--seed", "4000000000")};
#undef ROW
    for (const auto& [args, get, want] : table) {
        const auto p = parseCommandLine(args);
        ASSERT_EQ(p.error, "") << args[0];
        EXPECT_EQ(get(p.settings), want) << args[0];
    }
    const ServerOptions defaults = parseCommandLine({}).settings.server;
    EXPECT_EQ(defaults.bind + ":" + std::to_string(defaults.port), "127.0.0.1:2200");
    EXPECT_EQ(defaults.speed, 1.0);
    EXPECT_EQ(parseCommandLine({"--bind", "localhost"}).settings.server.bind, "127.0.0.1");
}

TEST(CommandLine, RefusedWithAReason) {
    const std::vector<std::pair<std::vector<std::string>, const char*>> table = {
        {{"--bogus"}, "unknown option"}, {{"--port"}, "needs a value"}, {{"--port", "65536"}, "--port"},
        {{"--bind", "example.org"}, "--bind"}, {{"--speed", "nan"}, "--speed"}, {{"--header", "0101010G"}, "--header"},
        {{"--byte15", "100"}, "--byte15"}, {{"--silent=yes"}, "takes no value"},
        {{"--end-volts", "2.2"}, "start voltage"}};  // fine alone, not together
    for (const auto& [args, mention] : table)
        EXPECT_NE(parseCommandLine(args).error.find(mention), std::string::npos) << args[0];
    EXPECT_TRUE(parseCommandLine({"--port", "1", "--help"}).settings.help);
}

}  // namespace
}  // namespace loadbank
