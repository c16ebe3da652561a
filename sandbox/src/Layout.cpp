#include "Layout.h"

namespace sandbox {

std::string_view endpointName(Endpoint endpoint)
{
    switch (endpoint) {
    case Endpoint::NetmarbleLogin: return "NetmarbleLogin";
    case Endpoint::NetmarbleGame: return "NetmarbleGame";
    case Endpoint::NetmarbleHome: return "NetmarbleHome";
    case Endpoint::DaumLogin: return "DaumLogin";
    case Endpoint::DaumSecureLogin: return "DaumSecureLogin";
    case Endpoint::DaumHome: return "DaumHome";
    case Endpoint::DaumUser: return "DaumUser";
    case Endpoint::DaumGame: return "DaumGame";
    case Endpoint::ZavivSite: return "ZavivSite";
    case Endpoint::GuideSite: return "GuideSite";
    }
    return {};
}

bool isSecure(Endpoint endpoint)
{
    return endpoint == Endpoint::DaumSecureLogin || endpoint == Endpoint::DaumUser;
}

bool movesToHttps(Endpoint endpoint)
{
    return !isSecure(endpoint) && endpoint != Endpoint::ZavivSite && endpoint != Endpoint::GuideSite;
}

Layout::Layout(int basePort, bool portalsOnHttps) : base_(basePort), portalsOnHttps_(portalsOnHttps)
{
}

int Layout::port(Endpoint endpoint) const
{
    return base_ + 1 + static_cast<int>(endpoint);
}

std::string Layout::host(Endpoint endpoint) const
{
    return std::string(ListenAddress) + ':' + std::to_string(port(endpoint));
}

std::string Layout::url(Endpoint endpoint, std::string_view rest) const
{
    const bool secure = isSecure(endpoint) || (portalsOnHttps_ && movesToHttps(endpoint));
    return (secure ? "https://" : "http://") + host(endpoint) + std::string(rest);
}

std::string encodeReturnAddress(std::string_view address, bool upperCaseHex)
{
    std::string out;
    for (char ch : address) {
        if (ch == ':')
            out += upperCaseHex ? "%3A" : "%3a";
        else if (ch == '/')
            out += upperCaseHex ? "%2F" : "%2f";
        else if (ch == '.')
            out += upperCaseHex ? "%2E" : "%2e";
        else
            out += ch;
    }
    return out;
}

bool isAddress(std::string_view given, std::string_view address)
{
    constexpr std::string_view Https = "https://";
    constexpr std::string_view Http = "http://";
    if (given == address)
        return true;
    return address.starts_with(Https) && given.starts_with(Http)
           && given.substr(Http.size()) == address.substr(Https.size());
}

Addresses::Addresses(const Layout& l)
{
    using enum Endpoint;
    NetmarbleMainPage = l.url(NetmarbleGame, "/main.asp");
    NetmarbleLoginPage = l.url(NetmarbleLogin, "/login/login.asp?l_url=")
                         + encodeReturnAddress(NetmarbleMainPage, true);
    NetmarbleLoginFailPage = l.url(NetmarbleLogin, "/login/LoginFail.asp");
    NetmarbleLockPage = l.url(NetmarbleLogin, "/login/LockStealID.asp");
    NetmarbleIntroPage = l.url(NetmarbleGame, "/intro.asp");
    NetmarbleJoinPage = l.url(NetmarbleGame, "/member/NMB_MembersJoin.asp");
    NetmarbleHomePage = l.url(NetmarbleHome, "/");
    NetmarbleChannelPage = l.url(NetmarbleGame, "/GameChannel/channel.asp?game=dho");
    NetmarbleUnlockedPage = l.url(NetmarbleLogin, "/login/login.asp");

    DaumLoggedOutPage = l.url(DaumHome, "/?nil_profile=logout");
    DaumLogoutAddress = l.url(DaumLogin, "/Mail-bin/logout.cgi?url=") + DaumLoggedOutPage;
    DaumIntroPage = l.url(DaumGame, "/intro.asp");
    DaumLoginPage = l.url(DaumHome, "/Mail-bin/login.html?url=")
                    + encodeReturnAddress(DaumIntroPage, false) + "&category=identity";
    DaumHomePage = l.url(DaumHome, "/");
    DaumLoginFailPage = l.url(DaumSecureLogin, "/Mail-bin/login.cgi?dummy=");
    DaumConsentPage = l.url(DaumUser, "/privagree/privinfoagree.daum");
    DaumJoinPage = l.url(DaumGame, "/member/DM_MembersJoin.asp?AgreeRurl=");
    DaumChannelPage = l.url(DaumGame, "/GameChannel/channel.asp?game=dho");

    DaumMainPage = l.url(DaumGame, "/main.asp");
    ZavivSitePage = l.url(ZavivSite, "/");
    GuideSitePage = l.url(GuideSite, "/");

    NetmarbleLoginAction = l.url(NetmarbleLogin, "/login/LoginProc.asp");
    NetmarbleLogoutAction = l.url(NetmarbleLogin, "/login/Logout.asp");
    NetmarbleUnlockAction = l.url(NetmarbleLogin, "/login/UnlockStealID.asp");
    NetmarbleJoinAction = l.url(NetmarbleGame, "/member/NMB_MembersJoinProc.asp");
    DaumLoginAction = l.url(DaumSecureLogin, "/Mail-bin/login.cgi");
    DaumConsentAction = l.url(DaumUser, "/privagree/privinfoagree_ok.daum");
    DaumJoinAction = l.url(DaumGame, "/member/DM_MembersJoinProc.asp");
    DaumJoinedPage = DaumIntroPage + "?joined=1";

    NetmarbleCodePage = l.url(NetmarbleLogin, "/login/OneTimeCode.asp");
    NetmarbleCodePicture = l.url(NetmarbleLogin, "/login/code.png");
    DaumCodePage = l.url(DaumSecureLogin, "/accounts/onetimecode.do");
    DaumCodePicture = l.url(DaumSecureLogin, "/accounts/code.png");
}

}  // namespace sandbox
