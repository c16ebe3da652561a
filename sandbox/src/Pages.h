#pragma once

#include "Layout.h"

#include <string>
#include <string_view>

namespace sandbox {

// Small HTML documents of the two portals and the fan sites. Every form
// element the program looks up carries the same name and id.
namespace pages {

// With confirmLogout, go_logout() asks the user first.
std::string netmarbleLogin(const Addresses& addresses, bool confirmLogout);
// With alert, the failure page also says why in an alert.
std::string netmarbleLoginFailed(const Addresses& addresses, bool alert);
// With newWindow, the unlock button opens its answer in a new window.
std::string netmarbleLocked(const Addresses& addresses, std::string_view id, bool newWindow);
// The answer of an unlock in a new window: it sends its opener on and closes.
std::string netmarbleUnlockedInNewWindow(const Addresses& addresses);
std::string netmarbleJoin(const Addresses& addresses, std::string_view user);
std::string netmarbleHome(const Addresses& addresses);

std::string daumLogin(const Addresses& addresses);
std::string daumLoginFailed(const Addresses& addresses, bool alert);
std::string daumConsent(const Addresses& addresses, std::string_view user);
std::string daumJoin(const Addresses& addresses, std::string_view user);
std::string daumHome(const Addresses& addresses, std::string_view user, bool loggedOut);

// The page that asks for the one-time code, with a picture and the code
// field; after a wrong code it says so.
std::string oneTimeCode(std::string_view title, const std::string& action, const std::string& picture,
                        bool wrongCode);

// A page of a game site: main, intro or channel page.
std::string gamePage(std::string_view title, std::string_view message, std::string_view user);
std::string fanSite(std::string_view title);

std::string notFound(std::string_view path);
std::string badRequest(std::string_view reason);
std::string unavailable();

}  // namespace pages

}  // namespace sandbox
