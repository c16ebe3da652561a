#include "platform/Files.h"

#include "platform/win32/ProgramPath.h"
#include "platform/win32/SystemError.h"

#include <windows.h>

#include <sddl.h>

#include <algorithm>
#include <vector>

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

std::wstring wide(const std::u16string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::u16string utf16(const std::wstring& text)
{
    return std::u16string(text.begin(), text.end());
}

std::u16string lastErrorText()
{
    return utf16(win32::systemErrorText(GetLastError()));
}

// Only the user running the program and the system may open the file, and
// the folder's rules are not inherited: the program directory may let every
// local account read. A rename on the same disk keeps these rules. Freed
// with LocalFree.
bool ownerOnlyDescriptor(PSECURITY_DESCRIPTOR& descriptor)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    wchar_t* sid = nullptr;
    const bool known = size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size)
                       && ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid);
    CloseHandle(token);
    if (!known)
        return false;
    const std::wstring rules = L"D:P(A;;FA;;;" + std::wstring(sid) + L")(A;;FA;;;SY)";
    LocalFree(sid);
    return ConvertStringSecurityDescriptorToSecurityDescriptorW(rules.c_str(), SDDL_REVISION_1, &descriptor,
                                                                nullptr);
}

HANDLE fileHandle(FileSystem::Handle handle)
{
    return reinterpret_cast<HANDLE>(handle);
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

// A directory is not opened at all without FILE_FLAG_BACKUP_SEMANTICS; a
// pipe or a device is turned away by its type before anything waits on it.
std::optional<std::string> readOrdinaryFile(const std::u16string& path, std::size_t limit)
{
    const HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::optional<std::string> bytes;
    BY_HANDLE_FILE_INFORMATION info{};
    LARGE_INTEGER size{};
    constexpr DWORD NotOrdinary = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info)
        && (info.dwFileAttributes & NotOrdinary) == 0 && GetFileSizeEx(file, &size)
        && static_cast<unsigned long long>(size.QuadPart) <= limit) {
        // One byte more than the limit tells a file that grew meanwhile.
        bytes.emplace(limit + 1, '\0');
        DWORD got = 0;
        if (ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &got, nullptr) && got <= limit)
            bytes->resize(got);
        else
            bytes.reset();
    }
    CloseHandle(file);
    return bytes;
}

bool FileSystem::create(const std::u16string& path, bool ownerOnly, Handle& handle, std::u16string& error)
{
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    if (ownerOnly && !ownerOnlyDescriptor(security.lpSecurityDescriptor)) {
        error = lastErrorText();
        return false;
    }
    const HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, ownerOnly ? &security : nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD failure = GetLastError();
    LocalFree(security.lpSecurityDescriptor);
    if (file == INVALID_HANDLE_VALUE) {
        error = utf16(win32::systemErrorText(failure));
        return false;
    }
    handle = reinterpret_cast<Handle>(file);
    return true;
}

bool FileSystem::write(Handle handle, std::string_view bytes, std::u16string& error)
{
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!WriteFile(fileHandle(handle), bytes.data(), chunk, &written, nullptr) || written == 0) {
            error = lastErrorText();
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

bool FileSystem::finish(Handle handle, std::u16string& error)
{
    const bool flushed = FlushFileBuffers(fileHandle(handle));
    if (!flushed)
        error = lastErrorText();
    const bool closed = CloseHandle(fileHandle(handle));
    if (flushed && !closed)
        error = lastErrorText();
    return flushed && closed;
}

bool FileSystem::replace(const std::u16string& from, const std::u16string& to, std::u16string& error)
{
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    error = lastErrorText();
    return false;
}

bool FileSystem::remove(const std::u16string& path)
{
    return DeleteFileW(wide(path).c_str());
}

}  // namespace platform
