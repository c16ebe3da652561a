#include "core/Texts.h"
#include "storage/UserFile.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

#include <QFileInfo>
#include <gtest/gtest.h>


using storage::UserFile;

namespace {

class UserFileTest : public ::testing::Test {
protected:
    ProgramDir dir;
    AppState state;
    FakeMessageBox messages;
    UserFile users{state, dir.path(), messages};

    void settings(int idSave, int pwdSave)
    {
        state.Config.IDSave = std::uint8_t(idSave);
        state.Config.PWDSave = std::uint8_t(pwdSave);
    }
};

TEST_F(UserFileTest, WritesWhatTheSettingsAllow)
{
    state.Temp.UserID = "abc";
    state.Temp.UserPWD = "abc";

    settings(1, 1);
    ASSERT_TRUE(users.UserSave().ok);
    EXPECT_EQ(dir.read("User.ini"), QByteArray("45:7=3\r\n45:7=3\r\n"));

    settings(1, 0);
    ASSERT_TRUE(users.UserSave().ok);
    EXPECT_EQ(dir.read("User.ini"), QByteArray("45:7=3\r\n"));

    settings(0, 1);
    ASSERT_TRUE(users.UserSave().ok);
    EXPECT_TRUE(dir.exists("User.ini"));
    EXPECT_EQ(dir.read("User.ini"), QByteArray()) << "no password without the ID";

    settings(1, 1);
    state.Temp.UserID.clear();
    state.Temp.UserPWD.clear();
    ASSERT_TRUE(users.UserSave().ok);
    EXPECT_EQ(dir.read("User.ini"), QByteArray("\r\n\r\n"));
}

TEST_F(UserFileTest, FileIsReadableByItsOwnerOnly)
{
    settings(1, 1);
    ASSERT_TRUE(users.UserSave().ok);
    const QFileInfo info(dir.file("User.ini"));
    EXPECT_EQ(info.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions());
    EXPECT_TRUE(info.permissions() & QFile::ReadOwner);
}

TEST_F(UserFileTest, ReadsBackWhatWasSaved)
{
    state.Temp.UserID = "captain";
    state.Temp.UserPWD = "s3cr3t, \"pass\"";
    settings(1, 1);
    ASSERT_TRUE(users.UserSave().ok);

    AppState fresh;
    fresh.Config = state.Config;
    UserFile reader(fresh, dir.path(), messages);
    reader.AutoLoginF();
    EXPECT_EQ(fresh.Temp.UserID, "captain");
    EXPECT_EQ(fresh.Temp.UserPWD, "s3cr3t, \"pass\"");
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(UserFileTest, KeepsWhatTheFileDoesNotSupply)
{
    state.Temp.UserID = "previous id";
    state.Temp.UserPWD = "previous password";

    settings(1, 1);
    users.AutoLoginF();  // no file
    EXPECT_EQ(state.Temp.UserID, "previous id");

    dir.write("User.ini", "");
    users.AutoLoginF();  // empty file
    EXPECT_EQ(state.Temp.UserID, "previous id");
    EXPECT_EQ(state.Temp.UserPWD, "previous password");

    dir.write("User.ini", "45:7=3\r\n");  // only the ID
    users.AutoLoginF();
    EXPECT_EQ(state.Temp.UserID, "abc");
    EXPECT_EQ(state.Temp.UserPWD, "previous password");

    settings(1, 0);
    state.Temp.UserID = "previous id";
    dir.write("User.ini", "45:7=3\r\n45:7=3\r\n");
    users.AutoLoginF();
    EXPECT_EQ(state.Temp.UserID, "abc");
    EXPECT_EQ(state.Temp.UserPWD, "previous password") << "PWDSave 0: the password is not read";

    settings(0, 1);
    state.Temp.UserID = "previous id";
    users.AutoLoginF();
    EXPECT_EQ(state.Temp.UserID, "previous id") << "IDSave 0: nothing is read";
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(UserFileTest, ValuesAreCommaDelimited)
{
    settings(1, 1);
    dir.write("User.ini", "45:7=3,45:7=3\r\n");
    users.AutoLoginF();
    EXPECT_EQ(state.Temp.UserID, "abc");
    EXPECT_EQ(state.Temp.UserPWD, "abc") << "the part behind the comma is the next value";
}

TEST_F(UserFileTest, DamagedValueEmptiesTheFileAndSaysSoOncePerValue)
{
    settings(1, 1);
    state.Temp.UserPWD = "before";
    dir.write("User.ini", "45~7=3\r\n!!\r\n");
    users.AutoLoginF();
    EXPECT_EQ(state.Temp.UserID, "ac") << "the valid pieces of the damaged value";
    EXPECT_EQ(state.Temp.UserPWD, "") << "the second value is still read from the file as it was";
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(messages.shown[0].text, text::UserDataDamaged);
    EXPECT_EQ(messages.shown[0].icon, platform::MessageBox::Icon::Information);
    EXPECT_EQ(messages.shown[0].buttons, platform::MessageBox::Buttons::Ok);
    EXPECT_TRUE(dir.exists("User.ini"));
    EXPECT_EQ(dir.read("User.ini"), QByteArray());
}

TEST_F(UserFileTest, RefusesWhatTheFormatCannotCarryAndKeepsTheOldFile)
{
    dir.write("User.ini", "45:7=3\r\n");
    settings(1, 1);
    state.Temp.UserID = "abc";
    state.Temp.UserPWD = QString(128, 'x');
    const storage::SaveResult result = users.UserSave();
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(dir.read("User.ini"), QByteArray("45:7=3\r\n"));
}

// A settings save in a run that has not read the file: memory is empty.
TEST_F(UserFileTest, ValuesNeverReadThisRunAreKeptAsTheNewSettingsAllow)
{
    const QByteArray both("47:6>058:6=94I\r\n57::=1\r\n");  // captain / sea
    dir.write("User.ini", both);
    settings(1, 1);
    ASSERT_TRUE(users.UserSave().ok);
    EXPECT_EQ(dir.read("User.ini"), both);

    settings(1, 0);
    ASSERT_TRUE(users.UserSave().ok);
    EXPECT_EQ(dir.read("User.ini"), QByteArray("47:6>058:6=94I\r\n")) << "a cleared box still clears";
    settings(1, 1);
    ASSERT_TRUE(users.UserSave().ok);
    EXPECT_EQ(dir.read("User.ini"), QByteArray("47:6>058:6=94I\r\n\r\n")) << "gone once cleared";

    settings(0, 0);
    ASSERT_TRUE(users.UserSave().ok);
    EXPECT_EQ(dir.read("User.ini"), QByteArray());
    settings(1, 1);
    ASSERT_TRUE(users.UserSave().ok);
    EXPECT_EQ(dir.read("User.ini"), QByteArray("\r\n\r\n"));
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(UserFileTest, ReadOrTypedValuesAreWhatIsSaved)
{
    dir.write("User.ini", "47:6>058:6=94I\r\n57::=1\r\n");
    settings(1, 0);
    users.AutoLoginF();  // reads the ID only
    ASSERT_EQ(state.Temp.UserID, "captain");
    state.Temp.UserID = "renamed";
    settings(1, 1);
    ASSERT_TRUE(users.UserSave().ok);
    AppState fresh{{}, state.Config};
    UserFile(fresh, dir.path(), messages).AutoLoginF();
    EXPECT_EQ(fresh.Temp.UserID + "/" + fresh.Temp.UserPWD, "renamed/sea") << "the unread password is kept";

    state.Temp.UserID = "abc";
    state.Temp.UserPWD = "";
    users.noteTyped();
    ASSERT_TRUE(users.UserSave().ok);
    EXPECT_EQ(dir.read("User.ini"), QByteArray("45:7=3\r\n\r\n")) << "typed, even empty, replaces the file's";
}

TEST_F(UserFileTest, DamagedValueIsKeptUnreadAndReportedWhenRead)
{
    // Unread, a damaged value is not looked at by a save: it is reported when it is read.
    const QByteArray damaged("45~7=3\r\n45:7=3\r\n");
    dir.write("User.ini", damaged);
    settings(1, 1);
    ASSERT_TRUE(users.UserSave().ok);
    EXPECT_EQ(dir.read("User.ini"), damaged);
    EXPECT_TRUE(messages.shown.isEmpty());

    // Once read, the partly decoded value is what memory holds and what is saved.
    users.AutoLoginF();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(dir.read("User.ini"), QByteArray()) << "emptied by the reading";
    ASSERT_TRUE(users.UserSave().ok);
    EXPECT_EQ(dir.read("User.ini"), QByteArray("45:8\r\n45:7=3\r\n"));
    EXPECT_EQ(messages.shown.size(), 1);
}

TEST_F(UserFileTest, AFailedWriteLeavesThePreviousFileWhole)
{
    dir.write("User.ini", "45:7=3\r\n45:7=3\r\n");
    settings(0, 0);
    storage::SaveResult result;
    {
        WithoutWriteAccess guard(dir.path());
        result = users.UserSave();
    }
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(dir.read("User.ini"), QByteArray("45:7=3\r\n45:7=3\r\n"));
}

}  // namespace
