#include "storage/LaunchApprovals.h"

#include "core/Texts.h"
#include "platform/MessageBox.h"
#include "storage/Fields.h"

#include <QLoggingCategory>
#include <QRegularExpression>

namespace storage {

Q_LOGGING_CATEGORY(lcApprovals, "quaylet.launch", QtWarningMsg)

namespace {

bool isScheme(const QString& text)
{
    static const QRegularExpression scheme(QStringLiteral("^[a-z][a-z0-9+.-]+$"));
    return scheme.match(text).hasMatch();
}

}  // namespace

LaunchApprovals::LaunchApprovals(SettingsFolder folder, platform::MessageBox& messages)
    : folder_(std::move(folder)),
      messages_(messages)
{
}

QStringList LaunchApprovals::remembered() const
{
    QStringList schemes = readStoredValues(folder_.fileToRead(LaunchApprovalsFileName)).value_or(QStringList());
    schemes.removeIf([](const QString& scheme) { return !isScheme(scheme); });
    return schemes;
}

bool LaunchApprovals::allows(const QString& host, const QString& scheme)
{
    const QString name = scheme.toLower();
    if (!isScheme(name))
        return false;
    QStringList schemes = remembered();
    if (schemes.contains(name))
        return true;
    // Plain text: the host and the scheme come from a page.
    if (messages_.show(text::LaunchSchemeQuestion.arg(host, name), platform::MessageBox::Icon::Question,
                       platform::MessageBox::Buttons::OpenCancel)
        != platform::MessageBox::Answer::Ok)
        return false;
    schemes.append(name);
    const SaveResult saved = folder_.save(LaunchApprovalsFileName, (schemes.join(QStringLiteral("\r\n")) + "\r\n").toLatin1(),
                                          FileAccess::OwnerOnly);
    if (!saved.ok)
        qCWarning(lcApprovals) << "the allowed scheme could not be remembered:" << saved.error;
    return true;
}

}  // namespace storage
