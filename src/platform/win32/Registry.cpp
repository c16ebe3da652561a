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

// Opens the key with just the access that deleting a value needs.
LONG deleteValue(HKEY root, const std::string& key, const std::string& name)
{
    HKEY handle = nullptr;
    const LONG opened = RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, &handle);
    if (opened != ERROR_SUCCESS)
        return opened;
    const LONG deleted = RegDeleteValueA(handle, name.c_str());
    return firstFailure({deleted, RegCloseKey(handle)});
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

    // Looking needs only read access, which every user has to the machine-wide
    // keys; write access is asked for only when there is a value to delete.
    HKEY handle = nullptr;
    const LONG opened = RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &handle);
    // Without the key there is no value either.
    if (opened == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (opened != ERROR_SUCCESS)
        return opened;
    const LONG looked = RegQueryValueExA(handle, name.c_str(), nullptr, nullptr, nullptr, nullptr);
    const LONG removed = looked == ERROR_SUCCESS          ? deleteValue(root, key, name)
                         : looked == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS
                                                          : looked;
    return firstFailure({removed, RegCloseKey(handle)});
}

}  // namespace platform::win32
