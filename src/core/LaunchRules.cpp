#include "core/LaunchRules.h"

Q_LOGGING_CATEGORY(lcLaunch, "quaylet.launch", QtWarningMsg)

namespace launch {

namespace {

// Schemes that open files, shares, shells, help, scripts, mail, other
// browsers, installers, remote logins or the system's settings: known ways
// into a machine, and never a game launcher. The browser engine's own list of
// refused external schemes is among them.
const QStringList RefusedSchemes{
    QStringLiteral("afp"),          QStringLiteral("appstream"),       QStringLiteral("apt"),
    QStringLiteral("data"),         QStringLiteral("dav"),             QStringLiteral("davs"),
    QStringLiteral("disk"),         QStringLiteral("disks"),           QStringLiteral("file"),
    QStringLiteral("ftp"),          QStringLiteral("ghelp"),           QStringLiteral("hcp"),
    QStringLiteral("help"),         QStringLiteral("ie.http"),         QStringLiteral("its"),
    QStringLiteral("javascript"),   QStringLiteral("jnlp"),            QStringLiteral("ldap"),
    QStringLiteral("ldaps"),        QStringLiteral("mailto"),          QStringLiteral("mhtml"),
    QStringLiteral("microsoft-edge"), QStringLiteral("mk"),            QStringLiteral("ms-appinstaller"),
    QStringLiteral("ms-cxh"),       QStringLiteral("ms-cxh-full"),     QStringLiteral("ms-help"),
    QStringLiteral("ms-its"),       QStringLiteral("ms-msdt"),         QStringLiteral("ms-officecmd"),
    QStringLiteral("ms-settings"),  QStringLiteral("ms-windows-store"), QStringLiteral("nfs"),
    QStringLiteral("nntp"),         QStringLiteral("res"),             QStringLiteral("rlogin"),
    QStringLiteral("search"),       QStringLiteral("search-ms"),       QStringLiteral("sftp"),
    QStringLiteral("shell"),        QStringLiteral("smb"),             QStringLiteral("ssh"),
    QStringLiteral("telnet"),       QStringLiteral("vbscript"),        QStringLiteral("view-source"),
    QStringLiteral("vnd.ms.radio"),
};

// The Office document schemes: ms-word, ms-excel, ms-powerpoint and their kin.
const QStringList OfficeSchemes{
    QStringLiteral("ms-word"),    QStringLiteral("ms-excel"),   QStringLiteral("ms-powerpoint"),
    QStringLiteral("ms-visio"),   QStringLiteral("ms-access"),  QStringLiteral("ms-project"),
    QStringLiteral("ms-publisher"), QStringLiteral("ms-spd"),   QStringLiteral("ms-infopath"),
    QStringLiteral("onenote"),
};

}  // namespace

Verdict verdictFor(const QString& scheme, const QStringList& launcherSchemes)
{
    const QString name = scheme.toLower();
    if (launcherSchemes.contains(name, Qt::CaseInsensitive))
        return Verdict::HandOff;
    // A one-letter scheme is a drive letter: "c:/Windows/..." is a file.
    if (name.size() <= 1 || RefusedSchemes.contains(name) || OfficeSchemes.contains(name))
        return Verdict::Refuse;
    return Verdict::Ask;
}

}  // namespace launch
