#pragma once

#include "Accounts.h"
#include "Layout.h"
#include "RequestLog.h"
#include "StopSignal.h"

#include <httplib.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace sandbox {

// How a channel page launches the game, in turn, when --launch names ways (it
// launches nothing otherwise): it sends the browser to an address of the game
// launcher's own scheme from a script, a hidden frame, a script's timer, a
// redirect or a pop-up it opens, as portal pages do.
enum class LaunchMode { Href, Iframe, Timer, Redirect, Popup };
std::optional<LaunchMode> launchModeNamed(std::string_view name);
std::string launchModeNames();

// Ways in which the portals misbehave on request, for tests of how the
// program copes.
struct Quirks {
    // Before the first page of a login answers: the Netmarble login page
    // with its return address, and the Daum logout address.
    std::chrono::milliseconds firstPageDelay{0};
    bool confirmLogout = false;      // go_logout() asks before it goes
    bool alertOnFailure = false;     // the failure pages say why in an alert
    bool unlockInNewWindow = false;  // the unlock button opens its page in a new window
    std::vector<Endpoint> closed;    // endpoints that do not listen at all
    std::vector<LaunchMode> launch;  // the channel pages' launches, one a request, in turn
    bool probeLauncher = false;      // the main and intro pages try a launcher address as they load
    // How the portals' http endpoints speak: TLS and plain http on one port,
    // their pages written with https (as portals serve both today); plain
    // http only; or moved to https, every plain request redirected there.
    enum class Transport { Both, HttpOnly, HttpsUpgrade };
    Transport transport = Transport::Both;
};

// What every endpoint's handlers share.
struct Services {
    const Addresses& addresses;
    PortalState& state;
    RequestLog& log;
    StopSignal& stop;
    std::chrono::milliseconds slowDelay;
    const Quirks& quirks;
    // Runs on every routed answer before it is logged and sent.
    std::function<void(Endpoint, httplib::Response&)> finishAnswer;
};

// The pages and actions of both portals and the fan sites. Must outlive the
// servers it is installed on.
class Portals {
public:
    explicit Portals(Services services);
    ~Portals();

    // Every request to the endpoint is logged before its answer goes out.
    void install(httplib::Server& server, Endpoint endpoint);
    // Routes that answer every request with a 307 to its https spelling, logged.
    void installHttpsUpgrade(httplib::Server& server, Endpoint endpoint);

private:
    class Handlers;
    std::unique_ptr<Handlers> handlers_;
};

}  // namespace sandbox
