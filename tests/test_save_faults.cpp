// Saves that fail on the way to the disk, seen from the settings dialog
// (config.ini and User.ini) and the login dialog (User.ini): each keeps the
// previous files whole, leaves no temporary file, and is told in one message
// naming the files and the reason. A read-only file is refused as well.

#include "dialogs/ConfigDialog.h"
#include "dialogs/LoginDialog.h"
#include "platform/Files.h"
#include "platform/SafeSave.h"
#include "support/DialogWorld.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>

#include <unistd.h>

namespace {

enum class Fault { DiskFullWhileWriting, DiskFullWhileFlushing, RenameRefused };

// The system's file operations with one step failing as it fails on a real
// system: the bytes written so far stay on the disk, the files stay where
// they are. Saves go through it while it lives.
class FaultyFiles : public platform::FileSystem {
public:
    explicit FaultyFiles(Fault fault) : fault_(fault) { platform::useFileSystem(this); }
    ~FaultyFiles() override { platform::useFileSystem(nullptr); }
    FaultyFiles(const FaultyFiles&) = delete;
    FaultyFiles& operator=(const FaultyFiles&) = delete;

    bool create(const std::u16string& path, bool ownerOnly, Handle& handle, std::u16string& error) override
    {
        created.append(QString::fromStdU16String(path));
        return FileSystem::create(path, ownerOnly, handle, error);
    }
    bool write(Handle handle, std::string_view bytes, std::u16string& error) override
    {
        if (fault_ != Fault::DiskFullWhileWriting)
            return FileSystem::write(handle, bytes, error);
        FileSystem::write(handle, bytes.substr(0, bytes.size() / 2), error);
        return fail(error);
    }
    bool finish(Handle handle, std::u16string& error) override
    {
        const bool finished = FileSystem::finish(handle, error);
        return fault_ == Fault::DiskFullWhileFlushing ? fail(error) : finished;
    }
    bool replace(const std::u16string& from, const std::u16string& to, std::u16string& error) override
    {
        return fault_ == Fault::RenameRefused ? fail(error) : FileSystem::replace(from, to, error);
    }

    // The system's reason the fault comes with.
    static QString reason(Fault fault)
    {
        return QString::fromLocal8Bit(std::strerror(fault == Fault::RenameRefused ? EACCES : ENOSPC));
    }

    QStringList created;  // every new file a save began, in order

private:
    bool fail(std::u16string& error)
    {
        error = reason(fault_).toStdU16String();
        return false;
    }

    Fault fault_;
};

const QByteArray OldConfig(" 0 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\nNetmarble\r\n");
const QByteArray OldUsers("47:6>058:6=94I\r\n57::=1\r\n");
// Each fault of the disk, and none in a directory the user may not write.
const std::optional<Fault> Faults[] = {std::nullopt, Fault::DiskFullWhileWriting, Fault::DiskFullWhileFlushing,
                                       Fault::RenameRefused};

class SaveFaultTest : public ::testing::Test, protected DialogWorld {
protected:
    void SetUp() override
    {
        dir.write("config.ini", OldConfig);
        dir.write("User.ini", OldUsers);
        state.Config = {0, 1, 1, 0, 0, AfterStart::Nothing};
    }

    // Saves under the fault and expects one message naming the files where
    // they were to be saved and the reason the fault gave; the files must be
    // as they were.
    void expectToldOnce(std::optional<Fault> fault, const std::function<void()>& save, const QStringList& files)
    {
        messages.shown.clear();
        if (fault) {
            FaultyFiles faulty(*fault);
            save();
            for (const QString& created : faulty.created)
                EXPECT_EQ(QFileInfo(created).dir(), QDir(dir.path())) << "beside the file, on its disk";
        } else {
            WithoutWriteAccess readOnly(dir.path());
            save();
        }
        ASSERT_EQ(messages.shown.size(), 1);
        const QString& text = messages.shown[0].text;
        for (const QString& file : files)
            EXPECT_TRUE(text.contains("(" + QDir::toNativeSeparators(file) + ")")) << text.toStdString();
        EXPECT_TRUE(!fault || text.contains(FaultyFiles::reason(*fault))) << text.toStdString();
        EXPECT_EQ(dir.read("config.ini"), OldConfig);
        EXPECT_EQ(dir.read("User.ini"), OldUsers);
        EXPECT_EQ(dir.entries(), (QStringList{"config.ini", "User.ini"})) << "no temporary file is left";
    }
};

TEST_F(SaveFaultTest, EachSaveTellsOnceOfItsFilesWhereTheyWereToBeSavedAndKeepsThem)
{
    for (const std::optional<Fault> fault : Faults) {
        SCOPED_TRACE(fault ? int(*fault) : -1);
        dialogs::ConfigDialog settings(state, storage::SettingsFolder(dir.path()), users, autostart, messages);
        settings.findChild<QAbstractButton*>("optGSAWindow")->click();
        expectToldOnce(fault, [&] { settings.findChild<QAbstractButton*>("cmdSumit")->click(); },
                       {dir.file("config.ini"), dir.file("User.ini")});
        EXPECT_EQ(state.Config.GSA, AfterStart::Minimise) << "the running program still takes the new settings";

        dialogs::LoginDialog login(state, users, session, messages);
        login.findChild<QLineEdit*>("txtID")->setText("abc");
        login.findChild<QLineEdit*>("txtPassword")->setText("abc");
        expectToldOnce(fault, [&] { login.findChild<QAbstractButton*>("cmdLogin")->click(); },
                       {dir.file("User.ini")});
        EXPECT_EQ(state.Temp.UserPWD, "abc") << "the login itself goes on";
    }

    // Saved in the user's folder, which config.ini keeps from being made, the message names the files there.
    const storage::SettingsFolder folder(dir.path(), dir.file("config.ini/Quaylet"));
    storage::UserFile usersThere{state, folder, messages};
    dialogs::ConfigDialog there(state, folder, usersThere, autostart, messages);
    expectToldOnce(std::nullopt, [&] { there.findChild<QAbstractButton*>("cmdSumit")->click(); },
                   {dir.file("config.ini/Quaylet/config.ini"), dir.file("config.ini/Quaylet/User.ini")});

    // The account the login typed, though its own save failed, is what a later save writes.
    dialogs::ConfigDialog(state, storage::SettingsFolder(dir.path()), users, autostart, messages)
        .findChild<QAbstractButton*>("cmdSumit")
        ->click();
    EXPECT_EQ(dir.read("User.ini"), QByteArray("45:7=3\r\n45:7=3\r\n"));
}

// Though its directory would allow replacing it. Root may write anything: the
// save then runs as the user "nobody", who may become root again.
TEST(SafeSave, AReadOnlyFileIsRefusedAndLeftAsItWas)
{
    ProgramDir dir;
    dir.write("config.ini", OldConfig);
    QFile::setPermissions(dir.path(), QFile::Permissions(0x7777));  // everyone may do anything
    QFile::setPermissions(dir.file("config.ini"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const bool root = ::geteuid() == 0;
    ASSERT_TRUE(!root || ::setresuid(65534, 65534, 0) == 0);
    const storage::SaveResult result =
        storage::saveFile(dir.file("config.ini"), " 0 \r\n", storage::FileAccess::Everyone);
    ASSERT_TRUE(!root || ::setresuid(0, 0, 0) == 0);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains("read-only")) << result.error.toStdString();
    EXPECT_EQ(dir.read("config.ini"), OldConfig);
    EXPECT_EQ(dir.entries(), QStringList{"config.ini"});
}

}  // namespace
