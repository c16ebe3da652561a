#include "platform/posix/SchemeHandlers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cctype>

namespace platform {

namespace {

// Up to most digits of the given base from text at i on, which moves past them.
char16_t number(QByteArrayView text, qsizetype& i, int base, int most)
{
    char16_t value = 0;
    for (int digits = 0; digits < most && i < text.size(); ++digits, ++i) {
        const char ch = char(std::tolower(uchar(text[i])));
        const int digit = ch >= '0' && ch <= '9' ? ch - '0' : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10 : base;
        if (digit >= base)
            break;
        value = char16_t(value * base + digit);
    }
    return value;
}

// A key name as Wine writes it between the brackets: a backslash escapes
// backslashes and brackets, and spells other characters as C does (\n, \x1f,
// \033) with up to four hex digits. The name ends at the first bare ']'.
QString keyName(QByteArrayView line)
{
    static constexpr QLatin1StringView controls("a\ab\bt\tn\nv\vf\fr\re\x1b");
    QString name;
    qsizetype i = 1;
    while (i < line.size()) {
        const char ch = line[i++];
        if (ch == ']')
            return name;
        if (ch != '\\' || i == line.size()) {
            name += QChar(uchar(ch));
            continue;
        }
        const char escaped = line[i];
        const qsizetype control = controls.indexOf(QLatin1Char(escaped));
        if (escaped == 'x' && i + 1 < line.size() && std::isxdigit(uchar(line[i + 1]))) {
            ++i;
            name += QChar(number(line, i, 16, 4));
        } else if (escaped >= '0' && escaped <= '7') {
            name += QChar(number(line, i, 8, 3));
        } else if (control >= 0 && control % 2 == 0) {
            name += controls[control + 1];
            ++i;
        } else {
            name += QChar(uchar(escaped));
            ++i;
        }
    }
    return {};  // no closing bracket: not a key line
}

bool readableFile(const QString& path)
{
    const QFileInfo file(path);
    return file.isFile() && file.isReadable();
}

// As xdg-open's own search: the folder, then each folder under it.
bool entryUnder(const QDir& folder, const QString& entry, const QString& entryAsFolder, int depth)
{
    if (readableFile(folder.filePath(entry))
        || (!entryAsFolder.isEmpty() && readableFile(folder.filePath(entryAsFolder))))
        return true;
    if (depth == 0)
        return false;
    for (const QString& sub : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (entryUnder(QDir(folder.filePath(sub)), entry, entryAsFolder, depth - 1))
            return true;
    }
    return false;
}

}  // namespace

bool wineRegistryRegisters(const QByteArray& registry, const QString& scheme)
{
    if (scheme.isEmpty())
        return false;
    const QString wanted = QStringLiteral("Software\\Classes\\%1\\shell\\open\\command").arg(scheme);
    for (qsizetype start = 0; start < registry.size();) {
        qsizetype end = registry.indexOf('\n', start);
        if (end < 0)
            end = registry.size();
        if (registry[start] == '['
            && keyName(QByteArrayView(registry).sliced(start, end - start)).compare(wanted, Qt::CaseInsensitive)
                   == 0)
            return true;
        start = end + 1;
    }
    return false;
}

QString winePrefixRegistering(const QString& scheme, const QStringList& prefixes, qint64 bound)
{
    for (const QString& prefix : prefixes) {
        for (const char* name : {"system.reg", "user.reg"}) {
            QFile registry(QDir(prefix).filePath(QLatin1String(name)));
            if (QFileInfo(registry).isFile() && registry.open(QIODevice::ReadOnly)
                && wineRegistryRegisters(registry.read(bound), scheme))
                return prefix;
        }
    }
    return {};
}

QStringList winePrefixes()
{
    QStringList prefixes;
    const QString chosen = qEnvironmentVariable("WINEPREFIX");
    if (!chosen.isEmpty())
        prefixes.append(chosen);
    prefixes.append(QDir::home().filePath(QStringLiteral(".wine")));
    return prefixes;
}

bool desktopEntryInstalled(const QString& entry)
{
    if (entry.isEmpty() || entry.contains(u'/'))
        return false;
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::home().filePath(QStringLiteral(".local/share"));
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share/:/usr/share/");
    QString entryAsFolder;
    if (const qsizetype dash = entry.indexOf(u'-'); dash >= 0)
        entryAsFolder = QString(entry).replace(dash, 1, u'/');
    for (const QString& data : QStringList{dataHome} + dataDirs.split(u':', Qt::SkipEmptyParts)) {
        if (entryUnder(QDir(QDir(data).filePath(QStringLiteral("applications"))), entry, entryAsFolder, 8))
            return true;
    }
    return false;
}

}  // namespace platform
