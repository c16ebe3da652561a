#include "platform/engine/CookieJar.h"

#include <QNetworkCookie>

#include <iterator>
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

QByteArray domainOf(const QNetworkCookie& cookie)
{
    const QString domain = cookie.domain();
    return (domain.startsWith(u'.') ? domain.mid(1) : domain).toUtf8();
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

void CookieJar::drop(quint64 place)
{
    const auto at = entries_.find(place);
    places_.remove(at->second.key);
    const auto domain = domainPlaces_.find(at->second.domain);
    domain->erase(place);
    if (domain->empty())
        domainPlaces_.erase(domain);
    entries_.erase(at);
}

void CookieJar::added(const QByteArray& raw, const QDateTime& now)
{
    const std::optional<QNetworkCookie> cookie = parsed(raw);
    if (!cookie)
        return;
    if (expired(cookie->expirationDate(), now)) {
        removed(raw);
        return;
    }
    const QByteArray key = keyOf(*cookie);
    if (const auto known = places_.constFind(key); known != places_.cend()) {
        Entry& entry = entries_.at(*known);
        entry.raw = raw;
        entry.expires = cookie->expirationDate();
        return;
    }
    const QByteArray domain = domainOf(*cookie);
    if (const auto full = domainPlaces_.constFind(domain);
        full != domainPlaces_.cend() && qsizetype(full->size()) >= MostCookiesPerDomain)
        drop(*full->begin());
    if (qsizetype(entries_.size()) >= MostCookies)
        drop(entries_.begin()->first);
    const quint64 place = nextPlace_++;
    entries_.emplace(place, Entry{key, domain, raw, cookie->expirationDate()});
    places_.insert(key, place);
    domainPlaces_[domain].insert(place);
}

void CookieJar::removed(const QByteArray& raw)
{
    if (const std::optional<QNetworkCookie> cookie = parsed(raw)) {
        if (const auto known = places_.constFind(keyOf(*cookie)); known != places_.cend())
            entries_.at(*known).raw.clear();
    }
}

QList<QByteArray> CookieJar::forNewEngine(const QDateTime& now)
{
    QList<QByteArray> raws;
    for (auto at = entries_.begin(); at != entries_.end();) {
        const auto next = std::next(at);
        if (at->second.raw.isEmpty() || expired(at->second.expires, now))
            drop(at->first);
        else
            raws.append(at->second.raw);
        at = next;
    }
    return raws;
}

}  // namespace platform
