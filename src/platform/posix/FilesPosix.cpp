#include "platform/Files.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray localPath(const std::u16string& path)
{
    return QFile::encodeName(QString::fromStdU16String(path));
}

std::u16string systemReason(int code)
{
    return QString::fromLocal8Bit(std::strerror(code)).toStdU16String();
}

}  // namespace

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
    return ::stat(localPath(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

bool FileSystem::create(const std::u16string& path, bool ownerOnly, Handle& handle, std::u16string& error)
{
    const int fd = ::open(localPath(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          ownerOnly ? 0600 : 0666);
    if (fd < 0) {
        error = systemReason(errno);
        return false;
    }
    handle = fd;
    return true;
}

bool FileSystem::write(Handle handle, std::string_view bytes, std::u16string& error)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(static_cast<int>(handle), bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            error = systemReason(written < 0 ? errno : ENOSPC);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool FileSystem::finish(Handle handle, std::u16string& error)
{
    const int fd = static_cast<int>(handle);
    const bool synced = ::fsync(fd) == 0;
    const int syncError = errno;
    // A failed close may not be retried: the descriptor is gone either way.
    const bool closed = ::close(fd) == 0;
    if (!synced || !closed)
        error = systemReason(synced ? errno : syncError);
    return synced && closed;
}

bool FileSystem::replace(const std::u16string& from, const std::u16string& to, std::u16string& error)
{
    if (::rename(localPath(from).constData(), localPath(to).constData()) == 0)
        return true;
    error = systemReason(errno);
    return false;
}

bool FileSystem::remove(const std::u16string& path)
{
    return ::unlink(localPath(path).constData()) == 0;
}

}  // namespace platform
