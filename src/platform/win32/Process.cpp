#include "platform/win32/Process.h"

#include <windows.h>

namespace platform::win32 {

bool startMaximized(const std::wstring& program, const std::wstring& argument)
{
    // CreateProcessW may write into the command line it is given.
    std::wstring commandLine = program + L' ' + argument;

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMAXIMIZED;
    PROCESS_INFORMATION process{};
    // Named apart from the command line, so that Windows does not split the
    // path at a blank and start a "C:\Program.exe" planted in its place.
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace platform::win32
