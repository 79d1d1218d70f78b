// Command line of the velmora-sim program.
#pragma once

#include "devicesimulator.h"

#include <optional>
#include <string>
#include <vector>

namespace velmora::sim {

struct SimOptions {
    SimConfig config;
    std::string linkPath;  // empty: no link
    double seconds = 0;    // 0: run until interrupted
    bool quiet = false;
    bool help = false;
};

// Parses the arguments after the program name. On a bad option returns nothing and puts a
// message naming the option into *error.
std::optional<SimOptions> parseSimOptions(const std::vector<std::string>& args, std::string* error);

// The --help text.
std::string simUsage(const std::string& program);

}  // namespace velmora::sim
