#include "platform/Autostart.h"

#include "core/Texts.h"
#include "platform/win32/RunKey.h"

namespace platform {

namespace {

bool reported(const win32::RunKeyChange& change, QString* error)
{
    if (!change.ok && error)
        *error = change.needsAdministrator ? text::MachineWideEntryNeedsAdministrator
                                           : QString::fromStdWString(change.reason);
    return change.ok;
}

// The user's own Run key: a value there starts the program at this user's
// logon only, from a folder this user chose.
class RunKeyAutostart final : public Autostart {
public:
    bool add(const QString& name, const QString& command, QString* error) override
    {
        return reported(win32::addToRunKey(win32::userRunKey(), name.toStdU16String(), command.toStdU16String()),
                        error);
    }

    // Also the value earlier versions wrote for every user, where the rights allow.
    bool remove(const QString& name, QString* error) override
    {
        return reported(
            win32::removeFromRunKeys({win32::userRunKey(), win32::machineRunKey()}, name.toStdU16String()), error);
    }
};

}  // namespace

std::unique_ptr<Autostart> systemAutostart()
{
    return std::make_unique<RunKeyAutostart>();
}

}  // namespace platform
