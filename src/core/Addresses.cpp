#include "core/Addresses.h"

using namespace Qt::StringLiterals;

namespace {

// Percent-encodes ":", "/" and "." only; every other character stands as it is.
QString encodeReturnAddress(const QString& address, bool upperCaseHex)
{
    QString out;
    for (QChar ch : address) {
        if (ch == u':')
            out += upperCaseHex ? u"%3A" : u"%3a";
        else if (ch == u'/')
            out += upperCaseHex ? u"%2F" : u"%2f";
        else if (ch == u'.')
            out += upperCaseHex ? u"%2E" : u"%2e";
        else
            out += ch;
    }
    return out;
}

QString http(const QString& host, const QString& rest)
{
    return QStringLiteral("http://") + host + rest;
}

QString https(const QString& host, const QString& rest)
{
    return QStringLiteral("https://") + host + rest;
}

}  // namespace

Addresses::Addresses(const Endpoints& e)
{
    NetmarbleMainPage = http(e.NetmarbleGame, u"/main.asp"_s);
    NetmarbleLoginPage = http(e.NetmarbleLogin, u"/login/login.asp?l_url="_s)
                         + encodeReturnAddress(NetmarbleMainPage, true);
    NetmarbleLoginFailPage = http(e.NetmarbleLogin, u"/login/LoginFail.asp"_s);
    NetmarbleLockPage = http(e.NetmarbleLogin, u"/login/LockStealID.asp"_s);
    NetmarbleIntroPage = http(e.NetmarbleGame, u"/intro.asp"_s);
    NetmarbleJoinPage = http(e.NetmarbleGame, u"/member/NMB_MembersJoin.asp"_s);
    NetmarbleHomePage = http(e.NetmarbleHome, u"/"_s);
    NetmarbleChannelPage = http(e.NetmarbleGame, u"/GameChannel/channel.asp?game=dho"_s);
    NetmarbleUnlockedPage = http(e.NetmarbleLogin, u"/login/login.asp"_s);

    DaumLoggedOutPage = http(e.DaumHome, u"/?nil_profile=logout"_s);
    // The url value is deliberately left unencoded.
    DaumLogoutAddress = http(e.DaumLogin, u"/Mail-bin/logout.cgi?url="_s) + DaumLoggedOutPage;
    DaumIntroPage = http(e.DaumGame, u"/intro.asp"_s);
    DaumLoginPage = http(e.DaumHome, u"/Mail-bin/login.html?url="_s)
                    + encodeReturnAddress(DaumIntroPage, false) + u"&category=identity"_s;
    DaumHomePage = http(e.DaumHome, u"/"_s);
    DaumLoginFailPage = https(e.DaumSecureLogin, u"/Mail-bin/login.cgi?dummy="_s);
    DaumConsentPage = https(e.DaumUser, u"/privagree/privinfoagree.daum"_s);
    DaumJoinPage = http(e.DaumGame, u"/member/DM_MembersJoin.asp?AgreeRurl="_s);
    DaumChannelPage = http(e.DaumGame, u"/GameChannel/channel.asp?game=dho"_s);

    DaumMainPage = http(e.DaumGame, u"/main.asp"_s);
    ZavivSitePage = http(e.ZavivSite, u"/"_s);
    GuideSitePage = http(e.GuideSite, u"/"_s);
}
