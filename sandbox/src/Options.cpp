#include "Options.h"

#include <charconv>

namespace sandbox {

namespace {

std::optional<int> parseNumber(const std::string& text, int lowest, int highest)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [next, failure] = std::from_chars(text.data(), end, value);
    if (text.empty() || failure != std::errc() || next != end || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<Options> parseOptions(const std::vector<std::string>& arguments, std::string& error)
{
    Options options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name != "--base-port" && name != "--log" && name != "--slow-seconds" && name != "--hostile") {
            error = "unknown option " + name;
            return std::nullopt;
        }
        if (i + 1 == arguments.size()) {
            error = name + " needs a value";
            return std::nullopt;
        }
        const std::string& value = arguments[++i];
        if (name == "--hostile") {
            const auto mode = hostileModeNamed(value);
            if (!mode) {
                error = "--hostile must be one of " + hostileModeNames();
                return std::nullopt;
            }
            options.settings.hostile = *mode;
        } else if (name == "--log") {
            if (value.empty()) {
                error = "--log needs a file name";
                return std::nullopt;
            }
            options.logFile = value;
        } else if (name == "--base-port") {
            const auto port = parseNumber(value, 1, HighestBasePort);
            if (!port) {
                error = "--base-port must be a number from 1 to " + std::to_string(HighestBasePort);
                return std::nullopt;
            }
            options.settings.basePort = *port;
        } else {
            const auto seconds = parseNumber(value, 0, 3600);
            if (!seconds) {
                error = "--slow-seconds must be a number from 0 to 3600";
                return std::nullopt;
            }
            options.settings.slowDelay = std::chrono::seconds(*seconds);
        }
    }
    return options;
}

std::string usage()
{
    return "usage: quaylet-sandbox [--base-port N] [--log FILE] [--slow-seconds S] [--hostile MODE]\n"
           "  --base-port N     endpoints listen on 127.0.0.1 ports N+1 .. N+10 (default "
           + std::to_string(DefaultBasePort)
           + ")\n"
             "  --log FILE        append one JSON line per request to FILE (default: standard output)\n"
             "  --slow-seconds S  how long the slow account waits for its answer (default 20)\n"
             "  --hostile MODE    each portal's first login meets MODE: "
           + hostileModeNames()
           + "\n"
             "Prints the ports, the accounts and then \"ready\" on standard error; stops on SIGINT or SIGTERM.\n";
}

}  // namespace sandbox
