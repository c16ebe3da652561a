#pragma once

#include "Layout.h"
#include "RequestLog.h"
#include "StopSignal.h"

#include <httplib.h>

#include <array>
#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace sandbox {

// Ways a portal can misbehave at a login, for seeing how the program copes.
enum class HostileMode {
    None,
    LoginPage500,   // the login page answers 500, with an error page
    RedirectLoop,   // the login form's answer redirects round in a loop
    EndlessPage,    // the login page starts and never finishes loading
    CutAnswer,      // the login form's answer breaks off mid-way, the connection closed
    LateLogin,      // the login form is answered only after a minute
    FramedLogin,    // the login form's answer leads to another site's page that frames
                    // the login page and holds login fields of its own
    HangAll,        // every request to a portal, the first login's or any other, is never answered
};

std::optional<HostileMode> hostileModeNamed(std::string_view name);
// The names, as the command line takes them.
std::string hostileModeNames();

// Each portal misbehaves at its first login only: the next login meets the
// ordinary portal, so a test sees whether the program recovered.
class Hostile {
public:
    static constexpr auto LateAnswer = std::chrono::seconds(60);

    Hostile(HostileMode mode, const Layout& layout, RequestLog& log, StopSignal& stop);

    // Runs ahead of the ordinary routes of the endpoint's server.
    void install(httplib::Server& server, Endpoint endpoint);

private:
    enum class Step { None, LoginPage, LoginForm, Loop, FramingPage, FramingForm };

    httplib::Server::HandlerResponse handle(Endpoint endpoint, const httplib::Request& request,
                                            httplib::Response& response);
    Step stepOf(Endpoint endpoint, const httplib::Request& request) const;
    bool firstTime(Endpoint endpoint);
    // Waits while the browser keeps the connection; the reason it ended.
    std::string_view holdOpen(const httplib::Request& request, std::chrono::milliseconds longest);
    void log(Endpoint endpoint, const httplib::Request& request, const httplib::Response& response,
             std::string_view event);

    HostileMode mode_;
    const Layout& layout_;
    // The program's own addresses, with the http return addresses it sends.
    const Addresses programAddresses_{Layout(layout_.basePort(), false)};
    RequestLog& log_;
    StopSignal& stop_;
    std::array<std::atomic<bool>, 2> used_{};  // Netmarble, Daum
};

}  // namespace sandbox
