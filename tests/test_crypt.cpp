#include "storage/Crypt.h"

#include <gtest/gtest.h>

using storage::Crypt;

namespace {

class CryptTest : public ::testing::Test {
protected:
    TempState temp;
    int damages = 0;
    Crypt crypt{temp, [this] { ++damages; }};
};

TEST_F(CryptTest, EnciphersTheKnownExample)
{
    // "abc" is the digit text "616263"; key "kqz" gives key number 3, and the
    // rows for c = 1..5, 0 move the digits by -2, +4, +4, +5, +7, 0.
    ASSERT_TRUE(crypt.Encrypt("abc"));
    EXPECT_EQ(temp.CryptText, "45:7=3");
    crypt.Decrypt("45:7=3", Crypt::Key);
    EXPECT_EQ(temp.PlainText, "abc");
    EXPECT_EQ(damages, 0);
}

TEST_F(CryptTest, HexEncodingRules)
{
    // Checked through the shift with a key number of 3 undone by hand.
    ASSERT_TRUE(crypt.Encrypt("\t"));  // "09"
    EXPECT_EQ(temp.CryptText, QString(QChar('0' - 2)) + QChar('9' + 4));

    ASSERT_TRUE(crypt.Encrypt(QString::fromUtf8("가a")));  // the syllable is dropped: "61"
    EXPECT_EQ(temp.CryptText, "45");

    ASSERT_TRUE(crypt.Encrypt(""));
    EXPECT_EQ(temp.CryptText, "");
    crypt.Decrypt("", Crypt::Key);
    EXPECT_EQ(temp.PlainText, "");
    EXPECT_EQ(damages, 0);
}

TEST_F(CryptTest, RoundTripsEverySingleByteCharacter)
{
    QString all;
    for (int code = 1; code < 128; ++code)
        all += QChar(code);
    for (const QString& text : {all.left(127), all.mid(32, 95), QString("p@ss,word \"quoted\"\\")}) {
        ASSERT_TRUE(crypt.Encrypt(text));
        for (QChar ch : temp.CryptText) {
            EXPECT_GE(ch.unicode(), 43);
            EXPECT_LE(ch.unicode(), 78);
            EXPECT_NE(ch, QChar(',')) << "key number 3 never yields a comma";
        }
        crypt.Decrypt(temp.CryptText, Crypt::Key);
        EXPECT_EQ(temp.PlainText, text);
    }
    EXPECT_EQ(damages, 0);
}

TEST_F(CryptTest, NothingCarriesOverBetweenCalls)
{
    ASSERT_TRUE(crypt.Encrypt("same"));
    const QString first = temp.CryptText;
    ASSERT_TRUE(crypt.Encrypt("other text"));
    ASSERT_TRUE(crypt.Encrypt("same"));
    EXPECT_EQ(temp.CryptText, first);
}

TEST_F(CryptTest, KeyNumberAndCommas)
{
    // "A" alone sums to 65: key number 1, and "0" at c = 1 becomes 44, a comma.
    ASSERT_TRUE(crypt.ShiftEncode("0", "A"));
    EXPECT_EQ(temp.CryptText, ",");
    // An addition that would pass 255 is skipped: "kqz" stops at 220.
    ASSERT_TRUE(crypt.ShiftEncode("0", "kq"));
    const QString twoLetters = temp.CryptText;
    ASSERT_TRUE(crypt.ShiftEncode("0", "kqz"));
    EXPECT_EQ(temp.CryptText, twoLetters);
}

TEST(CryptShift, ByteRuleSkipsStepsThatLeaveTheByteRange)
{
    EXPECT_EQ(Crypt::encodeCode(0, 1, 3), 1) << "first step below 0: y stays 0, then + c";
    EXPECT_EQ(Crypt::encodeCode(253, 2, 3), 255) << "second step above 255 is skipped";
    EXPECT_EQ(Crypt::encodeCode(255, 2, 3), 2) << "first step above 255 is skipped";
    EXPECT_EQ(Crypt::decodeCode(3, 2, 3), 1) << "second step below 0 is skipped";
    EXPECT_EQ(Crypt::decodeCode(2, 3, 4), 0);
    EXPECT_EQ(Crypt::decodeCode(0, 1, 0), 5);
    for (int k = 0; k <= 4; ++k) {
        for (int c = 0; c < 6; ++c) {
            for (char digit : QByteArray("0123456789ABCDEF")) {
                const int enciphered = Crypt::encodeCode(digit, c, k);
                EXPECT_GE(enciphered, 43);
                EXPECT_LE(enciphered, 78);
                EXPECT_EQ(Crypt::decodeCode(enciphered, c, k), digit) << "k=" << k << " c=" << c;
            }
        }
    }
}

TEST_F(CryptTest, DamagedValuesAreReportedOnceWithWhatCouldBeDecoded)
{
    // A hand-edited character breaks its own piece only: "61", "z2", "63".
    QString stored = "45:7=3";
    stored[2] = QChar('~');
    crypt.Decrypt(stored, Crypt::Key);
    EXPECT_EQ(temp.PlainText, "ac");
    EXPECT_EQ(damages, 1);

    damages = 0;
    crypt.HexDecode("61ZZ62");
    EXPECT_EQ(temp.PlainText, "ab");
    EXPECT_EQ(damages, 1);

    damages = 0;
    crypt.Decrypt(QString::fromUtf8("가나다"), Crypt::Key);
    EXPECT_EQ(damages, 1) << "double-byte characters never decode to hex digits";
}

TEST_F(CryptTest, OddLengthEndsInAOneDigitCharacter)
{
    ASSERT_TRUE(crypt.ShiftEncode("616", Crypt::Key));
    crypt.Decrypt(temp.CryptText, Crypt::Key);
    EXPECT_EQ(temp.PlainText, QString("a") + QChar(6));
    EXPECT_EQ(damages, 0);
}

TEST_F(CryptTest, LengthLimits)
{
    const QString ascii127(127, 'x');
    EXPECT_TRUE(crypt.Encrypt(ascii127));
    EXPECT_EQ(temp.CryptText.size(), 254);
    crypt.Decrypt(temp.CryptText, Crypt::Key);
    EXPECT_EQ(temp.PlainText, ascii127);

    EXPECT_FALSE(crypt.Encrypt(QString(128, 'x')));
    EXPECT_TRUE(temp.CryptText.isEmpty()) << "a refused text leaves no stale result";

    const QString korean127(127, QChar(0xAC00));
    EXPECT_TRUE(crypt.Encrypt(ascii127 + korean127)) << "254 characters, 127 single-byte";
    EXPECT_FALSE(crypt.Encrypt(ascii127 + korean127 + QChar(0xAC00))) << "255 characters";
    EXPECT_FALSE(crypt.ShiftEncode(QString(255, '0'), Crypt::Key));

    // The stored format ends at 254 characters: 255 is damage, longer is refused as damage.
    crypt.HexDecode(QString(255, '6'));
    EXPECT_EQ(damages, 1);
    crypt.Decrypt(QString(256, 'A'), Crypt::Key);
    EXPECT_EQ(damages, 2);
    EXPECT_TRUE(temp.PlainText.isEmpty());
}

}  // namespace
