#include "platform/ProcessStarter.h"

#include <QProcess>

namespace platform {

namespace {

class PosixProcessStarter : public ProcessStarter {
public:
    // No shell between us and the program: the address reaches it as one
    // argument, whatever characters it holds. How its window opens is up to
    // the desktop.
    bool start(const QString& program, const QString& argument) override
    {
        return QProcess::startDetached(program, {argument});
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
