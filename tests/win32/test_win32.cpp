// Checks of the Win32 layer against the real API (under Wine here), with 949
// as the ANSI code page as on the Korean systems the program is made for.
// Prints one line per failure and ends with the totals.

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/win32/Process.h"
#include "platform/win32/ProgramPath.h"
#include "platform/win32/Registry.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

using platform::win32::DeleteRegValue;
using platform::win32::SetRegValue;

namespace {

int passed = 0;
int failed = 0;

void check(bool ok, const char* what, int line)
{
    ok ? ++passed : ++failed;
    if (!ok)
        std::printf("FAILED line %d: %s\n", line, what);
}

#define CHECK(condition) check((condition), #condition, __LINE__)

std::u16string utf16(const std::wstring& text)
{
    return std::u16string(text.begin(), text.end());
}

std::wstring modulePath()
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

// A key of the tests' own: it starts missing, so storing must create it, and
// no other program's values get in the way of counting.
const std::u16string Key = u"Software\\Quaylet Tests\\Run";
const char* const KeyAnsi = "Software\\Quaylet Tests\\Run";

// Every byte the registry holds for the value, terminator included; empty
// when the value cannot be read.
std::string storedBytes(const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyAnsi, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return {};
    std::string bytes;
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
        bytes.resize(size);
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size)
            != ERROR_SUCCESS)
            size = 0;
        bytes.resize(size);
    }
    RegCloseKey(key);
    return bytes;
}

DWORD valueCount()
{
    HKEY key = nullptr;
    DWORD count = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyAnsi, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    return count;
}

void registryTests()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Quaylet Tests");  // left-overs would hide what happens

    // Exactly one null after the text: a missing or doubled one breaks the Run key.
    CHECK(SetRegValue(HKEY_LOCAL_MACHINE, Key, u"Quaylet", u"C:\\Games\\X\\X.exe") == ERROR_SUCCESS);
    CHECK(storedBytes("Quaylet") == std::string("C:\\Games\\X\\X.exe") + '\0');

    // Saving again replaces the value; the Korean path travels in code page 949.
    CHECK(SetRegValue(HKEY_LOCAL_MACHINE, Key, u"Quaylet", u"D:\\대항해\\X.exe") == ERROR_SUCCESS);
    CHECK(storedBytes("Quaylet") == std::string("D:\\\xB4\xEB\xC7\xD7\xC7\xD8\\X.exe") + '\0');
    CHECK(valueCount() == 1);

    CHECK(DeleteRegValue(HKEY_LOCAL_MACHINE, Key, u"Quaylet") == ERROR_SUCCESS);
    CHECK(valueCount() == 0);
    // Nothing left to remove is no failure, whether the value or the key is missing.
    CHECK(DeleteRegValue(HKEY_LOCAL_MACHINE, Key, u"Quaylet") == ERROR_SUCCESS);
    CHECK(DeleteRegValue(HKEY_LOCAL_MACHINE, u"Software\\Quaylet Tests\\Gone", u"Quaylet") == ERROR_SUCCESS);

    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Quaylet Tests");
}

void codePageTests()
{
    CHECK(GetACP() == 949);
    if (GetACP() != 949)
        std::printf("the ANSI code page is %u; run with LC_ALL=ko_KR.UTF-8\n", GetACP());
    CHECK(platform::toAnsi(u"A가B") == "A\xB0\xA1" "B");
    CHECK(platform::toAnsi(u"a\u0E01b") == "a?b");  // Thai has no place in 949
    CHECK(platform::fromAnsi("A\xB0\xA1" "B") == u"A가B");
}

void pathTests()
{
    using platform::win32::executableInDirectory;
    CHECK(executableInDirectory(u"C:\\Games\\X", u"X") == u"C:\\Games\\X\\X.exe");
    CHECK(executableInDirectory(u"D:\\", u"X") == u"D:\\X.exe");  // no second backslash at a root
}

void fileTests()
{
    std::wstring temp(MAX_PATH + 1, L'\0');
    temp.resize(GetTempPathW(static_cast<DWORD>(temp.size()), temp.data()));
    const std::wstring folder = temp + L"quaylet-files";
    const std::wstring file = folder + L"\\사용자.ini";
    CreateDirectoryW(folder.c_str(), nullptr);
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));

    CHECK(platform::isOrdinaryFile(utf16(file)));
    CHECK(!platform::isOrdinaryFile(utf16(folder)));
    CHECK(!platform::isOrdinaryFile(utf16(folder + L"\\missing.ini")));
    for (const DWORD attribute : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
        CHECK(SetFileAttributesW(file.c_str(), attribute));
        CHECK(!platform::isOrdinaryFile(utf16(file)));
    }

    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
}

std::string contents(const std::wstring& path)
{
    std::string bytes(64, '\0');
    DWORD read = 0;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "(missing)";
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

// The steps of a whole-file save: a new file beside the old one, written,
// flushed and renamed over it in one step.
void saveStepTests()
{
    std::wstring temp(MAX_PATH + 1, L'\0');
    temp.resize(GetTempPathW(static_cast<DWORD>(temp.size()), temp.data()));
    const std::wstring folder = temp + L"quaylet-save";
    const std::wstring target = folder + L"\\config.ini";
    const std::wstring fresh = target + L".new";
    CreateDirectoryW(folder.c_str(), nullptr);
    platform::FileSystem& files = platform::fileSystem();
    platform::FileSystem::Handle handle = 0;
    std::u16string error;

    CHECK(files.create(utf16(target), false, handle, error));
    CHECK(files.write(handle, "old\r\n", error));
    CHECK(files.finish(handle, error));
    CHECK(!files.create(utf16(target), false, handle, error) && !error.empty());  // never over a file

    CHECK(files.create(utf16(fresh), true, handle, error));
    CHECK(files.write(handle, " 1 \r\nDaum\r\n", error));
    CHECK(files.finish(handle, error));
    CHECK(contents(target) == "old\r\n");
    CHECK(files.replace(utf16(fresh), utf16(target), error));
    CHECK(contents(target) == " 1 \r\nDaum\r\n");
    CHECK(contents(fresh) == "(missing)");

    error.clear();
    CHECK(!files.replace(utf16(fresh), utf16(target), error) && !error.empty());
    CHECK(files.remove(utf16(target)));
    CHECK(!files.remove(utf16(target)));
    RemoveDirectoryW(folder.c_str());
}

void processTests()
{
    CHECK(!platform::win32::startMaximized(L"C:\\No Such Folder\\nothing.exe", L"--exit"));
    CHECK(platform::win32::startMaximized(modulePath(), L"--exit"));  // a copy of this program that just ends
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "--exit") == 0)
        return 0;

    registryTests();
    codePageTests();
    pathTests();
    fileTests();
    saveStepTests();
    processTests();

    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
