#include "engine/browser/NavigationMemory.h"

#include <algorithm>

namespace engine {

namespace {
constexpr qsizetype MaxEntries = 32;
// Encoded addresses never hold a blank, so this cannot begin an address's key.
const QString NoAddress = QStringLiteral(" ");

// Resolves "." and ".." segments as a browser does (RFC 3986, 5.2.4). Qt's
// own NormalizePathSegments also merges slashes, one pair per pass, and turns
// "/a/./b/../c" into "/a//c".
QString withoutDotSegments(QStringView path)
{
    QString output;
    while (!path.isEmpty()) {
        if (path.startsWith(u"../")) {
            path = path.mid(3);
        } else if (path.startsWith(u"./") || path.startsWith(u"/./")) {
            path = path.mid(2);
        } else if (path == u"/.") {
            path = u"/";
        } else if (path.startsWith(u"/../") || path == u"/..") {
            path = path.size() == 3 ? QStringView(u"/") : path.mid(3);
            output.truncate(std::max<qsizetype>(output.lastIndexOf(u'/'), 0));
        } else if (path == u"." || path == u"..") {
            path = {};
        } else {
            const qsizetype next = path.indexOf(u'/', 1);
            const qsizetype end = next < 0 ? path.size() : next;
            output += path.left(end);
            path = path.mid(end);
        }
    }
    return output;
}

}  // namespace

QString NavigationMemory::key(const QUrl& url)
{
    // Decode what may be decoded, then encode one canonical way.
    const QUrl decoded = QUrl::fromEncoded(url.toEncoded(QUrl::FullyEncoded), QUrl::TolerantMode);
    QUrl normalized = decoded;
    normalized.setPath(withoutDotSegments(decoded.path(QUrl::FullyEncoded)), QUrl::TolerantMode);
    // A relative path may lose the segment that let it parse ("./a:b").
    return (normalized.isValid() ? normalized : decoded).toString(QUrl::FullyEncoded);
}

QString NavigationMemory::key(const QString& navigatedText)
{
    const QUrl url(navigatedText);
    const QString canonical = url.isValid() ? key(url) : QString();
    // Every text that does not parse would otherwise share the empty key.
    return canonical.isEmpty() ? NoAddress + navigatedText : canonical;
}

void NavigationMemory::remember(const QString& navigatedText)
{
    const QString entryKey = key(navigatedText);
    entries_.removeIf([&](const Entry& entry) { return entry.key == entryKey; });
    entries_.prepend({entryKey, navigatedText});
    if (entries_.size() > MaxEntries)
        entries_.removeLast();
}

QString NavigationMemory::resolve(const QUrl& reported) const
{
    const QString reportedKey = key(reported);
    // A portal that moved to https redirects the navigated address there:
    // that is the navigated text over https.
    QUrl overHttp = reported;
    overHttp.setScheme(QStringLiteral("http"));
    const QString upgradedKey = reported.scheme() == u"https" ? key(overHttp) : QString();
    for (const Entry& entry : entries_) {
        if (entry.key == reportedKey)
            return entry.text;
        if (entry.key == upgradedKey && entry.text.startsWith(u"http://"))
            return QStringLiteral("https://") + entry.text.mid(7);
    }
    return reported.toString(QUrl::FullyEncoded);
}

}  // namespace engine
