// Checks of the Win32 layer against the real API (under Wine here), with 949
// as the ANSI code page as on the Korean systems the program is made for.
// Prints one line per failure and ends with the totals.

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/ProgramInstance.h"
#include "platform/UserFolder.h"
#include "platform/win32/FolderRights.h"
#include "platform/win32/Process.h"
#include "platform/win32/ProgramPath.h"
#include "platform/win32/Registry.h"
#include "platform/win32/RunKey.h"

#include <aclapi.h>
#include <sddl.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using namespace platform::win32;
using namespace std::string_literals;
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

std::string contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "(missing)";
}

// A file's owner and access rules, in the system's notation; "(unreadable)"
// when they cannot be read. Wine builds the rules from the file's Unix
// permission bits, in an order of its own, so whether they are protected
// from inheritance cannot be read back here.
std::wstring ownerAndRules(const fs::path& path)
{
    constexpr SECURITY_INFORMATION Asked = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    wchar_t* text = nullptr;
    const bool read =
        GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, Asked, nullptr, nullptr, nullptr, nullptr, &descriptor)
            == ERROR_SUCCESS
        && ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, Asked, &text,
                                                                nullptr);
    const std::wstring found = read ? text : L"(unreadable)";
    LocalFree(text);
    LocalFree(descriptor);
    return found;
}

// Keys of the tests' own: they start missing, so storing must create them.
const RunKey Test{HKEY_LOCAL_MACHINE, u"Software\\Quaylet Tests\\Run"};
const RunKey Locked{HKEY_LOCAL_MACHINE, u"Software\\Quaylet Tests\\Locked"};
const RunKey OwnTest{HKEY_CURRENT_USER, u"Software\\Quaylet Tests\\Run"};

const wchar_t* wide(const std::u16string& text)
{
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

std::u16string u16(const std::wstring& text)
{
    return std::u16string(text.begin(), text.end());
}

// Every unit the registry holds for a text value, terminator included; empty
// when there is none.
std::u16string stored(const std::u16string& name, const RunKey& at = Test)
{
    std::u16string units(2048, u'\0');
    DWORD size = static_cast<DWORD>(units.size() * sizeof(char16_t));
    if (RegGetValueW(at.root, wide(at.subKey), wide(name), RRF_RT_REG_SZ, nullptr, units.data(), &size)
        != ERROR_SUCCESS)
        size = 0;
    units.resize(size / sizeof(char16_t));
    return units;
}

// Sets who may do what with the locked key, in the system's notation for
// access rules; the key's owner may always change them.
bool setLockedKeyAccess(const char* rules)
{
    HKEY key = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const bool set =
        RegOpenKeyExW(Locked.root, wide(Locked.subKey), 0, WRITE_DAC, &key) == ERROR_SUCCESS
        && ConvertStringSecurityDescriptorToSecurityDescriptorA(rules, SDDL_REVISION_1, &descriptor, nullptr)
        && RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
    LocalFree(descriptor);
    RegCloseKey(key);
    return set;
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

    // The program starts at the logon of the user who asked for it only, by
    // its path as it is without a blank, and quoted with one: unquoted,
    // Windows would start a "C:\Program.exe" planted there. Saving again
    // replaces the value, exactly as given even where code page 949 has no
    // character (Thai, an emoji): a "?" there would name another path.
    // Exactly one null follows: a missing or doubled one breaks the Run key.
    // Clearing also takes away the value earlier versions wrote for everyone.
    const std::u16string beyond949 = u"D:\\대항해\u0E01\U0001F600\\X.exe";
    const std::u16string run = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const RunKey userRun{HKEY_CURRENT_USER, run};
    const RunKey machineRun{HKEY_LOCAL_MACHINE, run};
    CHECK(addToRunKey(userRunKey(), u"Quaylet", u"C:\\Old\\X.exe").ok);
    CHECK(addToRunKey(userRunKey(), u"Quaylet", beyond949).ok);
    CHECK(stored(u"Quaylet", userRun) == beyond949 + u'\0' && stored(u"Quaylet", machineRun).empty());
    CHECK(addToRunKey(Test, u"Quaylet", u"C:\\Program Files\\X.exe").ok
          && stored(u"Quaylet") == u"\"C:\\Program Files\\X.exe\"\0"s);
    CHECK(SetRegValue(machineRun.root, run, u"Quaylet", u"C:\\Old\\X.exe") == ERROR_SUCCESS);
    CHECK(removeFromRunKeys({userRunKey(), machineRunKey()}, u"Quaylet").ok);
    CHECK(stored(u"Quaylet", userRun).empty() && stored(u"Quaylet", machineRun).empty());
    // Nothing left to remove is no failure, whether the value or the key is missing.
    const RunKey gone{HKEY_LOCAL_MACHINE, u"Software\\Quaylet Tests\\Gone"};
    CHECK(removeFromRunKeys({userRunKey(), gone}, u"Quaylet").ok);

    // A key the caller may read but not write, as the machine-wide Run key is
    // for a standard user: clearing what is not there needs no write access.
    CHECK(SetRegValue(Locked.root, Locked.subKey, u"Present", u"C:\\X.exe") == ERROR_SUCCESS);
    CHECK(setLockedKeyAccess("D:P(A;;KR;;;WD)"));
    CHECK(removeFromRunKeys({Locked}, u"Quaylet").ok);
    // A value that is there does need it: the other keys are still cleared,
    // and the user hears that the rest takes an administrator.
    CHECK(SetRegValue(OwnTest.root, OwnTest.subKey, u"Present", u"C:\\X.exe") == ERROR_SUCCESS);
    const RunKeyChange removed = removeFromRunKeys({Locked, OwnTest}, u"Present");
    CHECK(!removed.ok && removed.needsAdministrator && !removed.reason.empty());
    CHECK(stored(u"Present", Locked) == u"C:\\X.exe\0"s && stored(u"Present", OwnTest).empty());
    const RunKeyChange added = addToRunKey(Locked, u"Quaylet", u"C:\\X.exe");
    CHECK(!added.ok && added.needsAdministrator && stored(u"Quaylet", Locked).empty());
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
    CHECK(files.replace(fresh.u16string(), target.u16string(), error) && contents(target) == " 1 \r\nDaum\r\n"
          && contents(fresh) == "(missing)");
    // Owner only: the user, who owns it, and the system may open it, and the rename kept that.
    const std::wstring rules = ownerAndRules(target);
    const std::wstring owner = rules.substr(2, rules.find(L"D:") - 2);
    CHECK(rules == L"O:" + owner + L"D:(A;;FA;;;SY)(A;;FA;;;" + owner + L")");
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
    CHECK(platform::makeUserSettingsDirectory(folder, error) && fs::is_directory(folder)
          && platform::makeUserSettingsDirectory(folder, error));  // again, once there
    CHECK(platform::canCreateFilesIn(folder) && fs::is_empty(folder));
    fs::remove_all(folder);

    // A file with the folder's name: refused, named, and left as it was.
    std::ofstream(fs::path(folder)) << "mine";
    CHECK(!platform::makeUserSettingsDirectory(folder, error) && error.starts_with(folder + u": ")
          && error.size() > folder.size() + 2);
    CHECK(contents(folder) == "mine");
    fs::remove(folder);
}

// Who may change what a folder holds, from its owner and its rules: the
// user's own folder and the system's, unless anyone else may put a file in,
// take one away or change the rules. Wine keeps a folder's rules only as
// Unix permission bits (Everyone's write among them) and its owner as the
// Unix one: the rules are judged from descriptors here, and real folders as
// far as Wine keeps them.
void folderKeeperTests()
{
    using platform::win32::FolderKeeper;
    const fs::path folder = fs::temp_directory_path() / L"quaylet-kept";
    fs::remove_all(folder);
    CHECK(platform::isPrivateDirectory(folder.u16string()));  // made so once it is made
    fs::create_directories(folder);
    CHECK(platform::isPrivateDirectory(folder.u16string()) && !platform::isSystemDirectory(folder.u16string()));
    const std::wstring found = ownerAndRules(folder);
    const std::wstring me = found.substr(2, found.find(L"D:") - 2);
    PSECURITY_DESCRIPTOR shared = nullptr;
    CHECK(ConvertStringSecurityDescriptorToSecurityDescriptorW(
              (L"D:P(A;;FA;;;" + me + L")(A;;0x1301bf;;;WD)").c_str(), SDDL_REVISION_1, &shared, nullptr)
          && SetFileSecurityW(folder.c_str(), DACL_SECURITY_INFORMATION, shared));
    LocalFree(shared);
    CHECK(!platform::isPrivateDirectory(folder.u16string()) && !platform::isSystemDirectory(folder.u16string()));
    fs::remove_all(folder);

    const std::wstring other = L"S-1-5-21-1-2-3-1001";
    const std::wstring trustedInstaller = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
    const std::wstring mine = L"O:" + me + L"D:P(A;;FA;;;" + me + L")(A;;FA;;;SY)(A;;FA;;;BA)";
    const std::wstring systems = L"O:SYD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;" + trustedInstaller + L")";
    const std::wstring readable = L"(A;;0x1200a9;;;BU)(A;;0x1200a9;;;AU)(A;;0x1200a9;;;WD)";
    const struct {
        std::wstring rules;
        FolderKeeper keeper;
    } cases[] = {
        {mine + readable, FolderKeeper::User},
        {mine + L"(A;OICIIO;FA;;;CO)", FolderKeeper::User},  // passed on to what is made inside only
        {mine + L"(A;;0x1301bf;;;BU)", FolderKeeper::Others},
        {mine + L"(A;;0x1301bf;;;AU)", FolderKeeper::Others},
        {mine + L"(A;;0x2;;;WD)", FolderKeeper::Others},   // a file may be added
        {mine + L"(A;;0x40;;;WD)", FolderKeeper::Others},  // files may be removed
        {mine + L"(A;;WD;;;BU)", FolderKeeper::Others},    // the rules may be changed
        {mine + L"(A;;FA;;;" + other + L")", FolderKeeper::Others},
        {L"O:" + other + L"D:P(A;;FA;;;" + other + L")", FolderKeeper::Others},
        {systems + readable, FolderKeeper::System},
        {L"O:" + trustedInstaller + L"D:P(A;;FA;;;" + trustedInstaller + L")" + readable, FolderKeeper::System},
        {systems + L"(A;;GA;;;AU)", FolderKeeper::Others},
    };
    for (const auto& c : cases) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        const bool judged = ConvertStringSecurityDescriptorToSecurityDescriptorW(c.rules.c_str(), SDDL_REVISION_1,
                                                                                 &descriptor, nullptr)
                            && platform::win32::folderKeeper(descriptor) == c.keeper;
        check(judged, "folderKeeper", __LINE__);
        if (!judged)
            std::printf("  for %ls\n", c.rules.c_str());
        LocalFree(descriptor);
    }
    // No rules at all let everyone in (Wine's SDDL makes empty rules of NO_ACCESS_CONTROL).
    SECURITY_DESCRIPTOR open{};
    PSID owner = nullptr;
    CHECK(InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION)
          && SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE) && ConvertStringSidToSidW(me.c_str(), &owner)
          && SetSecurityDescriptorOwner(&open, owner, FALSE)
          && platform::win32::folderKeeper(&open) == FolderKeeper::Others);
    LocalFree(owner);
}

// A copy of this program started with this argument notes its path and
// command line in the value "Started" of the test key.
const std::wstring Record = L"--record-start";

void processTests()
{
    // Program paths: no second backslash at a drive's root; only the last dot ends a name.
    CHECK(executableInDirectory(u"D:\\", u"X") == u"D:\\X.exe" && directoryOf(u"D:\\X.exe") == u"D:\\");
    CHECK(baseNameOf(u"C:\\Old.Games\\my.game.exe") == u"my.game");
    CHECK(!startMaximized(L"C:\\No Such Folder\\nothing.exe", Record));

    // The program sits in a folder with a blank, and a program is planted
    // where the part of its path before the blank would name one.
    const fs::path folder = fs::temp_directory_path() / L"quaylet process";
    const std::wstring program = (folder / L"probe dir" / L"probe.exe").wstring();
    fs::create_directories(folder / L"probe dir");
    const fs::path self = platform::executablePath();
    CHECK(fs::copy_file(self, program, fs::copy_options::overwrite_existing)
          && fs::copy_file(self, folder / L"probe.exe", fs::copy_options::overwrite_existing));

    removeTestKeys();
    CHECK(startMaximized(program, Record));
    // Within ten seconds the program itself notes its start, not the planted
    // one, with its command line unquoted.
    for (int i = 0; i < 200 && stored(u"Started").empty(); ++i)
        Sleep(50);
    CHECK(stored(u"Started") == u16(program + L'\n' + program + L' ' + Record + L'\0'));
    removeTestKeys();

    // The copies may still be ending.
    std::error_code busy;
    for (int i = 0; i < 40 && fs::remove_all(folder, busy) == static_cast<std::uintmax_t>(-1); ++i)
        Sleep(50);
}

// A second start finds the lock held and reaches the first one's door, which
// Qt's local server opens as a named pipe.
void instanceTests()
{
    CHECK(platform::takeInstanceLock() && !platform::takeInstanceLock());
    CHECK(!platform::knockOnInstanceDoor(100));
    const std::u16string name = platform::instanceDoorName();
    const std::wstring pipe = L"\\\\.\\pipe\\" + std::wstring(name.begin(), name.end());
    HANDLE door =
        CreateNamedPipeW(pipe.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 0, 0, nullptr);
    CHECK(door != INVALID_HANDLE_VALUE && platform::knockOnInstanceDoor(1000));
    CloseHandle(door);
}

}  // namespace

int main()
{
    const std::wstring commandLine = GetCommandLineW();
    if (commandLine.ends_with(L' ' + Record)) {
        const std::u16string noted = platform::executablePath() + u'\n' + u16(commandLine);
        return SetRegValue(Test.root, Test.subKey, u"Started", noted) == ERROR_SUCCESS ? 0 : 1;
    }

    registryTests();
    fileTests();
    userFolderTests();
    folderKeeperTests();
    processTests();
    instanceTests();

    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
