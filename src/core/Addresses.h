#pragma once

#include "core/Endpoints.h"

#include <QString>
#include <QUrl>

// Every fixed address the program navigates to or compares with, built once
// from the endpoints. The same string serves both uses: the session rules
// compare the browser's address against exactly what was navigated to.
struct Addresses {
    explicit Addresses(const Endpoints& endpoints);

    QString NetmarbleLoginPage;
    QString NetmarbleLoginFailPage;
    QString NetmarbleLockPage;
    QString NetmarbleMainPage;
    QString NetmarbleIntroPage;
    QString NetmarbleJoinPage;
    QString NetmarbleHomePage;
    QString NetmarbleChannelPage;
    QString NetmarbleUnlockedPage;  // where the ID unlock procedure ends

    QString DaumLogoutAddress;
    QString DaumLoggedOutPage;
    QString DaumLoginPage;
    QString DaumHomePage;
    QString DaumIntroPage;
    QString DaumLoginFailPage;
    QString DaumConsentPage;
    QString DaumJoinPage;
    QString DaumChannelPage;

    // Sites opened in the system browser.
    QString DaumMainPage;
    QString ZavivSitePage;
    QString GuideSitePage;

    // Page functions run in the loaded document.
    static inline const QString GoLogoutScript = QStringLiteral("javascript:void(go_logout());");
    static inline const QString AgreeCheckScript = QStringLiteral("javascript:agree_check();");
};

// A portal that moved its pages to https serves them at the same addresses
// over https: the fixed http address, or that address with "https" for
// "http" (same host, port, path and query), and nothing else.
inline QString overHttps(const QString& fixed)
{
    return fixed.startsWith(u"http://") ? QStringLiteral("https://") + fixed.mid(7) : QString();
}

// Whole-string, exact, case-sensitive equality, over http or https.
inline bool addressEquals(const QString& address, const QString& fixed)
{
    const QString secure = overHttps(fixed);
    return address == fixed || (!secure.isEmpty() && address == secure);
}

// The address starts with the fixed one, over http or https; a shorter
// address never matches.
inline bool addressBeginsWith(const QString& address, const QString& fixed)
{
    const QString secure = overHttps(fixed);
    return address.startsWith(fixed, Qt::CaseSensitive)
           || (!secure.isEmpty() && address.startsWith(secure, Qt::CaseSensitive));
}

// The page's host (with its port, when the address names one), as a
// window that shows the page names it.
inline QString shownHost(const QUrl& page)
{
    return page.port() >= 0 ? page.host() + u':' + QString::number(page.port()) : page.host();
}

// An address as the logs show it: never a query, a fragment or user info,
// where a portal may carry the account's ID or password in any spelling.
inline QString loggableAddress(const QUrl& address)
{
    return address.toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo | QUrl::RemoveFragment);
}
