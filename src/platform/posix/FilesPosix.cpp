#include "platform/Files.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>

#include <sys/stat.h>

namespace platform {

std::u16string programDirectory()
{
    return QCoreApplication::applicationDirPath().toStdU16String();
}

std::u16string executablePath()
{
    return QCoreApplication::applicationFilePath().toStdU16String();
}

bool isOrdinaryFile(const std::u16string& path)
{
    struct stat info {};
    const QByteArray local = QFile::encodeName(QString::fromStdU16String(path));
    return ::stat(local.constData(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace platform
