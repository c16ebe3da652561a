#include "Accounts.h"

#include <openssl/rand.h>

#include <algorithm>
#include <stdexcept>

namespace sandbox {

const std::vector<Account>& accounts()
{
    static const std::vector<Account> table{
        {.id = "captain", .password = "sea", .behaviour = "logs in on both portals"},
        {.id = "locked", .password = "sea", .lockedOnNetmarble = true,
         .behaviour = "Netmarble: locked ID until unlocked on the lock page; Daum: logs in"},
        {.id = "newbie", .password = "sea", .needsJoin = true,
         .behaviour = "not yet joined to the game on either portal until the join page is agreed"},
        {.id = "consent", .password = "sea", .needsDaumConsent = true,
         .behaviour = "Daum: consent page until agreed; Netmarble: logs in"},
        {.id = "homeward", .password = "sea", .daumGoesHome = true,
         .behaviour = "Daum: success lands on the portal home page; Netmarble: logs in"},
        {.id = "slow", .password = "sea", .slow = true,
         .behaviour = "both portals answer the login only after the slow delay"},
        {.id = "echo", .password = "",
         .behaviour = "logs in on both portals with any password (read it back from the log)"},
        {.id = "coded", .password = "sea", .oneTimeCode = true,
         .behaviour = "both portals ask for the one-time code 246810 after the password, then log in"},
    };
    return table;
}

std::string accountTable()
{
    std::string out = "accounts (any other ID, or a wrong password, fails):\n";
    for (const Account& account : accounts()) {
        std::string line = "  " + std::string(account.id) + " / "
                           + (account.password.empty() ? std::string("<any>")
                                                       : std::string(account.password));
        line.resize(std::max<size_t>(line.size() + 1, 22), ' ');
        out += line + std::string(account.behaviour) + '\n';
    }
    return out;
}

namespace {

const Account* findAccount(std::string_view id)
{
    for (const Account& account : accounts()) {
        if (account.id == id)
            return &account;
    }
    return nullptr;
}

std::string randomToken()
{
    unsigned char bytes[16];
    if (RAND_bytes(bytes, sizeof bytes) != 1)
        throw std::runtime_error("no random bytes for a session token");
    static constexpr char Hex[] = "0123456789abcdef";
    std::string token;
    for (unsigned char byte : bytes) {
        token += Hex[byte >> 4];
        token += Hex[byte & 0x0F];
    }
    return token;
}

}  // namespace

bool answersSlowly(std::string_view id)
{
    const Account* account = findAccount(id);
    return account && account->slow;
}

LoginOutcome PortalState::login(Portal portal, std::string_view id,
                                std::string_view password) const
{
    const Account* account = findAccount(id);
    if (!account || (!account->password.empty() && account->password != password))
        return LoginOutcome::Failed;
    if (account->oneTimeCode)
        return LoginOutcome::CodeRequired;
    return progress(portal, *account);
}

LoginOutcome PortalState::loginWithCode(Portal portal, std::string_view id) const
{
    const Account* account = findAccount(id);
    return account ? progress(portal, *account) : LoginOutcome::Failed;
}

LoginOutcome PortalState::progress(Portal portal, const Account& account) const
{
    const std::lock_guard lock(mutex_);
    const std::string key(account.id);
    if (portal == Portal::Netmarble && account.lockedOnNetmarble && !unlocked_.contains(key))
        return LoginOutcome::Locked;
    if (portal == Portal::Daum && account.needsDaumConsent && !consented_.contains(key))
        return LoginOutcome::ConsentRequired;
    if (account.needsJoin && !joined_.contains({portal, key}))
        return LoginOutcome::JoinRequired;
    if (portal == Portal::Daum && account.daumGoesHome)
        return LoginOutcome::HomePage;
    return LoginOutcome::Success;
}

bool PortalState::unlock(std::string_view id)
{
    const Account* account = findAccount(id);
    if (!account || !account->lockedOnNetmarble)
        return false;
    const std::lock_guard lock(mutex_);
    unlocked_.insert(std::string(id));
    return true;
}

void PortalState::join(Portal portal, std::string_view id)
{
    const std::lock_guard lock(mutex_);
    joined_.insert({portal, std::string(id)});
}

void PortalState::consent(std::string_view id)
{
    const std::lock_guard lock(mutex_);
    consented_.insert(std::string(id));
}

std::string PortalState::openSession(Portal portal, std::string_view user)
{
    return addToken(sessions_, portal, user);
}

std::optional<std::string> PortalState::sessionUser(Portal portal, std::string_view token) const
{
    return tokenUser(sessions_, portal, token);
}

std::optional<std::string> PortalState::closeSession(Portal portal, std::string_view token)
{
    return removeToken(sessions_, portal, token);
}

std::string PortalState::awaitCode(Portal portal, std::string_view user)
{
    return addToken(awaitingCode_, portal, user);
}

std::optional<std::string> PortalState::awaitingUser(Portal portal, std::string_view token) const
{
    return tokenUser(awaitingCode_, portal, token);
}

std::optional<std::string> PortalState::endWait(Portal portal, std::string_view token)
{
    return removeToken(awaitingCode_, portal, token);
}

std::string PortalState::addToken(Tokens& tokens, Portal portal, std::string_view user)
{
    std::string token = randomToken();
    const std::lock_guard lock(mutex_);
    tokens[{portal, token}] = std::string(user);
    return token;
}

std::optional<std::string> PortalState::tokenUser(const Tokens& tokens, Portal portal,
                                                  std::string_view token) const
{
    const std::lock_guard lock(mutex_);
    const auto it = tokens.find({portal, std::string(token)});
    if (it == tokens.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::string> PortalState::removeToken(Tokens& tokens, Portal portal, std::string_view token)
{
    const std::lock_guard lock(mutex_);
    const auto it = tokens.find({portal, std::string(token)});
    if (it == tokens.end())
        return std::nullopt;
    std::string user = it->second;
    tokens.erase(it);
    return user;
}

unsigned PortalState::nextFailureNumber()
{
    const std::lock_guard lock(mutex_);
    return ++failures_;
}

}  // namespace sandbox
