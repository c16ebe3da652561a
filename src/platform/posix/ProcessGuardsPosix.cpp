#include "platform/ProcessGuards.h"

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#include <sys/socket.h>
#endif

namespace platform {

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
