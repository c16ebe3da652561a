#pragma once

#include <string>
#include <string_view>

namespace platform {

// The system's ANSI code page: 949 (Korean) everywhere, as on the Korean
// Windows systems the stored files come from. Characters the code page
// cannot represent become "?", as the Windows conversion does.
std::string toAnsi(std::u16string_view text);
std::u16string fromAnsi(std::string_view bytes);

// The code of one UTF-16 unit in the code page as a signed 16-bit number:
// 0..255 for single-byte characters, anything else for double-byte ones.
int ansiCode(char16_t unit);

// The character a single byte stands for in the code page; U+FFFD for a byte
// that is only the first half of a double-byte character.
char16_t ansiChar(unsigned char code);

}  // namespace platform
