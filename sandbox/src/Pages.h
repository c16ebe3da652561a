#pragma once

#include "Layout.h"

#include <string>
#include <string_view>

namespace sandbox {

// Small HTML documents of the two portals and the fan sites. Every form
// element the program looks up carries the same name and id.
namespace pages {

std::string netmarbleLogin(const Addresses& addresses);
std::string netmarbleLoginFailed(const Addresses& addresses);
std::string netmarbleLocked(const Addresses& addresses, std::string_view id);
std::string netmarbleJoin(const Addresses& addresses, std::string_view user);
std::string netmarbleHome(const Addresses& addresses);

std::string daumLogin(const Addresses& addresses);
std::string daumLoginFailed(const Addresses& addresses);
std::string daumConsent(const Addresses& addresses, std::string_view user);
std::string daumJoin(const Addresses& addresses, std::string_view user);
std::string daumHome(const Addresses& addresses, std::string_view user, bool loggedOut);

// A page of a game site: main, intro or channel page.
std::string gamePage(std::string_view title, std::string_view message, std::string_view user);
std::string fanSite(std::string_view title);

std::string notFound(std::string_view path);
std::string badRequest(std::string_view reason);
std::string unavailable();

}  // namespace pages

}  // namespace sandbox
