#pragma once

#include <QList>
#include <QString>
#include <QUrl>

namespace engine {

// The engine rewrites addresses before they are loaded ("%2E" becomes ".",
// escapes change case). The session compares exact texts, so an address the
// engine reports is mapped back to the text it was navigated with, over https
// when a portal redirected it there.
class NavigationMemory {
public:
    void remember(const QString& navigatedText);
    QString resolve(const QUrl& reported) const;

    // One text for every spelling of the same address.
    static QString key(const QUrl& url);
    // The same for a navigated text. A text that is no address keeps a key
    // of its own, shared with no other text and with no address.
    static QString key(const QString& navigatedText);

private:
    struct Entry {
        QString key;
        QString text;
    };
    QList<Entry> entries_;  // newest first, a handful at most
};

}  // namespace engine
