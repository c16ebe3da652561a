// The platform layer's rules on Linux.

#include "platform/Autostart.h"
#include "platform/ProgramInstance.h"
#include "platform/UserFolder.h"
#include "platform/posix/SchemeHandlers.h"
#include "storage/Registration.h"
#include "support/EnvironmentPatch.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace {

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
    static bool add(const QString& command)
    {
        return platform::systemAutostart()->add("Quaylet", command, nullptr);
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

TEST_F(XdgAutostartTest, TheUsersOwnEntryIsAddedReplacedAndRemovedUnderTheConfigHomeAndStaysWholeWithoutRights)
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

    // The settings folder follows the same configuration folder. A relative
    // XDG_CONFIG_HOME is invalid, as good as unset: both go under the home folder.
    EXPECT_EQ(QString::fromStdU16String(platform::userSettingsDirectory()), user.file("Quaylet"));
    qputenv("XDG_CONFIG_HOME", "relative/config");
    ASSERT_TRUE(add("/q"));
    EXPECT_EQ(home.entries(".config/autostart"), QStringList{"Quaylet.desktop"});
    EXPECT_EQ(user.entries("autostart"), QStringList{"x-other.desktop"});
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
        ASSERT_TRUE(add(path)) << path.toStdString();
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
    ::chmod(QFile::encodeName(user.path()), 0777);  // the user's own folder once the guard is "nobody"
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

QString doorFolder()
{
    return QFileInfo(QString::fromStdU16String(platform::instanceDoorName())).path();
}

// One running program a user: the lock and the door in the runtime folder,
// or in one of the user's own where others could reach that, even through a
// link. A knock with no door there ends in time; the package test sees a
// later start find the lock held and reach the running program's door.
TEST(ProgramInstance, OnlyAPrivateRuntimeFolderIsUsedAndAKnockWithNoDoorEndsInTime)
{
    ProgramDir runtime;
    QDir(runtime.path()).mkpath("open");
    QFile::setPermissions(runtime.file("open"), QFile::Permissions(0x7777));
    QFile::link(runtime.path(), runtime.file("link"));
    const QString own = "/tmp/quaylet-" + QString::number(::geteuid());
    EnvironmentPatch environment;
    const std::pair<QString, QString> rows[] = {
        {runtime.file("open"), own},      {runtime.file("link"), own}, {"relative", own}, {"", own},
        {runtime.path(), runtime.path()},
    };
    for (const auto& [set, used] : rows) {
        environment.set("XDG_RUNTIME_DIR", set.isEmpty() ? QByteArray() : QFile::encodeName(set));
        EXPECT_EQ(doorFolder(), used) << set.toStdString();
    }
    EXPECT_EQ(QFileInfo(own).permissions() & 0x0077, 0) << "the fallback is the user's alone";

    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(platform::knockOnInstanceDoor(200));
    EXPECT_LT(timer.elapsed(), 2000);
}

// Which Wine prefix registers a launcher's scheme, read from its registry
// files as Wine writes them: the launch test's prefix is one that Wine wrote.
TEST(WineRegistry, OnlyTheSchemesOwnCommandKeyWithinTheBoundCounts)
{
    const QByteArray command = "[Software\\\\Classes\\\\dho-sandbox\\\\shell\\\\open\\\\command] 1796700836\n"
                               "#time=1dd86c4f4b5fcb0\n@=\"\\\"C:\\\\launcher.exe\\\" \\\"%1\\\"\"\n";
    const QByteArray padding = QByteArray(4000, ';') + '\n';
    const struct {
        const char* what;
        const char* file;
        QByteArray text;
        bool registers;
        qint64 bound = 1 << 20;
    } cases[] = {
        {"the user's classes", "user.reg", command, true},
        {"keys compare without case", "system.reg",
         "[software\\\\CLASSES\\\\DHO-Sandbox\\\\Shell\\\\open\\\\COMMAND] 1\n", true},
        {"hex escapes", "system.reg",
         "[Software\\\\Classes\\\\dho\\x2dsandbo\\x0078\\\\shell\\\\open\\\\command]\n", true},
        {"a control escape is not its letter", "system.reg",
         "[Software\\\\Classes\\\\dho-s\\andbox\\\\shell\\\\open\\\\command]\n", false},
        {"an escaped bracket does not end the key", "system.reg",
         "[Software\\\\Classes\\\\dho-sandbox\\\\shell\\\\open\\\\command\\]x]\n", false},
        {"named only in values", "system.reg",
         "[Software\\\\Classes\\\\other\\\\shell\\\\open\\\\command] 1\n@=\"dho-sandbox://start\"\n"
         "\"Key\"=\"[Software\\\\Classes\\\\dho-sandbox\\\\shell\\\\open\\\\command]\"\n"
         "  [Software\\\\Classes\\\\dho-sandbox\\\\shell\\\\open\\\\command]\n",
         false},
        {"the scheme's key without its command", "system.reg",
         "[Software\\\\Classes\\\\dho-sandbox] 1\n\"URL Protocol\"=\"\"\n"
         "[Software\\\\Classes\\\\dho-sandbox\\\\shell\\\\open\\\\command\\\\more] 1\n"
         "[Software\\\\Classes\\\\dho-sandbox2\\\\shell\\\\open\\\\command] 1\n",
         false},
        {"no closing bracket", "system.reg", "[Software\\\\Classes\\\\dho-sandbox\\\\shell\\\\open\\\\command\n",
         false},
        {"within the bound", "system.reg", padding + command, true, padding.size() + command.size()},
        {"beyond the bound", "user.reg", padding + command, false, padding.size() + 40},
    };
    for (const auto& registry : cases) {
        SCOPED_TRACE(registry.what);
        ProgramDir dir;
        dir.write("prefix/" + QString::fromLatin1(registry.file), registry.text);
        // A prefix that does not exist is passed over.
        const QStringList prefixes{dir.file("absent"), dir.file("prefix")};
        EXPECT_EQ(platform::winePrefixRegistering("dho-sandbox", prefixes, registry.bound),
                  registry.registers ? dir.file("prefix") : QString());
    }
}

}  // namespace
