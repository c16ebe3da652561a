// Checks of the Win32 layer against the real API (under Wine here), with 949
// as the ANSI code page as on the Korean systems the program is made for.
// Prints one line per failure and ends with the totals.

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/win32/Process.h"
#include "platform/win32/ProgramPath.h"
#include "platform/win32/Registry.h"
#include "platform/win32/RunKey.h"

#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

using platform::win32::addToRunKey;
using platform::win32::DeleteRegValue;
using platform::win32::removeFromRunKey;
using platform::win32::RunKey;
using platform::win32::RunKeyChange;
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
std::string storedBytes(const char* name, const char* keyPath = KeyAnsi)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
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

// Sets who may do what with a key of the tests, in the system's notation for
// access rules; the key's owner may always change them.
bool setKeyAccess(const char* keyPath, const char* rules)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, WRITE_DAC, &key) != ERROR_SUCCESS)
        return false;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    LONG status = ERROR_INVALID_PARAMETER;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorA(rules, SDDL_REVISION_1, &descriptor, nullptr)) {
        status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
        LocalFree(descriptor);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// Read but not write: what a standard user, or an administrator without
// elevation, may do with the keys of HKEY_LOCAL_MACHINE.
const char* const ReadOnly = "D:P(A;;KR;;;WD)";
const char* const FullAccess = "D:P(A;;KA;;;WD)";

const char* const LockedAnsi = "Software\\Quaylet Tests\\Locked";
const RunKey Locked{HKEY_LOCAL_MACHINE, u"Software\\Quaylet Tests\\Locked"};

void removeTestKeys()
{
    setKeyAccess(LockedAnsi, FullAccess);  // a failed run may have left it locked
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Quaylet Tests");
}

void registryTests()
{
    removeTestKeys();  // left-overs would hide what happens

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

    // The registered command: quoted only when the path has a blank.
    const RunKey testKey{HKEY_LOCAL_MACHINE, Key};
    CHECK(addToRunKey(testKey, u"Quaylet", u"D:\\X.exe").ok);
    CHECK(storedBytes("Quaylet") == std::string("D:\\X.exe") + '\0');
    CHECK(addToRunKey(testKey, u"Quaylet", u"C:\\Program Files\\Quaylet\\Quaylet.exe").ok);
    CHECK(storedBytes("Quaylet") == std::string("\"C:\\Program Files\\Quaylet\\Quaylet.exe\"") + '\0');
    CHECK(removeFromRunKey(testKey, u"Quaylet").ok);
    CHECK(valueCount() == 0);

    removeTestKeys();
}

// A key the caller may read but not write, as the machine-wide Run key is
// for a standard user.
void readOnlyKeyTests()
{
    removeTestKeys();
    CHECK(SetRegValue(HKEY_LOCAL_MACHINE, Locked.subKey, u"Present", u"C:\\X.exe") == ERROR_SUCCESS);
    if (!setKeyAccess(LockedAnsi, ReadOnly)) {
        CHECK(!"the test key could not be made read-only");
        return;
    }
    HKEY probe = nullptr;
    const bool locked = RegOpenKeyExA(HKEY_LOCAL_MACHINE, LockedAnsi, 0, KEY_SET_VALUE, &probe) == ERROR_ACCESS_DENIED;
    CHECK(locked);
    if (!locked)
        RegCloseKey(probe);

    // Clearing the registration when there is none needs no write access.
    CHECK(removeFromRunKey(Locked, u"Quaylet").ok);
    CHECK(DeleteRegValue(HKEY_LOCAL_MACHINE, Locked.subKey, u"Quaylet") == ERROR_SUCCESS);

    // A value that is there does need it, and the user hears that it takes an administrator.
    const RunKeyChange removed = removeFromRunKey(Locked, u"Present");
    CHECK(!removed.ok && removed.needsAdministrator && !removed.reason.empty());
    CHECK(storedBytes("Present", LockedAnsi) == std::string("C:\\X.exe") + '\0');
    const RunKeyChange added = addToRunKey(Locked, u"Quaylet", u"C:\\X.exe");
    CHECK(!added.ok && added.needsAdministrator);
    CHECK(storedBytes("Quaylet", LockedAnsi).empty());

    // Any other failure is not put down to missing rights.
    const RunKeyChange noRoot = addToRunKey({nullptr, Key}, u"Quaylet", u"C:\\X.exe");
    CHECK(!noRoot.ok && !noRoot.needsAdministrator && !noRoot.reason.empty());

    removeTestKeys();
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

std::wstring tempFolder()
{
    std::wstring temp(MAX_PATH + 1, L'\0');
    temp.resize(GetTempPathW(static_cast<DWORD>(temp.size()), temp.data()));
    return temp;
}

void fileTests()
{
    const std::wstring folder = tempFolder() + L"quaylet-files";
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
    const std::wstring folder = tempFolder() + L"quaylet-save";
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

// A started copy of this program notes its own path and command line here.
const std::wstring_view RecordArgument = L"--record-start";

std::wstring recordFile()
{
    return tempFolder() + L"quaylet-started.txt";
}

std::wstring readRecord()
{
    std::wstring text;
    const HANDLE file = CreateFileW(recordFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    text.resize(GetFileSize(file, nullptr) / sizeof(wchar_t));
    DWORD read = 0;
    ReadFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read, nullptr);
    CloseHandle(file);
    text.resize(read / sizeof(wchar_t));
    return text;
}

// Written beside and renamed into place, so the test never reads half a record.
void writeRecord()
{
    const std::wstring text = modulePath() + L'\n' + GetCommandLineW();
    const std::wstring part = recordFile() + L".part";
    const HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    MoveFileExW(part.c_str(), recordFile().c_str(), MOVEFILE_REPLACE_EXISTING);
}

// What the started program recorded: its path, a line break, its command line.
// Empty when nothing started within ten seconds.
std::wstring awaitRecord()
{
    for (int i = 0; i < 200; ++i) {
        if (GetFileAttributesW(recordFile().c_str()) != INVALID_FILE_ATTRIBUTES)
            return readRecord();
        Sleep(50);
    }
    return {};
}

// Starts commandLine the way Windows starts a Run value at logon: the whole
// value as the command line, without a separate program name.
bool startAsAtLogon(std::wstring commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// The stored value as text, without its terminating null.
std::wstring storedCommand(const char* name)
{
    std::string bytes = storedBytes(name);
    if (!bytes.empty())
        bytes.pop_back();
    const std::u16string text = platform::fromAnsi(bytes);
    return std::wstring(text.begin(), text.end());
}

void processTests()
{
    CHECK(!platform::win32::startMaximized(L"C:\\No Such Folder\\nothing.exe", L"--exit"));
    CHECK(platform::win32::startMaximized(modulePath(), L"--exit"));  // a copy of this program that just ends

    // The program sits in a folder with a blank, and a program is planted
    // where the part of its path before the blank would name one.
    const std::wstring folder = tempFolder() + L"quaylet process";
    const std::wstring program = folder + L"\\probe dir\\probe.exe";
    const std::wstring planted = folder + L"\\probe.exe";
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"\\probe dir").c_str(), nullptr);
    CHECK(CopyFileW(modulePath().c_str(), program.c_str(), FALSE));
    CHECK(CopyFileW(modulePath().c_str(), planted.c_str(), FALSE));
    const std::wstring argument(RecordArgument);

    DeleteFileW(recordFile().c_str());
    CHECK(platform::win32::startMaximized(program, argument));
    CHECK(awaitRecord() == program + L'\n' + program + L' ' + argument);  // the command line stays unquoted

    // What the Run key holds starts the program itself at logon, not the planted one.
    removeTestKeys();
    CHECK(addToRunKey({HKEY_LOCAL_MACHINE, Key}, u"Probe", utf16(program)).ok);
    const std::wstring command = storedCommand("Probe");
    CHECK(command == L'"' + program + L'"');
    DeleteFileW(recordFile().c_str());
    CHECK(startAsAtLogon(command + L' ' + argument));
    CHECK(awaitRecord().substr(0, program.size() + 1) == program + L'\n');
    removeTestKeys();

    // The copies may still be ending.
    for (int i = 0; i < 40 && (!DeleteFileW(program.c_str()) || !DeleteFileW(planted.c_str())); ++i)
        Sleep(50);
    RemoveDirectoryW((folder + L"\\probe dir").c_str());
    RemoveDirectoryW(folder.c_str());
    DeleteFileW(recordFile().c_str());
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "--exit") == 0)
        return 0;
    const std::wstring_view commandLine = GetCommandLineW();
    if (commandLine.ends_with(std::wstring(L" ") + std::wstring(RecordArgument))) {
        writeRecord();
        return 0;
    }

    registryTests();
    readOnlyKeyTests();
    codePageTests();
    pathTests();
    fileTests();
    saveStepTests();
    processTests();

    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
