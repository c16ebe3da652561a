#include "platform/Autostart.h"
#include "platform/Files.h"

#include "platform/SafeSave.h"
#include "platform/posix/XdgConfig.h"

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

// The header every entry of this program starts with, up to the line that
// says what it does.
QString entryHeader(const QString& name, QStringView version)
{
    return QStringLiteral("[Desktop Entry]\nType=Application\nVersion=%1\nName=%2\n")
        .arg(version, stringValue(name));
}

// Version 1.4 of the format: the newest that Debian's desktop-file-validate
// knows. TryExec lets the desktop skip the entry once the program is gone.
QByteArray desktopEntry(const QString& name, const QString& command)
{
    const QString exec = stringValue(execArgument(command));
    return (entryHeader(name, u"1.4")
            + QStringLiteral("Exec=%1\nTryExec=%2\nIcon=quaylet\nTerminal=false\n").arg(exec, stringValue(command)))
        .toUtf8();
}

// An entry of the user's own that keeps a machine-wide one of the same name
// from starting at this user's logon.
QByteArray hidingEntry(const QString& name)
{
    return (entryHeader(name, u"1.4") + QStringLiteral("Hidden=true\n")).toUtf8();
}

// Earlier versions wrote their entry into the machine-wide folder; it is
// recognised by its exact form, so that nothing else of that name is touched.
bool isEarlierMachineEntry(const QByteArray& bytes, const QString& name)
{
    const QByteArray head = (entryHeader(name, u"1.5") + QStringLiteral("Exec=")).toUtf8();
    const QByteArray tail = "\nTerminal=false\n";
    return bytes.size() > head.size() + tail.size() && bytes.startsWith(head) && bytes.endsWith(tail)
           && !bytes.mid(head.size(), bytes.size() - head.size() - tail.size()).contains('\n');
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

bool deniedAccess(const std::error_code& failure)
{
    return failure == std::errc::permission_denied || failure == std::errc::operation_not_permitted
           || failure == std::errc::read_only_file_system;
}

// An entry is a few lines: anything longer, or no ordinary file (a pipe, a
// device), is no entry of ours and is never read whole or waited for.
QByteArray fileBytes(const QString& path)
{
    const std::optional<std::string> bytes = readOrdinaryFile(path.toStdU16String(), LongestOwnFile);
    return bytes ? QByteArray(bytes->data(), qsizetype(bytes->size())) : QByteArray();
}

// The user's own list of programs started at logon: a desktop entry per
// program in the user's autostart folder, as desktop programs register
// themselves; the desktop starts them at every logon of that user.
class XdgAutostart final : public Autostart {
public:
    XdgAutostart(QString userFolder, QString machineFolder)
        : userFolder_(std::move(userFolder)), machineFolder_(std::move(machineFolder))
    {
    }

    bool add(const QString& name, const QString& command, QString* error) override
    {
        return write(name, desktopEntry(name, command), error);
    }

    bool remove(const QString& name, QString* error) override
    {
        // A missing entry leaves failure clear: there was nothing to remove.
        std::error_code failure;
        std::filesystem::remove(localPath(entryPath(userFolder_, name)), failure);
        if (failure)
            return failed(failure, error);

        const QString machineEntry = entryPath(machineFolder_, name);
        if (!isEarlierMachineEntry(fileBytes(machineEntry), name))
            return true;
        std::filesystem::remove(localPath(machineEntry), failure);
        // Removing it takes the machine's administrator; for this user it can still be switched off.
        if (deniedAccess(failure))
            return write(name, hidingEntry(name), error);
        return failure ? failed(failure, error) : true;
    }

private:
    static QString entryPath(const QString& folder, const QString& name)
    {
        return storage::fileInDirectory(folder, name + QStringLiteral(".desktop"));
    }

    bool write(const QString& name, const QByteArray& entry, QString* error)
    {
        std::error_code failure;
        std::filesystem::create_directories(localPath(userFolder_), failure);
        if (failure)
            return failed(failure, error);
        const storage::SaveResult saved =
            storage::saveFile(entryPath(userFolder_, name), entry, storage::FileAccess::Everyone);
        if (!saved.ok && error)
            *error = saved.error;
        return saved.ok;
    }

    QString userFolder_;
    QString machineFolder_;
};

// The most important machine-wide configuration directory: the first
// absolute entry of XDG_CONFIG_DIRS.
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
    const QString autostart = QStringLiteral("autostart");
    return std::make_unique<XdgAutostart>(storage::fileInDirectory(userConfigDirectory(), autostart),
                                          storage::fileInDirectory(systemConfigDirectory(), autostart));
}

}  // namespace platform
