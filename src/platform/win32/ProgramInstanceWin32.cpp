#include "platform/ProgramInstance.h"

#include <windows.h>

#include <lmcons.h>

namespace platform {

namespace {

// Users who share a logon session (one started with runas) each get a program.
std::u16string userName()
{
    wchar_t name[UNLEN + 1];
    DWORD size = UNLEN + 1;
    if (!GetUserNameW(name, &size))
        return {};
    return std::u16string(name, name + size - 1);
}

std::wstring wide(const std::u16string& text)
{
    return std::wstring(text.begin(), text.end());
}

}  // namespace

bool takeInstanceLock()
{
    // Local\: a name within this logon session.
    const std::wstring name = L"Local\\Quaylet-" + wide(userName());
    // The handle stays open for the rest of the process's life.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (!mutex)
        return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS)
        return true;
    CloseHandle(mutex);
    return false;
}

std::u16string instanceDoorName()
{
    return u"Quaylet-door-" + userName();
}

bool knockOnInstanceDoor(int timeoutMs)
{
    const std::wstring pipe = L"\\\\.\\pipe\\" + wide(instanceDoorName());
    // Windows gives the focus only to a program the one that has it allows.
    AllowSetForegroundWindow(ASFW_ANY);
    const ULONGLONG deadline = GetTickCount64() + ULONGLONG(timeoutMs);
    while (true) {
        HANDLE door = CreateFileW(pipe.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (door != INVALID_HANDLE_VALUE) {
            CloseHandle(door);
            return true;
        }
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(20);
    }
}

// Chromium's sandbox runs for an administrator too.
bool engineCanRun()
{
    return true;
}

}  // namespace platform
