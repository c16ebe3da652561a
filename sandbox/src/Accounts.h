#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sandbox {

enum class Portal { Netmarble, Daum };

// A test account; the same IDs exist on both portals.
struct Account {
    std::string_view id;
    std::string_view password;  // empty: any password is accepted
    bool lockedOnNetmarble = false;
    bool needsJoin = false;
    bool needsDaumConsent = false;
    bool daumGoesHome = false;
    bool slow = false;
    bool oneTimeCode = false;  // both portals ask for the one-time code after the password
    std::string_view behaviour;
};

// The code that the one-time-code pages take, the same at every login.
inline constexpr std::string_view OneTimeCode = "246810";

const std::vector<Account>& accounts();

// The account table as printed at start-up.
std::string accountTable();

// What the portal answers to a login form.
enum class LoginOutcome {
    Success,
    HomePage,  // Daum: success shown on the portal's home page
    Failed,
    Locked,
    JoinRequired,
    ConsentRequired,
    CodeRequired,  // the password was right; the one-time code is still to come
};

// The portal keeps this ID waiting before it answers the login form.
bool answersSlowly(std::string_view id);

// Accounts' progress (unlocks, joins, consents) and the login sessions of
// both portals, for the run only. Safe to use from any thread.
class PortalState {
public:
    LoginOutcome login(Portal portal, std::string_view id, std::string_view password) const;
    // What the login comes to once the one-time code was given.
    LoginOutcome loginWithCode(Portal portal, std::string_view id) const;

    // False when the ID is not a locked one.
    bool unlock(std::string_view id);
    void join(Portal portal, std::string_view id);
    void consent(std::string_view id);

    // A new session token for the user.
    std::string openSession(Portal portal, std::string_view user);
    std::optional<std::string> sessionUser(Portal portal, std::string_view token) const;
    // The user whose session ended, if there was one.
    std::optional<std::string> closeSession(Portal portal, std::string_view token);

    // A login that waits for its one-time code, known by a new token.
    std::string awaitCode(Portal portal, std::string_view user);
    std::optional<std::string> awaitingUser(Portal portal, std::string_view token) const;
    // Ends the wait; the user, if the token was waiting.
    std::optional<std::string> endWait(Portal portal, std::string_view token);

    // Grows by one at each call, for the failure page's query.
    unsigned nextFailureNumber();

private:
    using Tokens = std::map<std::pair<Portal, std::string>, std::string>;

    LoginOutcome progress(Portal portal, const Account& account) const;
    std::string addToken(Tokens& tokens, Portal portal, std::string_view user);
    std::optional<std::string> tokenUser(const Tokens& tokens, Portal portal, std::string_view token) const;
    std::optional<std::string> removeToken(Tokens& tokens, Portal portal, std::string_view token);

    mutable std::mutex mutex_;
    std::set<std::string> unlocked_;
    std::set<std::pair<Portal, std::string>> joined_;
    std::set<std::string> consented_;
    Tokens sessions_;
    Tokens awaitingCode_;
    unsigned failures_ = 0;
};

}  // namespace sandbox
