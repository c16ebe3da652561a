// Checks of the Win32 layer against the real API (under Wine here). Run with
// code page 949 as the ANSI code page, as on the Korean systems the program
// is made for. Prints one line per failure and ends with the totals.

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/win32/Process.h"
#include "platform/win32/ProgramPath.h"
#include "platform/win32/Registry.h"
#include "platform/win32/SystemError.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using platform::win32::DeleteRegValue;
using platform::win32::SetRegValue;

namespace {

int passed = 0;
int failed = 0;

void check(bool ok, const char* what, int line)
{
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::printf("FAILED line %d: %s\n", line, what);
    }
}

#define CHECK(condition) check((condition), #condition, __LINE__)

std::wstring wide(const std::u16string& text)
{
    return std::wstring(text.begin(), text.end());
}

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

// ---- Registry

const std::u16string RunKey = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const RunKeyAnsi = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const ScratchKey = "Software\\Quaylet Tests";

struct StoredValue {
    LONG status = ERROR_SUCCESS;
    DWORD type = REG_NONE;
    std::string bytes;  // everything the registry holds, terminator included
};

StoredValue readValue(const char* subKey, const char* name)
{
    StoredValue value;
    HKEY key = nullptr;
    value.status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_QUERY_VALUE, &key);
    if (value.status != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    value.status = RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size);
    if (value.status == ERROR_SUCCESS) {
        value.bytes.resize(size);
        value.status = RegQueryValueExA(key, name, nullptr, &value.type,
                                        reinterpret_cast<BYTE*>(value.bytes.data()), &size);
        value.bytes.resize(size);
    }
    RegCloseKey(key);
    return value;
}

bool keyExists(const char* subKey)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void registryTests()
{
    // Left-overs of an earlier run would hide what these calls do.
    DeleteRegValue(HKEY_LOCAL_MACHINE, RunKey, u"Quaylet");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, ScratchKey);

    CHECK(SetRegValue(HKEY_LOCAL_MACHINE, RunKey, u"Quaylet", u"C:\\Games\\X\\X.exe") == ERROR_SUCCESS);
    StoredValue value = readValue(RunKeyAnsi, "Quaylet");
    CHECK(value.status == ERROR_SUCCESS);
    CHECK(value.type == REG_SZ);
    CHECK(value.bytes == std::string("C:\\Games\\X\\X.exe") + '\0');
    CHECK(value.bytes.size() == 17 && value.bytes[15] != '\0' && value.bytes[16] == '\0');

    // Saving again replaces the one value; blanks stay, without quotation marks.
    CHECK(SetRegValue(HKEY_LOCAL_MACHINE, RunKey, u"Quaylet", u"C:\\Program Files\\My Game\\My Game.exe")
          == ERROR_SUCCESS);
    value = readValue(RunKeyAnsi, "Quaylet");
    CHECK(value.bytes == std::string("C:\\Program Files\\My Game\\My Game.exe") + '\0');

    // Texts travel in code page 949: each Korean syllable is two bytes.
    CHECK(SetRegValue(HKEY_LOCAL_MACHINE, RunKey, u"Quaylet", u"D:\\대항해\\X.exe") == ERROR_SUCCESS);
    value = readValue(RunKeyAnsi, "Quaylet");
    CHECK(value.bytes == std::string("D:\\\xB4\xEB\xC7\xD7\xC7\xD8\\X.exe") + '\0');

    CHECK(DeleteRegValue(HKEY_LOCAL_MACHINE, RunKey, u"Quaylet") == ERROR_SUCCESS);
    CHECK(readValue(RunKeyAnsi, "Quaylet").status == ERROR_FILE_NOT_FOUND);
    CHECK(keyExists(RunKeyAnsi));
    CHECK(DeleteRegValue(HKEY_LOCAL_MACHINE, RunKey, u"Quaylet") == ERROR_SUCCESS);

    // A missing key is created when storing and left missing when deleting.
    CHECK(DeleteRegValue(HKEY_LOCAL_MACHINE, u"Software\\Quaylet Tests\\Gone", u"Quaylet") == ERROR_SUCCESS);
    CHECK(!keyExists("Software\\Quaylet Tests\\Gone"));
    CHECK(SetRegValue(HKEY_LOCAL_MACHINE, u"Software\\Quaylet Tests\\New", u"Empty", u"") == ERROR_SUCCESS);
    value = readValue("Software\\Quaylet Tests\\New", "Empty");
    CHECK(value.status == ERROR_SUCCESS && value.type == REG_SZ && value.bytes == std::string(1, '\0'));

    // Names go through the code page as well; the wide API reads the same text.
    CHECK(SetRegValue(HKEY_LOCAL_MACHINE, u"Software\\Quaylet Tests\\항해", u"대항해", u"가") == ERROR_SUCCESS);
    wchar_t data[8] = {};
    DWORD size = sizeof(data);
    CHECK(RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Quaylet Tests\\항해", L"대항해", RRF_RT_REG_SZ, nullptr,
                       data, &size)
          == ERROR_SUCCESS);
    CHECK(std::wstring(data) == L"가");

    // Failures come back; every step still ran without harm.
    const auto noKey = static_cast<HKEY>(nullptr);
    CHECK(SetRegValue(noKey, u"Software\\Quaylet Tests", u"Quaylet", u"x") != ERROR_SUCCESS);
    CHECK(DeleteRegValue(noKey, u"Software\\Quaylet Tests", u"Quaylet") != ERROR_SUCCESS);

    RegDeleteTreeA(HKEY_LOCAL_MACHINE, ScratchKey);
}

void errorTextTests()
{
    const std::wstring denied = platform::win32::systemErrorText(ERROR_ACCESS_DENIED);
    CHECK(!denied.empty());
    CHECK(!denied.empty() && denied.back() != L'\n' && denied.back() != L'\r');
    CHECK(platform::win32::systemErrorText(0x2FFFFFFF).rfind(L"Windows error ", 0) == 0);
}

// ---- Code page

void codePageTests()
{
    CHECK(GetACP() == 949);
    if (GetACP() != 949)
        std::printf("the ANSI code page is %u; run with LC_ALL=ko_KR.UTF-8\n", GetACP());

    CHECK(platform::toAnsi(u"가") == "\xB0\xA1");
    CHECK(platform::toAnsi(u"A가B") == "A\xB0\xA1" "B");
    CHECK(platform::toAnsi(u"a\u0E01b") == "a?b");
    CHECK(platform::toAnsi(u"") == "");
    CHECK(platform::fromAnsi("\xB0\xA1") == u"가");
    CHECK(platform::fromAnsi("A\xB4\xEB" "B") == u"A대B");
    CHECK(platform::fromAnsi("x\xB0") == u"x\uFFFD");
    CHECK(platform::ansiCode(u'A') == 65);
    CHECK(platform::ansiCode(u'가') == static_cast<std::int16_t>(0xB0A1));
    CHECK(platform::ansiCode(u'\u0E01') == '?');
    CHECK(platform::ansiChar(0x41) == u'A');
    CHECK(platform::ansiChar(0xB0) == u'\uFFFD');
}

// ---- Files

void fileTests()
{
    std::wstring temp(MAX_PATH + 1, L'\0');
    temp.resize(GetTempPathW(static_cast<DWORD>(temp.size()), temp.data()));
    const std::wstring folder = temp + L"quaylet-files";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring file = folder + L"\\사용자.ini";
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(handle != INVALID_HANDLE_VALUE);
    CloseHandle(handle);

    CHECK(platform::isOrdinaryFile(utf16(file)));
    std::wstring forward = file;
    for (wchar_t& ch : forward) {
        if (ch == L'\\')
            ch = L'/';
    }
    CHECK(platform::isOrdinaryFile(utf16(forward)));
    CHECK(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
    CHECK(platform::isOrdinaryFile(utf16(file)));
    CHECK(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN));
    CHECK(!platform::isOrdinaryFile(utf16(file)));
    CHECK(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_SYSTEM));
    CHECK(!platform::isOrdinaryFile(utf16(file)));
    CHECK(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL));
    CHECK(platform::isOrdinaryFile(utf16(file)));
    CHECK(!platform::isOrdinaryFile(utf16(folder)));
    CHECK(!platform::isOrdinaryFile(utf16(folder + L"\\missing.ini")));

    DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
}

// ---- Program path and process start

void pathRuleTests()
{
    using platform::win32::executableInDirectory;
    CHECK(executableInDirectory(u"C:\\Games\\X", u"X") == u"C:\\Games\\X\\X.exe");
    CHECK(executableInDirectory(u"D:\\", u"X") == u"D:\\X.exe");

    const std::u16string module = utf16(modulePath());
    CHECK(module.size() > 4 && module.substr(module.size() - 4) == u".exe");
    CHECK(platform::executablePath() == module);
    CHECK(platform::programDirectory() + u"\\quaylet_win32_tests.exe" == module);
}

const wchar_t* const RootCopy = L"C:\\QuayletRoot.EXE";
const wchar_t* const Report = L"C:\\quaylet-root-report.txt";
const char* const ReportOption = "--report=";

// What a copy started by the tests sees of itself; the report is renamed
// into place when complete.
int writeReport(const char* path)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    const std::wstring text = wide(platform::programDirectory()) + L"\n" + wide(platform::executablePath()) + L"\n"
                              + GetCommandLineW() + L"\n"
                              + std::to_wstring(startup.dwFlags & STARTF_USESHOWWINDOW) + L" "
                              + std::to_wstring(startup.wShowWindow) + L"\n";
    const std::string partial = std::string(path) + ".part";
    const HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    return MoveFileExA(partial.c_str(), path, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}

std::vector<std::wstring> waitForReport()
{
    for (int tries = 0; tries < 300; ++tries) {
        const HANDLE file = CreateFileW(Report, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            std::wstring text(GetFileSize(file, nullptr) / sizeof(wchar_t), L'\0');
            DWORD read = 0;
            ReadFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read, nullptr);
            CloseHandle(file);
            std::vector<std::wstring> lines;
            for (std::size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1)
                lines.push_back(text.substr(start, end - start));
            return lines;
        }
        Sleep(100);
    }
    return {};
}

void processTests()
{
    CHECK(!platform::win32::startMaximized(L"C:\\No Such Folder\\nothing.exe", L"http://localhost/"));

    DeleteFileW(Report);
    CHECK(CopyFileW(modulePath().c_str(), RootCopy, FALSE));
    const std::wstring argument = std::wstring(ReportOption, ReportOption + std::strlen(ReportOption)) + Report;
    CHECK(platform::win32::startMaximized(RootCopy, argument));

    const std::vector<std::wstring> report = waitForReport();
    CHECK(report.size() == 4);
    if (report.size() == 4) {
        CHECK(report[0] == L"C:\\");
        CHECK(report[1] == L"C:\\QuayletRoot.exe");
        CHECK(report[2] == std::wstring(RootCopy) + L" " + argument);
        CHECK(report[3] == L"1 " + std::to_wstring(SW_SHOWMAXIMIZED));
    }
    DeleteFileW(Report);
    // The copy may still be ending for a moment after its report.
    for (int tries = 0; tries < 50 && !DeleteFileW(RootCopy); ++tries)
        Sleep(100);
}

// ---- Version resource

std::wstring versionText(const std::vector<BYTE>& data, const wchar_t* name)
{
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\041204b5\\") + name;
    if (!VerQueryValueW(data.data(), path.c_str(), &value, &length) || length == 0)
        return {};
    return std::wstring(static_cast<const wchar_t*>(value));
}

void versionTests()
{
    CHECK(FindResourceExW(nullptr, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(VS_VERSION_INFO),
                          MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN))
          != nullptr);

    const std::wstring self = modulePath();
    DWORD ignored = 0;
    std::vector<BYTE> data(GetFileVersionInfoSizeW(self.c_str(), &ignored));
    CHECK(!data.empty());
    if (data.empty())
        return;
    CHECK(GetFileVersionInfoW(self.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));

    void* value = nullptr;
    UINT length = 0;
    CHECK(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) && length == 4);
    if (length == 4) {
        const auto* translation = static_cast<const WORD*>(value);
        CHECK(translation[0] == 0x0412 && translation[1] == 1205);
    }
    CHECK(VerQueryValueW(data.data(), L"\\", &value, &length) && length == sizeof(VS_FIXEDFILEINFO));
    if (length == sizeof(VS_FIXEDFILEINFO)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        CHECK(fixed->dwFileVersionMS == MAKELONG(1, 1) && fixed->dwProductVersionMS == MAKELONG(1, 1));
    }

    CHECK(versionText(data, L"ProductName") == L"Quaylet");
    CHECK(versionText(data, L"InternalName") == L"Quaylet");
    CHECK(versionText(data, L"OriginalFilename") == L"Quaylet.exe");
    CHECK(versionText(data, L"FileVersion") == L"1.01");
    CHECK(versionText(data, L"ProductVersion") == L"1.01");
    CHECK(versionText(data, L"FileDescription") == L"대항해시대 온라인 로그인 도우미");
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc == 2 && std::strncmp(argv[1], ReportOption, std::strlen(ReportOption)) == 0)
        return writeReport(argv[1] + std::strlen(ReportOption));

    registryTests();
    errorTextTests();
    codePageTests();
    fileTests();
    pathRuleTests();
    processTests();
    versionTests();

    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
