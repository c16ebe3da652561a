// Where config.ini and User.ini live: beside the executable while its
// directory is the user's alone and can be written, else in the user's own
// folder, made on the first save and read in preference to the program
// directory's file.

#include "core/Texts.h"
#include "storage/ConfigFile.h"
#include "storage/LaunchApprovals.h"
#include "storage/SettingsFolder.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

using storage::SettingsFolder;

namespace {

const QByteArray AdministratorsConfig(" 0 \r\n 1 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\nDaum\r\n");

int modeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

// A program directory the user owns alone is used while a file can be made
// there; the trial file leaves nothing behind.
TEST(SettingsFolder, TheProgramDirectoryIsUsedWhileItIsTheUsersAloneAndAFileCanBeMadeThere)
{
    ProgramDir dir;
    const auto inUserFolder = [&] {
        return SettingsFolder::decide(dir.path(), dir.file("home/Quaylet")).inUserFolder();
    };
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    EXPECT_FALSE(inUserFolder());
    EXPECT_TRUE(dir.entries().isEmpty()) << "the trial file is gone";
    // As root the directory is read-only to the user nobody.
    WithoutWriteAccess readOnly(dir.path());
    EXPECT_TRUE(inUserFolder());
}

// Files planted in a program directory that anyone else may write, or that
// another user owns, are not read: neither settings nor allowed launch
// schemes. The defaults apply and the user's folder serves. One that the
// system owns and no one else may write gives its administrator's defaults.
// As root, each case runs as the user nobody, with folders handed to others;
// otherwise only the folders the user may make.
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
        {"another user's, writable by all", 1, 01777, false},
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
        QDir(dir.path()).mkdir("home");
        ASSERT_EQ(::chown(program.constData(), c.owner, gid_t(-1)), 0);
        ASSERT_EQ(::chown(QFile::encodeName(dir.file("home")).constData(), user, gid_t(-1)), 0);
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
        storage::ConfigLoad(folder, state);
        EXPECT_EQ(state.Config.AutoLogin, c.read ? 1 : 0);
        FakeMessageBox questions;
        storage::LaunchApprovals approvals(folder, questions);
        EXPECT_EQ(approvals.remembered(), c.read ? QStringList{"attacker.test ssh"} : QStringList());
        EXPECT_EQ(approvals.allows("attacker.test", "ssh", "ssh://attacker@x"), c.read);
        EXPECT_EQ(questions.shown.size(), c.read ? 0 : 1) << "a planted scheme went without a question";

        const storage::ConfigValues values{{0, 1, 0, 0, 1, AfterStart::Quit}, Portal::Daum};
        ASSERT_TRUE(storage::ConfigSave(folder, values).ok);
        EXPECT_EQ(dir.read("home/Quaylet/config.ini"), storage::configFileBytes(values));
        EXPECT_EQ(dir.read("program/config.ini"), AdministratorsConfig);
        storage::ConfigLoad(folder, state);
        EXPECT_EQ(state.Temp.DHOPortal, Portal::Daum) << "the user's folder does not serve";
    }
}

// Only a user's folder that is the user's alone is read or written.
TEST(SettingsFolder, TheUserFolderIsMadeOnTheFirstSaveForItsOwnerAndThenReadFirstWhileItIsTheirsAlone)
{
    ProgramDir dir;
    dir.write("program/config.ini", AdministratorsConfig);
    // The folder above the user's folder is missing too, and made in turn.
    const QString user = dir.file(".config/Quaylet");
    const SettingsFolder folder(dir.file("program"), user);
    AppState state;
    storage::ConfigLoad(folder, state);
    EXPECT_EQ(state.Config.AutoLogin, 1) << "the administrator's file is the default";
    EXPECT_EQ(dir.entries(), QStringList{"program"}) << "reading makes nothing";

    const storage::ConfigValues values{{1, 0, 0, 0, 1, AfterStart::Quit}, Portal::Netmarble};
    ASSERT_TRUE(storage::ConfigSave(folder, values).ok);
    const QByteArray saved = storage::configFileBytes(values);
    EXPECT_EQ(dir.read(".config/Quaylet/config.ini"), saved);
    EXPECT_EQ(dir.read("program/config.ini"), AdministratorsConfig);
    EXPECT_EQ(modeOf(dir.file(".config")), 0700);
    EXPECT_EQ(modeOf(user), 0700);
    storage::ConfigLoad(folder, state);
    EXPECT_EQ(state.Config.AutoLogin, 0) << "the user's file is read first";

    for (const int mode : {0777, 0720, 0700}) {
        SCOPED_TRACE(mode);
        ::chmod(QFile::encodeName(user).constData(), mode_t(mode));
        const bool alone = mode == 0700;
        EXPECT_EQ(folder.fileToRead(storage::ConfigFileName),
                  alone ? user + "/config.ini" : dir.file("program/config.ini"));
        const storage::SaveResult resaved = storage::ConfigSave(folder, {});
        EXPECT_EQ(resaved.ok, alone);
        EXPECT_EQ(dir.read(".config/Quaylet/config.ini") == saved, !alone);
        if (!alone) {
            EXPECT_EQ(resaved.error, user + ": 다른 사용자도 바꿀 수 있는 폴더라서 쓰지 않습니다.");
        }
    }
}

// A folder that cannot be made fails the save with its name and reason; the
// program directory's file stays the one read.
TEST(SettingsFolder, AUserFolderThatCannotBeMadeFailsTheSaveAndNamesIt)
{
    const struct {
        const char* file;    // made as an ordinary file
        const char* folder;  // the user's folder
        int reason;
    } cases[] = {
        {"user/Quaylet", "user/Quaylet", ENOTDIR},
        {"user", "user/Quaylet", ENOTDIR},
        {nullptr, "Quaylet", EACCES},  // in a directory the user may not write
    };
    for (const auto& c : cases) {
        ProgramDir dir;
        dir.write("config.ini", AdministratorsConfig);
        if (c.file)
            dir.write(c.file, "mine");
        const SettingsFolder folder(dir.path(), dir.file(c.folder));
        std::optional<WithoutWriteAccess> readOnly;
        if (!c.file)
            readOnly.emplace(dir.path());
        const storage::SaveResult saved = storage::ConfigSave(folder, {});
        readOnly.reset();
        EXPECT_FALSE(saved.ok) << c.folder;
        EXPECT_EQ(saved.error, dir.file(c.folder) + ": " + QString::fromLocal8Bit(std::strerror(c.reason)));
        EXPECT_EQ(folder.fileToRead(storage::ConfigFileName), dir.file("config.ini"));
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
    const storage::SettingsFolder folder(dir.path());
    FakeMessageBox questions;
    storage::LaunchApprovals approvals(folder, questions);
    const QString longAddress = "steam://run/1?" + QString(300, u'x');
    questions.answers = {Answer::Ok, Answer::Cancel, Answer::Ok, Answer::Ok};
    EXPECT_TRUE(approvals.allows("Game.Example", "STEAM", longAddress));
    ASSERT_EQ(questions.shown.size(), 1) << "the scheme alone allowed it";
    EXPECT_EQ(questions.shown[0].text, text::LaunchSchemeQuestion.arg("Game.Example", "steam") + u'\n'
                                           + longAddress.left(200) + "…");
    EXPECT_TRUE(approvals.allows("game.example", "steam", "steam://run/2"));
    EXPECT_FALSE(approvals.allows("ads.example", "steam", "steam://run/2")) << "another host, declined";
    EXPECT_TRUE(approvals.allows("", "steam", "steam://run/3"));
    EXPECT_TRUE(approvals.allows("", "steam", "steam://run/3"));
    EXPECT_EQ(questions.shown.size(), 4) << "a page with no host is asked every time";
    EXPECT_EQ(approvals.remembered(), QStringList{"game.example steam"});
    EXPECT_EQ(dir.read("LaunchSchemes.ini"), "steam\r\n# a note\r\ngame.example steam\r\n");
}

}  // namespace
