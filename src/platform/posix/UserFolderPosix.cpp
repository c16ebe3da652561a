#include "platform/UserFolder.h"

#include "platform/posix/XdgConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool isDirectory(const QByteArray& path)
{
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Makes the folder and the missing ones above it, each for its owner alone,
// as the XDG base directories want them; errno tells why when it fails.
bool makeOwnerOnly(const QString& path)
{
    const QByteArray local = QFile::encodeName(path);
    if (::mkdir(local.constData(), 0700) == 0)
        return true;
    const int failure = errno;
    if (failure == EEXIST) {
        if (isDirectory(local))
            return true;
        errno = ENOTDIR;
        return false;
    }
    const QString parent = QFileInfo(path).path();
    if (failure != ENOENT || parent == path) {
        errno = failure;
        return false;
    }
    if (!makeOwnerOnly(parent))
        return false;
    return ::mkdir(local.constData(), 0700) == 0 || (errno == EEXIST && isDirectory(local));
}

}  // namespace

QString userConfigDirectory()
{
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(configHome))
        return configHome;
    return QDir(QDir::homePath()).filePath(QStringLiteral(".config"));
}

std::u16string userSettingsDirectory()
{
    return QDir(userConfigDirectory()).filePath(QStringLiteral("Quaylet")).toStdU16String();
}

bool isPrivateDirectory(const std::u16string& directory)
{
    struct stat info {};
    if (::stat(QFile::encodeName(QString::fromStdU16String(directory)).constData(), &info) != 0)
        return errno == ENOENT;
    return info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool isSystemDirectory(const std::u16string& directory)
{
    struct stat info {};
    return ::stat(QFile::encodeName(QString::fromStdU16String(directory)).constData(), &info) == 0
           && S_ISDIR(info.st_mode) && info.st_uid == 0 && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool makeUserSettingsDirectory(const std::u16string& path, std::u16string& error)
{
    const QString folder = QDir::cleanPath(QString::fromStdU16String(path));
    if (makeOwnerOnly(folder))
        return true;
    error = QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno))).toStdU16String();
    return false;
}

}  // namespace platform
