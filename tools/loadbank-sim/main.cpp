// loadbank-sim: a pretend DC load bank on a TCP port, for demos, training and tests.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <system_error>
#include <thread>

#include "command_line.h"

namespace {

std::atomic<bool> g_stop{false};

void onSignal(int) { g_stop = true; }

// Called from the server thread and from main: whole lines only, flushed for pipes.
void say(const std::string& line) {
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    std::cout << line << '\n' << std::flush;
}

std::string hms(double seconds) {
    const auto s = static_cast<long long>(seconds);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return buf;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace loadbank;
    const std::vector<std::string> args(argv + 1, argv + argc);
    ParsedCommandLine parsed = parseCommandLine(args);
    if (parsed.settings.help) {
        std::cout << helpText();
        return 0;
    }
    if (!parsed.error.empty()) {
        std::cerr << "loadbank-sim: " << parsed.error << "\nTry 'loadbank-sim --help'.\n";
        return 2;
    }
    SimSettings& s = parsed.settings;
    if (s.verbose) s.server.log = say;

    std::signal(SIGINT, onSignal);  // Ctrl+C, also in a Windows console
    std::signal(SIGTERM, onSignal);

    if (s.server.bind.rfind("127.", 0) != 0)
        std::cerr << "loadbank-sim: warning: listening on " << s.server.bind
                  << ", which other computers can reach\n";

    try {
        Server server(s.server);
        server.start();
        const auto& b = s.server.model.battery;
        const double trip = server.withModel([](LoadBank& m) { return m.discharge().tripSeconds(); });
        const std::string where = s.server.bind + ":" + std::to_string(server.port());
        say(s.server.model.faults.refuseConnections
                ? "loadbank-sim: refusing connections on " + where + " (the port is taken, nobody answers)"
                : "loadbank-sim: listening on " + where);
        char head[160];
        std::snprintf(head, sizeof head, "loadbank-sim: %d cells, %.1f A, %g Ah; the load trips at test time %s",
                      b.cells, b.current, b.capacityAh, hms(trip).c_str());
        std::string plan = head;
        if (s.server.speed > 0 && s.server.speed != 1) {
            char tail[96];
            std::snprintf(tail, sizeof tail, " (%s from now at speed %g)",
                          hms(std::max(0.0, trip - s.server.model.startSeconds) / s.server.speed).c_str(),
                          s.server.speed);
            plan += tail;
        }
        say(plan);

        const auto until = std::chrono::steady_clock::now() +
                           std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                               std::chrono::duration<double>(s.durationSeconds));
        while (!g_stop && (s.durationSeconds <= 0 || std::chrono::steady_clock::now() < until))
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        server.stop();
        say("loadbank-sim: stopped");
    } catch (const std::system_error& e) {
        std::cerr << "loadbank-sim: " << e.what() << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "loadbank-sim: " << e.what() << '\n';
        return 2;
    }
    return 0;
}
