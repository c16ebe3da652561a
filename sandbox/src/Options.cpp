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

std::optional<Endpoint> endpointNamed(const std::string& name)
{
    for (Endpoint endpoint : AllEndpoints) {
        if (endpointName(endpoint) == name)
            return endpoint;
    }
    return std::nullopt;
}

std::optional<Options> parseOptions(const std::vector<std::string>& arguments, std::string& error)
{
    Options options;
    Quirks& quirks = options.settings.quirks;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name == "--confirm-logout") {
            quirks.confirmLogout = true;
            continue;
        }
        if (name == "--alert-on-failure") {
            quirks.alertOnFailure = true;
            continue;
        }
        if (name == "--unlock-in-new-window") {
            quirks.unlockInNewWindow = true;
            continue;
        }
        if (name == "--probe-launcher") {
            quirks.probeLauncher = true;
            continue;
        }
        if (name == "--https-upgrade") {
            quirks.transport = Quirks::Transport::HttpsUpgrade;
            continue;
        }
        if (name == "--http-only") {
            quirks.transport = Quirks::Transport::HttpOnly;
            continue;
        }
        if (name == "--heavy") {
            options.settings.weight.heavy = true;
            continue;
        }
        if (name != "--base-port" && name != "--log" && name != "--slow-seconds" && name != "--first-page-delay"
            && name != "--closed" && name != "--latency" && name != "--hostile" && name != "--launch") {
            error = "unknown option " + name;
            return std::nullopt;
        }
        if (i + 1 == arguments.size()) {
            error = name + " needs a value";
            return std::nullopt;
        }
        const std::string& value = arguments[++i];
        if (name == "--launch") {
            quirks.launch.clear();
            for (std::string_view rest = value; !rest.empty();) {
                const auto comma = rest.find(',');
                const auto mode = launchModeNamed(rest.substr(0, comma));
                if (!mode) {
                    error = "--launch takes one or more of " + launchModeNames() + ", separated by commas";
                    return std::nullopt;
                }
                quirks.launch.push_back(*mode);
                rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
            }
        } else if (name == "--hostile") {
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
        } else if (name == "--first-page-delay") {
            const auto milliseconds = parseNumber(value, 0, 600000);
            if (!milliseconds) {
                error = "--first-page-delay must be a number of milliseconds from 0 to 600000";
                return std::nullopt;
            }
            quirks.firstPageDelay = std::chrono::milliseconds(*milliseconds);
        } else if (name == "--closed") {
            const auto endpoint = endpointNamed(value);
            if (!endpoint) {
                error = "--closed needs an endpoint name, such as NetmarbleLogin";
                return std::nullopt;
            }
            quirks.closed.push_back(*endpoint);
        } else if (name == "--latency") {
            const auto milliseconds = parseNumber(value, 0, 10000);
            if (!milliseconds) {
                error = "--latency must be a number from 0 to 10000";
                return std::nullopt;
            }
            options.settings.weight.latency = std::chrono::milliseconds(*milliseconds);
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
    return "usage: quaylet-sandbox [--base-port N] [--log FILE] [--slow-seconds S] [--heavy] [--latency MS] [quirks] [--hostile MODE]\n"
           "  --base-port N     endpoints listen on 127.0.0.1 ports N+1 .. N+10 (default "
           + std::to_string(DefaultBasePort)
           + ")\n"
             "  --log FILE        append one JSON line per request to FILE (default: standard output)\n"
             "  --slow-seconds S  how long the slow account waits for its answer (default 20)\n"
             "  --heavy           every portal page carries the weight of a real one: images, style\n"
             "                    sheets, scripts, a web font\n"
             "  --latency MS      wait before every answer (default 80 with --heavy, else 0)\n"
             "quirks, for tests of how the program copes:\n"
             "  --first-page-delay MS   the first page of a login answers after MS milliseconds\n"
             "  --confirm-logout        Netmarble's go_logout() asks \"로그아웃 하시겠습니까?\" first\n"
             "  --alert-on-failure      the login failure pages show an alert\n"
             "  --unlock-in-new-window  the unlock button opens its answer in a new window\n"
             "  --closed ENDPOINT       the endpoint does not listen (repeatable)\n"
             "  --launch MODE[,MODE...] the channel pages launch the game, each request by the next\n"
             "                          mode in turn: "
           + launchModeNames()
           + "\n"
             "  --probe-launcher        the main and intro pages try a launcher address as they load\n"
             "  --http-only             the portals' http endpoints speak plain http only, their\n"
             "                          addresses use http (by default they speak TLS too, and use https)\n"
             "  --https-upgrade         the portals' http endpoints redirect plain http to https on the\n"
             "                          same port, where they speak TLS; their addresses use https\n"
             "  --hostile MODE          each portal's first login meets MODE: "
           + hostileModeNames()
           + "\n"
             "Prints the ports, the accounts and then \"ready\" on standard error; stops on SIGINT or SIGTERM.\n";
}

}  // namespace sandbox
