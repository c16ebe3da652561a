// Where config.ini and User.ini live: beside the executable while its
// directory can be written, else in the user's own folder, made on the first
// save and read in preference to the program directory's file.

#include "platform/UserFolder.h"
#include "storage/ConfigFile.h"
#include "storage/SettingsFolder.h"
#include "support/TempDir.h"

#include <QFileInfo>
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

TEST(SettingsFolder, TheProgramDirectoryIsUsedWhileAFileCanBeMadeThere)
{
    ProgramDir dir;
    const QString user = dir.file("home/.config/Quaylet");
    EXPECT_FALSE(SettingsFolder::decide(dir.path(), user).inUserFolder());
    EXPECT_TRUE(dir.entries().isEmpty()) << "the trial file is gone";
    // As root the directory is read-only to the user nobody.
    WithoutWriteAccess readOnly(dir.path());
    EXPECT_TRUE(SettingsFolder::decide(dir.path(), user).inUserFolder());
}

TEST(SettingsFolder, TheUserFolderIsMadeOnTheFirstSaveForItsOwnerAndThenReadFirst)
{
    ProgramDir dir;
    dir.write("program/config.ini", AdministratorsConfig);
    // The folder above the user's folder is missing too, and made in turn.
    const SettingsFolder folder(dir.file("program"), dir.file(".config/Quaylet"));
    AppState state;
    storage::ConfigLoad(folder, state);
    EXPECT_EQ(state.Config.AutoLogin, 1) << "the administrator's file is the default";
    EXPECT_EQ(dir.entries(), QStringList{"program"}) << "reading makes nothing";

    const storage::ConfigValues values{{1, 0, 0, 0, 1, AfterStart::Quit}, Portal::Netmarble};
    ASSERT_TRUE(storage::ConfigSave(folder, values).ok);
    EXPECT_EQ(dir.read(".config/Quaylet/config.ini"), storage::configFileBytes(values));
    EXPECT_EQ(dir.read("program/config.ini"), AdministratorsConfig);
    EXPECT_EQ(modeOf(dir.file(".config")), 0700);
    EXPECT_EQ(modeOf(dir.file(".config/Quaylet")), 0700);
    storage::ConfigLoad(folder, state);
    EXPECT_EQ(state.Config.AutoLogin, 0) << "the user's file is read first";
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

// Only a folder that is the user's alone holds the files: a program directory
// others may write, or that belongs to someone else, leaves them to the
// user's folder; a user's folder like that is neither read nor written.
TEST(SettingsFolder, OnlyAFolderThatIsTheUsersAloneHoldsTheFiles)
{
    const auto chown = [](const QString& path, const char* user) {
        const QByteArray local = QFile::encodeName(path);
        return ::chown(local.constData(), user ? 65534 : ::geteuid(), gid_t(-1)) == 0;
    };
    ProgramDir dir;
    const QString user = dir.file("home/Quaylet");
    ::chmod(QFile::encodeName(dir.path()).constData(), 0775);
    EXPECT_TRUE(SettingsFolder::decide(dir.path(), user).inUserFolder()) << "others may write it";
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    EXPECT_FALSE(SettingsFolder::decide(dir.path(), user).inUserFolder());
    if (::geteuid() == 0) {
        ASSERT_TRUE(chown(dir.path(), "nobody"));
        EXPECT_TRUE(SettingsFolder::decide(dir.path(), user).inUserFolder()) << "someone else's, though root may write it";
        ASSERT_TRUE(chown(dir.path(), nullptr));
    }

    dir.write("program/config.ini", AdministratorsConfig);
    dir.write("home/Quaylet/config.ini", "planted");
    const SettingsFolder folder(dir.file("program"), user);
    for (const int mode : {0777, 0720, 0700}) {
        SCOPED_TRACE(mode);
        ::chmod(QFile::encodeName(user).constData(), mode_t(mode));
        const bool alone = mode == 0700;
        EXPECT_EQ(folder.fileToRead(storage::ConfigFileName), alone ? user + "/config.ini" : dir.file("program/config.ini"));
        const storage::SaveResult saved = storage::ConfigSave(folder, {});
        EXPECT_EQ(saved.ok, alone);
        EXPECT_EQ(dir.read("home/Quaylet/config.ini") == "planted", !alone);
        if (!alone) {
            EXPECT_EQ(saved.error, user + ": 다른 사용자도 바꿀 수 있는 폴더라서 쓰지 않습니다.");
        }
    }
}

// Which configuration folder holds it the autostart tests check, as both follow XDG.
TEST(SettingsFolder, TheUserFolderIsQuayletInTheConfigurationFolder)
{
    const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/srv/config");
    EXPECT_EQ(platform::userSettingsDirectory(), u"/srv/config/Quaylet");
    configHome.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", configHome);
}

}  // namespace
