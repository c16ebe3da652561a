// The stored files: what config.ini and User.ini hold, how User.ini's values
// are enciphered, and where the files live.

#include "core/Texts.h"
#include "storage/ConfigFile.h"
#include "storage/Crypt.h"
#include "storage/LaunchApprovals.h"
#include "storage/SettingsFolder.h"
#include "storage/UserFile.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

#include <QScopeGuard>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace storage;

namespace {

// The six settings and the portal loaded from the directory, in file order,
// one digit each.
std::string loaded(const ProgramDir& dir)
{
    AppState s;
    ConfigLoad(SettingsFolder(dir.path()), s);
    std::string digits;
    for (const int value :
         {int(s.Config.WindowRun), int(s.Config.IDSave), int(s.Config.PWDSave), int(s.Config.AutoLogin),
          int(s.Config.AutoRun), int(s.Config.GSA), int(s.Temp.DHOPortal)})
        digits += std::to_string(value);
    return digits;
}

TEST(ConfigFile, EachValueIsReadOnItsOwnAndWhatIsUnusableIsZero)
{
    const QByteArray allSet(" 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\nDaum\r\n");
    const std::pair<QByteArray, std::string> cases[] = {
        {"", "0000000"},
        {"yes\r\nno\r\n-1\r\n256\r\n1.5\r\nthree\r\ndaum\r\n", "0000000"},       // the portal word is exact
        {" 2 \r\n 1 \r\n 7 \r\n 1 \r\n 1 \r\n 2 \r\nNetmarble\r\n", "0101120"},  // a bad line shifts nothing
        {"word\r\n1\r\n0\r\n0\r\n0\r\n 3 \r\nDaum\r\n", "0100001"},
        {"-1\r\n 1 \r\n", "0100000"},
        {" 0 \r\n 0 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\nNetmarble\r\n", "0011000"},  // inconsistent, loaded as written
        {"1,0\r\n 1 , 1 \r\n1,2\r\nDaum\r\nextra\r\n 1 \r\n", "1011121"},        // commas separate values too
        {"0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n  Daum  ", "0000001"},  // no line end after the last value
        // Lone line ends; a comma inside quotes; what follows a closing quote, an empty line, an open quote.
        {"1\n\"0,x\" 1\r\n\r\n\"1\" tail\r1\r 2, \"Daum", "1001121"},
        // More than 64 KiB is not read at all: it would fill the memory.
        {allSet.leftJustified(64 * 1024, ' '), "1111111"},
        {allSet.leftJustified(64 * 1024 + 1, ' '), "0000000"},
    };
    for (const auto& [bytes, expected] : cases) {
        ProgramDir dir;
        dir.write("config.ini", bytes);
        EXPECT_EQ(loaded(dir), expected) << bytes.left(80).toStdString();
    }

    ProgramDir dir;
    EXPECT_EQ(loaded(dir), "0000000");
    EXPECT_FALSE(dir.exists("config.ini")) << "loading must never create the file";
}

// Nothing but a regular file is read: a pipe or a device would hang the
// start. Each reading must end in time.
TEST(ConfigFile, WhatIsNoRegularFileGivesDefaultsWithoutWaiting)
{
    const std::pair<const char*, std::function<void(const QByteArray& path)>> cases[] = {
        {"FIFO", [](const QByteArray& path) { ::mkfifo(path, 0600); }},
        {"link to /dev/zero", [](const QByteArray& path) { ::symlink("/dev/zero", path); }},
        {"directory", [](const QByteArray& path) { ::mkdir(path, 0700); }},
    };
    for (const auto& [what, make] : cases) {
        ProgramDir dir;
        const QByteArray path = QFile::encodeName(dir.file("config.ini"));
        make(path);
        auto loading = std::async(std::launch::async, [&] { return loaded(dir); });
        if (loading.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
            ADD_FAILURE() << what << ": still reading after 5 s";
            // A writer that comes and goes lets a reader waiting on a FIFO end.
            ::close(::open(path, O_WRONLY | O_NONBLOCK));
        }
        EXPECT_EQ(loading.get(), "0000000") << what;
    }
}

// Where config.ini and User.ini live: beside the executable while its
// directory is the user's alone and can be written, else in the user's own
// folder, made on the first save and read in preference to the program
// directory's file.

const QByteArray AdministratorsConfig(" 0 \r\n 1 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\nDaum\r\n");

// Files planted in a program directory that anyone else may write, or that
// another user owns, are not read (settings nor launch schemes): the user's
// folder serves, as it serves beside a writable one below. One the system
// owns and no one else may write gives its administrator's defaults. As root,
// each case runs as nobody.
TEST(SettingsFolder, OnlyAProgramDirectoryNoOneElseMayWriteIsRead)
{
    const bool root = ::geteuid() == 0;
    const uid_t user = root ? 65534 : ::geteuid();
    const struct {
        const char* what;
        uid_t owner;
        mode_t mode;
        bool read;
    } cases[] = {
        {"the user's, writable by all", user, 0777, false},
        {"the user's, writable by the group", user, 0775, false},
        {"another user's", 1, 0755, false},
        {"the system's", 0, 0755, true},
        {"the system's, writable by the group", 0, 0775, false},
    };
    for (const auto& c : cases) {
        if (!root && c.owner != user)
            continue;
        SCOPED_TRACE(c.what);
        ProgramDir dir;
        dir.write("program/config.ini", AdministratorsConfig);
        dir.write("program/LaunchSchemes.ini", "attacker.test ssh\r\n");
        const QByteArray program = QFile::encodeName(dir.file("program"));
        ASSERT_EQ(::chown(program.constData(), c.owner, gid_t(-1)), 0);
        ::chmod(program.constData(), c.mode);
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
        ASSERT_TRUE(!root || ::seteuid(user) == 0);
        const auto asRoot = qScopeGuard([root] {
            if (root)
                (void)::seteuid(0);
        });

        const SettingsFolder folder = SettingsFolder::decide(dir.file("program"), dir.file("home/Quaylet"));
        EXPECT_TRUE(folder.inUserFolder());
        AppState state;
        ConfigLoad(folder, state);
        EXPECT_EQ(state.Config.AutoLogin, c.read ? 1 : 0);
        FakeMessageBox questions;
        LaunchApprovals approvals(folder, questions);
        EXPECT_EQ(approvals.remembered(), c.read ? QStringList{"attacker.test ssh"} : QStringList());
    }
}

// The trial file in a writable program directory leaves nothing behind. One
// the user may not write is the system's above, and the package's in the
// end-to-end tests.
TEST(SettingsFolder, AWritableProgramDirectoryServesElseTheUserFolderIsMadeOnTheFirstSaveAndReadFirst)
{
    ProgramDir dir;
    dir.write("program/config.ini", AdministratorsConfig);
    // The folder above the user's folder is missing too, and made in turn.
    const QString user = dir.file(".config/Quaylet");
    EXPECT_FALSE(SettingsFolder::decide(dir.file("program"), user).inUserFolder());
    EXPECT_EQ(dir.entries("program"), QStringList{"config.ini"}) << "the trial file is gone";
    const SettingsFolder folder(dir.file("program"), user);
    AppState state;
    ConfigLoad(folder, state);
    EXPECT_EQ(state.Config.AutoLogin, 1) << "the administrator's file is the default";
    EXPECT_EQ(dir.entries(), QStringList{"program"}) << "reading makes nothing";

    const ConfigValues values{{1, 0, 0, 0, 1, AfterStart::Quit}, Portal::Netmarble};
    ASSERT_TRUE(ConfigSave(folder, values).ok);
    EXPECT_EQ(dir.read(".config/Quaylet/config.ini"), configFileBytes(values));
    EXPECT_EQ(dir.read("program/config.ini"), AdministratorsConfig);
    EXPECT_EQ(QFile::permissions(dir.file(".config")), QFile::Permissions(0x7700));
    EXPECT_EQ(QFile::permissions(user), QFile::Permissions(0x7700));
    ConfigLoad(folder, state);
    EXPECT_EQ(state.Config.AutoLogin, 0) << "the user's file is read first";
}

// A user's folder that cannot be made, or that others may change, fails the
// save with its name and the reason, and what it holds is not read: the
// program directory's file stays the one read.
TEST(SettingsFolder, AUserFolderThatCannotBeMadeOrIsNotTheUsersAloneFailsTheSaveAndNamesIt)
{
    const auto error = [](int code) { return QString::fromLocal8Bit(std::strerror(code)); };
    const QString shared = "다른 사용자도 바꿀 수 있는 폴더라서 쓰지 않습니다.";
    const struct {
        const char* file;    // made as an ordinary file
        const char* folder;  // the user's folder
        QString reason;
        mode_t mode = 0;  // the user's folder's, if not 0
    } cases[] = {
        {"user/Quaylet", "user/Quaylet", error(ENOTDIR)},
        {"user", "user/Quaylet", error(ENOTDIR)},
        {nullptr, "Quaylet", error(EACCES)},  // in a directory the user may not write
        {"Quaylet/config.ini", "Quaylet", shared, 0777},
        {"Quaylet/config.ini", "Quaylet", shared, 0720},
    };
    for (const auto& c : cases) {
        ProgramDir dir;
        dir.write("config.ini", AdministratorsConfig);
        if (c.file)
            dir.write(c.file, "mine");
        if (c.mode)
            ::chmod(QFile::encodeName(dir.file(c.folder)).constData(), c.mode);
        const SettingsFolder folder(dir.path(), dir.file(c.folder));
        std::optional<WithoutWriteAccess> readOnly;
        if (!c.file)
            readOnly.emplace(dir.path());
        const SaveResult saved = ConfigSave(folder, {});
        readOnly.reset();
        EXPECT_FALSE(saved.ok) << c.folder;
        EXPECT_EQ(saved.error, dir.file(c.folder) + ": " + c.reason);
        EXPECT_EQ(folder.fileToRead(ConfigFileName), dir.file("config.ini"));
        EXPECT_EQ(dir.read("config.ini"), AdministratorsConfig);
        EXPECT_TRUE(!c.file || dir.read(c.file) == "mine");
    }
}

// An allowance is the pair of the host that asked and the scheme: it allows
// that host alone, and a scheme alone, as an earlier version wrote it, allows
// nothing. The question shows the address's start.
TEST(LaunchApprovals, OneAllowanceIsOneHostsSchemeAndALineOfASchemeAloneAllowsNothing)
{
    using Answer = platform::MessageBox::Answer;
    ProgramDir dir;
    dir.write("LaunchSchemes.ini", "steam\r\n# a note\r\n");
    FakeMessageBox questions;
    LaunchApprovals approvals(SettingsFolder(dir.path()), questions);
    const QString longAddress = "steam://run/1?" + QString(300, u'x');
    questions.answers = {Answer::Ok, Answer::Ok, Answer::Ok};
    EXPECT_TRUE(approvals.allows("Game.Example", "STEAM", longAddress));
    ASSERT_EQ(questions.shown.size(), 1) << "the scheme alone allowed it";
    EXPECT_EQ(questions.shown[0].text, text::LaunchSchemeQuestion.arg("Game.Example", "steam") + u'\n'
                                           + longAddress.left(200) + "…");
    EXPECT_TRUE(approvals.allows("game.example", "steam", "steam://run/2"));
    EXPECT_TRUE(approvals.allows("", "steam", "steam://run/3") && approvals.allows("", "steam", "steam://run/4"));
    EXPECT_EQ(questions.shown.size(), 3) << "a page with no host is asked every time";
    EXPECT_EQ(approvals.remembered(), QStringList{"game.example steam"});
    EXPECT_EQ(dir.read("LaunchSchemes.ini"), "steam\r\n# a note\r\ngame.example steam\r\n");
}

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
// user file's tests read and write "abc" and empty values; the cipher's fuzz
// target holds what any text enciphers to.
TEST_F(CryptTest, EverySingleByteCharacterBothWaysUpToTheLengthLimits)
{
    // "\t" is the digits "09", moved by the key's first rows, -2 and +4: the leading zero stays.
    EXPECT_EQ(enciphered("\t"), ".=");
    EXPECT_EQ(deciphered(".="), "\t");
    ASSERT_TRUE(crypt.ShiftEncode("616", Crypt::Key));
    EXPECT_EQ(deciphered(temp.CryptText), QString("a") + QChar(6))
        << "an odd length ends in a one-digit character";

    QString all;
    for (int code = 1; code < 128; ++code)
        all += QChar(code);
    EXPECT_EQ(deciphered(enciphered(all)), all);

    EXPECT_FALSE(crypt.Encrypt(all + QChar(u'x')));
    EXPECT_TRUE(temp.CryptText.isEmpty()) << "a refused text leaves no stale result";
    const QString korean127(127, QChar(0xAC00));
    EXPECT_TRUE(crypt.Encrypt(all + korean127)) << "254 characters, 127 single-byte";
    EXPECT_FALSE(crypt.Encrypt(all + korean127 + QChar(0xAC00))) << "255 characters";
    EXPECT_FALSE(crypt.ShiftEncode(QString(255, '0'), Crypt::Key));
}

// A hand-edited character breaks its own piece only: the user file's tests
// hold one. The stored format ends at 254 characters: 255 is damage, longer
// is refused as damage.
TEST_F(CryptTest, DamagedOrOverlongValuesAreReportedOnceWithWhatCouldBeDecoded)
{
    deciphered(QString::fromUtf8("가나다"));
    EXPECT_EQ(damages, 1) << "double-byte characters never decode to hex digits";
    crypt.HexDecode(QString(255, '6'));
    EXPECT_EQ(damages, 2);
    EXPECT_TRUE(deciphered(QString(256, 'A')).isEmpty());
    EXPECT_EQ(damages, 3);
}

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
    UserFile users{state, SettingsFolder(dir.path()), messages};

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
        UserFile(next, SettingsFolder(dir.path()), messages).AutoLoginF();
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
        EXPECT_EQ(dir.read("User.ini"), c.file);
    }
    const QFile::Permissions permissions = QFile::permissions(dir.file("User.ini"));
    EXPECT_TRUE((permissions & QFile::ReadOwner) && !(permissions & 0x0077)) << "the owner's alone";

    // With only the ID read, the password in memory is not the file's: the stored one is kept.
    dir.write("User.ini", CaptainSea);
    settings(1, 0);
    UserFile idOnly(state, SettingsFolder(dir.path()), messages);
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
    EXPECT_TRUE(dir.exists("User.ini") && dir.read("User.ini").isEmpty()) << "emptied by the reading";
    ASSERT_TRUE(users.UserSave().ok);
    EXPECT_EQ(dir.read("User.ini"), QByteArray("45:8\r\n\r\n")) << "what was read is what is saved";
    EXPECT_EQ(messages.shown.size(), 2);

    state.Temp.UserPWD = QString(128, 'x');
    const SaveResult tooLong = users.UserSave();
    EXPECT_FALSE(tooLong.ok || tooLong.error.isEmpty()) << "what the format cannot carry is refused";
    EXPECT_EQ(dir.read("User.ini"), QByteArray("45:8\r\n\r\n"));
}

}  // namespace
