// The browser's address memory with any two navigated texts: nothing
// crashes, every text has a key of its own, an address the engine reports
// back as itself resolves to the text it was navigated with, and two texts
// share an entry only when they are spellings of one address.

#include "Check.h"
#include "engine/browser/NavigationMemory.h"

#include <cstddef>
#include <cstdint>

namespace {

using engine::NavigationMemory;

bool isAddress(const QString& text)
{
    return QUrl(text).isValid();
}

// An address as a browser loads it: every escape decoded, "." and ".."
// segments resolved (Qt's resolution does that as RFC 3986 says).
QString loaded(const QString& text)
{
    const QUrl url(text);
    return url.resolved(url).toString(QUrl::FullyDecoded);
}

void checkResolvesToItself(const NavigationMemory& memory, const QString& text, const QString& expected)
{
    const QUrl url(text);
    PROPERTY(memory.resolve(url) == expected);
    // The engine hands back an address it has parsed and encoded again.
    PROPERTY(memory.resolve(QUrl::fromEncoded(url.toEncoded())) == expected);
    // What the engine loads has a host; the key of such an address is one of
    // its spellings.
    if (!url.host().isEmpty())
        PROPERTY(NavigationMemory::key(QUrl(NavigationMemory::key(url))) == NavigationMemory::key(url));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = bytes.indexOf('\n');
    const QString first = QString::fromUtf8(split < 0 ? bytes : bytes.left(split));
    const QString second = split < 0 ? QString() : QString::fromUtf8(bytes.mid(split + 1));

    // An empty key is what the browser holds while nothing loads.
    PROPERTY(!NavigationMemory::key(first).isEmpty());
    NavigationMemory memory;
    memory.remember(first);
    if (isAddress(first))
        checkResolvesToItself(memory, first, first);
    if (split < 0)
        return 0;

    memory.remember(second);
    const bool oneAddress = NavigationMemory::key(first) == NavigationMemory::key(second);
    if (oneAddress) {
        PROPERTY(isAddress(first) == isAddress(second));
        if (!isAddress(first))
            PROPERTY(first == second);
        else if (!QUrl(first).host().isEmpty() && !QUrl(second).host().isEmpty())
            PROPERTY(loaded(first) == loaded(second));
    }
    if (isAddress(second))
        checkResolvesToItself(memory, second, second);
    if (isAddress(first))
        PROPERTY(memory.resolve(QUrl(first)) == (oneAddress ? second : first));
    return 0;
}
