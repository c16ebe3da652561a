#include "Routes.h"

#include "HeavyPages.h"
#include "Pages.h"
#include "PlainServer.h"
#include "Text.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace sandbox {

namespace {

// Cookies on 127.0.0.1 reach every port, so each portal has its own names.
constexpr std::string_view NetmarbleCookie = "NM_SESSION";
constexpr std::string_view DaumCookie = "DAUM_SESSION";
constexpr std::string_view NetmarbleCodeCookie = "NM_PENDING";
constexpr std::string_view DaumCodeCookie = "DAUM_PENDING";

std::string_view cookieName(Portal portal)
{
    return portal == Portal::Netmarble ? NetmarbleCookie : DaumCookie;
}

// The login that waits for its one-time code.
std::string_view codeCookieName(Portal portal)
{
    return portal == Portal::Netmarble ? NetmarbleCodeCookie : DaumCodeCookie;
}

// One request as the handlers see it.
struct Call {
    const httplib::Request& request;
    std::string path;
    std::string query;
    Fields queryFields;
    Fields form;

    std::optional<std::string> param(std::string_view name) const
    {
        return fieldValue(queryFields, name);
    }
    std::optional<std::string> field(std::string_view name) const
    {
        return fieldValue(form, name);
    }
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

std::string regexForPath(std::string_view path)
{
    std::string pattern;
    for (char ch : path) {
        if (std::string_view(".^$|()[]{}*+?\\").find(ch) != std::string_view::npos)
            pattern += '\\';
        pattern += ch;
    }
    return pattern;
}

bool isFormBody(const httplib::Request& request)
{
    return request.get_header_value("Content-Type").starts_with("application/x-www-form-urlencoded");
}

constexpr std::pair<std::string_view, LaunchMode> LaunchModes[] = {
    {"href", LaunchMode::Href}, {"iframe", LaunchMode::Iframe}, {"timer", LaunchMode::Timer},
    {"redirect", LaunchMode::Redirect}, {"popup", LaunchMode::Popup}};

// The launcher's address names the portal and the account, so a test sees
// whose game it would start.
std::string launchAddress(Portal portal, std::string_view what, std::string_view user)
{
    return std::string("dho-sandbox://") + std::string(what) + "?portal="
           + (portal == Portal::Netmarble ? "netmarble" : "daum") + "&user=" + percentEncode(user);
}

// Sends the browser to the address as the document loads (its characters are
// all unreserved or percent-encoded, so they stand in script and markup alike).
std::string goScript(const std::string& address)
{
    return "<script>location.href = \"" + address + "\";</script>\n";
}

void answerHtml(httplib::Response& response, const std::string& html, int status = 200)
{
    response.status = status;
    response.set_content(html, "text/html; charset=utf-8");
}

void answerRedirect(httplib::Response& response, const std::string& address)
{
    response.set_redirect(address, 302);
}

// The page with markup added at the end of its body.
std::string withMarkup(std::string page, const std::string& markup)
{
    const auto end = page.rfind("</body>");
    return end == std::string::npos ? page + markup : page.insert(end, markup);
}

void setCookie(httplib::Response& response, std::string_view name, const std::string& token)
{
    response.set_header("Set-Cookie", std::string(name) + '=' + token + "; Path=/; HttpOnly");
}

void clearCookie(httplib::Response& response, std::string_view name)
{
    response.set_header("Set-Cookie", std::string(name) + "=; Path=/; Max-Age=0; HttpOnly");
}

class Router {
public:
    Router(httplib::Server& server, Endpoint endpoint, RequestLog& log,
           std::function<void(Endpoint, httplib::Response&)> finish)
        : server_(server), endpoint_(endpoint), log_(log), finish_(std::move(finish))
    {
    }

    void get(std::string_view path, Action action)
    {
        server_.Get(regexForPath(path), wrap(std::move(action)));
    }
    void post(std::string_view path, Action action)
    {
        server_.Post(regexForPath(path), wrap(std::move(action)));
    }

    // Any request not routed above, whatever its method.
    void any(const Action& action)
    {
        server_.Get(".*", wrap(action));
        server_.Post(".*", wrap(action));
        server_.Put(".*", wrap(action));
        server_.Patch(".*", wrap(action));
        server_.Delete(".*", wrap(action));
        server_.Options(".*", wrap(action));
    }

    // Anything not routed above: a logged 404.
    void fallback()
    {
        any([](const Call& call, httplib::Response& response, Outcome&) {
            answerHtml(response, pages::notFound(call.path), 404);
        });
    }

private:
    httplib::Server::Handler wrap(Action action)
    {
        return [endpoint = endpoint_, &log = log_, finish = finish_, action = std::move(action)](
                   const httplib::Request& request, httplib::Response& response) {
            auto [path, query] = splitTarget(request.target);
            Call call{request, std::move(path), std::move(query), {}, {}};
            call.queryFields = parseUrlEncoded(call.query);
            if (isFormBody(request))
                call.form = parseUrlEncoded(request.body);
            Outcome outcome;
            action(call, response, outcome);
            if (finish)
                finish(endpoint, response);
            log.write(LogEntry{
                .endpoint = endpoint,
                .method = request.method,
                .scheme = request.ssl ? "https" : "http",
                .path = call.path,
                .query = call.query,
                .form = call.form,
                .status = response.status,
                .location = response.get_header_value("Location"),
                .event = outcome.event,
                .user = outcome.user,
                .code = outcome.code,
            });
        };
    }

    httplib::Server& server_;
    Endpoint endpoint_;
    RequestLog& log_;
    std::function<void(Endpoint, httplib::Response&)> finish_;
};

}  // namespace

std::optional<LaunchMode> launchModeNamed(std::string_view name)
{
    return valueNamed(LaunchModes, name);
}

std::string launchModeNames()
{
    return namesOf(LaunchModes);
}

class Portals::Handlers {
public:
    explicit Handlers(Services services) : s_(services), a_(services.addresses) {}

    RequestLog& log() { return s_.log; }
    const auto& finishAnswer() const { return s_.finishAnswer; }

    void install(Router& router, Endpoint endpoint)
    {
        switch (endpoint) {
        case Endpoint::NetmarbleLogin:
            netmarbleLogin(router);
            oneTimeCodePage(router, Portal::Netmarble, "/login/OneTimeCode.asp", "/login/code.png");
            break;
        case Endpoint::NetmarbleGame:
            gameSite(router, Portal::Netmarble, "넷마블 대항해시대 온라인", "/member/NMB_MembersJoin",
                     pages::netmarbleJoin, a_.NetmarbleIntroPage);
            break;
        case Endpoint::NetmarbleHome: netmarbleHome(router); break;
        case Endpoint::DaumLogin: daumLogin(router); break;
        case Endpoint::DaumSecureLogin:
            daumSecureLogin(router);
            oneTimeCodePage(router, Portal::Daum, "/accounts/onetimecode.do", "/accounts/code.png");
            break;
        case Endpoint::DaumHome: daumHome(router); break;
        case Endpoint::DaumUser: daumUser(router); break;
        case Endpoint::DaumGame:
            gameSite(router, Portal::Daum, "다음 대항해시대 온라인", "/member/DM_MembersJoin", pages::daumJoin,
                     a_.DaumJoinedPage);
            break;
        case Endpoint::ZavivSite: fanSite(router, "대항해시대 인벤"); break;
        case Endpoint::GuideSite: fanSite(router, "대항해시대 미르"); break;
        }
        router.fallback();
    }

private:
    std::atomic<std::size_t> channelRequests_{0};
    // The code page's picture, stand-in for a portal's security image.
    const std::string codePicture_ = noisePng(96, 32, 246810);

    std::string sessionUser(const Call& call, Portal portal) const
    {
        const auto token = call.sessionToken(portal);
        if (!token)
            return {};
        return s_.state.sessionUser(portal, *token).value_or(std::string());
    }

    // The portal's answer to a submitted login form, the same on both portals.
    void answerLogin(const Call& call, Portal portal, const std::string& id,
                     const std::string& password, httplib::Response& response, Outcome& outcome)
    {
        outcome.user = id;
        if (answersSlowly(id) && !waitFor(call, s_.slowDelay, outcome)) {
            answerHtml(response, pages::unavailable(), 503);
            return;
        }
        answerOutcome(portal, id, s_.state.login(portal, id, password), response, outcome);
    }

    void answerOutcome(Portal portal, const std::string& id, LoginOutcome login, httplib::Response& response,
                       Outcome& outcome)
    {
        const bool netmarble = portal == Portal::Netmarble;
        const auto openSession = [&] {
            setCookie(response, cookieName(portal), s_.state.openSession(portal, id));
        };
        switch (login) {
        case LoginOutcome::Failed:
            outcome.event = "login-failed";
            answerRedirect(response, netmarble ? a_.NetmarbleLoginFailPage + "?code=1&id=" + percentEncode(id)
                                               : a_.DaumLoginFailPage
                                                     + std::to_string(s_.state.nextFailureNumber())
                                                     + "&reason=password");
            break;
        case LoginOutcome::Locked:
            outcome.event = "locked";
            answerRedirect(response, a_.NetmarbleLockPage + "?id=" + percentEncode(id));
            break;
        case LoginOutcome::Success:
            openSession();
            outcome.event = "login-ok";
            answerRedirect(response, netmarble ? a_.NetmarbleMainPage : a_.DaumIntroPage);
            break;
        case LoginOutcome::HomePage:
            openSession();
            outcome.event = "login-ok";
            answerRedirect(response, a_.DaumHomePage);
            break;
        case LoginOutcome::JoinRequired:
            openSession();
            outcome.event = "join-required";
            answerRedirect(response, netmarble ? netmarbleJoinAddress() : a_.DaumJoinPage);
            break;
        case LoginOutcome::ConsentRequired:
            openSession();
            outcome.event = "consent-required";
            answerRedirect(response, daumConsentAddress());
            break;
        case LoginOutcome::CodeRequired:
            setCookie(response, codeCookieName(portal), s_.state.awaitCode(portal, id));
            outcome.event = "code-required";
            answerRedirect(response, netmarble ? a_.NetmarbleCodePage : a_.DaumCodePage);
            break;
        }
    }

    const std::string& loginPage(Portal portal) const
    {
        return portal == Portal::Netmarble ? a_.NetmarbleLoginPage : a_.DaumLoginPage;
    }

    std::string codePage(Portal portal, bool wrongCode) const
    {
        if (portal == Portal::Netmarble)
            return pages::oneTimeCode("넷마블 로그인 확인", a_.NetmarbleCodePage, a_.NetmarbleCodePicture,
                                      wrongCode);
        return pages::oneTimeCode("다음 로그인 확인", a_.DaumCodePage, a_.DaumCodePicture, wrongCode);
    }

    // The page that asks for the one-time code, its answer and its picture.
    // The login waiting for the code rides on a cookie of its own, so the
    // page serves that login and no other; a right code spends it.
    void oneTimeCodePage(Router& router, Portal portal, std::string_view path, std::string_view picturePath)
    {
        router.get(path, [this, portal](const Call& call, httplib::Response& response, Outcome& outcome) {
            const auto user = s_.state.awaitingUser(portal, call.cookie(codeCookieName(portal)).value_or(""));
            if (!user) {
                answerRedirect(response, loginPage(portal));
                return;
            }
            outcome.user = *user;
            outcome.event = "one-time-code";
            outcome.code = OneTimeCode;
            answerHtml(response, codePage(portal, false));
        });
        router.post(path, [this, portal](const Call& call, httplib::Response& response, Outcome& outcome) {
            const std::string token = call.cookie(codeCookieName(portal)).value_or("");
            const bool right = call.field("code") == OneTimeCode;
            const auto user = right ? s_.state.endWait(portal, token) : s_.state.awaitingUser(portal, token);
            if (!user) {
                answerRedirect(response, loginPage(portal));
                return;
            }
            outcome.user = *user;
            if (!right) {
                outcome.event = "code-failed";
                outcome.code = OneTimeCode;
                answerHtml(response, codePage(portal, true));
                return;
            }
            clearCookie(response, codeCookieName(portal));
            answerOutcome(portal, *user, s_.state.loginWithCode(portal, *user), response, outcome);
        });
        router.get(picturePath, [this](const Call&, httplib::Response& response, Outcome&) {
            response.set_content(codePicture_, "image/png");
        });
    }

    // Waits out a delay; false, with the reason as the event, when the
    // sandbox stops or the browser gives up first.
    bool waitFor(const Call& call, std::chrono::milliseconds delay, Outcome& outcome)
    {
        constexpr auto Slice = std::chrono::milliseconds(50);
        const auto deadline = std::chrono::steady_clock::now() + delay;
        while (std::chrono::steady_clock::now() < deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (!s_.stop.sleepFor(std::min(left, Slice))) {
                outcome.event = "abandoned";
                return false;
            }
            if (clientHasLeft(call.request)) {
                outcome.event = "cancelled";
                return false;
            }
        }
        return true;
    }

    std::string netmarbleJoinAddress() const { return a_.NetmarbleJoinPage + "?gameCode=dho"; }

    std::string daumConsentAddress() const
    {
        return a_.DaumConsentPage + "?rurl=" + encodeReturnAddress(a_.DaumIntroPage, false);
    }

    void logout(const Call& call, Portal portal, httplib::Response& response, Outcome& outcome)
    {
        outcome.event = "logout";
        if (const auto token = call.sessionToken(portal))
            outcome.user = s_.state.closeSession(portal, *token).value_or(std::string());
        clearCookie(response, cookieName(portal));
    }

    void channel(const Call& call, Portal portal, httplib::Response& response, Outcome& outcome)
    {
        if (call.param("game") != "dho") {
            answerHtml(response, pages::notFound(call.path), 404);
            return;
        }
        outcome.event = "game-started";
        outcome.user = sessionUser(call, portal);
        const std::string page = pages::gamePage("대항해시대 온라인", "게임을 시작합니다.", outcome.user);
        if (s_.quirks.launch.empty()) {
            answerHtml(response, page);
            return;
        }
        const LaunchMode mode = s_.quirks.launch[channelRequests_++ % s_.quirks.launch.size()];
        const std::string address = launchAddress(portal, "launch", outcome.user);
        switch (mode) {
        case LaunchMode::Href: answerHtml(response, withMarkup(page, goScript(address))); break;
        case LaunchMode::Iframe:
            answerHtml(response, withMarkup(page, "<iframe hidden src=\"" + address + "\"></iframe>\n"));
            break;
        case LaunchMode::Timer:
            answerHtml(response, withMarkup(page, "<script>setTimeout(function () { location.href = \"" + address
                                                      + "\"; }, 700);</script>\n"));
            break;
        case LaunchMode::Redirect: answerRedirect(response, address); break;
        case LaunchMode::Popup:
            answerHtml(response, withMarkup(page, "<script>window.open(\"/GameChannel/launcher.asp\", \"launcher\","
                                                  " \"width=200,height=100\");</script>\n"));
            break;
        }
    }

    // The join form's target: records the join once the box was ticked.
    void join(const Call& call, Portal portal, const std::string& joinedAddress,
              httplib::Response& response, Outcome& outcome)
    {
        const bool netmarble = portal == Portal::Netmarble;
        const std::string user = sessionUser(call, portal);
        if (user.empty()) {
            answerRedirect(response, netmarble ? a_.NetmarbleLoginPage : a_.DaumLoginPage);
            return;
        }
        outcome.user = user;
        if (!call.field("checkBox1")) {
            answerRedirect(response, netmarble ? netmarbleJoinAddress() : a_.DaumJoinPage);
            return;
        }
        s_.state.join(portal, user);
        outcome.event = "joined";
        answerRedirect(response, joinedAddress);
    }

    void netmarbleLogin(Router& router)
    {
        router.get("/login/login.asp", [this](const Call& call, httplib::Response& response, Outcome& outcome) {
            const auto returnAddress = call.param("l_url");
            if (returnAddress && !isAddress(*returnAddress, a_.NetmarbleMainPage)) {
                answerHtml(response, pages::badRequest("unknown l_url: " + *returnAddress), 400);
                return;
            }
            if (returnAddress && !waitFor(call, s_.quirks.firstPageDelay, outcome)) {
                answerHtml(response, pages::unavailable(), 503);
                return;
            }
            answerHtml(response, pages::netmarbleLogin(a_, s_.quirks.confirmLogout));
        });
        router.post("/login/LoginProc.asp",
                    [this](const Call& call, httplib::Response& response, Outcome& outcome) {
                        answerLogin(call, Portal::Netmarble, call.field("put_id").value_or(""),
                                    call.field("put_pwd").value_or(""), response, outcome);
                    });
        router.get("/login/LoginFail.asp", [this](const Call&, httplib::Response& response, Outcome&) {
            answerHtml(response, pages::netmarbleLoginFailed(a_, s_.quirks.alertOnFailure));
        });
        router.get("/login/LockStealID.asp",
                   [this](const Call& call, httplib::Response& response, Outcome& outcome) {
                       outcome.user = call.param("id").value_or("");
                       answerHtml(response, pages::netmarbleLocked(a_, outcome.user, s_.quirks.unlockInNewWindow));
                   });
        router.post("/login/UnlockStealID.asp",
                    [this](const Call& call, httplib::Response& response, Outcome& outcome) {
                        outcome.user = call.field("uid").value_or("");
                        if (s_.state.unlock(outcome.user))
                            outcome.event = "unlocked";
                        // In a window of its own the unlock ends by sending its opener on.
                        if (call.param("window") == "new")
                            answerHtml(response, pages::netmarbleUnlockedInNewWindow(a_));
                        else
                            answerRedirect(response, a_.NetmarbleUnlockedPage);
                    });
        router.get("/login/Logout.asp",
                   [this](const Call& call, httplib::Response& response, Outcome& outcome) {
                       logout(call, Portal::Netmarble, response, outcome);
                       answerRedirect(response, a_.NetmarbleHomePage);
                   });
    }

    // The game's site on a portal: its main and intro pages, the join page
    // and its answer, and the channel page that starts the game.
    void gameSite(Router& router, Portal portal, const char* title, const std::string& joinPath,
                  std::string (*joinPage)(const Addresses&, std::string_view), const std::string& joinedPage)
    {
        const std::pair<const char*, const char*> sitePages[] = {{"/main.asp", "게임 메인"}, {"/intro.asp", "인트로"}};
        for (const auto& [path, message] : sitePages) {
            router.get(path, [this, portal, title, message = message](const Call& call, httplib::Response& response,
                                                                      Outcome&) {
                const std::string user = sessionUser(call, portal);
                const std::string page = pages::gamePage(title, message, user);
                // Portal pages probe for an installed launcher this way.
                answerHtml(response, s_.quirks.probeLauncher ? withMarkup(page, goScript(launchAddress(portal, "probe", user)))
                                                             : page);
            });
        }
        router.get(joinPath + ".asp",
                   [this, portal, joinPage](const Call& call, httplib::Response& response, Outcome& outcome) {
                       outcome.user = sessionUser(call, portal);
                       answerHtml(response, joinPage(a_, outcome.user));
                   });
        router.post(joinPath + "Proc.asp",
                    [this, portal, &joinedPage](const Call& call, httplib::Response& response, Outcome& outcome) {
                        join(call, portal, joinedPage, response, outcome);
                    });
        router.get("/GameChannel/channel.asp",
                   [this, portal](const Call& call, httplib::Response& response, Outcome& outcome) {
                       channel(call, portal, response, outcome);
                   });
        // The pop-up a channel page opens, which launches the game in turn.
        router.get("/GameChannel/launcher.asp", [this, portal](const Call& call, httplib::Response& response, Outcome&) {
            const std::string user = sessionUser(call, portal);
            answerHtml(response, withMarkup(pages::gamePage("launcher", "게임을 시작합니다.", user),
                                            goScript(launchAddress(portal, "launch", user))));
        });
    }

    void netmarbleHome(Router& router)
    {
        router.get("/", [this](const Call&, httplib::Response& response, Outcome&) {
            answerHtml(response, pages::netmarbleHome(a_));
        });
    }

    void daumLogin(Router& router)
    {
        router.get("/Mail-bin/logout.cgi",
                   [this](const Call& call, httplib::Response& response, Outcome& outcome) {
                       // The url value arrives unencoded, so it is the rest of the query.
                       std::string target;
                       if (call.query.starts_with("url="))
                           target = percentDecode(call.query.substr(4), false);
                       else if (const size_t at = call.query.find("&url="); at != std::string::npos)
                           target = percentDecode(call.query.substr(at + 5), false);
                       if (target.empty())
                           target = a_.DaumLoggedOutPage;
                       if (!target.starts_with("http://") && !target.starts_with("https://")) {
                           answerHtml(response, pages::badRequest("url is not a web address"), 400);
                           return;
                       }
                       if (!waitFor(call, s_.quirks.firstPageDelay, outcome)) {
                           answerHtml(response, pages::unavailable(), 503);
                           return;
                       }
                       logout(call, Portal::Daum, response, outcome);
                       answerRedirect(response, target);
                   });
    }

    void daumHome(Router& router)
    {
        router.get("/", [this](const Call& call, httplib::Response& response, Outcome& outcome) {
            const bool loggedOut = call.param("nil_profile") == "logout";
            if (!loggedOut)
                outcome.user = sessionUser(call, Portal::Daum);
            answerHtml(response, pages::daumHome(a_, outcome.user, loggedOut));
        });
        router.get("/Mail-bin/login.html", [this](const Call& call, httplib::Response& response, Outcome&) {
            const auto returnAddress = call.param("url");
            if (!returnAddress || !isAddress(*returnAddress, a_.DaumIntroPage)
                || call.param("category") != "identity") {
                answerHtml(response, pages::badRequest("unknown url or category"), 400);
                return;
            }
            answerHtml(response, pages::daumLogin(a_));
        });
    }

    void daumSecureLogin(Router& router)
    {
        router.post("/Mail-bin/login.cgi",
                    [this](const Call& call, httplib::Response& response, Outcome& outcome) {
                        answerLogin(call, Portal::Daum, call.field("id").value_or(""),
                                    call.field("enpw").value_or(""), response, outcome);
                    });
        router.get("/Mail-bin/login.cgi", [this](const Call&, httplib::Response& response, Outcome&) {
            answerHtml(response, pages::daumLoginFailed(a_, s_.quirks.alertOnFailure));
        });
    }

    void daumUser(Router& router)
    {
        router.get("/privagree/privinfoagree.daum",
                   [this](const Call& call, httplib::Response& response, Outcome& outcome) {
                       outcome.user = sessionUser(call, Portal::Daum);
                       answerHtml(response, pages::daumConsent(a_, outcome.user));
                   });
        router.post("/privagree/privinfoagree_ok.daum",
                    [this](const Call& call, httplib::Response& response, Outcome& outcome) {
                        outcome.user = sessionUser(call, Portal::Daum);
                        if (outcome.user.empty()) {
                            answerRedirect(response, a_.DaumLoginPage);
                            return;
                        }
                        if (!call.field("confirm")) {
                            answerRedirect(response, daumConsentAddress());
                            return;
                        }
                        s_.state.consent(outcome.user);
                        outcome.event = "consent";
                        answerRedirect(response, a_.DaumIntroPage);
                    });
    }


    void fanSite(Router& router, std::string_view title)
    {
        router.get("/", [title](const Call&, httplib::Response& response, Outcome&) {
            answerHtml(response, pages::fanSite(title));
        });
    }

    Services s_;
    const Addresses& a_;
};

Portals::Portals(Services services) : handlers_(std::make_unique<Handlers>(services)) {}

Portals::~Portals() = default;

void Portals::install(httplib::Server& server, Endpoint endpoint)
{
    Router router(server, endpoint, handlers_->log(), handlers_->finishAnswer());
    handlers_->install(router, endpoint);
}

void Portals::installHttpsUpgrade(httplib::Server& server, Endpoint endpoint)
{
    Router router(server, endpoint, handlers_->log(), handlers_->finishAnswer());
    router.any([](const Call& call, httplib::Response& response, Outcome& outcome) {
        // The host and port the request was sent to and its target as sent;
        // a 307 keeps a POST a POST, with its body.
        std::string host = call.request.get_header_value("Host");
        if (host.empty())
            host = call.request.local_addr + ':' + std::to_string(call.request.local_port);
        outcome.event = "https-upgrade";
        response.set_redirect("https://" + host + call.request.target, 307);
    });
}

}  // namespace sandbox
