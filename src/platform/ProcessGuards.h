#pragma once

#include <QtGlobal>

class QProcess;

namespace platform {

// Ties a process this program starts to this program's life: it is ended
// when the program ends, however it ends (killed included). What that
// process starts in turn is not tied. Call before the process starts.
void endWithThisProgram(QProcess& process);

// The process at the other end of a connected local socket, where the
// system tells (Linux); otherwise -1.
qint64 peerProcessId(qintptr socketDescriptor);

// Keeps this process's memory (the password, the portal's cookies) out of
// core dumps and out of reach of the user's other processes (Linux).
void keepMemoryPrivate();

}  // namespace platform
