#include "platform/win32/RunKey.h"

#include "platform/win32/ProgramPath.h"
#include "platform/win32/Registry.h"
#include "platform/win32/SystemError.h"

namespace platform::win32 {

namespace {

const std::u16string RunSubKey = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

RunKeyChange changeFrom(const RunKey& key, LONG status)
{
    if (status == ERROR_SUCCESS)
        return {};
    return {false, status == ERROR_ACCESS_DENIED && key.root == HKEY_LOCAL_MACHINE,
            systemErrorText(static_cast<unsigned long>(status))};
}

}  // namespace

RunKey userRunKey()
{
    return {HKEY_CURRENT_USER, RunSubKey};
}

RunKey machineRunKey()
{
    return {HKEY_LOCAL_MACHINE, RunSubKey};
}

RunKeyChange addToRunKey(const RunKey& key, const std::u16string& name, const std::u16string& programPath)
{
    return changeFrom(key, SetRegValue(key.root, key.subKey, name, logonCommand(programPath)));
}

RunKeyChange removeFromRunKeys(std::initializer_list<RunKey> keys, const std::u16string& name)
{
    RunKeyChange first;
    for (const RunKey& key : keys) {
        const RunKeyChange change = changeFrom(key, DeleteRegValue(key.root, key.subKey, name));
        if (first.ok)
            first = change;
    }
    return first;
}

}  // namespace platform::win32
