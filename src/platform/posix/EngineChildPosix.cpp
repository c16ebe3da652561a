#include "platform/engine/EngineChild.h"

#include "platform/posix/ChildProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace platform {

namespace {

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

void closeQuietly(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

// A descriptor that becomes readable when the process ends, where the system
// has one (Linux 5.3 and later); -1 otherwise.
int endDescriptor([[maybe_unused]] pid_t pid)
{
#ifdef SYS_pidfd_open
    return int(::syscall(SYS_pidfd_open, pid, 0));
#else
    return -1;
#endif
}

}  // namespace

struct EngineChild::System {
    pid_t pid = -1;
    int endFd = -1;
    bool reaped = false;
    QObject* watcher = nullptr;  // of the end descriptor, or a timer that polls
};

EngineChild::EngineChild(std::unique_ptr<System> system) : system_(std::move(system))
{
}

EngineChild::~EngineChild()
{
    closeQuietly(system_->endFd);
}

std::unique_ptr<EngineChild> EngineChild::start(const QString& executable, const QStringList& arguments,
                                                const QByteArray& input, QString& error)
{
    // Everything the child needs is made before the fork: between fork and
    // exec only what is safe in a copy of a threaded program may run.
    std::vector<QByteArray> words{QFile::encodeName(executable)};
    for (const QString& argument : arguments)
        words.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    // The input waits in the pipe before the child exists: it is never
    // written to a child that already went away.
    int in[2] = {-1, -1};
    int report[2] = {-1, -1};
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(report, O_CLOEXEC) != 0
        || ::write(in[1], input.constData(), size_t(input.size())) != input.size()) {
        error = systemError(errno);
        for (int fd : {in[0], in[1], report[0], report[1]})
            closeQuietly(fd);
        return nullptr;
    }
    ::close(in[1]);
    // A program started without a standard stream got a pipe end in its
    // place; moved up, so that the child finds the stream closed instead.
    for (int* end : {&in[0], &report[1], &report[0]}) {
        if (*end > STDERR_FILENO)
            continue;
        const int moved = ::fcntl(*end, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        ::close(std::exchange(*end, moved));
    }
    if (in[0] < 0 || report[0] < 0 || report[1] < 0) {
        error = systemError(errno);
        for (int fd : {in[0], report[0], report[1]})
            closeQuietly(fd);
        return nullptr;
    }

    const pid_t program = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], STDIN_FILENO);
        // An engine that inherits a closed output or error hangs in its Qt start.
        openNullOnClosedStandardStreams();
        closeOtherDescriptorsAtExec();
#ifdef Q_OS_LINUX
        // Not inherited by the engine's own children: the game's launcher
        // outlives it. A program already gone by now is seen as a new parent.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != program)
            ::_exit(127);
#endif
        ::execv(argv[0], argv.data());
        const int failure = errno;
        [[maybe_unused]] const ssize_t told = ::write(report[1], &failure, sizeof failure);
        ::_exit(127);
    }
    const int forkFailure = errno;
    ::close(in[0]);
    ::close(report[1]);
    if (pid < 0) {
        ::close(report[0]);
        error = systemError(forkFailure);
        return nullptr;
    }
    // The report pipe closes unread at a successful exec.
    int failure = 0;
    ssize_t got;
    do
        got = ::read(report[0], &failure, sizeof failure);
    while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got == sizeof failure) {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        error = systemError(failure);
        return nullptr;
    }
    auto system = std::make_unique<System>();
    system->pid = pid;
    system->endFd = endDescriptor(pid);
    return std::unique_ptr<EngineChild>(new EngineChild(std::move(system)));
}

qint64 EngineChild::id() const
{
    return system_->pid;
}

bool EngineChild::running() const
{
    return !system_->reaped;
}

void EngineChild::watch()
{
    if (system_->watcher || system_->reaped)
        return;
    // The descriptor is readable at once for one that ended before it was watched.
    if (system_->endFd >= 0) {
        auto* notifier = new QSocketNotifier(system_->endFd, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, &EngineChild::reap);
        system_->watcher = notifier;
    } else {
        auto* poller = new QTimer(this);
        connect(poller, &QTimer::timeout, this, &EngineChild::reap);
        poller->start(100);
        system_->watcher = poller;
    }
}

void EngineChild::reap()
{
    if (system_->reaped)
        return;
    const pid_t got = ::waitpid(system_->pid, nullptr, WNOHANG);
    // ECHILD: this program ignores its children's ends, and the system reaped it.
    if (got == 0 || (got < 0 && errno != ECHILD))
        return;
    system_->reaped = true;
    // Often its own signal is what runs this.
    if (system_->watcher)
        std::exchange(system_->watcher, nullptr)->deleteLater();
    Q_EMIT ended();
}

void EngineChild::kill()
{
    // Never signalled once reaped: its number may be another process's by now.
    if (!system_->reaped)
        ::kill(system_->pid, SIGKILL);
}

bool EngineChild::waitForEnded(int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!system_->reaped) {
        reap();
        if (system_->reaped || deadline.hasExpired())
            break;
        if (system_->endFd >= 0) {
            pollfd end{system_->endFd, POLLIN, 0};
            ::poll(&end, 1, int(qMax<qint64>(deadline.remainingTime(), 0)));
        } else {
            ::usleep(10000);
        }
    }
    return system_->reaped;
}

// Bound and made the user's own before it listens, in a folder only the
// user may enter: nobody else can connect in between, or find the door. Its
// file goes with the server that takes it over, its folder with the door.
LinkDoor openLinkDoor()
{
    LinkDoor door;
    door.folder =
        std::make_shared<QTemporaryDir>(QDir(QDir::tempPath()).filePath(QStringLiteral("quaylet-XXXXXX")));
    if (!door.folder->isValid())
        return {};
    door.name = door.folder->filePath(QStringLiteral("link"));
    const QByteArray local = QFile::encodeName(door.name);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(local.size()) >= sizeof address.sun_path)
        return door;
    std::memcpy(address.sun_path, local.constData(), size_t(local.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return door;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return door;
    }
    if (::chmod(local.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd, 8) != 0) {
        ::unlink(local.constData());
        ::close(fd);
        return door;
    }
    door.listening = fd;
    return door;
}

}  // namespace platform
