#include "platform/win32/Registry.h"

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

// UTF-16 is what the wide registry functions take; on Windows wchar_t is one unit of it.
const wchar_t* wide(const std::u16string& text)
{
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

// Opens the key with just the access that deleting a value needs.
LONG deleteValue(HKEY root, const std::u16string& key, const std::u16string& name)
{
    HKEY handle = nullptr;
    const LONG opened = RegOpenKeyExW(root, wide(key), 0, KEY_SET_VALUE, &handle);
    if (opened != ERROR_SUCCESS)
        return opened;
    const LONG deleted = RegDeleteValueW(handle, wide(name));
    return firstFailure({deleted, RegCloseKey(handle)});
}

}  // namespace

LONG SetRegValue(HKEY root, const std::u16string& subKey, const std::u16string& valueName,
                 const std::u16string& data)
{
    // The stored text ends with exactly one null unit, which the size counts.
    const DWORD size = static_cast<DWORD>((data.size() + 1) * sizeof(char16_t));

    HKEY handle = nullptr;
    const LONG created = RegCreateKeyW(root, wide(subKey), &handle);
    const LONG stored =
        RegSetValueExW(handle, wide(valueName), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), size);
    const LONG closed = RegCloseKey(handle);
    return firstFailure({created, stored, closed});
}

LONG DeleteRegValue(HKEY root, const std::u16string& subKey, const std::u16string& valueName)
{
    // Looking needs only read access, which every user has to the machine-wide
    // keys; write access is asked for only when there is a value to delete.
    HKEY handle = nullptr;
    const LONG opened = RegOpenKeyExW(root, wide(subKey), 0, KEY_QUERY_VALUE, &handle);
    // Without the key there is no value either.
    if (opened == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (opened != ERROR_SUCCESS)
        return opened;
    const LONG looked = RegQueryValueExW(handle, wide(valueName), nullptr, nullptr, nullptr, nullptr);
    const LONG removed = looked == ERROR_SUCCESS          ? deleteValue(root, subKey, valueName)
                         : looked == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS
                                                          : looked;
    return firstFailure({removed, RegCloseKey(handle)});
}

}  // namespace platform::win32
