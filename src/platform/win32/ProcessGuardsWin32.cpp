#include "platform/ProcessGuards.h"

#include <windows.h>

namespace platform {

// A named pipe's client: the engine's end of the link.
qint64 peerProcessId(qintptr socketDescriptor)
{
    ULONG client = 0;
    if (GetNamedPipeClientProcessId(reinterpret_cast<HANDLE>(socketDescriptor), &client))
        return qint64(client);
    return -1;
}

// Windows writes no core dump of its own; a debugger needs the user's rights
// or more, as on Linux without this.
void keepMemoryPrivate()
{
}

}  // namespace platform
