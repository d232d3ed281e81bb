// The loadbank-sim program itself, run as a child process on a free loopback port.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <regex>
#include <thread>
#include <vector>

#include "loopback.h"
#include "message_check.h"

extern char** environ;

namespace loadbank {
namespace {

class Sim {
public:
    explicit Sim(std::vector<std::string> args) {
        args.insert(args.begin(), LOADBANK_SIM_PATH);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
        posix_spawn_file_actions_adddup2(&fa, fds[1], 2);
        if (posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
        ::close(fds[1]);
        out_ = fds[0];
    }
    ~Sim() {
        if (pid_ > 0 && status_ < 0) ::kill(pid_, SIGKILL), ::waitpid(pid_, nullptr, 0);
        ::close(out_);
    }
    // Everything printed so far, waiting up to timeoutMs for `until` to show.
    std::string output(const std::string& until, int timeoutMs) {
        for (const auto end = test::Clock::now() + std::chrono::milliseconds(timeoutMs);
             text_.find(until) == std::string::npos && test::Clock::now() < end;) {
            pollfd p{out_, POLLIN, 0};
            char buf[4096];
            if (::poll(&p, 1, 50) <= 0) continue;
            const ssize_t n = ::read(out_, buf, sizeof buf);
            if (n <= 0) break;
            text_.append(buf, static_cast<std::size_t>(n));
        }
        return text_;
    }
    // The exit code, or -1 if still running after timeoutMs.
    int waitExit(int timeoutMs) {
        for (const auto t = test::Clock::now(); status_ < 0 && test::msSince(t) < timeoutMs;) {
            int st = 0;
            if (::waitpid(pid_, &st, WNOHANG) == pid_) status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            else std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return status_;
    }
    void signal(int sig) { ::kill(pid_, sig); }
    std::uint16_t port() {  // the first line names it
        std::smatch m;
        const std::string s = output("\n", 5000);
        return std::regex_search(s, m, std::regex(" on 127\\.0\\.0\\.1:([0-9]+)")) ? std::stoi(m[1]) : 0;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int status_ = -1;
    std::string text_;
};

TEST(SimProgram, VerboseSessionThenCleanStopOnEitherSignal) {
    for (int sig : {SIGTERM, SIGINT}) {
        Sim sim({"--port", "0", "-v", "--speed", "0", "--start-at", "420"});
        const std::uint16_t port = sim.port();
        ASSERT_NE(port, 0);
        test::LoopbackClient c(port);
        c.send("?\r");
        const std::string reply = c.read(2000, 32);
        ASSERT_TRUE(test::checksumOk(reply));
        EXPECT_EQ(test::decode(reply)->seconds, 420);
        sim.output(reply, 2000);
        sim.signal(sig);
        EXPECT_EQ(sim.waitExit(3000), 0);
        const std::string out = sim.output("stopped", 1000);
        EXPECT_NE(out.find("<- \"?\""), std::string::npos) << out;
        EXPECT_NE(out.find("-> \"" + reply + "\""), std::string::npos) << out;
        EXPECT_NE(out.find("loadbank-sim: stopped"), std::string::npos) << out;
    }
}

TEST(SimProgram, StopsByItselfAfterTheDuration) {
    Sim sim({"--port", "0", "--duration", "1"});
    ASSERT_NE(sim.port(), 0);
    EXPECT_EQ(sim.waitExit(5000), 0);
}

TEST(SimProgram, HelpAndBadOptions) {
    Sim help({"--help"});
    EXPECT_EQ(help.waitExit(3000), 0);
    EXPECT_NE(help.output("Usage", 1000).find("Usage: loadbank-sim"), std::string::npos);
    Sim bad({"--port", "70000"});
    EXPECT_EQ(bad.waitExit(3000), 2);
    EXPECT_NE(bad.output("--port", 1000).find("--port"), std::string::npos);
}

}  // namespace
}  // namespace loadbank
