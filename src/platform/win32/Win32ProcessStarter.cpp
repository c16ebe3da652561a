#include "platform/ProcessStarter.h"

#include "platform/win32/Process.h"

namespace platform {

namespace {

class Win32ProcessStarter final : public ProcessStarter {
public:
    bool start(const QString& program, const QString& argument) override
    {
        return win32::startMaximized(program.toStdWString(), argument.toStdWString());
    }
};

}  // namespace

QString webBrowserProgram()
{
    return QString::fromWCharArray(win32::WebBrowserPath.data(), qsizetype(win32::WebBrowserPath.size()));
}

std::unique_ptr<ProcessStarter> systemProcessStarter()
{
    return std::make_unique<Win32ProcessStarter>();
}

}  // namespace platform
