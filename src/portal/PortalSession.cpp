#include "portal/PortalSession.h"

#include "core/Sites.h"
#include "core/Texts.h"
#include "platform/MessageBox.h"
#include "portal/SessionUi.h"

#include <QLoggingCategory>
#include <QUrl>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace portal {

Q_LOGGING_CATEGORY(lcSession, "quaylet.session", QtWarningMsg)

using platform::MessageBox;

namespace {

QString reasonFor(const LoadFailure& failure)
{
    switch (failure.kind) {
    case LoadFailure::Kind::Refused: return text::ConnectionRefused;
    case LoadFailure::Kind::HostNotFound: return text::HostNotFound;
    case LoadFailure::Kind::Certificate: return text::CertificateRejected;
    case LoadFailure::Kind::TimedOut: return text::NoAnswer;
    case LoadFailure::Kind::ConnectionLost: return text::ConnectionLost;
    case LoadFailure::Kind::ServerError: return text::ServerError.arg(failure.code);
    case LoadFailure::Kind::BrowserEnded: return text::BrowserEnded;
    case LoadFailure::Kind::PageScript: return text::PageScriptFailed;
    case LoadFailure::Kind::Other: break;
    }
    return text::NetworkError.arg(failure.code);
}

}  // namespace

PortalSession::PortalSession(AppState& state, const Addresses& addresses, Browser& browser,
                             SessionUi& ui, platform::MessageBox& messages)
    : state_(state),
      temp_(state.Temp),
      addresses_(addresses),
      browser_(browser),
      ui_(ui),
      messages_(messages),
      netmarble_(netmarbleRules()),
      daum_(daumRules())
{
    browser_.setDocumentCompleteHandler(
        [this](const QString& address, Browser::Document document) { Web_DocumentComplete(address, document); });
    browser_.setLoadFailedHandler(
        [this](const QString& address, const LoadFailure& failure) { Web_LoadFailed(address, failure); });
    browser_.setLaunchHandler([this](const LaunchReport& report) { Web_Launch(report); });
    browser_.setPageClosedHandler([this] { Web_PageClosed(); });
    reportSettled();
}

void PortalSession::PortalLogin()
{
    qCDebug(lcSession) << "login on portal" << int(temp_.DHOPortal);
    ui_.stopWaitLimit();
    temp_.IsLoginFail = 0;
    ui_.setLoginCaption(text::CancelCaption);
    if (temp_.DHOPortal == Portal::Netmarble) {
        ui_.setCaption(text::NetmarbleLoggingIn);
        navigate(addresses_.NetmarbleLoginPage);
    } else {
        // A Daum login always begins by ending any earlier Daum session.
        ui_.setCaption(text::DaumLoggingIn);
        navigate(addresses_.DaumLogoutAddress);
    }
    reportSettled();
}

void PortalSession::GameStart()
{
    const bool netmarble = temp_.DHOPortal == Portal::Netmarble;
    ui_.setCaption(netmarble ? text::NetmarbleGameStarting : text::DaumGameStarting);
    const QString& channel = netmarble ? addresses_.NetmarbleChannelPage : addresses_.DaumChannelPage;
    qCDebug(lcSession).noquote() << "game start" << loggableAddress(QUrl(channel));
    browser_.startGame(channel);
    if (state_.Config.GSA == AfterStart::Minimise) {
        ui_.minimise();
    } else if (state_.Config.GSA == AfterStart::Quit) {
        // Ending the process at once would drop the channel page before it
        // launched the game. The program disappears now and the process ends
        // once the launch went to the system, or none is to come.
        ending_ = true;
        ui_.beginEnding();
    }
    reportSettled();
}

void PortalSession::cmdLogin_Click()
{
    const QString caption = ui_.loginCaption();
    if (caption == text::LoginCaption) {
        ui_.showLoginDialog();
    } else if (caption == text::LogoutCaption) {
        ui_.setLoginEnabled(false);
        temp_.IsLogout = 1;
        ui_.setGameStartEnabled(false);
        ui_.startWaitLimit(LogoutLimitMs);
        if (temp_.DHOPortal == Portal::Netmarble) {
            ui_.setCaption(text::NetmarbleLoggingOut);
            navigate(addresses_.NetmarbleLoginPage);
        } else {
            ui_.setCaption(text::DaumLoggingOut);
            navigate(addresses_.DaumLogoutAddress);
        }
    } else if (caption == text::CancelCaption) {
        temp_.IsLogin = 1;
        ui_.startWaitLimit(CancelLimitMs);
        if (temp_.DHOPortal == Portal::Netmarble) {
            ui_.setCaption(text::NetmarbleCancelling);
            navigate(addresses_.NetmarbleLoginPage);
        } else {
            ui_.setCaption(text::DaumCancelling);
            navigate(addresses_.DaumLogoutAddress);
        }
    }
    reportSettled();
}

void PortalSession::Web_DocumentComplete(const QString& address, Browser::Document document)
{
    // No rule acts for a program that is ending.
    if (ending_)
        return;
    const bool frame = document == Browser::Document::Frame;
    const QList<Rule>& rules = temp_.DHOPortal == Portal::Netmarble ? netmarble_ : daum_;
    auto acting = std::find_if(rules.begin(), rules.end(),
                               [&address](const Rule& rule) { return rule.applies(address); });
    // The rule a page of this address would meet, or none: a frame never
    // falls through to a later rule that the page's own document would not reach.
    if (frame && acting != rules.end() && acting->reach == Reach::WorksInPage)
        acting = rules.end();
    qCDebug(lcSession).noquote() << "completed" << (frame ? "frame" : "page") << loggableAddress(QUrl(address)) << "->"
                                 << (acting == rules.end() ? "no rule" : acting->name);
    // A page the portal put in a login's way is the user's to deal with;
    // another site's page never reaches the user under the program's name.
    if (acting != rules.end()) {
        browser_.setDocumentUnknown(false);
        acting->act(address);
    } else if (!frame && loggingIn() && !onPortalSite(address)) {
        leftThePortal(address);
        return;
    } else {
        browser_.setDocumentUnknown(loggingIn());
    }
    reportSettled();
}

void PortalSession::Web_LoadFailed(const QString& address, const LoadFailure& failure)
{
    qCDebug(lcSession).noquote() << "failed" << loggableAddress(QUrl(address)) << "kind" << int(failure.kind) << "code"
                                 << failure.code;
    // A game start that fails, wherever its page had got to, leaves the
    // session as it is; a program that was to end after it has nothing left
    // to wait for.
    if (ending_ || failure.gameStart) {
        tellUnreachable(failure);
        if (ending_)
            ui_.endProgram();
        return;
    }
    if (!underWay())
        return;
    // Nothing more will complete for this login, logout or cancel: without
    // this the program would wait for ever.
    endedHere();
    tellUnreachable(failure);
}

void PortalSession::Web_Launch(const LaunchReport& report)
{
    qCDebug(lcSession) << "launch" << int(report.kind);
    if (report.kind == LaunchReport::Kind::Failed) {
        messages_.show(text::GameCannotStart + u'\n' + report.reason, MessageBox::Icon::Critical,
                       MessageBox::Buttons::Ok);
    }
    if (ending_)
        ui_.endProgram();
}

// The unlock is done on the page that says so: the user is told, the window
// closes, and the login it interrupted starts again, unless the user has
// moved on (cancelled, or started another portal's login) meanwhile.
void PortalSession::Web2_DocumentComplete(const QString& address)
{
    if (!addressEquals(address, addresses_.NetmarbleUnlockedPage))
        return;
    qCDebug(lcSession) << "unlocked";
    messages_.show(text::NetmarbleUnlockedNotice, MessageBox::Icon::Information, MessageBox::Buttons::Ok);
    ui_.closeUnlockWindow();
    if (!ending_ && loggingIn() && temp_.DHOPortal == Portal::Netmarble)
        navigate(addresses_.NetmarbleLoginPage);
}

// The user asked to stop: a cancel the portal's page has not ended in time
// ends as its page would have ended it, with nothing to tell. A logout the
// portal has not confirmed ends too, its cookies forgotten, and says so.
void PortalSession::WaitLimit_Elapsed()
{
    const bool cancelling = ui_.loginCaption() == text::CancelCaption;
    // A login still waiting has its own limit, the browser's.
    if (ending_ || !underWay() || (cancelling && temp_.IsLogin == 0))
        return;
    qCDebug(lcSession) << "no answer in time to the" << (cancelling ? "cancel" : "logout");
    // A page that completes late must not lead anywhere: the login page
    // would be filled and sent.
    browser_.stop();
    if (!cancelling)
        browser_.forgetCookies();
    endedHere();
    if (!cancelling)
        messages_.show(text::LogoutNotConfirmed, MessageBox::Icon::Exclamation, MessageBox::Buttons::Ok);
}

// Closing the page shown to the user gives the login up, as the cancel does.
void PortalSession::Web_PageClosed()
{
    if (!ending_ && loggingIn())
        cmdLogin_Click();
}

// A login waits for the portal: not a logout, a cancel or a game start.
bool PortalSession::loggingIn() const
{
    return ui_.loginCaption() == text::CancelCaption && temp_.IsLogin == 0;
}

// A login, a logout or a cancel waits for the portal.
bool PortalSession::underWay() const
{
    const QString caption = ui_.loginCaption();
    if (caption == text::CancelCaption)
        return true;
    // Logging out: the flag until the logout step, then both flags cleared
    // while the button still reads "로그아웃".
    return caption == text::LogoutCaption && (temp_.IsLogout == 1 || temp_.IsLogin == 0);
}

void PortalSession::tellUnreachable(const LoadFailure& failure)
{
    const QString what =
        temp_.DHOPortal == Portal::Netmarble ? text::NetmarbleUnreachable : text::DaumUnreachable;
    messages_.show(what + u'\n' + reasonFor(failure), MessageBox::Icon::Critical, MessageBox::Buttons::Ok);
}

void PortalSession::navigate(const QString& address)
{
    qCDebug(lcSession).noquote() << "navigate" << loggableAddress(QUrl(address));
    browser_.navigate(address);
}

void PortalSession::loggedIn(const QString& caption)
{
    ui_.stopWaitLimit();
    ui_.setCaption(caption);
    ui_.setLoginEnabled(true);
    ui_.setLoginCaption(text::LogoutCaption);
    ui_.setGameStartEnabled(true);
    temp_.IsLogin = 1;
    if (state_.Config.AutoRun == 1)
        GameStart();
}

void PortalSession::loginFailed(const QString& caption, const QString& loginPage)
{
    // IsLoginFail goes up first: the login page navigated to below completes
    // while the login dialog is open, and must not be filled again.
    temp_.IsLoginFail = 1;
    ui_.setCaption(caption);
    ui_.setLoginCaption(text::LoginCaption);
    navigate(loginPage);
    ui_.setLoginEnabled(true);
    // The dialog may stay open for long: the failed session waits for nothing.
    reportSettled();
    ui_.showLoginDialog();
}

// The login, logout or cancel under way ends here rather than on a portal
// page, with no session: nothing more is awaited.
void PortalSession::endedHere()
{
    temp_.IsLoginFail = 0;
    temp_.IsLogout = 0;
    temp_.IsLogin = 0;
    completedWithoutSession(text::AppTitle);
    ui_.setGameStartEnabled(false);
    reportSettled();
}

// A logout or a cancel reached the portal's logged-out state.
void PortalSession::completedWithoutSession(const QString& caption)
{
    ui_.stopWaitLimit();
    ui_.setLoginEnabled(true);
    ui_.setLoginCaption(text::LoginCaption);
    ui_.setCaption(caption);
}

// Settled: idle, failed or logged in, with no logout, cancel or program end
// under way. Every other state waits for a document from the browser.
void PortalSession::reportSettled()
{
    browser_.setSessionSettled(!ending_ && !underWay());
}

bool PortalSession::onPortalSite(const QString& address) const
{
    const QUrl page(address);
    const auto& a = addresses_;
    const QStringList portalPages = temp_.DHOPortal == Portal::Netmarble
        ? QStringList{a.NetmarbleLoginPage, a.NetmarbleMainPage, a.NetmarbleHomePage}
        : QStringList{a.DaumLogoutAddress, a.DaumLoginFailPage, a.DaumLoginPage, a.DaumConsentPage, a.DaumIntroPage};
    return std::any_of(portalPages.begin(), portalPages.end(),
                       [&page](const QString& portalPage) { return sameSite(page, QUrl(portalPage)); });
}

// The login ends as one that cannot go on.
void PortalSession::leftThePortal(const QString& address)
{
    qCDebug(lcSession).noquote() << "left the portal for" << loggableAddress(QUrl(address));
    browser_.setDocumentUnknown(false);
    endedHere();
    messages_.show(text::LeftThePortal.arg(QUrl(address).host()), MessageBox::Icon::Exclamation,
                   MessageBox::Buttons::Ok);
}

// The ID and password go into a page that came over plain http only once the
// user has let that host have them, once a run; "취소" cancels the login.
void PortalSession::fillLoginForm(const QString& address, const QList<ElementStep>& steps)
{
    const QUrl page(address);
    if (page.scheme() == u"http" && !plainHttpAllowed_.contains(page.host())) {
        if (messages_.show(text::PlainHttpQuestion.arg(page.host()), MessageBox::Icon::Exclamation,
                           MessageBox::Buttons::ContinueCancel)
            != MessageBox::Answer::Ok) {
            if (loggingIn())
                cmdLogin_Click();
            return;
        }
        plainHttpAllowed_.insert(page.host());
        // The user may have taken long: only a login still waiting is filled.
        if (!loggingIn())
            return;
    }
    browser_.act(steps);
}

bool PortalSession::askYes(const QString& question)
{
    return messages_.show(question, MessageBox::Icon::Question, MessageBox::Buttons::YesNo)
           == MessageBox::Answer::Yes;
}

QList<PortalSession::Rule> PortalSession::netmarbleRules()
{
    return {
        {"N1 fill", Reach::WorksInPage,
         [this](const QString& url) {
             return addressEquals(url, addresses_.NetmarbleLoginPage) && temp_.IsLoginFail == 0 && temp_.IsLogin == 0;
         },
         [this](const QString& url) {
             fillLoginForm(url, {ElementStep::setValue(u"put_id"_s, temp_.UserID),
                                 ElementStep::setValue(u"put_pwd"_s, temp_.UserPWD),
                                 ElementStep::click(u"btnSubmit"_s)});
         }},
        {"N2 success", Reach::Navigates, [this](const QString& url) { return addressEquals(url, addresses_.NetmarbleMainPage); },
         [this](const QString&) { loggedIn(text::NetmarbleLoggedIn); }},
        {"N3 failure", Reach::Navigates, [this](const QString& url) { return addressBeginsWith(url, addresses_.NetmarbleLoginFailPage); },
         [this](const QString&) { loginFailed(text::NetmarbleLoginFailed, addresses_.NetmarbleLoginPage); }},
        {"N4 logout step", Reach::WorksInPage,
         [this](const QString& url) {
             return addressEquals(url, addresses_.NetmarbleLoginPage) && temp_.IsLogout == 1 && temp_.IsLogin == 1;
         },
         [this](const QString&) {
             temp_.IsLogin = 0;
             temp_.IsLogout = 0;
             navigate(Addresses::GoLogoutScript);
         }},
        {"N5 logged out", Reach::Navigates, [this](const QString& url) { return addressEquals(url, addresses_.NetmarbleHomePage); },
         [this](const QString&) { completedWithoutSession(text::NetmarbleLoggedOut); }},
        {"N6 cancelled", Reach::Navigates,
         [this](const QString& url) { return addressEquals(url, addresses_.NetmarbleLoginPage) && temp_.IsLogin == 1; },
         [this](const QString&) {
             completedWithoutSession(text::AppTitle);
             temp_.IsLogin = 0;
         }},
        {"N7 join", Reach::WorksInPage, [this](const QString& url) { return addressBeginsWith(url, addresses_.NetmarbleJoinPage); },
         [this](const QString&) {
             ui_.setCaption(text::NetmarbleJoining);
             if (askYes(text::NetmarbleJoinQuestion)) {
                 browser_.act({ElementStep::setChecked(u"checkBox1"_s)});
                 navigate(Addresses::AgreeCheckScript);
             }
         }},
        {"N8 joined", Reach::Navigates, [this](const QString& url) { return addressEquals(url, addresses_.NetmarbleIntroPage); },
         [this](const QString&) { GameStart(); }},
        {"N9 locked ID", Reach::Navigates, [this](const QString& url) { return addressBeginsWith(url, addresses_.NetmarbleLockPage); },
         [this](const QString& url) {
             temp_.IDLockURL = url;
             messages_.show(text::NetmarbleLockedNotice, MessageBox::Icon::Exclamation,
                            MessageBox::Buttons::Ok);
             ui_.showUnlockWindow();
         }},
    };
}

QList<PortalSession::Rule> PortalSession::daumRules()
{
    return {
        {"D1 to login page", Reach::Navigates,
         [this](const QString& url) {
             return addressEquals(url, addresses_.DaumLoggedOutPage) && temp_.IsLogout == 0 && temp_.IsLogin == 0;
         },
         [this](const QString&) { navigate(addresses_.DaumLoginPage); }},
        {"D2 fill", Reach::WorksInPage,
         [this](const QString& url) {
             return addressEquals(url, addresses_.DaumLoginPage) && temp_.IsLoginFail == 0 && temp_.IsLogin == 0;
         },
         [this](const QString& url) {
             fillLoginForm(url, {ElementStep::setValue(u"id"_s, temp_.UserID),
                                 ElementStep::setValue(u"enpw"_s, temp_.UserPWD),
                                 ElementStep::click(u"loginBtn"_s)});
         }},
        {"D3 home", Reach::Navigates, [this](const QString& url) { return addressEquals(url, addresses_.DaumHomePage); },
         [this](const QString&) { navigate(addresses_.DaumIntroPage); }},
        {"D4 success", Reach::Navigates, [this](const QString& url) { return addressEquals(url, addresses_.DaumIntroPage); },
         [this](const QString&) { loggedIn(text::DaumLoggedIn); }},
        {"D5 failure", Reach::Navigates, [this](const QString& url) { return addressBeginsWith(url, addresses_.DaumLoginFailPage); },
         [this](const QString&) { loginFailed(text::DaumLoginFailed, addresses_.DaumLoginPage); }},
        {"D6 logged out", Reach::Navigates,
         [this](const QString& url) {
             return addressEquals(url, addresses_.DaumLoggedOutPage) && temp_.IsLogout == 1 && temp_.IsLogin == 1;
         },
         [this](const QString&) {
             temp_.IsLogin = 0;
             temp_.IsLogout = 0;
             completedWithoutSession(text::DaumLoggedOut);
         }},
        {"D7 cancelled", Reach::Navigates,
         [this](const QString& url) { return addressEquals(url, addresses_.DaumLoggedOutPage) && temp_.IsLogin == 1; },
         [this](const QString&) {
             completedWithoutSession(text::AppTitle);
             temp_.IsLogin = 0;
         }},
        {"D8 consent", Reach::WorksInPage, [this](const QString& url) { return addressBeginsWith(url, addresses_.DaumConsentPage); },
         [this](const QString&) {
             ui_.setCaption(text::DaumConsenting);
             if (askYes(text::DaumConsentQuestion))
                 browser_.act({ElementStep::setChecked(u"confirm"_s), ElementStep::click(u"_finish"_s)});
         }},
        {"D9 join", Reach::WorksInPage, [this](const QString& url) { return addressEquals(url, addresses_.DaumJoinPage); },
         [this](const QString&) {
             ui_.setCaption(text::DaumJoining);
             if (askYes(text::DaumJoinQuestion)) {
                 browser_.act({ElementStep::setChecked(u"checkBox1"_s)});
                 navigate(Addresses::AgreeCheckScript);
             }
         }},
        // In practice longer than the intro page: D4 takes the exact address.
        {"D10 joined", Reach::Navigates, [this](const QString& url) { return addressBeginsWith(url, addresses_.DaumIntroPage); },
         [this](const QString&) { GameStart(); }},
    };
}

}  // namespace portal
