#include "storage/Crypt.h"

#include <gtest/gtest.h>

using storage::Crypt;

namespace {

class CryptTest : public ::testing::Test {
protected:
    TempState temp;
    int damages = 0;
    Crypt crypt{temp, [this] { ++damages; }};

    QString enciphered(const QString& text)
    {
        EXPECT_TRUE(crypt.Encrypt(text)) << text.toStdString();
        return temp.CryptText;
    }
    QString deciphered(const QString& stored)
    {
        crypt.Decrypt(stored, Crypt::Key);
        return temp.PlainText;
    }
};

// Codes 1 to 127 are the most single-byte characters a value may hold. The
// user file's tests read and write "abc" and empty values.
TEST_F(CryptTest, EverySingleByteCharacterBothWaysUpToTheLengthLimits)
{
    // "\t" is the digit text "09", moved by the key's first two rows, -2 and
    // +4: the leading zero stays.
    EXPECT_EQ(enciphered("\t"), ".=");
    EXPECT_EQ(deciphered(".="), "\t");
    EXPECT_EQ(enciphered(QString::fromUtf8("가a")), "45") << "a double-byte character is dropped";
    ASSERT_TRUE(crypt.ShiftEncode("616", Crypt::Key));
    EXPECT_EQ(deciphered(temp.CryptText), QString("a") + QChar(6))
        << "an odd length ends in a one-digit character";

    QString all;
    for (int code = 1; code < 128; ++code)
        all += QChar(code);
    for (const QChar ch : enciphered(all))
        EXPECT_TRUE(ch.unicode() >= 43 && ch.unicode() <= 78 && ch != u',') << int(ch.unicode());
    EXPECT_EQ(temp.CryptText.size(), 254);
    EXPECT_EQ(deciphered(temp.CryptText), all);
    EXPECT_EQ(damages, 0);

    EXPECT_FALSE(crypt.Encrypt(all + QChar(u'x')));
    EXPECT_TRUE(temp.CryptText.isEmpty()) << "a refused text leaves no stale result";
    const QString korean127(127, QChar(0xAC00));
    EXPECT_TRUE(crypt.Encrypt(all + korean127)) << "254 characters, 127 single-byte";
    EXPECT_FALSE(crypt.Encrypt(all + korean127 + QChar(0xAC00))) << "255 characters";
    EXPECT_FALSE(crypt.ShiftEncode(QString(255, '0'), Crypt::Key));
}

// A hand-edited character breaks its own piece only (the user file's tests
// hold one in the shifted text). The stored format ends at 254 characters:
// 255 is damage, longer is refused as damage.
TEST_F(CryptTest, DamagedOrOverlongValuesAreReportedOnceWithWhatCouldBeDecoded)
{
    crypt.HexDecode("61ZZ62");
    EXPECT_EQ(temp.PlainText, "ab");
    EXPECT_EQ(damages, 1);
    deciphered(QString::fromUtf8("가나다"));
    EXPECT_EQ(damages, 2) << "double-byte characters never decode to hex digits";
    crypt.HexDecode(QString(255, '6'));
    EXPECT_EQ(damages, 3);
    EXPECT_TRUE(deciphered(QString(256, 'A')).isEmpty());
    EXPECT_EQ(damages, 4);
}

}  // namespace
