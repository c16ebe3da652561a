#pragma once

#include <array>
#include <string>
#include <string_view>

namespace sandbox {

// The ten web endpoints, in the order of their ports (the order of the
// build's endpoint list, cmake/Endpoints.cmake).
enum class Endpoint {
    NetmarbleLogin,
    NetmarbleGame,
    NetmarbleHome,
    DaumLogin,
    DaumSecureLogin,
    DaumHome,
    DaumUser,
    DaumGame,
    ZavivSite,
    GuideSite,
};

inline constexpr std::array<Endpoint, 10> AllEndpoints{
    Endpoint::NetmarbleLogin, Endpoint::NetmarbleGame, Endpoint::NetmarbleHome,
    Endpoint::DaumLogin,      Endpoint::DaumSecureLogin, Endpoint::DaumHome,
    Endpoint::DaumUser,       Endpoint::DaumGame,      Endpoint::ZavivSite,
    Endpoint::GuideSite,
};

// Set by the build from the one list of endpoints the program is built from.
inline constexpr int DefaultBasePort = QUAYLET_SANDBOX_DEFAULT_BASE_PORT;
inline constexpr int HighestBasePort = 65535 - static_cast<int>(AllEndpoints.size());
inline constexpr std::string_view ListenAddress = "127.0.0.1";

std::string_view endpointName(Endpoint endpoint);
bool isSecure(Endpoint endpoint);
// The portals' http endpoints, which a portal that moved to https upgrades;
// the fan sites stay on http.
bool movesToHttps(Endpoint endpoint);

// Endpoint n (counting from 1) listens on base port + n.
class Layout {
public:
    // With portalsOnHttps, the addresses of the endpoints that move to https
    // are written with https.
    explicit Layout(int basePort = DefaultBasePort, bool portalsOnHttps = false);

    int basePort() const { return base_; }
    int port(Endpoint endpoint) const;
    // "127.0.0.1:<port>", the value the program is built with.
    std::string host(Endpoint endpoint) const;
    // Scheme, host and the given path.
    std::string url(Endpoint endpoint, std::string_view rest) const;

private:
    int base_;
    bool portalsOnHttps_;
};

// Percent-encodes ":", "/" and "." only, as the program writes return addresses.
std::string encodeReturnAddress(std::string_view address, bool upperCaseHex);

// The given address is the one the sandbox writes, or its http spelling when
// that is https: the program keeps asking with the addresses it was built with.
bool isAddress(std::string_view given, std::string_view address);

// Every fixed address the program navigates to or compares with, plus the
// addresses only the portals use. Written apart from the program's own table
// on purpose: a change to an address on either side makes the sandbox stop
// answering the program, and the end-to-end tests fail.
struct Addresses {
    explicit Addresses(const Layout& layout);

    std::string NetmarbleLoginPage;
    std::string NetmarbleLoginFailPage;
    std::string NetmarbleLockPage;
    std::string NetmarbleMainPage;
    std::string NetmarbleIntroPage;
    std::string NetmarbleJoinPage;
    std::string NetmarbleHomePage;
    std::string NetmarbleChannelPage;
    std::string NetmarbleUnlockedPage;

    std::string DaumLogoutAddress;
    std::string DaumLoggedOutPage;
    std::string DaumLoginPage;
    std::string DaumHomePage;
    std::string DaumIntroPage;
    std::string DaumLoginFailPage;
    std::string DaumConsentPage;
    std::string DaumJoinPage;
    std::string DaumChannelPage;

    std::string DaumMainPage;
    std::string ZavivSitePage;
    std::string GuideSitePage;

    // Portal-side addresses that forms and scripts lead to.
    std::string NetmarbleLoginAction;
    std::string NetmarbleLogoutAction;
    std::string NetmarbleUnlockAction;
    std::string NetmarbleJoinAction;
    std::string DaumLoginAction;
    std::string DaumConsentAction;
    std::string DaumJoinAction;
    std::string DaumJoinedPage;

    // The one-time-code pages that an account with a code meets after its
    // password, with their pictures.
    std::string NetmarbleCodePage;
    std::string NetmarbleCodePicture;
    std::string DaumCodePage;
    std::string DaumCodePicture;
};

}  // namespace sandbox
