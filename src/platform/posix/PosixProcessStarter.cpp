#include "platform/ProcessStarter.h"

namespace platform {

QString webBrowserProgram()
{
    return QStringLiteral("xdg-open");
}

std::unique_ptr<ProcessStarter> systemProcessStarter()
{
    return nullptr;
}

}  // namespace platform
