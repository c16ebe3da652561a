#include "storage/Crypt.h"

#include "platform/CodePage.h"

#include <cmath>
#include <optional>

namespace storage {

namespace {

bool isByte(int value)
{
    return value >= 0 && value <= 255;
}

// Sum of the key's character codes, skipping any addition that would leave
// the byte range; the key number is that sum divided by 60.
std::optional<int> keyNumber(const QString& key)
{
    if (key.size() > 255)
        return std::nullopt;
    int sum = 0;
    for (QChar ch : key) {
        const int next = sum + platform::ansiCode(ch.unicode());
        if (isByte(next))
            sum = next;
    }
    return static_cast<int>(std::trunc((sum * 0.1) / 6.0));
}

// Position counter: 1, 2, 3, 4, 5, 0, 1, ...
int positionCounter(qsizetype index)
{
    return static_cast<int>((index + 1) % 6);
}

// First step of the forward shift for counter c; the backward shift negates
// the adjustment. Row constants: c=1: 6, 2: 5, 3: 2, 4: 4, 5: 1, 0: 3.
int adjustment(int c, int k)
{
    switch (c) {
    case 1: return k - 6;
    case 2: return -(k - 5);
    case 3: return k - 2;
    case 4: return -(k - 4);
    case 5: return k - 1;
    default: return -(k - 3);
    }
}

// Applies both steps under the byte rule: a step leaving 0..255 is skipped.
int shift(int x, int firstStep, int secondStep)
{
    int y = 0;
    if (isByte(x + firstStep))
        y = x + firstStep;
    if (isByte(y + secondStep))
        y += secondStep;
    return y;
}

QChar characterFor(int code)
{
    return QChar(platform::ansiChar(static_cast<unsigned char>(code)));
}

int hexDigitValue(QChar ch)
{
    if (ch >= u'0' && ch <= u'9')
        return ch.unicode() - u'0';
    if (ch >= u'A' && ch <= u'F')
        return ch.unicode() - u'A' + 10;
    if (ch >= u'a' && ch <= u'f')
        return ch.unicode() - u'a' + 10;
    return -1;
}

}  // namespace

Crypt::Crypt(TempState& temp, DamageHandler onDamage)
    : temp_(temp), onDamage_(std::move(onDamage))
{
}

int Crypt::encodeCode(int x, int c, int k)
{
    return shift(x, adjustment(c, k), c);
}

int Crypt::decodeCode(int x, int c, int k)
{
    return shift(x, -adjustment(c, k), -c);
}

bool Crypt::fitsStoredFormat(const QString& text)
{
    if (text.size() > MaxEncodedLength)
        return false;
    int singleByte = 0;
    for (QChar ch : text) {
        if (isByte(platform::ansiCode(ch.unicode())))
            ++singleByte;
    }
    return singleByte <= MaxSingleByteCharacters;
}

bool Crypt::Encrypt(const QString& text)
{
    if (!fitsStoredFormat(text)) {
        temp_.CryptText.clear();
        return false;
    }
    static const char* const digits = "0123456789ABCDEF";
    QString hex;
    for (QChar ch : text) {
        const int code = platform::ansiCode(ch.unicode());
        // Double-byte characters have codes of more than two hex digits and are dropped.
        if (!isByte(code))
            continue;
        hex += QChar(digits[code >> 4]);
        hex += QChar(digits[code & 0xF]);
    }
    return ShiftEncode(hex, Key);
}

bool Crypt::ShiftEncode(const QString& digits, const QString& key)
{
    const std::optional<int> k = keyNumber(key);
    if (!k || digits.size() > MaxEncodedLength) {
        temp_.CryptText.clear();
        return false;
    }
    QString out;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const int c = positionCounter(i);
        out += characterFor(encodeCode(platform::ansiCode(digits[i].unicode()), c, *k));
    }
    temp_.CryptText = out;
    return true;
}

void Crypt::Decrypt(const QString& stored, const QString& key)
{
    const std::optional<int> k = keyNumber(key);
    if (!k || stored.size() > MaxStoredLength) {
        // Longer than any value the program writes: damaged.
        temp_.PlainText.clear();
        if (onDamage_)
            onDamage_();
        return;
    }
    QString digits;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const int c = positionCounter(i);
        int x = platform::ansiCode(stored[i].unicode());
        // Only a hand-edited file holds double-byte characters; 0 never
        // shifts back to a hex digit, so the damage test catches them.
        if (!isByte(x))
            x = 0;
        digits += characterFor(decodeCode(x, c, *k));
    }
    HexDecode(digits);
}

void Crypt::HexDecode(const QString& digits)
{
    QString plain;
    bool damaged = digits.size() == MaxStoredLength;
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        const int high = hexDigitValue(digits[i]);
        const int low = i + 1 < digits.size() ? hexDigitValue(digits[i + 1]) : 0;
        if (high < 0 || low < 0) {
            damaged = true;
            continue;
        }
        plain += characterFor(i + 1 < digits.size() ? high * 16 + low : high);
    }
    temp_.PlainText = plain;
    if (damaged && onDamage_)
        onDamage_();
}

}  // namespace storage
