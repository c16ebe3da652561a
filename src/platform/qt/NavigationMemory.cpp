#include "platform/qt/NavigationMemory.h"

namespace platform {

namespace {
constexpr qsizetype MaxEntries = 32;
}

QString NavigationMemory::key(const QUrl& url)
{
    // Decode what may be decoded, then encode one canonical way.
    const QUrl decoded = QUrl::fromEncoded(url.toEncoded(QUrl::FullyEncoded), QUrl::TolerantMode);
    return decoded.toString(QUrl::FullyEncoded | QUrl::NormalizePathSegments);
}

void NavigationMemory::remember(const QString& navigatedText)
{
    const QString entryKey = key(QUrl(navigatedText));
    entries_.removeIf([&](const Entry& entry) { return entry.key == entryKey; });
    entries_.prepend({entryKey, navigatedText});
    if (entries_.size() > MaxEntries)
        entries_.removeLast();
}

QString NavigationMemory::resolve(const QUrl& reported) const
{
    const QString reportedKey = key(reported);
    for (const Entry& entry : entries_) {
        if (entry.key == reportedKey)
            return entry.text;
    }
    return reported.toString(QUrl::FullyEncoded);
}

}  // namespace platform
