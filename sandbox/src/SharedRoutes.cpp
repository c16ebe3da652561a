#include "Pages.h"
#include "PlainServer.h"
#include "PortalRoutes.h"

#include <algorithm>

namespace sandbox {

namespace {

// The launcher's address names the portal and the account, so a test sees
// whose game it would start.
std::string launchAddress(Portal portal, std::string_view what, std::string_view user)
{
    return std::string("dho-sandbox://") + std::string(what)
           + "?portal=" + (portal == Portal::Netmarble ? "netmarble" : "daum") + "&user=" + percentEncode(user);
}

// Sends the browser to the address as the document loads (its characters are
// all unreserved or percent-encoded, so they stand in script and markup alike).
std::string goScript(const std::string& address)
{
    return "<script>location.href = \"" + address + "\";</script>\n";
}

}  // namespace

std::string Portals::Handlers::sessionUser(const Call& call, Portal portal) const
{
    const auto token = call.sessionToken(portal);
    if (!token)
        return {};
    return s_.state.sessionUser(portal, *token).value_or(std::string());
}

// The portal's answer to a submitted login form, the same on both portals.
void Portals::Handlers::answerLogin(const Call& call, Portal portal, const std::string& id,
                                    const std::string& password, httplib::Response& response, Outcome& outcome)
{
    outcome.user = id;
    if (answersSlowly(id)) {
        // Logged as it arrives too, with no answer yet: a test sees the form waiting.
        httplib::Response waiting;
        waiting.status = 0;
        s_.log.write(logEntry(call, waiting, {"slow-login", id, {}}));
        if (!waitFor(call, s_.slowDelay, outcome)) {
            answerHtml(response, pages::unavailable(), 503);
            return;
        }
    }
    answerOutcome(portal, id, s_.state.login(portal, id, password), response, outcome);
}

void Portals::Handlers::answerOutcome(Portal portal, const std::string& id, LoginOutcome login,
                                      httplib::Response& response, Outcome& outcome)
{
    const bool netmarble = portal == Portal::Netmarble;
    const auto openSession = [&] { setCookie(response, cookieName(portal), s_.state.openSession(portal, id)); };
    switch (login) {
    case LoginOutcome::Failed:
        outcome.event = "login-failed";
        answerRedirect(response, netmarble ? a_.NetmarbleLoginFailPage + "?code=1&id=" + percentEncode(id)
                                           : a_.DaumLoginFailPage + std::to_string(s_.state.nextFailureNumber())
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

const std::string& Portals::Handlers::loginPage(Portal portal) const
{
    return portal == Portal::Netmarble ? a_.NetmarbleLoginPage : a_.DaumLoginPage;
}

std::string Portals::Handlers::codePage(Portal portal, bool wrongCode) const
{
    if (portal == Portal::Netmarble)
        return pages::oneTimeCode("넷마블 로그인 확인", a_.NetmarbleCodePage, a_.NetmarbleCodePicture, wrongCode);
    return pages::oneTimeCode("다음 로그인 확인", a_.DaumCodePage, a_.DaumCodePicture, wrongCode);
}

// The page that asks for the one-time code, its answer and its picture.
// The login waiting for the code rides on a cookie of its own, so the
// page serves that login and no other; a right code spends it.
void Portals::Handlers::oneTimeCodePage(Router& router, Portal portal, std::string_view path,
                                        std::string_view picturePath)
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
bool Portals::Handlers::waitFor(const Call& call, std::chrono::milliseconds delay, Outcome& outcome)
{
    constexpr auto Slice = std::chrono::milliseconds(50);
    const auto deadline = std::chrono::steady_clock::now() + delay;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
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

void Portals::Handlers::logout(const Call& call, Portal portal, httplib::Response& response, Outcome& outcome)
{
    outcome.event = "logout";
    if (const auto token = call.sessionToken(portal))
        outcome.user = s_.state.closeSession(portal, *token).value_or(std::string());
    clearCookie(response, cookieName(portal));
}

void Portals::Handlers::channel(const Call& call, Portal portal, httplib::Response& response, Outcome& outcome)
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
void Portals::Handlers::join(const Call& call, Portal portal, const std::string& joinedAddress,
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

// The game's site on a portal: its main and intro pages, the join page
// and its answer, and the channel page that starts the game.
void Portals::Handlers::gameSite(Router& router, Portal portal, const char* title, const std::string& joinPath,
                                 std::string (*joinPage)(const Addresses&, std::string_view),
                                 const std::string& joinedPage)
{
    const std::pair<const char*, const char*> sitePages[] = {{"/main.asp", "게임 메인"}, {"/intro.asp", "인트로"}};
    for (const auto& [path, message] : sitePages) {
        router.get(path, [this, portal, title, message = message](const Call& call, httplib::Response& response,
                                                                  Outcome&) {
            const std::string user = sessionUser(call, portal);
            const std::string page = pages::gamePage(title, message, user);
            // Portal pages probe for an installed launcher this way.
            answerHtml(response, s_.quirks.probeLauncher
                                     ? withMarkup(page, goScript(launchAddress(portal, "probe", user)))
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
    router.get("/GameChannel/launcher.asp",
               [this, portal](const Call& call, httplib::Response& response, Outcome&) {
                   const std::string user = sessionUser(call, portal);
                   answerHtml(response, withMarkup(pages::gamePage("launcher", "게임을 시작합니다.", user),
                                                   goScript(launchAddress(portal, "launch", user))));
               });
}

}  // namespace sandbox
