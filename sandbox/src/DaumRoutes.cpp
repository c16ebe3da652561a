#include "Pages.h"
#include "PortalRoutes.h"

namespace sandbox {

void Portals::Handlers::daumLogin(Router& router)
{
    router.get("/Mail-bin/logout.cgi", [this](const Call& call, httplib::Response& response, Outcome& outcome) {
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

void Portals::Handlers::daumHome(Router& router)
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

void Portals::Handlers::daumSecureLogin(Router& router)
{
    router.post("/Mail-bin/login.cgi", [this](const Call& call, httplib::Response& response, Outcome& outcome) {
        answerLogin(call, Portal::Daum, call.field("id").value_or(""), call.field("enpw").value_or(""), response,
                    outcome);
    });
    router.get("/Mail-bin/login.cgi", [this](const Call&, httplib::Response& response, Outcome&) {
        answerHtml(response, pages::daumLoginFailed(a_, s_.quirks.alertOnFailure));
    });
}

void Portals::Handlers::daumUser(Router& router)
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

std::string Portals::Handlers::daumConsentAddress() const
{
    return a_.DaumConsentPage + "?rurl=" + encodeReturnAddress(a_.DaumIntroPage, false);
}

}  // namespace sandbox
