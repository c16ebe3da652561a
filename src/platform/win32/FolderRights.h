#pragma once

#include <windows.h>

namespace platform::win32 {

// Who may change what a folder holds, judged by the owner and the access
// rules of its security descriptor: the user this program runs as (with the
// system beside), the system alone (SYSTEM, the Administrators or
// TrustedInstaller own it), or others too: anyone else the rules let put a
// file in, take one away or change the rules (Users, Authenticated Users and
// Everyone included), or another owner.
enum class FolderKeeper { User, System, Others };

FolderKeeper folderKeeper(PSECURITY_DESCRIPTOR descriptor);

}  // namespace platform::win32
