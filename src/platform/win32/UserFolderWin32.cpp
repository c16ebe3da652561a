#include "platform/UserFolder.h"

#include "platform/win32/SystemError.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

namespace platform {

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

// The local application data folder exists for every user who has logged on
// and only that user (with SYSTEM and the administrators) may open it; the
// new folder inherits those rights.
bool isPrivateDirectory(const std::u16string&)
{
    return true;
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
