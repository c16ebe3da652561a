#include "platform/ProcessStarter.h"

#include "platform/posix/ChildProcess.h"

namespace platform {

namespace {

class PosixProcessStarter : public ProcessStarter {
public:
    // No shell between us and the program: the address reaches it as one
    // argument, whatever characters it holds. How its window opens is up to
    // the desktop. QProcess::startDetached would hand it all our descriptors.
    bool start(const QString& program, const QString& argument) override
    {
        QProcess* process = newDetachedProcess(childEnvironment());
        process->start(program, {argument});
        return process->waitForStarted();
    }
};

}  // namespace

QString webBrowserProgram()
{
    return QStringLiteral("xdg-open");
}

std::unique_ptr<ProcessStarter> systemProcessStarter()
{
    return std::make_unique<PosixProcessStarter>();
}

}  // namespace platform
