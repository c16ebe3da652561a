#include "platform/ProgramInstance.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

// A real folder (no link to one) that this user alone may enter, as the
// runtime folder must be: nobody else can take the lock's or the door's name.
bool isPrivateFolder(const QByteArray& path)
{
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
           && (info.st_mode & 0077) == 0;
}

// $XDG_RUNTIME_DIR where it is the user's alone, else a folder of the user's
// own in /tmp; empty when neither is safe.
QByteArray runtimeFolder()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && isPrivateFolder(runtime))
        return runtime;
    const QByteArray fallback = "/tmp/quaylet-" + QByteArray::number(::geteuid());
    ::mkdir(fallback.constData(), 0700);
    return isPrivateFolder(fallback) ? fallback : QByteArray();
}

}  // namespace

bool takeInstanceLock()
{
    const QByteArray folder = runtimeFolder();
    if (folder.isEmpty())
        return true;
    // Open for the rest of the process's life, and closed on exec: neither
    // the engine nor a game launcher that outlives the program keeps it.
    const int lock =
        ::open(QByteArray(folder + "/quaylet.lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0)
        return true;
    if (::flock(lock, LOCK_EX | LOCK_NB) == 0)
        return true;
    const bool heldElsewhere = errno == EWOULDBLOCK;
    ::close(lock);
    return !heldElsewhere;
}

std::u16string instanceDoorName()
{
    const QByteArray folder = runtimeFolder();
    return folder.isEmpty() ? std::u16string() : QFile::decodeName(folder + "/quaylet-door").toStdU16String();
}

bool knockOnInstanceDoor(int timeoutMs)
{
    const QByteArray path = QFile::encodeName(QString::fromStdU16String(instanceDoorName()));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    // The running program opens its door only once its Qt runs; a start
    // right behind it waits for that.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        const int door = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (door < 0)
            return false;
        const bool answered = ::connect(door, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        ::close(door);
        if (answered)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool engineCanRun()
{
    return ::geteuid() != 0 || qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")
           || qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").contains("--no-sandbox");
}

}  // namespace platform
