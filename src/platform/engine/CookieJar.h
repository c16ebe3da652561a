#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>

namespace platform {

// The portal's cookies between one engine and the next, in memory only, in
// their raw form (as the engine reports them, with whatever attributes it
// gives). A cookie replaces the one of the same domain, path and name and
// keeps its place, so that a fresh engine, given them oldest first, orders
// cookies of one name as the old engine did.
class CookieJar {
public:
    // The engine made or changed a cookie; one already expired is removed.
    void added(const QByteArray& raw, const QDateTime& now = QDateTime::currentDateTimeUtc());
    void removed(const QByteArray& raw);

    // The cookies still alive, oldest first. A cookie the engine removed and
    // made again since the last call (its way to change one) keeps its place
    // until then; after it, only live cookies are remembered.
    QList<QByteArray> forNewEngine(const QDateTime& now = QDateTime::currentDateTimeUtc());

private:
    struct Entry {
        QByteArray key;  // domain, path and name
        QByteArray raw;  // empty once removed
        QDateTime expires;
    };
    qsizetype find(const QByteArray& key) const;

    QList<Entry> entries_;
};

}  // namespace platform
