#pragma once

#include "core/Addresses.h"
#include "core/AppState.h"
#include "core/Browser.h"

#include <QList>
#include <QSet>
#include <QString>

#include <functional>

namespace platform {
class MessageBox;
}

namespace portal {

class SessionUi;

// The portal session: it starts logins and follows the addresses of the
// documents the hidden browser completes. It learns what the portal did from
// those addresses alone, under the flags of the shared state.
class PortalSession {
public:
    PortalSession(AppState& state, const Addresses& addresses, Browser& browser, SessionUi& ui,
                  platform::MessageBox& messages);

    // The one way a login starts, with the current UserID, UserPWD and DHOPortal.
    void PortalLogin();

    // The one way the game starts: the channel page, then the after-start action.
    void GameStart();

    // The main window's login button, dispatched on its caption.
    void cmdLogin_Click();

    void Web_DocumentComplete(const QString& address, Browser::Document document = Browser::Document::Page);
    void Web_LoadFailed(const QString& address, const LoadFailure& failure);
    void Web_Launch(const LaunchReport& report);
    void Web_PageClosed();
    // A document completed in the ID unlock window.
    void Web2_DocumentComplete(const QString& address);
    // A cancel or a logout the portal has not ended in time ends here.
    void WaitLimit_Elapsed();

    // How long a cancel, and a logout, wait for the portal.
    static constexpr int CancelLimitMs = 5000;
    static constexpr int LogoutLimitMs = 15000;

private:
    // What a rule does to the page it acts on. A rule that works in the page
    // (fills, clicks, runs a script) acts only on the page's own document:
    // a frame's may belong to anyone, who would be handed the ID and password.
    enum class Reach { Navigates, WorksInPage };
    struct Rule {
        const char* name;
        Reach reach;
        std::function<bool(const QString& address)> applies;
        std::function<void(const QString& address)> act;
    };

    QList<Rule> netmarbleRules();
    QList<Rule> daumRules();
    void loggedIn(const QString& caption);
    void loginFailed(const QString& caption, const QString& loginPage);
    void completedWithoutSession(const QString& caption);
    void endedHere();
    bool askYes(const QString& question);
    void fillLoginForm(const QString& address, const QList<ElementStep>& steps);
    bool onPortalSite(const QString& address) const;
    void leftThePortal(const QString& address);
    bool underWay() const;
    bool loggingIn() const;
    void tellUnreachable(const LoadFailure& failure);
    void navigate(const QString& address);
    void reportSettled();

    AppState& state_;
    TempState& temp_;
    const Addresses& addresses_;
    Browser& browser_;
    SessionUi& ui_;
    platform::MessageBox& messages_;
    QList<Rule> netmarble_;
    QList<Rule> daum_;
    bool ending_ = false;
    QSet<QString> plainHttpAllowed_;  // hosts the user let have the ID and password over http
};

}  // namespace portal
