#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// Which pages belong together: a site is a registrable domain by the public
// suffix list ("netmarble.net" for "login.netmarble.net"), or, where there is
// none (an IP address, a single label such as "localhost", a public suffix
// itself), the host alone, which then matches only itself exactly.
QString siteOf(const QString& host);

// An http or https address with a host: a page of some site.
bool isWebPage(const QUrl& address);

// Both addresses are web pages of one site; ports and schemes do not count.
bool sameSite(const QUrl& first, const QUrl& second);

// The address as a line that fits shows it, without user info: whole when it
// fits; else the path and query cut short at the end, and then the host's
// leading labels, so that its site is always there to read ("https://…
// evil.example/…" for "https://netmarble.net.evil.example/login").
QString elideAddress(const QUrl& address, const std::function<bool(const QString& line)>& fits);
