#pragma once

#include <QtGlobal>

namespace platform {

// The process at the other end of a connected local socket, where the
// system tells (Linux); otherwise -1.
qint64 peerProcessId(qintptr socketDescriptor);

// Keeps this process's memory (the password, the portal's cookies) out of
// core dumps and out of reach of the user's other processes (Linux).
void keepMemoryPrivate();

}  // namespace platform
