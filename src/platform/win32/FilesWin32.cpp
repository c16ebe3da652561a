#include "platform/Files.h"

#include "platform/win32/ProgramPath.h"

#include <windows.h>

namespace platform {

namespace {

// Windows paths are at most 32767 units long.
constexpr std::size_t LongestPath = 32768;

std::u16string modulePath()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        // A path that fills the whole buffer may have been cut short.
        if (length < buffer.size() || buffer.size() >= LongestPath)
            return std::u16string(buffer.begin(), buffer.begin() + length);
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::u16string programDirectory()
{
    return win32::directoryOf(modulePath());
}

// Formed from the directory and the name rather than taken as the module's
// path, so the registered command always ends in ".exe" exactly.
std::u16string executablePath()
{
    const std::u16string path = modulePath();
    return win32::executableInDirectory(win32::directoryOf(path), win32::baseNameOf(path));
}

bool isOrdinaryFile(const std::u16string& path)
{
    const std::wstring wide(path.begin(), path.end());
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    constexpr DWORD NotOrdinary = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & NotOrdinary) == 0;
}

}  // namespace platform
