#include "platform/CodePage.h"

#include <windows.h>

namespace platform {

std::string toAnsi(std::u16string_view text)
{
    if (text.empty())
        return {};
    const std::wstring wide(text.begin(), text.end());
    const int units = static_cast<int>(wide.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), units, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

// Character by character, so that an invalid or cut-off double-byte
// character becomes U+FFFD rather than the "?" Windows would put there.
std::u16string fromAnsi(std::string_view bytes)
{
    std::u16string result;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<BYTE>(bytes[i]);
        const std::size_t size = IsDBCSLeadByteEx(CP_ACP, lead) && i + 1 < bytes.size() ? 2 : 1;
        wchar_t units[2] = {};
        const int count = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data() + i,
                                              static_cast<int>(size), units, 2);
        if (count > 0)
            result.append(units, units + count);
        else
            result += u'\uFFFD';
        i += size;
    }
    return result;
}

}  // namespace platform
