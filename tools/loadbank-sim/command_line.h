// The simulator's command line: options in, server settings out, and the help text.
#pragma once

#include <string>
#include <vector>

#include "server.h"

namespace loadbank {

struct SimSettings {
    ServerOptions server;
    double durationSeconds = 0;  // 0: until Ctrl+C or SIGTERM
    bool verbose = false;
    bool help = false;
};

struct ParsedCommandLine {
    SimSettings settings;
    std::string error;  // empty when the command line was understood
};

// args without the program name. Accepts "--name value" and "--name=value".
ParsedCommandLine parseCommandLine(const std::vector<std::string>& args);

const std::string& helpText();

}  // namespace loadbank
