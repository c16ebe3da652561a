#include "platform/Autostart.h"

#include "core/Texts.h"
#include "platform/win32/RunKey.h"

namespace platform {

namespace {

bool reported(const win32::RunKeyChange& change, QString* error)
{
    if (!change.ok && error)
        *error = change.needsAdministrator ? text::AdministratorRightsNeeded
                                           : QString::fromStdWString(change.reason);
    return change.ok;
}

class RunKeyAutostart final : public Autostart {
public:
    bool add(const QString& name, const QString& command, QString* error) override
    {
        return reported(win32::addToRunKey(win32::machineRunKey(), name.toStdU16String(), command.toStdU16String()),
                        error);
    }

    bool remove(const QString& name, QString* error) override
    {
        return reported(win32::removeFromRunKey(win32::machineRunKey(), name.toStdU16String()), error);
    }
};

}  // namespace

std::unique_ptr<Autostart> systemAutostart()
{
    return std::make_unique<RunKeyAutostart>();
}

}  // namespace platform
