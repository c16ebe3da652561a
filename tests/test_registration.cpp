#include "platform/Autostart.h"
#include "platform/UserFolder.h"
#include "platform/win32/ProgramPath.h"
#include "storage/Registration.h"
#include "support/EnvironmentPatch.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QProcess>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <utility>

namespace {

// The logon command's quoting is the Win32 test's, on a real Run key.
TEST(RegistrationWindowsPath, NamesAtADrivesRootAndWithDots)
{
    using namespace platform::win32;
    EXPECT_EQ(executableInDirectory(u"D:\\", u"X"), u"D:\\X.exe") << "no second backslash at a drive's root";
    EXPECT_EQ(directoryOf(u"D:\\X.exe"), u"D:\\");
    EXPECT_EQ(baseNameOf(u"C:\\Old.Games\\my.game.exe"), u"my.game");  // only the last dot counts
}

// Every folder the lists are looked up in is one of the test's own: the
// user's configuration, the home folder and the machine-wide configuration.
class XdgAutostartTest : public ::testing::Test {
protected:
    XdgAutostartTest()
    {
        for (const ProgramDir* dir : {&user, &home, &machine})
            ::chmod(QFile::encodeName(dir->path()), 0755);  // WithoutWriteAccess's "nobody" must get through
        environment.set("XDG_CONFIG_HOME", QFile::encodeName(user.path()));
        environment.set("HOME", QFile::encodeName(home.path()));
        environment.set("XDG_CONFIG_DIRS", QFile::encodeName(machine.path()) + ":/nonexistent");
        QDir(machine.path()).mkdir("autostart");
    }

    // The list is looked up anew, after the test has set the variables.
    static bool add(const QString& command, QString* error = nullptr)
    {
        return platform::systemAutostart()->add("Quaylet", command, error);
    }
    static auto startAtLogon(bool on) { return storage::updateStartAtLogon(*platform::systemAutostart(), on); }

    // What Debian's validator says about the user's entry: empty when it passes.
    QString validation() const
    {
        QProcess validator;
        validator.setProcessChannelMode(QProcess::MergedChannels);
        validator.start("desktop-file-validate", {user.file(entry)});
        if (!validator.waitForFinished(10000))
            return "desktop-file-validate did not run: " + validator.errorString();
        const QString output = QString::fromLocal8Bit(validator.readAll());
        return validator.exitCode() == 0 && output.isEmpty() ? QString() : output + " (failed)";
    }

    // What earlier versions wrote into the machine-wide folder.
    static QByteArray earlierEntry(const QByteArray& exec)
    {
        return "[Desktop Entry]\nType=Application\nVersion=1.5\nName=Quaylet\nExec=" + exec + "\nTerminal=false\n";
    }

    ProgramDir user;
    ProgramDir home;
    ProgramDir machine;
    const QString entry = "autostart/Quaylet.desktop";

private:
    EnvironmentPatch environment;
    // The executable's path needs a running application.
    int argc_ = 1;
    char name_[19] = "quaylet_unit_tests";
    char* argv_[2] = {name_, nullptr};
    QCoreApplication app_{argc_, argv_};
};

TEST_F(XdgAutostartTest, AddReplaceAndRemoveTheUsersOwnEntryWhichStaysWholeWithoutRights)
{
    EXPECT_TRUE(startAtLogon(false).ok) << "nothing to remove is no failure";
    EXPECT_FALSE(user.exists("autostart")) << "removing creates nothing";

    ASSERT_TRUE(add("/opt/old/quaylet"));
    user.write("autostart/x-other.desktop", "[Desktop Entry]\n");
    const QByteArray old = user.read(entry);
    {
        WithoutWriteAccess guard(user.file("autostart"));
        for (const bool on : {true, false}) {
            const storage::SaveResult result = startAtLogon(on);
            EXPECT_FALSE(result.ok || result.error.isEmpty()) << "the reason comes back: " << on;
        }
    }
    EXPECT_EQ(user.read(entry), old) << "the previous entry stays whole";
    ASSERT_TRUE(startAtLogon(true).ok);
    const QByteArray program = QFile::encodeName(QCoreApplication::applicationFilePath());
    EXPECT_EQ(user.read(entry), "[Desktop Entry]\nType=Application\nVersion=1.4\nName=Quaylet\nExec=" + program
                                    + "\nTryExec=" + program + "\nIcon=quaylet\nTerminal=false\n")
        << "(a build directory with blanks would need quoting here)";
    EXPECT_EQ(user.entries("autostart"), (QStringList{"Quaylet.desktop", "x-other.desktop"}))
        << "no file is left over, not even by a refused save";
    EXPECT_TRUE(machine.entries("autostart").isEmpty()) << "the machine-wide folder is not written";

    EXPECT_TRUE(startAtLogon(false).ok);
    EXPECT_EQ(user.entries("autostart"), QStringList{"x-other.desktop"});
}

// The settings folder follows the same configuration folder. A relative
// XDG_CONFIG_HOME is invalid, as good as unset.
TEST_F(XdgAutostartTest, WithoutAnAbsoluteConfigHomeTheEntryAndTheSettingsGoUnderTheHomeFolder)
{
    EXPECT_EQ(QString::fromStdU16String(platform::userSettingsDirectory()), user.file("Quaylet"));
    qputenv("XDG_CONFIG_HOME", "relative/config");
    ASSERT_TRUE(add("/q"));
    EXPECT_EQ(home.entries(".config/autostart"), QStringList{"Quaylet.desktop"});
    EXPECT_TRUE(user.entries("autostart").isEmpty());
    EXPECT_EQ(QString::fromStdU16String(platform::userSettingsDirectory()), home.file(".config/Quaylet"));
}

TEST_F(XdgAutostartTest, ExecLineQuotesThePathTryExecNamesItAndTheValidatorAccepts)
{
    // As written in the file: escaped for the Exec parser, then backslashes
    // doubled for the string value; TryExec is a plain string value.
    const std::tuple<QString, QByteArray, QByteArray> cases[] = {
        {"/opt/My Games/it's \"hi\" $HOME `id` back\\slash\ttab/q",
         "Exec=\"/opt/My Games/it's \\\\\"hi\\\\\" \\\\$HOME \\\\`id\\\\` back\\\\\\\\slash\\ttab/q\"",
         "TryExec=/opt/My Games/it's \"hi\" $HOME `id` back\\\\slash\\ttab/q"},
        // No reserved character: no quotes.
        {"/opt/100%/대항해시대/q", "Exec=/opt/100%%/대항해시대/q", "TryExec=/opt/100%/대항해시대/q"},
    };
    for (const auto& [path, exec, tryExec] : cases) {
        QString error;
        ASSERT_TRUE(add(path, &error)) << error.toStdString();
        const QList<QByteArray> lines = user.read(entry).split('\n');
        EXPECT_EQ(lines.value(4), exec) << path.toStdString();
        EXPECT_EQ(lines.value(5), tryExec) << path.toStdString();
        EXPECT_EQ(validation().toStdString(), "") << path.toStdString();
    }
}

TEST_F(XdgAutostartTest, ClearingRemovesOnlyAnEarlierMachineWideEntryOrHidesItForTheUser)
{
    for (const QByteArray& other :
         {QByteArray("[Desktop Entry]\nType=Application\nName=Quaylet\nExec=/usr/bin/q\n"),
          earlierEntry("/q") + "X-Added=by hand\n", earlierEntry("/q\nHidden=true")}) {
        machine.write(entry, other);
        EXPECT_TRUE(startAtLogon(false).ok);
        EXPECT_EQ(machine.read(entry), other) << "of any other making: left alone";
        EXPECT_FALSE(user.exists(entry));
    }

    machine.write(entry, earlierEntry("\"/opt/My Games/quaylet\""));
    EXPECT_TRUE(startAtLogon(false).ok);
    EXPECT_TRUE(machine.entries("autostart").isEmpty());
    EXPECT_FALSE(user.exists("autostart")) << "nothing left to hide";

    // Without the right to remove it, a hidden entry of the user's own switches it off at this user's logon.
    machine.write(entry, earlierEntry("/usr/bin/quaylet"));
    ::chmod(QFile::encodeName(user.path()),
            0777);  // stands for the user's own folder when the guard becomes "nobody"
    {
        WithoutWriteAccess guard(machine.file("autostart"));
        EXPECT_TRUE(startAtLogon(false).ok);
    }
    EXPECT_EQ(machine.read(entry), earlierEntry("/usr/bin/quaylet"));
    EXPECT_EQ(user.read(entry), "[Desktop Entry]\nType=Application\nVersion=1.4\nName=Quaylet\nHidden=true\n");
    EXPECT_EQ(validation().toStdString(), "");
    ASSERT_TRUE(startAtLogon(true).ok);
    EXPECT_TRUE(user.read(entry).contains("\nExec=")) << "ticked again, the user's entry starts it";
}

}  // namespace
