// Checks of the Win32 layer against the real API (under Wine here), with 949
// as the ANSI code page as on the Korean systems the program is made for.
// Prints one line per failure and ends with the totals.

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/UserFolder.h"
#include "platform/win32/Process.h"
#include "platform/win32/Registry.h"
#include "platform/win32/RunKey.h"

#include <aclapi.h>
#include <sddl.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

// Whom a file's access rules let in, in the system's notation, sorted;
// "(unreadable)" when they cannot be read, "(other)" for a rule that is no
// plain allowance. Wine keeps rules only as Unix permission bits, so whether
// they are protected from inheritance cannot be read back here.
std::vector<std::wstring> allowedSids(const fs::path& path)
{
    PACL rules = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &rules,
                              nullptr, &descriptor)
            != ERROR_SUCCESS
        || !rules)
        return {L"(unreadable)"};
    std::vector<std::wstring> sids;
    for (DWORD i = 0; i < rules->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* rule = nullptr;
        wchar_t* sid = nullptr;
        if (GetAce(rules, i, reinterpret_cast<void**>(&rule)) && rule->Header.AceType == ACCESS_ALLOWED_ACE_TYPE
            && ConvertSidToStringSidW(&rule->SidStart, &sid)) {
            sids.emplace_back(sid);
            LocalFree(sid);
        } else {
            sids.emplace_back(L"(other)");
        }
    }
    LocalFree(descriptor);
    std::sort(sids.begin(), sids.end());
    return sids;
}

// The user running the tests, in the system's notation.
std::wstring userSid()
{
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    BYTE user[256];
    DWORD size = sizeof(user);
    wchar_t* text = nullptr;
    std::wstring sid;
    if (GetTokenInformation(token, TokenUser, user, size, &size)
        && ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &text)) {
        sid = text;
        LocalFree(text);
    }
    CloseHandle(token);
    return sid;
}

// Keys of the tests' own: they start missing, so storing must create them.
const RunKey Test{HKEY_LOCAL_MACHINE, u"Software\\Quaylet Tests\\Run"};
const RunKey Locked{HKEY_LOCAL_MACHINE, u"Software\\Quaylet Tests\\Locked"};
const RunKey OwnTest{HKEY_CURRENT_USER, u"Software\\Quaylet Tests\\Run"};

const wchar_t* wide(const std::u16string& text)
{
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

// Every byte the registry holds for a text value, terminator included; empty
// when there is none.
std::string storedBytes(const std::u16string& name, const RunKey& at = Test)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(at.root, wide(at.subKey), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return {};
    std::string bytes(4096, '\0');
    DWORD size = static_cast<DWORD>(bytes.size());
    DWORD type = REG_NONE;
    if (RegQueryValueExW(key, wide(name), nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size)
            != ERROR_SUCCESS
        || type != REG_SZ)
        size = 0;
    RegCloseKey(key);
    bytes.resize(size);
    return bytes;
}

// The bytes a text value holding text has: its UTF-16 units and one null unit.
std::string storedForm(const std::u16string& text)
{
    return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(char16_t));
}

// The value as text, without its terminator.
std::wstring storedText(const std::u16string& name)
{
    const std::string bytes = storedBytes(name);
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    if (!text.empty())
        text.pop_back();
    return text;
}

// Sets who may do what with the locked key, in the system's notation for
// access rules; the key's owner may always change them.
bool setLockedKeyAccess(const char* rules)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(Locked.root, wide(Locked.subKey), 0, WRITE_DAC, &key) != ERROR_SUCCESS)
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
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quaylet Tests");
}

void registryTests()
{
    removeTestKeys();                               // left-overs would hide what happens
    CHECK(GetACP() == 949);                         // run with LC_ALL=ko_KR.UTF-8
    CHECK(platform::toAnsi(u"a\u0E01b") == "a?b");  // Thai has no place in 949

    // Exactly one null after the text: a missing or doubled one breaks the Run key.
    CHECK(SetRegValue(Test.root, Test.subKey, u"Quaylet", u"C:\\Games\\X\\X.exe") == ERROR_SUCCESS);
    CHECK(storedBytes(u"Quaylet") == storedForm(u"C:\\Games\\X\\X.exe"));
    // Saving again replaces the value, exactly as given even where code page
    // 949 has no character (Thai, an emoji): a "?" there would name another path.
    const std::u16string beyond949 = u"D:\\대항해\u0E01\U0001F600\\X.exe";
    CHECK(SetRegValue(Test.root, Test.subKey, u"Quaylet", beyond949) == ERROR_SUCCESS);
    CHECK(storedBytes(u"Quaylet") == storedForm(beyond949));
    CHECK(DeleteRegValue(Test.root, Test.subKey, u"Quaylet") == ERROR_SUCCESS);
    CHECK(storedBytes(u"Quaylet").empty());
    // Nothing left to remove is no failure, whether the value or the key is missing.
    CHECK(DeleteRegValue(Test.root, Test.subKey, u"Quaylet") == ERROR_SUCCESS);
    CHECK(removeFromRunKeys({{HKEY_LOCAL_MACHINE, u"Software\\Quaylet Tests\\Gone"}}, u"Quaylet").ok);
    // Without a blank the command is the path as it is (with one, see processTests).
    CHECK(addToRunKey(Test, u"Quaylet", u"D:\\X.exe").ok);
    CHECK(storedBytes(u"Quaylet") == storedForm(u"D:\\X.exe"));

    // The program starts at the logon of the user who asked for it only;
    // clearing also takes away the value earlier versions wrote for everyone.
    const std::u16string run = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const RunKey userRun{HKEY_CURRENT_USER, run};
    const RunKey machineRun{HKEY_LOCAL_MACHINE, run};
    CHECK(addToRunKey(userRunKey(), u"Quaylet", beyond949).ok);
    CHECK(storedBytes(u"Quaylet", userRun) == storedForm(beyond949)
          && storedBytes(u"Quaylet", machineRun).empty());
    CHECK(SetRegValue(machineRun.root, run, u"Quaylet", u"C:\\Old\\X.exe") == ERROR_SUCCESS);
    CHECK(removeFromRunKeys({userRunKey(), machineRunKey()}, u"Quaylet").ok);
    CHECK(storedBytes(u"Quaylet", userRun).empty() && storedBytes(u"Quaylet", machineRun).empty());

    // A key the caller may read but not write, as the machine-wide Run key is
    // for a standard user: clearing what is not there needs no write access.
    CHECK(SetRegValue(Locked.root, Locked.subKey, u"Present", u"C:\\X.exe") == ERROR_SUCCESS);
    CHECK(setLockedKeyAccess("D:P(A;;KR;;;WD)"));
    HKEY probe = nullptr;
    CHECK(RegOpenKeyExW(Locked.root, wide(Locked.subKey), 0, KEY_SET_VALUE, &probe) == ERROR_ACCESS_DENIED);
    CHECK(removeFromRunKeys({Locked}, u"Quaylet").ok);
    // A value that is there does need it: the other keys are still cleared,
    // and the user hears that the rest takes an administrator.
    CHECK(SetRegValue(OwnTest.root, OwnTest.subKey, u"Present", u"C:\\X.exe") == ERROR_SUCCESS);
    const RunKeyChange removed = removeFromRunKeys({Locked, OwnTest}, u"Present");
    CHECK(!removed.ok && removed.needsAdministrator && !removed.reason.empty());
    CHECK(storedBytes(u"Present", Locked) == storedForm(u"C:\\X.exe") && storedBytes(u"Present", OwnTest).empty());
    const RunKeyChange added = addToRunKey(Locked, u"Quaylet", u"C:\\X.exe");
    CHECK(!added.ok && added.needsAdministrator && storedBytes(u"Quaylet", Locked).empty());
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
    fs::remove_all(folder);  // what a run cut short left would hide what happens
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
    // Owner only: the user and the system (S-1-5-18) may open it, and the rename kept that.
    std::vector<std::wstring> ownerOnly{userSid(), L"S-1-5-18"};
    std::sort(ownerOnly.begin(), ownerOnly.end());
    CHECK(allowedSids(target) == ownerOnly);
    error.clear();
    CHECK(!files.replace(fresh.u16string(), target.u16string(), error) && !error.empty());

    // A reading takes an ordinary file up to the limit (here 11 bytes) and
    // nothing else; directories, hidden and system files count as absent, and
    // a pipe whose other end never writes is not waited for.
    CHECK(platform::readOrdinaryFile(target.u16string(), 11) == " 1 \r\nDaum\r\n");
    CHECK(!platform::readOrdinaryFile(target.u16string(), 10));
    CHECK(!platform::readOrdinaryFile(folder.u16string(), 11)
          && !platform::readOrdinaryFile(fresh.u16string(), 11));
    for (const DWORD attribute : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
        SetFileAttributesW(target.c_str(), attribute);
        CHECK(!platform::readOrdinaryFile(target.u16string(), 11));
    }
    const HANDLE pipe =
        CreateNamedPipeW(L"\\\\.\\pipe\\quaylet-tests", PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr);
    CHECK(pipe != INVALID_HANDLE_VALUE && !platform::readOrdinaryFile(u"\\\\.\\pipe\\quaylet-tests", 11));
    CloseHandle(pipe);
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
    for (int i = 0; i < 200 && storedBytes(u"Started").empty(); ++i)
        Sleep(50);
    return storedText(u"Started");
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
    const std::wstring command = storedText(u"Probe");
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
