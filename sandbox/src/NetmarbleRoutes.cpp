#include "Pages.h"
#include "PortalRoutes.h"

namespace sandbox {

void Portals::Handlers::netmarbleLogin(Router& router)
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
    router.post("/login/LoginProc.asp", [this](const Call& call, httplib::Response& response, Outcome& outcome) {
        answerLogin(call, Portal::Netmarble, call.field("put_id").value_or(""), call.field("put_pwd").value_or(""),
                    response, outcome);
    });
    router.get("/login/LoginFail.asp", [this](const Call&, httplib::Response& response, Outcome&) {
        answerHtml(response, pages::netmarbleLoginFailed(a_, s_.quirks.alertOnFailure));
    });
    router.get("/login/LockStealID.asp", [this](const Call& call, httplib::Response& response, Outcome& outcome) {
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
    router.get("/login/Logout.asp", [this](const Call& call, httplib::Response& response, Outcome& outcome) {
        logout(call, Portal::Netmarble, response, outcome);
        answerRedirect(response, a_.NetmarbleHomePage);
    });
}

void Portals::Handlers::netmarbleHome(Router& router)
{
    router.get("/", [this](const Call&, httplib::Response& response, Outcome&) {
        answerHtml(response, pages::netmarbleHome(a_));
    });
}

std::string Portals::Handlers::netmarbleJoinAddress() const
{
    return a_.NetmarbleJoinPage + "?gameCode=dho";
}

}  // namespace sandbox
