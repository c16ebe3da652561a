#include "platform/CodePage.h"

#include <cstdint>

namespace platform {

int ansiCode(char16_t unit)
{
    const std::string bytes = toAnsi(std::u16string_view(&unit, 1));
    if (bytes.size() == 1)
        return static_cast<unsigned char>(bytes[0]);
    if (bytes.size() == 2) {
        const auto word = static_cast<std::uint16_t>((static_cast<unsigned char>(bytes[0]) << 8)
                                                     | static_cast<unsigned char>(bytes[1]));
        return static_cast<std::int16_t>(word);
    }
    return '?';
}

char16_t ansiChar(unsigned char code)
{
    if (code < 0x80)
        return code;
    const char byte = static_cast<char>(code);
    const std::u16string text = fromAnsi(std::string_view(&byte, 1));
    return text.size() == 1 ? text[0] : u'\uFFFD';
}

}  // namespace platform
