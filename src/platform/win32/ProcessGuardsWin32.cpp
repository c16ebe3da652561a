#include "platform/ProcessGuards.h"

#include <QProcess>

#include <windows.h>

namespace platform {

namespace {

// One job for every tied process, closed only by the system as this program
// ends, which kills what is in it. What a tied process starts breaks away
// from the job: the game's launcher must outlive the browser engine.
HANDLE programJob()
{
    static const HANDLE job = [] {
        HANDLE created = CreateJobObjectW(nullptr, nullptr);
        if (!created)
            return HANDLE(nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags =
            JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK;
        SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        return created;
    }();
    return job;
}

}  // namespace

void endWithThisProgram(QProcess& process)
{
    QObject::connect(&process, &QProcess::started, &process, [&process] {
        const HANDLE job = programJob();
        if (!job)
            return;
        if (HANDLE child = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(process.processId()))) {
            AssignProcessToJobObject(job, child);
            CloseHandle(child);
        }
    });
}

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
