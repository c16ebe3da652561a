#include "platform/engine/CookieJar.h"

#include <QNetworkCookie>

#include <optional>

namespace platform {

namespace {

std::optional<QNetworkCookie> parsed(const QByteArray& raw)
{
    const QList<QNetworkCookie> cookies = QNetworkCookie::parseCookies(raw);
    if (cookies.size() != 1)
        return std::nullopt;
    return cookies.first();
}

QByteArray keyOf(const QNetworkCookie& cookie)
{
    return cookie.domain().toUtf8() + '\t' + cookie.path().toUtf8() + '\t' + cookie.name();
}

bool expired(const QDateTime& expires, const QDateTime& now)
{
    return expires.isValid() && expires <= now;
}

}  // namespace

qsizetype CookieJar::find(const QByteArray& key) const
{
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        if (entries_[i].key == key)
            return i;
    }
    return -1;
}

void CookieJar::added(const QByteArray& raw, const QDateTime& now)
{
    const std::optional<QNetworkCookie> cookie = parsed(raw);
    if (!cookie)
        return;
    const QByteArray key = keyOf(*cookie);
    if (expired(cookie->expirationDate(), now)) {
        removed(raw);
        return;
    }
    const Entry entry{key, raw, cookie->expirationDate()};
    if (const qsizetype at = find(key); at >= 0)
        entries_[at] = entry;
    else
        entries_.append(entry);
}

void CookieJar::removed(const QByteArray& raw)
{
    if (const std::optional<QNetworkCookie> cookie = parsed(raw)) {
        if (const qsizetype at = find(keyOf(*cookie)); at >= 0)
            entries_[at].raw.clear();
    }
}

QList<QByteArray> CookieJar::forNewEngine(const QDateTime& now)
{
    entries_.removeIf([&now](const Entry& entry) { return entry.raw.isEmpty() || expired(entry.expires, now); });
    QList<QByteArray> raws;
    for (const Entry& entry : std::as_const(entries_))
        raws.append(entry.raw);
    return raws;
}

}  // namespace platform
