#include "storage/LaunchApprovals.h"

#include "core/LaunchRules.h"
#include "core/Texts.h"
#include "platform/MessageBox.h"
#include "storage/Fields.h"

#include <QLoggingCategory>
#include <QRegularExpression>

namespace storage {

namespace {

bool isScheme(const QString& text)
{
    static const QRegularExpression scheme(QStringLiteral("^[a-z][a-z0-9+.-]+$"));
    return scheme.match(text).hasMatch();
}

// A host as a page's address gives it: a name, an IPv4 address or an IPv6 one.
bool isHost(const QString& text)
{
    static const QRegularExpression host(QStringLiteral("^([a-z0-9.-]+|[0-9a-f:.]+)$"));
    return host.match(text).hasMatch();
}

bool isPair(const QString& line)
{
    const QStringList parts = line.split(u' ');
    return parts.size() == 2 && isHost(parts[0]) && isScheme(parts[1]);
}

}  // namespace

LaunchApprovals::LaunchApprovals(SettingsFolder folder, platform::MessageBox& messages)
    : folder_(std::move(folder)),
      messages_(messages)
{
}

QStringList LaunchApprovals::remembered() const
{
    QStringList pairs = readStoredValues(folder_.fileToRead(LaunchApprovalsFileName)).value_or(QStringList());
    pairs.removeIf([](const QString& line) { return !isPair(line); });
    return pairs;
}

bool LaunchApprovals::allows(const QString& host, const QString& scheme, const QString& address)
{
    const QString name = scheme.toLower();
    const QString site = host.toLower();
    if (!isScheme(name))
        return false;
    const QString pair = site + u' ' + name;
    const bool rememberable = isHost(site);
    if (rememberable && remembered().contains(pair))
        return true;
    // Plain text: the host, the scheme and the address come from a page.
    const QString shown = address.size() > text::LaunchAddressShown
                              ? address.left(text::LaunchAddressShown) + QStringLiteral("…")
                              : address;
    if (messages_.show(text::LaunchSchemeQuestion.arg(host, name) + u'\n' + shown,
                       platform::MessageBox::Icon::Question, platform::MessageBox::Buttons::OpenCancel)
        != platform::MessageBox::Answer::Ok)
        return false;
    if (!rememberable)
        return true;
    // Lines of the file that allow nothing stay as the user left them.
    QStringList lines = readStoredValues(folder_.fileToRead(LaunchApprovalsFileName)).value_or(QStringList());
    lines.append(pair);
    const SaveResult saved = folder_.save(LaunchApprovalsFileName, (lines.join(QStringLiteral("\r\n")) + "\r\n").toLatin1(),
                                          FileAccess::OwnerOnly);
    if (!saved.ok)
        qCWarning(lcLaunch) << "the allowed scheme could not be remembered:" << saved.error;
    return true;
}

}  // namespace storage
