#pragma once

#include "core/AppState.h"

#include <QString>

#include <functional>

namespace storage {

// The credential cipher: each character's code page value becomes two hex
// digits, and the digit text is shifted by a position-dependent amount and a
// key number derived from the key string. Results go to Temp.CryptText and
// Temp.PlainText, where the saved-credentials code picks them up.
class Crypt {
public:
    static inline const QString Key = QStringLiteral("kqz");
    // The position counters of the stored format count in a byte.
    static constexpr int MaxEncodedLength = 254;  // characters in, digits out
    static constexpr int MaxSingleByteCharacters = 127;
    static constexpr int MaxStoredLength = 255;

    // Runs after PlainText is set, when a stored value turned out damaged.
    using DamageHandler = std::function<void()>;

    Crypt(TempState& temp, DamageHandler onDamage);

    // Hex-encodes and enciphers text with Key. Returns false, with CryptText
    // emptied, for a text the stored format cannot carry.
    bool Encrypt(const QString& text);
    bool ShiftEncode(const QString& digits, const QString& key);
    void Decrypt(const QString& stored, const QString& key);
    void HexDecode(const QString& digits);

    static bool fitsStoredFormat(const QString& text);

    // One character's shift for position counter c (1, 2, 3, 4, 5, 0, ...)
    // and key number k. A step that would leave 0..255 is skipped.
    static int encodeCode(int x, int c, int k);
    static int decodeCode(int x, int c, int k);

private:
    TempState& temp_;
    DamageHandler onDamage_;
};

}  // namespace storage
