#include "platform/UserFolder.h"

#include "platform/win32/FolderRights.h"
#include "platform/win32/SystemError.h"

#include <windows.h>

#include <aclapi.h>
#include <knownfolders.h>
#include <sddl.h>
#include <shlobj.h>

#include <optional>
#include <vector>

namespace platform {

using win32::FolderKeeper;

std::u16string userSettingsDirectory()
{
    PWSTR folder = nullptr;
    std::u16string path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder))) {
        const std::wstring_view localAppData(folder);
        path.assign(localAppData.begin(), localAppData.end());
        path += u"\\Quaylet";
    }
    CoTaskMemFree(folder);
    return path;
}

namespace {

using Sid = std::vector<BYTE>;

Sid copyOf(PSID sid)
{
    const BYTE* bytes = static_cast<const BYTE*>(sid);
    return Sid(bytes, bytes + GetLengthSid(sid));
}

// The user this program runs as, and the owner it gives what it makes: the
// user, or the Administrators for an elevated administrator.
std::vector<Sid> userSids()
{
    std::vector<Sid> sids;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return sids;
    for (const TOKEN_INFORMATION_CLASS kind : {TokenUser, TokenOwner}) {
        DWORD size = 0;
        GetTokenInformation(token, kind, nullptr, 0, &size);
        std::vector<BYTE> buffer(size);
        if (size == 0 || !GetTokenInformation(token, kind, buffer.data(), size, &size))
            continue;
        sids.push_back(copyOf(kind == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid
                                                : reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner));
    }
    CloseHandle(token);
    return sids;
}

std::vector<Sid> systemSids()
{
    std::vector<Sid> sids;
    for (const WELL_KNOWN_SID_TYPE kind : {WinLocalSystemSid, WinBuiltinAdministratorsSid}) {
        Sid sid(SECURITY_MAX_SID_SIZE);
        if (DWORD size = DWORD(sid.size()); CreateWellKnownSid(kind, nullptr, sid.data(), &size))
            sids.push_back(copyOf(sid.data()));
    }
    // The service SID of TrustedInstaller, the owner of the system's own folders.
    if (PSID trustedInstaller = nullptr; ConvertStringSidToSidW(
            L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", &trustedInstaller)) {
        sids.push_back(copyOf(trustedInstaller));
        LocalFree(trustedInstaller);
    }
    return sids;
}

bool isOneOf(PSID sid, const std::vector<Sid>& sids)
{
    for (const Sid& known : sids) {
        if (EqualSid(sid, const_cast<BYTE*>(known.data())))
            return true;
    }
    return false;
}

// What lets one put a file into a folder, take one away, or give oneself
// those rights.
constexpr ACCESS_MASK ChangesContents = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | DELETE
                                        | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// Whether the rules let anyone but the user and the system change what the
// folder holds. Rules that only pass on to what is made inside do not count;
// a missing list lets everyone in.
bool othersMayChange(const ACL* rules, const std::vector<Sid>& user, const std::vector<Sid>& system)
{
    if (!rules)
        return true;
    for (DWORD index = 0; index < rules->AceCount; ++index) {
        void* rule = nullptr;
        if (!GetAce(const_cast<ACL*>(rules), index, &rule))
            return true;
        const auto* header = static_cast<const ACE_HEADER*>(rule);
        if ((header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
            || (header->AceFlags & INHERIT_ONLY_ACE))
            continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(rule);
        PSID trustee = &allowed->SidStart;
        if ((allowed->Mask & ChangesContents) && !isOneOf(trustee, user) && !isOneOf(trustee, system))
            return true;
    }
    return false;
}

// Nothing for a directory that does not exist; others for one whose rules
// cannot be read.
std::optional<FolderKeeper> keeperOf(const std::u16string& directory)
{
    const std::wstring path(directory.begin(), directory.end());
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD result =
        GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, nullptr, nullptr, &descriptor);
    if (result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND)
        return std::nullopt;
    const FolderKeeper keeper = result == ERROR_SUCCESS ? win32::folderKeeper(descriptor) : FolderKeeper::Others;
    LocalFree(descriptor);
    return keeper;
}

}  // namespace

namespace win32 {

FolderKeeper folderKeeper(PSECURITY_DESCRIPTOR descriptor)
{
    PSID owner = nullptr;
    PACL rules = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !owner
        || !GetSecurityDescriptorDacl(descriptor, &present, &rules, &defaulted) || !present)
        return FolderKeeper::Others;
    const std::vector<Sid> user = userSids();
    const std::vector<Sid> system = systemSids();
    if (othersMayChange(rules, user, system))
        return FolderKeeper::Others;
    return isOneOf(owner, user)     ? FolderKeeper::User
           : isOneOf(owner, system) ? FolderKeeper::System
                                    : FolderKeeper::Others;
}

}  // namespace win32

bool isPrivateDirectory(const std::u16string& directory)
{
    const std::optional<FolderKeeper> keeper = keeperOf(directory);
    return !keeper || *keeper == FolderKeeper::User;
}

bool isSystemDirectory(const std::u16string& directory)
{
    return keeperOf(directory) == FolderKeeper::System;
}

bool makeUserSettingsDirectory(const std::u16string& path, std::u16string& error)
{
    const std::wstring folder(path.begin(), path.end());
    if (CreateDirectoryW(folder.c_str(), nullptr))
        return true;
    DWORD failure = GetLastError();
    if (failure == ERROR_ALREADY_EXISTS) {
        const DWORD attributes = GetFileAttributesW(folder.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return true;
        failure = ERROR_DIRECTORY;
    }
    const std::wstring text = folder + L": " + win32::systemErrorText(failure);
    error.assign(text.begin(), text.end());
    return false;
}

}  // namespace platform
