#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>

#include <map>
#include <set>

namespace platform {

// The portal's cookies between one engine and the next, in memory only, in
// their raw form (as the engine reports them, with whatever attributes it
// gives). A cookie replaces the one of the same domain, path and name and
// keeps its place, so that a fresh engine, given them oldest first, orders
// cookies of one name as the old engine did.
//
// It holds at most what Chromium holds, the oldest going first: a page that
// makes cookies without end costs neither memory nor time here. A domain is
// the cookie's own, without its leading dot.
class CookieJar {
public:
    static constexpr qsizetype MostCookies = 3300;
    static constexpr qsizetype MostCookiesPerDomain = 180;

    // The engine made or changed a cookie; one already expired is removed.
    void added(const QByteArray& raw, const QDateTime& now = QDateTime::currentDateTimeUtc());
    void removed(const QByteArray& raw);

    // The cookies still alive, oldest first. A cookie the engine removed and
    // made again since the last call (its way to change one) keeps its place
    // until then, and counts meanwhile; after it, only live cookies are
    // remembered.
    QList<QByteArray> forNewEngine(const QDateTime& now = QDateTime::currentDateTimeUtc());

private:
    struct Entry {
        QByteArray key;  // domain, path and name
        QByteArray domain;
        QByteArray raw;  // empty once removed
        QDateTime expires;
    };
    void drop(quint64 place);

    quint64 nextPlace_ = 0;
    std::map<quint64, Entry> entries_;                   // by place, oldest first
    QHash<QByteArray, quint64> places_;                  // by key
    QHash<QByteArray, std::set<quint64>> domainPlaces_;  // by domain, oldest first
};

}  // namespace platform
