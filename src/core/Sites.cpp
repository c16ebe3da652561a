#include "core/Sites.h"

#include <QHostAddress>

#include <libpsl.h>

QString siteOf(const QString& host)
{
    // The list speaks of lower-case ASCII names: international ones in their
    // encoded form, as the browser sends them.
    const QByteArray ascii = QUrl::toAce(host.toLower());
    if (ascii.isEmpty() || !QHostAddress(host).isNull())
        return host.toLower();
    // The newest of the library's own list and the system's copy.
    static const psl_ctx_t* const list = psl_latest(nullptr);
    const char* domain = list ? psl_registrable_domain(list, ascii.constData()) : nullptr;
    return domain ? QString::fromLatin1(domain) : QString::fromLatin1(ascii);
}

bool sameSite(const QUrl& first, const QUrl& second)
{
    const auto web = [](const QUrl& url) { return url.scheme() == u"http" || url.scheme() == u"https"; };
    return web(first) && web(second) && !first.host().isEmpty() && siteOf(first.host()) == siteOf(second.host());
}
