#pragma once

#include "Accounts.h"
#include "Certificate.h"
#include "HeavyPages.h"
#include "Hostile.h"
#include "Layout.h"
#include "RequestLog.h"
#include "Routes.h"
#include "StopSignal.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace sandbox {

struct Settings {
    int basePort = DefaultBasePort;
    std::chrono::milliseconds slowDelay{20000};
    HostileMode hostile = HostileMode::None;
    Quirks quirks;
    Weight weight;
};

// Both portals and the fan sites, one listener per endpoint on 127.0.0.1.
class Sandbox {
public:
    Sandbox(const Settings& settings, std::ostream& log);
    ~Sandbox();

    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    // Binds every listener and serves on background threads. On failure
    // nothing is left listening and error says why.
    bool start(std::string& error);

    // Ends waiting handlers, stops every listener and joins its thread.
    void stop();

    const Layout& layout() const { return layout_; }
    const Addresses& addresses() const { return addresses_; }

private:
    struct Listener {
        std::unique_ptr<httplib::Server> server;
        std::thread thread;
        std::atomic<bool> finished{false};
    };

    // The server of an http endpoint; with the https upgrade it speaks TLS
    // too. Null when TLS cannot be set up.
    void installRoutes(httplib::Server& server, Endpoint endpoint);
    std::unique_ptr<httplib::Server> plainServer(Endpoint endpoint, const Certificate& certificate);
    void launch();
    void abandon();

    Layout layout_;
    Addresses addresses_;
    std::chrono::milliseconds slowDelay_;
    HostileMode hostileMode_;
    Quirks quirks_;
    PortalState state_;
    RequestLog log_;
    StopSignal stopSignal_;
    std::unique_ptr<Portals> portals_;
    HeavyPages heavyPages_;
    std::unique_ptr<Hostile> hostile_;
    std::vector<std::unique_ptr<Listener>> listeners_;
};

// The port table printed at start-up.
std::string portTable(const Layout& layout);

}  // namespace sandbox
