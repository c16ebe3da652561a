#pragma once

// What the route files of the portals share: a request as the handlers see
// it, the router that logs every answer, and the handlers themselves, whose
// routes are kept by portal (NetmarbleRoutes.cpp, DaumRoutes.cpp) and, where
// both portals answer alike, in SharedRoutes.cpp.

#include "Routes.h"
#include "Text.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sandbox {

// Cookies on 127.0.0.1 reach every port, so each portal has its own names.
std::string_view cookieName(Portal portal);
// The login that waits for its one-time code.
std::string_view codeCookieName(Portal portal);

// One request as the handlers see it.
struct Call {
    Endpoint endpoint;
    const httplib::Request& request;
    std::string path;
    std::string query;
    Fields queryFields;
    Fields form;

    std::optional<std::string> param(std::string_view name) const { return fieldValue(queryFields, name); }
    std::optional<std::string> field(std::string_view name) const { return fieldValue(form, name); }
    std::optional<std::string> cookie(std::string_view name) const
    {
        return cookieValue(request.get_header_value("Cookie"), name);
    }
    std::optional<std::string> sessionToken(Portal portal) const { return cookie(cookieName(portal)); }
};

// What the log line says besides the request itself.
struct Outcome {
    std::string event;
    std::string user;
    std::string code;
};

using Action = std::function<void(const Call&, httplib::Response&, Outcome&)>;

// The log line of a request and its answer.
LogEntry logEntry(const Call& call, const httplib::Response& response, const Outcome& outcome);

void answerHtml(httplib::Response& response, const std::string& html, int status = 200);
void answerRedirect(httplib::Response& response, const std::string& address);
// The page with markup added at the end of its body.
std::string withMarkup(std::string page, const std::string& markup);
void setCookie(httplib::Response& response, std::string_view name, const std::string& token);
void clearCookie(httplib::Response& response, std::string_view name);

// Routes of one endpoint; every request is logged before its answer goes out.
class Router {
public:
    Router(httplib::Server& server, Endpoint endpoint, RequestLog& log,
           std::function<void(Endpoint, httplib::Response&)> finish);

    void get(std::string_view path, Action action);
    void post(std::string_view path, Action action);
    // Any request not routed above, whatever its method.
    void any(const Action& action);
    // Anything not routed above: a logged 404.
    void fallback();

private:
    httplib::Server::Handler wrap(Action action);

    httplib::Server& server_;
    Endpoint endpoint_;
    RequestLog& log_;
    std::function<void(Endpoint, httplib::Response&)> finish_;
};

class Portals::Handlers {
public:
    explicit Handlers(Services services);

    RequestLog& log() { return s_.log; }
    const auto& finishAnswer() const { return s_.finishAnswer; }

    void install(Router& router, Endpoint endpoint);

private:
    // Netmarble's own.
    void netmarbleLogin(Router& router);
    void netmarbleHome(Router& router);
    std::string netmarbleJoinAddress() const;

    // Daum's own.
    void daumLogin(Router& router);
    void daumHome(Router& router);
    void daumSecureLogin(Router& router);
    void daumUser(Router& router);
    std::string daumConsentAddress() const;

    // Alike on both portals.
    std::string sessionUser(const Call& call, Portal portal) const;
    void answerLogin(const Call& call, Portal portal, const std::string& id, const std::string& password,
                     httplib::Response& response, Outcome& outcome);
    void answerOutcome(Portal portal, const std::string& id, LoginOutcome login, httplib::Response& response,
                       Outcome& outcome);
    const std::string& loginPage(Portal portal) const;
    std::string codePage(Portal portal, bool wrongCode) const;
    void oneTimeCodePage(Router& router, Portal portal, std::string_view path, std::string_view picturePath);
    bool waitFor(const Call& call, std::chrono::milliseconds delay, Outcome& outcome);
    void logout(const Call& call, Portal portal, httplib::Response& response, Outcome& outcome);
    void channel(const Call& call, Portal portal, httplib::Response& response, Outcome& outcome);
    void join(const Call& call, Portal portal, const std::string& joinedAddress, httplib::Response& response,
              Outcome& outcome);
    void gameSite(Router& router, Portal portal, const char* title, const std::string& joinPath,
                  std::string (*joinPage)(const Addresses&, std::string_view), const std::string& joinedPage);
    void fanSite(Router& router, std::string_view title);

    Services s_;
    const Addresses& a_;
    std::atomic<std::size_t> channelRequests_{0};
    // The code page's picture, stand-in for a portal's security image.
    const std::string codePicture_;
};

}  // namespace sandbox
