#include "platform/win32/Registry.h"

#include "platform/CodePage.h"

#include <initializer_list>

namespace platform::win32 {

namespace {

LONG firstFailure(std::initializer_list<LONG> statuses)
{
    for (const LONG status : statuses) {
        if (status != ERROR_SUCCESS)
            return status;
    }
    return ERROR_SUCCESS;
}

}  // namespace

LONG SetRegValue(HKEY root, const std::u16string& subKey, const std::u16string& valueName,
                 const std::u16string& data)
{
    const std::string key = toAnsi(subKey);
    const std::string name = toAnsi(valueName);
    // The stored text ends with exactly one null, which the size counts.
    const std::string bytes = toAnsi(data) + '\0';

    HKEY handle = nullptr;
    const LONG created = RegCreateKeyA(root, key.c_str(), &handle);
    const LONG stored = RegSetValueExA(handle, name.c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(bytes.data()),
                                       static_cast<DWORD>(bytes.size()));
    const LONG closed = RegCloseKey(handle);
    return firstFailure({created, stored, closed});
}

LONG DeleteRegValue(HKEY root, const std::u16string& subKey, const std::u16string& valueName)
{
    const std::string key = toAnsi(subKey);
    const std::string name = toAnsi(valueName);

    HKEY handle = nullptr;
    const LONG opened = RegOpenKeyA(root, key.c_str(), &handle);
    const LONG deleted = RegDeleteValueA(handle, name.c_str());
    const LONG closed = RegCloseKey(handle);
    // Without the key there is no value either; the later steps failed only on the missing handle.
    if (opened == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    return firstFailure({opened, deleted == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : deleted, closed});
}

}  // namespace platform::win32
