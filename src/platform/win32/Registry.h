#pragma once

#include <windows.h>

#include <string>

namespace platform::win32 {

// Stores data as the text value valueName (REG_SZ) of root\subKey, creating
// the key when it is missing and replacing a value of the same name. All
// texts reach the registry as they are, in UTF-16: a path the ANSI code page
// cannot spell would come out naming another. Every step runs whatever
// the earlier ones returned; the result is the first failure's status, or
// ERROR_SUCCESS.
LONG SetRegValue(HKEY root, const std::u16string& subKey, const std::u16string& valueName,
                 const std::u16string& data);

// Removes the value valueName of root\subKey. The key is opened for reading
// first and for writing only when the value exists, so a user who may not
// write the key fails only when there is something to remove. A value or key
// that does not exist is no failure. The result is the first failure's status,
// or ERROR_SUCCESS.
LONG DeleteRegValue(HKEY root, const std::u16string& subKey, const std::u16string& valueName);

}  // namespace platform::win32
