// User.ini from any bytes, read as the program reads it: the first two values
// deciphered with the key "kqz". Nothing may crash; a value that deciphers
// without damage re-enciphers to a value that deciphers to the same text, and
// to exactly the stored text when that is in the form the program writes.

#include "Check.h"
#include "platform/CodePage.h"
#include "storage/Crypt.h"
#include "storage/Fields.h"

#include <cstddef>
#include <cstdint>

namespace {

// Every character stands for one byte of the code page and back.
bool writable(const QString& text)
{
    for (QChar ch : text) {
        const int code = platform::ansiCode(ch.unicode());
        if (code < 0 || code > 255 || platform::ansiChar(static_cast<unsigned char>(code)) != ch.unicode())
            return false;
    }
    return true;
}

// The form the program writes: pairs of characters from its alphabet.
bool writtenForm(const QString& stored)
{
    if (stored.size() % 2 != 0)
        return false;
    for (QChar ch : stored) {
        if (ch.unicode() < 43 || ch.unicode() > 78)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QStringList values =
        storage::storedValues(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    TempState temp;
    int damages = 0;
    storage::Crypt crypt(temp, [&] { ++damages; });

    for (qsizetype i = 0; i < values.size() && i < 2; ++i) {
        const QString& stored = values[i];
        const int before = damages;
        crypt.Decrypt(stored, storage::Crypt::Key);
        const QString plain = temp.PlainText;
        PROPERTY(damages - before <= 1);
        PROPERTY(plain.size() <= (stored.size() + 1) / 2);
        if (damages != before || !writable(plain))
            continue;

        PROPERTY(crypt.Encrypt(plain));
        const QString again = temp.CryptText;
        if (writtenForm(stored))
            PROPERTY(again == stored);
        crypt.Decrypt(again, storage::Crypt::Key);
        PROPERTY(damages == before);
        PROPERTY(temp.PlainText == plain);
    }
    return 0;
}
