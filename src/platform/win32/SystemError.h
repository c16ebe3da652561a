#pragma once

#include <string>

namespace platform::win32 {

// The system's readable text for a Windows error code, in the user's language.
std::wstring systemErrorText(unsigned long code);

}  // namespace platform::win32
