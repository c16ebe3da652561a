#pragma once

#include <QString>
#include <QUrl>

// Which pages belong together: a site is a registrable domain by the public
// suffix list ("netmarble.net" for "login.netmarble.net"), or, where there is
// none (an IP address, a single label such as "localhost", a public suffix
// itself), the host alone, which then matches only itself exactly.
QString siteOf(const QString& host);

// Both addresses are web pages of one site; ports and schemes do not count.
bool sameSite(const QUrl& first, const QUrl& second);
