#include "platform/Files.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
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

// Up to count bytes, fewer when the file ends first; nothing when reading fails.
std::optional<std::string> readUpTo(int fd, std::size_t count)
{
    std::string bytes(count, '\0');
    std::size_t filled = 0;
    while (filled < count) {
        const ssize_t got = ::read(fd, bytes.data() + filled, count - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        filled += std::size_t(got);
    }
    bytes.resize(filled);
    return bytes;
}

}  // namespace

// Known before Qt's start too, where the system tells (Linux): the settings
// are read, and the engine started, before it.
std::u16string executablePath()
{
    const QString running = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    if (!running.isEmpty())
        return running.toStdU16String();
    return QCoreApplication::applicationFilePath().toStdU16String();
}

std::u16string programDirectory()
{
    return QFileInfo(QString::fromStdU16String(executablePath())).path().toStdU16String();
}

std::optional<std::string> readOrdinaryFile(const std::u16string& path, std::size_t limit)
{
    // Without O_NONBLOCK, opening a FIFO would wait for a writer. The open
    // file is what is judged, so nothing can be swapped in after a look.
    const int fd = ::open(localPath(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::optional<std::string> bytes;
    // One byte more than the limit tells a file that ends there from a longer one.
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        bytes = readUpTo(fd, limit + 1);
    ::close(fd);
    if (!bytes || bytes->size() > limit)
        return std::nullopt;
    return bytes;
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
