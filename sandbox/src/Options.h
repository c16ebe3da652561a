#pragma once

#include "Sandbox.h"

#include <optional>
#include <string>
#include <vector>

namespace sandbox {

struct Options {
    Settings settings;
    std::string logFile;  // empty: standard output
    bool help = false;
};

// Parses the command line (without the program name); nullopt and a reason
// for anything it does not understand.
std::optional<Options> parseOptions(const std::vector<std::string>& arguments, std::string& error);

std::string usage();

}  // namespace sandbox
