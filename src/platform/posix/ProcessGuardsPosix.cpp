#include "platform/ProcessGuards.h"

#include <QProcess>

#ifdef Q_OS_LINUX
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace platform {

void endWithThisProgram([[maybe_unused]] QProcess& process)
{
#ifdef Q_OS_LINUX
    const pid_t program = ::getpid();
    // Runs in the child between fork and exec. The signal is not inherited
    // by the child's own children; a program already gone by then is seen
    // as a new parent.
    process.setChildProcessModifier([program] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != program)
            ::_exit(1);
    });
#endif
}

qint64 peerProcessId([[maybe_unused]] qintptr socketDescriptor)
{
#ifdef Q_OS_LINUX
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0)
        return peer.pid;
#endif
    return -1;
}

void keepMemoryPrivate()
{
#ifdef Q_OS_LINUX
    ::prctl(PR_SET_DUMPABLE, 0);
#endif
}

}  // namespace platform
