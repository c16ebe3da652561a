// Checks of the Win32 layer against the real API (under Wine here), with 949
// as the ANSI code page as on the Korean systems the program is made for.
// Prints one line per failure and ends with the totals.

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/UserFolder.h"
#include "platform/win32/Process.h"
#include "platform/win32/Registry.h"
#include "platform/win32/RunKey.h"

#include <sddl.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using namespace platform::win32;
namespace fs = std::filesystem;

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

std::wstring modulePath()
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

std::string contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "(missing)";
}

// Keys of the tests' own: they start missing, so storing must create them.
const RunKey Test{HKEY_LOCAL_MACHINE, u"Software\\Quaylet Tests\\Run"};
const RunKey Locked{HKEY_LOCAL_MACHINE, u"Software\\Quaylet Tests\\Locked"};
const char* const LockedAnsi = "Software\\Quaylet Tests\\Locked";

// Every byte the registry holds for a text value, terminator included; empty
// when there is none.
std::string storedBytes(const char* name, const char* keyPath = "Software\\Quaylet Tests\\Run")
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return {};
    std::string bytes(4096, '\0');
    DWORD size = static_cast<DWORD>(bytes.size());
    DWORD type = REG_NONE;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size) != ERROR_SUCCESS
        || type != REG_SZ)
        size = 0;
    RegCloseKey(key);
    bytes.resize(size);
    return bytes;
}

// The value as text, without its terminator.
std::wstring storedText(const char* name)
{
    const std::string bytes = storedBytes(name);
    const std::u16string text = platform::fromAnsi(bytes.substr(0, bytes.empty() ? 0 : bytes.size() - 1));
    return std::wstring(text.begin(), text.end());
}

// Sets who may do what with the locked key, in the system's notation for
// access rules; the key's owner may always change them.
bool setLockedKeyAccess(const char* rules)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, LockedAnsi, 0, WRITE_DAC, &key) != ERROR_SUCCESS)
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

void removeTestKeys()
{
    setLockedKeyAccess("D:P(A;;KA;;;WD)");  // a failed run may have left it locked
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Quaylet Tests");
}

void registryTests()
{
    removeTestKeys();                               // left-overs would hide what happens
    CHECK(GetACP() == 949);                         // run with LC_ALL=ko_KR.UTF-8
    CHECK(platform::toAnsi(u"a\u0E01b") == "a?b");  // Thai has no place in 949

    // Exactly one null after the text: a missing or doubled one breaks the Run key.
    CHECK(SetRegValue(Test.root, Test.subKey, u"Quaylet", u"C:\\Games\\X\\X.exe") == ERROR_SUCCESS);
    CHECK(storedBytes("Quaylet") == std::string("C:\\Games\\X\\X.exe") + '\0');
    // Saving again replaces the value; the Korean path travels in code page 949.
    CHECK(SetRegValue(Test.root, Test.subKey, u"Quaylet", u"D:\\대항해\\X.exe") == ERROR_SUCCESS);
    CHECK(storedBytes("Quaylet") == std::string("D:\\\xB4\xEB\xC7\xD7\xC7\xD8\\X.exe") + '\0');
    CHECK(storedText("Quaylet") == L"D:\\대항해\\X.exe");
    CHECK(DeleteRegValue(Test.root, Test.subKey, u"Quaylet") == ERROR_SUCCESS);
    CHECK(storedBytes("Quaylet").empty());
    // Nothing left to remove is no failure, whether the value or the key is missing.
    CHECK(DeleteRegValue(Test.root, Test.subKey, u"Quaylet") == ERROR_SUCCESS);
    CHECK(removeFromRunKey({HKEY_LOCAL_MACHINE, u"Software\\Quaylet Tests\\Gone"}, u"Quaylet").ok);
    // Without a blank the command is the path as it is (with one, see processTests).
    CHECK(addToRunKey(Test, u"Quaylet", u"D:\\X.exe").ok);
    CHECK(storedBytes("Quaylet") == std::string("D:\\X.exe") + '\0');

    // A key the caller may read but not write, as the machine-wide Run key is
    // for a standard user: clearing what is not there needs no write access.
    CHECK(SetRegValue(Locked.root, Locked.subKey, u"Present", u"C:\\X.exe") == ERROR_SUCCESS);
    CHECK(setLockedKeyAccess("D:P(A;;KR;;;WD)"));
    HKEY probe = nullptr;
    CHECK(RegOpenKeyExA(HKEY_LOCAL_MACHINE, LockedAnsi, 0, KEY_SET_VALUE, &probe) == ERROR_ACCESS_DENIED);
    CHECK(removeFromRunKey(Locked, u"Quaylet").ok);
    // A value that is there does need it, and the user hears that it takes an administrator.
    const RunKeyChange removed = removeFromRunKey(Locked, u"Present");
    CHECK(!removed.ok && removed.needsAdministrator && !removed.reason.empty());
    CHECK(storedBytes("Present", LockedAnsi) == std::string("C:\\X.exe") + '\0');
    const RunKeyChange added = addToRunKey(Locked, u"Quaylet", u"C:\\X.exe");
    CHECK(!added.ok && added.needsAdministrator && storedBytes("Quaylet", LockedAnsi).empty());
    // Any other failure is not put down to missing rights.
    const RunKeyChange noRoot = addToRunKey({nullptr, Test.subKey}, u"Quaylet", u"C:\\X.exe");
    CHECK(!noRoot.ok && !noRoot.needsAdministrator && !noRoot.reason.empty());
    removeTestKeys();
}

// The steps of a whole-file save: a new file beside the old one, written,
// flushed and renamed over it in one step.
void fileTests()
{
    const fs::path folder = fs::temp_directory_path() / L"quaylet-save";
    const fs::path target = folder / L"사용자.ini";
    const fs::path fresh = folder / L"사용자.ini.new";
    fs::create_directories(folder);
    platform::FileSystem& files = platform::fileSystem();
    platform::FileSystem::Handle handle = 0;
    std::u16string error;

    CHECK(files.create(target.u16string(), false, handle, error) && files.write(handle, "old\r\n", error)
          && files.finish(handle, error));
    CHECK(!files.create(target.u16string(), false, handle, error) && !error.empty());  // never over a file
    CHECK(files.create(fresh.u16string(), true, handle, error) && files.write(handle, " 1 \r\nDaum\r\n", error)
          && files.finish(handle, error) && contents(target) == "old\r\n");
    CHECK(files.replace(fresh.u16string(), target.u16string(), error));
    CHECK(contents(target) == " 1 \r\nDaum\r\n" && contents(fresh) == "(missing)");
    error.clear();
    CHECK(!files.replace(fresh.u16string(), target.u16string(), error) && !error.empty());

    // Directories, hidden and system files count as absent.
    CHECK(platform::isOrdinaryFile(target.u16string()));
    CHECK(!platform::isOrdinaryFile(folder.u16string()) && !platform::isOrdinaryFile(fresh.u16string()));
    for (const DWORD attribute : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
        SetFileAttributesW(target.c_str(), attribute);
        CHECK(!platform::isOrdinaryFile(target.u16string()));
    }
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    CHECK(files.remove(target.u16string()) && !files.remove(target.u16string()));
    fs::remove_all(folder);
}

// Where config.ini and User.ini go when the program directory may not be
// written: Quaylet in the user's local application data folder.
void userFolderTests()
{
    const std::u16string folder = platform::userSettingsDirectory();
    CHECK(folder.ends_with(u"\\Quaylet") && fs::is_directory(fs::path(folder).parent_path()));
    fs::remove_all(folder);
    std::u16string error;
    CHECK(platform::makeUserSettingsDirectory(folder, error) && fs::is_directory(folder));
    CHECK(platform::makeUserSettingsDirectory(folder, error));  // there already
    CHECK(platform::canCreateFilesIn(folder) && fs::is_empty(folder));
    fs::remove_all(folder);

    // A file with the folder's name: refused, named, and left as it was.
    std::ofstream(fs::path(folder)) << "mine";
    CHECK(!platform::makeUserSettingsDirectory(folder, error) && error.starts_with(folder + u": ")
          && error.size() > folder.size() + 2);
    CHECK(contents(folder) == "mine");
    fs::remove(folder);
}

// A copy of this program started with this argument notes its path and
// command line in the value "Started" of the test key.
const std::wstring Record = L"--record-start";

// What the started copy noted; empty when nothing started within ten seconds.
std::wstring awaitStart()
{
    for (int i = 0; i < 200 && storedBytes("Started").empty(); ++i)
        Sleep(50);
    return storedText("Started");
}

// Starts commandLine the way Windows starts a Run value at logon: the whole
// value as the command line, without a separate program name.
bool startAsAtLogon(std::wstring commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void processTests()
{
    CHECK(!startMaximized(L"C:\\No Such Folder\\nothing.exe", L"--exit"));
    CHECK(startMaximized(modulePath(), L"--exit"));  // a copy of this program that just ends

    // The program sits in a folder with a blank, and a program is planted
    // where the part of its path before the blank would name one.
    const fs::path folder = fs::temp_directory_path() / L"quaylet process";
    const std::wstring program = (folder / L"probe dir" / L"probe.exe").wstring();
    fs::create_directories(folder / L"probe dir");
    CHECK(fs::copy_file(modulePath(), program, fs::copy_options::overwrite_existing)
          && fs::copy_file(modulePath(), folder / L"probe.exe", fs::copy_options::overwrite_existing));

    removeTestKeys();
    CHECK(startMaximized(program, Record));
    CHECK(awaitStart() == program + L'\n' + program + L' ' + Record);  // the command line stays unquoted

    // What the Run key holds starts the program itself at logon, not the planted one.
    removeTestKeys();
    CHECK(addToRunKey(Test, u"Probe", fs::path(program).u16string()).ok);
    const std::wstring command = storedText("Probe");
    CHECK(command == L'"' + program + L'"');
    CHECK(startAsAtLogon(command + L' ' + Record));
    CHECK(awaitStart().substr(0, program.size() + 1) == program + L'\n');
    removeTestKeys();

    // The copies may still be ending.
    std::error_code busy;
    for (int i = 0; i < 40 && fs::remove_all(folder, busy) == static_cast<std::uintmax_t>(-1); ++i)
        Sleep(50);
}

}  // namespace

int main()
{
    const std::wstring_view commandLine = GetCommandLineW();
    if (commandLine.ends_with(L" --exit"))
        return 0;
    if (commandLine.ends_with(L' ' + Record)) {
        const std::wstring noted = modulePath() + L'\n' + GetCommandLineW();
        return SetRegValue(Test.root, Test.subKey, u"Started", std::u16string(noted.begin(), noted.end()))
                       == ERROR_SUCCESS
                   ? 0
                   : 1;
    }

    registryTests();
    fileTests();
    userFolderTests();
    processTests();

    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
