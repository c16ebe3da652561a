// Any text within the stored format's limits enciphers to characters 43 to
// 78 and deciphers back to its single-byte characters, without damage; a text
// beyond the limits is refused with nothing enciphered.

#include "Check.h"
#include "platform/CodePage.h"
#include "storage/Crypt.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The input's bytes as UTF-16 code units, lone surrogates included.
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, size / 2 * 2);

    QString expected;
    for (QChar ch : text) {
        const int code = platform::ansiCode(ch.unicode());
        if (code >= 0 && code <= 255)
            expected += QChar(platform::ansiChar(static_cast<unsigned char>(code)));
    }
    const bool withinLimits = text.size() <= storage::Crypt::MaxEncodedLength
                              && expected.size() <= storage::Crypt::MaxSingleByteCharacters;

    TempState temp;
    int damages = 0;
    storage::Crypt crypt(temp, [&] { ++damages; });
    temp.CryptText = QStringLiteral("left over");
    PROPERTY(crypt.Encrypt(text) == withinLimits);
    if (!withinLimits) {
        PROPERTY(temp.CryptText.isEmpty());
        return 0;
    }
    const QString stored = temp.CryptText;
    PROPERTY(stored.size() == 2 * expected.size());
    for (QChar ch : stored)
        PROPERTY(ch.unicode() >= 43 && ch.unicode() <= 78 && ch != u',');
    crypt.Decrypt(stored, storage::Crypt::Key);
    PROPERTY(damages == 0);
    PROPERTY(temp.PlainText == expected);
    return 0;
}
