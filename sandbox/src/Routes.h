#pragma once

#include "Accounts.h"
#include "Layout.h"
#include "RequestLog.h"
#include "StopSignal.h"

#include <httplib.h>

#include <chrono>
#include <functional>
#include <memory>

namespace sandbox {

// What every endpoint's handlers share.
struct Services {
    const Addresses& addresses;
    PortalState& state;
    RequestLog& log;
    StopSignal& stop;
    std::chrono::milliseconds slowDelay;
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

private:
    class Handlers;
    std::unique_ptr<Handlers> handlers_;
};

}  // namespace sandbox
