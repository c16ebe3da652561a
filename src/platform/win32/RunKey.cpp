#include "platform/win32/RunKey.h"

#include "platform/win32/ProgramPath.h"
#include "platform/win32/Registry.h"
#include "platform/win32/SystemError.h"

namespace platform::win32 {

namespace {

RunKeyChange changeFrom(LONG status)
{
    if (status == ERROR_SUCCESS)
        return {};
    return {false, status == ERROR_ACCESS_DENIED, systemErrorText(static_cast<unsigned long>(status))};
}

}  // namespace

RunKey machineRunKey()
{
    return {HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Windows\\CurrentVersion\\Run"};
}

RunKeyChange addToRunKey(const RunKey& key, const std::u16string& name, const std::u16string& programPath)
{
    return changeFrom(SetRegValue(key.root, key.subKey, name, logonCommand(programPath)));
}

RunKeyChange removeFromRunKey(const RunKey& key, const std::u16string& name)
{
    return changeFrom(DeleteRegValue(key.root, key.subKey, name));
}

}  // namespace platform::win32
