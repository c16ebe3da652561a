#include "Sandbox.h"

#include "Certificate.h"
#include "PlainServer.h"

#include <httplib.h>

#include <sys/socket.h>

#include <algorithm>
#include <exception>

namespace sandbox {

namespace {

// Short timeouts: an idle browser connection must not hold up a shutdown.
constexpr time_t KeepAliveSeconds = 1;
constexpr time_t ReadWriteSeconds = 2;
constexpr size_t ThreadsPerListener = 8;
constexpr auto RunningTimeout = std::chrono::seconds(5);

// Without SO_REUSEPORT, which would let a second sandbox bind the same ports.
void reuseAddressOnly(socket_t socket)
{
    int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

}  // namespace

Sandbox::Sandbox(const Settings& settings, std::ostream& log)
    : layout_(settings.basePort, settings.quirks.transport != Quirks::Transport::HttpOnly),
      addresses_(layout_),
      slowDelay_(settings.slowDelay),
      hostileMode_(settings.hostile),
      quirks_(settings.quirks),
      log_(log),
      heavyPages_(settings.weight, log_, stopSignal_)
{
}

Sandbox::~Sandbox()
{
    stop();
}

bool Sandbox::start(std::string& error)
{
    if (layout_.basePort() < 0 || layout_.basePort() > HighestBasePort) {
        error = "base port out of range";
        return false;
    }
    std::unique_ptr<Certificate> certificate;
    try {
        certificate = std::make_unique<Certificate>();
    } catch (const std::exception& failure) {
        error = failure.what();
        return false;
    }
    portals_ = std::make_unique<Portals>(
        Services{addresses_, state_, log_, stopSignal_, slowDelay_, quirks_,
                 [this](Endpoint endpoint, httplib::Response& response) { heavyPages_.weigh(endpoint, response); }});
    if (hostileMode_ != HostileMode::None)
        hostile_ = std::make_unique<Hostile>(hostileMode_, layout_, log_, stopSignal_);

    for (Endpoint endpoint : AllEndpoints) {
        if (std::find(quirks_.closed.begin(), quirks_.closed.end(), endpoint) != quirks_.closed.end())
            continue;
        auto listener = std::make_unique<Listener>();
        if (isSecure(endpoint))
            listener->server = std::make_unique<httplib::SSLServer>(certificate->certificate(),
                                                                    certificate->key());
        else
            listener->server = plainServer(endpoint, *certificate);
        if (!listener->server || !listener->server->is_valid()) {
            error = "cannot set up TLS for " + std::string(endpointName(endpoint));
            abandon();
            return false;
        }
        httplib::Server& server = *listener->server;
        server.set_socket_options(reuseAddressOnly);
        server.set_keep_alive_timeout(KeepAliveSeconds);
        server.set_read_timeout(ReadWriteSeconds);
        server.set_write_timeout(ReadWriteSeconds);
        server.new_task_queue = [] { return new httplib::ThreadPool(ThreadsPerListener); };
        installRoutes(server, endpoint);
        if (!server.bind_to_port(std::string(ListenAddress), layout_.port(endpoint))) {
            error = "cannot listen on " + layout_.host(endpoint) + " ("
                    + std::string(endpointName(endpoint)) + ")";
            abandon();
            return false;
        }
        listeners_.push_back(std::move(listener));
    }

    launch();

    // Callers may rely on every listener answering once start() returns.
    const auto deadline = std::chrono::steady_clock::now() + RunningTimeout;
    for (auto& listener : listeners_) {
        while (!listener->server->is_running() && !listener->finished) {
            if (std::chrono::steady_clock::now() > deadline) {
                error = "listeners did not start";
                stop();
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return true;
}

void Sandbox::installRoutes(httplib::Server& server, Endpoint endpoint)
{
    if (hostile_)
        hostile_->install(server, endpoint);
    portals_->install(server, endpoint);
    heavyPages_.install(server, endpoint);
}

// A portal's http endpoint speaks TLS on its port too, unless it is to speak
// plain http only; its plain requests meet the same pages, or the upgrade.
std::unique_ptr<httplib::Server> Sandbox::plainServer(Endpoint endpoint, const Certificate& certificate)
{
    auto server = std::make_unique<PlainServer>(std::chrono::seconds(ReadWriteSeconds));
    if (quirks_.transport == Quirks::Transport::HttpOnly || !movesToHttps(endpoint))
        return server;
    auto plainRoutes = std::make_unique<PlainServer>(std::chrono::seconds(ReadWriteSeconds));
    if (quirks_.transport == Quirks::Transport::HttpsUpgrade) {
        heavyPages_.delayAnswers(*plainRoutes);
        portals_->installHttpsUpgrade(*plainRoutes, endpoint);
    } else {
        installRoutes(*plainRoutes, endpoint);
    }
    if (!server->speakTlsToo(certificate.certificate(), certificate.key(), std::move(plainRoutes)))
        return nullptr;
    return server;
}

void Sandbox::launch()
{
    for (auto& listener : listeners_) {
        listener->thread = std::thread([l = listener.get()] {
            l->server->listen_after_bind();
            l->finished = true;
        });
    }
}

void Sandbox::abandon()
{
    // A bound socket is closed only by a listener that runs and is stopped.
    launch();
    stop();
}

void Sandbox::stop()
{
    stopSignal_.raise();
    for (auto& listener : listeners_) {
        // A stop() that comes before the listener runs would be lost, so repeat it.
        while (!listener->finished) {
            if (listener->server->is_running())
                listener->server->stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (listener->thread.joinable())
            listener->thread.join();
    }
    listeners_.clear();
}

std::string portTable(const Layout& layout)
{
    std::string out = "ports:\n";
    for (Endpoint endpoint : AllEndpoints) {
        std::string line = "  " + std::string(endpointName(endpoint));
        line.resize(20, ' ');
        out += line + layout.url(endpoint, "") + '\n';
    }
    return out;
}

}  // namespace sandbox
