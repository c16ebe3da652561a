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
    std::string_view behaviour;
};

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
};

// The portal keeps this ID waiting before it answers the login form.
bool answersSlowly(std::string_view id);

// Accounts' progress (unlocks, joins, consents) and the login sessions of
// both portals, for the run only. Safe to use from any thread.
class PortalState {
public:
    LoginOutcome login(Portal portal, std::string_view id, std::string_view password) const;

    // False when the ID is not a locked one.
    bool unlock(std::string_view id);
    void join(Portal portal, std::string_view id);
    void consent(std::string_view id);

    // A new session token for the user.
    std::string openSession(Portal portal, std::string_view user);
    std::optional<std::string> sessionUser(Portal portal, std::string_view token) const;
    // The user whose session ended, if there was one.
    std::optional<std::string> closeSession(Portal portal, std::string_view token);

    // Grows by one at each call, for the failure page's query.
    unsigned nextFailureNumber();

private:
    mutable std::mutex mutex_;
    std::set<std::string> unlocked_;
    std::set<std::pair<Portal, std::string>> joined_;
    std::set<std::string> consented_;
    std::map<std::pair<Portal, std::string>, std::string> sessions_;
    unsigned failures_ = 0;
};

}  // namespace sandbox
