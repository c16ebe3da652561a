#include "core/LaunchRules.h"

namespace launch {

namespace {

// Schemes that open files, shares, shells, help, scripts, mail or the
// system's settings: known ways into a machine, and never a game launcher.
const QStringList RefusedSchemes{
    QStringLiteral("afp"),          QStringLiteral("data"),           QStringLiteral("dav"),
    QStringLiteral("davs"),         QStringLiteral("disk"),           QStringLiteral("disks"),
    QStringLiteral("file"),         QStringLiteral("ftp"),            QStringLiteral("hcp"),
    QStringLiteral("ie.http"),      QStringLiteral("javascript"),     QStringLiteral("mailto"),
    QStringLiteral("mk"),           QStringLiteral("ms-appinstaller"), QStringLiteral("ms-help"),
    QStringLiteral("ms-msdt"),      QStringLiteral("ms-officecmd"),   QStringLiteral("ms-settings"),
    QStringLiteral("nfs"),          QStringLiteral("nntp"),           QStringLiteral("res"),
    QStringLiteral("search"),       QStringLiteral("search-ms"),      QStringLiteral("sftp"),
    QStringLiteral("shell"),        QStringLiteral("smb"),            QStringLiteral("vbscript"),
    QStringLiteral("view-source"),  QStringLiteral("vnd.ms.radio"),
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
