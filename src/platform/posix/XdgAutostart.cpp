#include "platform/Autostart.h"

#include "storage/SafeSave.h"

#include <QDir>
#include <QFile>

#include <filesystem>
#include <system_error>

namespace platform {

namespace {

// Characters that make an Exec argument need double quotes.
constexpr QStringView Reserved = u" \t\n\"'\\><~|&;$*?#()`";

// One argument of an Exec line, quoted when it holds reserved characters.
QString execArgument(const QString& argument)
{
    QString text;
    bool quote = argument.isEmpty();
    for (const QChar ch : argument) {
        if (Reserved.contains(ch))
            quote = true;
        // Only reachable inside quotes: all four are reserved.
        if (ch == u'"' || ch == u'`' || ch == u'$' || ch == u'\\')
            text += u'\\';
        // A single percent sign would start a field code.
        if (ch == u'%')
            text += u'%';
        text += ch;
    }
    return quote ? u'"' + text + u'"' : text;
}

// The escapes every string value of the file gets; on the Exec line they
// come on top of its quoting, so a backslash in a path ends up fourfold.
QString stringValue(const QString& value)
{
    QString text;
    for (const QChar ch : value) {
        switch (ch.unicode()) {
        case u'\\':
            text += u"\\\\";
            break;
        case u'\n':
            text += u"\\n";
            break;
        case u'\t':
            text += u"\\t";
            break;
        case u'\r':
            text += u"\\r";
            break;
        default:
            text += ch;
        }
    }
    // A leading blank would be taken as part of the separator.
    if (text.startsWith(u' '))
        text.replace(0, 1, QStringLiteral("\\s"));
    return text;
}

QByteArray desktopEntry(const QString& name, const QString& command)
{
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Version=1.5\n"
                                         "Name=%1\n"
                                         "Exec=%2\n"
                                         "Terminal=false\n")
                              .arg(stringValue(name), stringValue(execArgument(command)));
    return entry.toUtf8();
}

std::filesystem::path localPath(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

bool failed(const std::error_code& failure, QString* error)
{
    if (error)
        *error = QString::fromLocal8Bit(failure.message());
    return false;
}

// The machine-wide counterpart of the Run key: a desktop entry per program in
// the system autostart folder, which the desktop starts at every logon.
class XdgAutostart final : public Autostart {
public:
    explicit XdgAutostart(QString folder) : folder_(std::move(folder)) {}

    bool add(const QString& name, const QString& command, QString* error) override
    {
        std::error_code failure;
        std::filesystem::create_directories(localPath(folder_), failure);
        if (failure)
            return failed(failure, error);
        const storage::SaveResult saved =
            storage::saveFile(entryPath(name), desktopEntry(name, command), storage::FileAccess::Everyone);
        if (!saved.ok && error)
            *error = saved.error;
        return saved.ok;
    }

    bool remove(const QString& name, QString* error) override
    {
        // A missing entry leaves failure clear: there was nothing to remove.
        std::error_code failure;
        std::filesystem::remove(localPath(entryPath(name)), failure);
        return failure ? failed(failure, error) : true;
    }

private:
    QString entryPath(const QString& name) const
    {
        return storage::fileInDirectory(folder_, name + QStringLiteral(".desktop"));
    }

    QString folder_;
};

// The most important machine-wide configuration directory: the first entry of
// XDG_CONFIG_DIRS. Relative entries are invalid there and skipped.
QString systemConfigDirectory()
{
    const QString directories = qEnvironmentVariable("XDG_CONFIG_DIRS");
    for (const QString& directory : directories.split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(directory))
            return directory;
    }
    return QStringLiteral("/etc/xdg");
}

}  // namespace

std::unique_ptr<Autostart> systemAutostart()
{
    return std::make_unique<XdgAutostart>(
        storage::fileInDirectory(systemConfigDirectory(), QStringLiteral("autostart")));
}

}  // namespace platform
