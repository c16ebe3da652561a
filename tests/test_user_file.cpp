#include "core/Texts.h"
#include "storage/UserFile.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using storage::UserFile;

namespace {

const QByteArray CaptainSea("47:6>058:6=94I\r\n57::=1\r\n");

// The settings, the file's bytes, and the values in memory as "ID/password".
struct Case {
    int idSave, pwdSave;
    QByteArray file;
    QString values;
};

class UserFileTest : public ::testing::Test {
protected:
    ProgramDir dir;
    AppState state;
    FakeMessageBox messages;
    UserFile users{state, storage::SettingsFolder(dir.path()), messages};

    void settings(int idSave, int pwdSave)
    {
        state.Config.IDSave = std::uint8_t(idSave);
        state.Config.PWDSave = std::uint8_t(pwdSave);
    }
    // What a run with the same settings reads into memory that held values.
    QString readInto(const QString& id, const QString& password)
    {
        AppState next;
        next.Temp.UserID = id;
        next.Temp.UserPWD = password;
        next.Config = state.Config;
        UserFile(next, storage::SettingsFolder(dir.path()), messages).AutoLoginF();
        return next.Temp.UserID + "/" + next.Temp.UserPWD;
    }
};

TEST_F(UserFileTest, ReadingKeepsWhatTheFileDoesNotSupply)
{
    settings(1, 1);
    EXPECT_EQ(readInto("id", "password"), "id/password") << "no file";
    const Case cases[] = {
        {1, 1, "", "id/password"},
        {1, 1, "45:7=3\r\n", "abc/password"},
        {1, 0, "45:7=3\r\n45:7=3\r\n", "abc/password"},
        {0, 1, "45:7=3\r\n45:7=3\r\n", "id/password"},
        {1, 1, "45:7=3,45:7=3\r\n", "abc/abc"},  // the part behind a comma is the next value
        {1, 1, "45~7=3\r\n" + QByteArray(64 * 1024, ' '), "id/password"},  // too long: damaged, left as it is
    };
    for (const Case& c : cases) {
        dir.write("User.ini", c.file);
        settings(c.idSave, c.pwdSave);
        EXPECT_EQ(readInto("id", "password"), c.values) << c.file.left(20).toStdString();
        EXPECT_TRUE(dir.read("User.ini") == c.file) << "reading never changes the file";
    }
    EXPECT_TRUE(messages.shown.isEmpty());
}

// One run's saves. Values it has neither read nor had typed are kept as
// stored, as far as the settings allow: a settings save before any login
// must not replace them with the empty values in memory.
TEST_F(UserFileTest, SavesKeepWhatWasNeverReadAndWriteWhatWasReadOrTypedForTheOwnerOnly)
{
    dir.write("User.ini", CaptainSea);
    const Case saves[] = {
        {1, 1, CaptainSea, ""},
        {1, 0, "47:6>058:6=94I\r\n", ""},      // a cleared box still clears
        {1, 1, "47:6>058:6=94I\r\n\r\n", ""},  // gone once cleared
        {0, 0, "", ""},
        {1, 1, "\r\n\r\n", ""},
        {1, 1, "45:7=3\r\n45:7=3\r\n", "abc/abc"},  // typed from here on
        {1, 1, "\r\n\r\n", "/"},                    // typed, even empty, replaces the file's
        {1, 0, "45:7=3\r\n", "abc/abc"},
        {0, 1, "", "abc/abc"},  // no password without the ID
    };
    for (const Case& c : saves) {
        settings(c.idSave, c.pwdSave);
        if (!c.values.isEmpty()) {
            state.Temp.UserID = c.values.section('/', 0, 0);
            state.Temp.UserPWD = c.values.section('/', 1);
            users.noteTyped();
        }
        ASSERT_TRUE(users.UserSave().ok);
        EXPECT_TRUE(dir.exists("User.ini"));
        EXPECT_EQ(dir.read("User.ini"), c.file);
    }
    const QFile::Permissions permissions = QFileInfo(dir.file("User.ini")).permissions();
    EXPECT_EQ(permissions & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther), 0);
    EXPECT_TRUE(permissions & QFile::ReadOwner);

    // With only the ID read, the password in memory is not the file's: the stored one is kept.
    dir.write("User.ini", CaptainSea);
    settings(1, 0);
    UserFile idOnly(state, storage::SettingsFolder(dir.path()), messages);
    idOnly.AutoLoginF();
    ASSERT_EQ(state.Temp.UserID, "captain");
    state.Temp.UserID = "renamed";
    settings(1, 1);
    ASSERT_TRUE(idOnly.UserSave().ok);
    EXPECT_EQ(readInto("", ""), "renamed/sea");
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(UserFileTest, DamagedValuesAreKeptUnreadAndToldOnceEachWhenRead)
{
    const QByteArray damaged("45~7=3\r\n!!\r\n");
    dir.write("User.ini", damaged);
    settings(1, 1);
    ASSERT_TRUE(users.UserSave().ok);
    EXPECT_EQ(dir.read("User.ini"), damaged) << "a save takes values never read as they are stored";
    EXPECT_TRUE(messages.shown.isEmpty());

    users.AutoLoginF();
    EXPECT_EQ(state.Temp.UserID + "/" + state.Temp.UserPWD, "ac/") << "the valid pieces of each";
    ASSERT_EQ(messages.shown.size(), 2) << "the second value is read from the file as it was";
    EXPECT_EQ(messages.shown[1].text, text::UserDataDamaged);
    EXPECT_EQ(messages.shown[1].icon, platform::MessageBox::Icon::Information);
    EXPECT_EQ(messages.shown[1].buttons, platform::MessageBox::Buttons::Ok);
    EXPECT_TRUE(dir.exists("User.ini") && dir.read("User.ini").isEmpty()) << "emptied by the reading";
    ASSERT_TRUE(users.UserSave().ok);
    EXPECT_EQ(dir.read("User.ini"), QByteArray("45:8\r\n\r\n")) << "what was read is what is saved";
    EXPECT_EQ(messages.shown.size(), 2);

    state.Temp.UserPWD = QString(128, 'x');
    const storage::SaveResult tooLong = users.UserSave();
    EXPECT_FALSE(tooLong.ok || tooLong.error.isEmpty()) << "what the format cannot carry is refused";
    EXPECT_EQ(dir.read("User.ini"), QByteArray("45:8\r\n\r\n"));
}

}  // namespace
