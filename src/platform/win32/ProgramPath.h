#pragma once

#include <string>
#include <string_view>

// How the program names itself on Windows. Plain string rules, so they can be
// checked on any system.
namespace platform::win32 {

// The directory of a full file path without the closing backslash, except
// for a drive's root, which keeps it ("D:\").
inline std::u16string directoryOf(std::u16string_view path)
{
    const std::size_t slash = path.rfind(u'\\');
    if (slash == std::u16string_view::npos)
        return {};
    const std::u16string_view directory = path.substr(0, slash);
    if (directory.size() == 2 && directory[1] == u':')
        return std::u16string(path.substr(0, slash + 1));
    return std::u16string(directory);
}

// The file name of a full path without its extension: "C:\Games\X\X.exe" gives "X".
inline std::u16string baseNameOf(std::u16string_view path)
{
    const std::size_t slash = path.rfind(u'\\');
    std::u16string_view name = slash == std::u16string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind(u'.');
    if (dot != std::u16string_view::npos)
        name = name.substr(0, dot);
    return std::u16string(name);
}

// The executable's full path: the directory, a backslash unless the directory
// already ends with one (a drive's root), the name and ".exe".
inline std::u16string executableInDirectory(std::u16string_view directory, std::u16string_view baseName)
{
    std::u16string path(directory);
    if (path.empty() || path.back() != u'\\')
        path += u'\\';
    path += baseName;
    path += u".exe";
    return path;
}

// The command that starts the program at logon. Windows splits an unquoted
// command at its blanks and tries the shorter names first, so that
// "C:\Program Files\X\X.exe" would start a "C:\Program.exe" planted there:
// a path with a blank goes in quotation marks.
inline std::u16string logonCommand(std::u16string_view path)
{
    if (path.find_first_of(u" \t") == std::u16string_view::npos)
        return std::u16string(path);
    return u'"' + std::u16string(path) + u'"';
}

}  // namespace platform::win32
