#include "core/Sites.h"

#include <QHostAddress>

#include <libpsl.h>

#include <algorithm>

namespace {

const QString Ellipsis = QStringLiteral("…");

// The longest count from 0 to most for which line(count) fits, or 0.
qsizetype longestFitting(qsizetype most, const std::function<bool(const QString&)>& fits,
                         const std::function<QString(qsizetype)>& line)
{
    qsizetype low = 0;
    qsizetype high = most;
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (fits(line(middle)))
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

}  // namespace

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

bool isWebPage(const QUrl& address)
{
    return (address.scheme() == u"http" || address.scheme() == u"https") && !address.host().isEmpty();
}

bool sameSite(const QUrl& first, const QUrl& second)
{
    return isWebPage(first) && isWebPage(second) && siteOf(first.host()) == siteOf(second.host());
}

QString elideAddress(const QUrl& address, const std::function<bool(const QString&)>& fits)
{
    const QString head = address.scheme() + QStringLiteral("://");
    const QString host = address.host();
    const QString rest = (address.port() >= 0 ? u':' + QString::number(address.port()) : QString())
                         + address.toDisplayString(QUrl::RemoveScheme | QUrl::RemoveAuthority);
    const QString whole = head + host + rest;
    if (host.isEmpty() || fits(whole))
        return host.isEmpty() ? address.toDisplayString(QUrl::RemoveUserInfo) : whole;
    const QString site = QUrl::fromAce(siteOf(host).toLatin1());
    const QString labels = host.endsWith(site, Qt::CaseInsensitive) ? host.chopped(site.size()) : QString();
    const auto withRest = [&](qsizetype kept) { return head + host + rest.left(kept) + Ellipsis; };
    const qsizetype restKept = longestFitting(rest.size(), fits, withRest);
    if (fits(withRest(restKept)))
        return withRest(restKept);
    const QString restShort = rest.isEmpty() ? QString() : Ellipsis;
    const auto withLabels = [&](qsizetype kept) { return head + Ellipsis + labels.right(kept) + site + restShort; };
    return withLabels(longestFitting(labels.size(), fits, withLabels));
}
