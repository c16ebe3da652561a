#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

// The web browser every Windows system of the program's time has.
inline constexpr std::wstring_view WebBrowserPath = L"C:\\Program Files\\Internet Explorer\\iexplore.exe";

// Starts program with the command line program + " " + argument, unquoted,
// with the new program's window maximised, and does not wait for it. False
// when Windows could not start it.
bool startMaximized(const std::wstring& program, const std::wstring& argument);

}  // namespace platform::win32
