#include "platform/posix/ChildProcess.h"

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

void closeOtherDescriptorsAtExec() noexcept
{
#if defined(SYS_close_range)
    // Linux 5.11 and later.
    constexpr unsigned CloseRangeCloexec = 1U << 2;
    if (::syscall(SYS_close_range, 3U, ~0U, CloseRangeCloexec) == 0)
        return;
#endif
    // No descriptor is numbered at or above the soft limit it was opened under.
    rlimit limit{};
    const rlim_t highest = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
                               ? limit.rlim_cur
                               : rlim_t(65536);
    for (rlim_t fd = 3; fd < highest; ++fd)
        ::fcntl(int(fd), F_SETFD, FD_CLOEXEC);
}

void openNullOnClosedStandardStreams() noexcept
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
}

namespace {

// Qt WebEngine sets it in the engine for Mesa's sake; it is taken as this
// process was started, before its main ran.
constexpr char S3tc[] = "force_s3tc_enable";
const std::optional<QString> startS3tc =
    qEnvironmentVariableIsSet(S3tc) ? std::optional(qEnvironmentVariable(S3tc)) : std::nullopt;

}  // namespace

QProcessEnvironment childEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : environment.keys()) {
        if (name.startsWith(QLatin1String("QTWEBENGINE_")))
            environment.remove(name);
    }
    if (startS3tc)
        environment.insert(QLatin1String(S3tc), *startS3tc);
    else
        environment.remove(QLatin1String(S3tc));
    return environment;
}

QProcess* newDetachedProcess(const QProcessEnvironment& environment)
{
    auto* process = new QProcess;
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->setProcessEnvironment(environment);
    // Its own session: no terminal or session of ours whose end hangs it up.
    process->setChildProcessModifier([] {
        ::setsid();
        closeOtherDescriptorsAtExec();
    });
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            process->deleteLater();
    });
    return process;
}

}  // namespace platform
