#include "platform/Autostart.h"

#include "platform/win32/Registry.h"
#include "platform/win32/SystemError.h"

namespace platform {

namespace {

// Windows starts every command under this key of HKEY_LOCAL_MACHINE when anyone logs on.
const std::u16string RunKey = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool succeeded(LONG status, QString* error)
{
    if (status == ERROR_SUCCESS)
        return true;
    if (error)
        *error = QString::fromStdWString(win32::systemErrorText(static_cast<unsigned long>(status)));
    return false;
}

class RunKeyAutostart final : public Autostart {
public:
    bool add(const QString& name, const QString& command, QString* error) override
    {
        return succeeded(
            win32::SetRegValue(HKEY_LOCAL_MACHINE, RunKey, name.toStdU16String(), command.toStdU16String()), error);
    }

    bool remove(const QString& name, QString* error) override
    {
        return succeeded(win32::DeleteRegValue(HKEY_LOCAL_MACHINE, RunKey, name.toStdU16String()), error);
    }
};

}  // namespace

std::unique_ptr<Autostart> systemAutostart()
{
    return std::make_unique<RunKeyAutostart>();
}

}  // namespace platform
