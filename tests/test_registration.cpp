#include "platform/Autostart.h"
#include "platform/win32/ProgramPath.h"
#include "storage/Registration.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <utility>

namespace {

TEST(RegistrationWindowsPath, ADrivesRootGetsNoSecondBackslash)
{
    using namespace platform::win32;
    EXPECT_EQ(executableInDirectory(u"C:\\Games\\X", u"X"), u"C:\\Games\\X\\X.exe");
    EXPECT_EQ(executableInDirectory(u"D:\\", u"X"), u"D:\\X.exe");
    EXPECT_EQ(directoryOf(u"D:\\X.exe"), u"D:\\");
    EXPECT_EQ(baseNameOf(u"C:\\Old.Games\\my.game.exe"), u"my.game");  // only the last dot counts
}

TEST(RegistrationWindowsPath, TheLogonCommandIsQuotedOnlyWhenThePathHasABlank)
{
    using platform::win32::logonCommand;
    EXPECT_EQ(logonCommand(u"C:\\Games\\X\\X.exe"), u"C:\\Games\\X\\X.exe") << "unchanged without a blank";
    EXPECT_EQ(logonCommand(u"C:\\Program Files\\X\\X.exe"), u"\"C:\\Program Files\\X\\X.exe\"");
    EXPECT_EQ(logonCommand(u"D:\\a\tb\\X.exe"), u"\"D:\\a\tb\\X.exe\"") << "a tab splits as well";
}

// Saves an environment variable and puts it back when the test ends.
class EnvironmentVariable {
public:
    explicit EnvironmentVariable(const char* name)
        : name_(name), wasSet_(qEnvironmentVariableIsSet(name)), value_(qgetenv(name))
    {
    }
    ~EnvironmentVariable() { wasSet_ ? qputenv(name_, value_) : qunsetenv(name_); }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

    void set(const QString& value) const { qputenv(name_, QFile::encodeName(value)); }
    void unset() const { qunsetenv(name_); }

private:
    const char* name_;
    bool wasSet_;
    QByteArray value_;
};

// Every folder the lists are looked up in is one of the test's own: the
// user's configuration, the home folder and the machine-wide configuration.
class XdgAutostartTest : public ::testing::Test {
protected:
    XdgAutostartTest()
    {
        for (const ProgramDir* dir : {&user, &home, &machine})
            ::chmod(QFile::encodeName(dir->path()), 0755);  // WithoutWriteAccess's "nobody" must get through
        configHome_.set(user.path());
        home_.set(home.path());
        configDirs_.set(machine.path() + QStringLiteral(":/nonexistent"));
        QDir(machine.path()).mkdir(QStringLiteral("autostart"));
    }

    // The list is looked up anew, after the test has set the variables.
    static bool add(const QString& command, QString* error = nullptr)
    {
        return platform::systemAutostart()->add(QStringLiteral("Quaylet"), command, error);
    }
    static auto startAtLogon(bool on) { return storage::updateStartAtLogon(*platform::systemAutostart(), on); }
    static QStringList contents(const ProgramDir& dir, const QString& folder = QStringLiteral("autostart"))
    {
        return QDir(dir.file(folder)).entryList(QDir::Files | QDir::Hidden);
    }

    // What Debian's validator says about an entry: empty when it passes.
    static QString validation(const ProgramDir& dir, const QString& entry)
    {
        QProcess validator;
        validator.setProcessChannelMode(QProcess::MergedChannels);
        validator.start(QStringLiteral("desktop-file-validate"), {dir.file(entry)});
        if (!validator.waitForFinished(10000))
            return QStringLiteral("desktop-file-validate did not run: ") + validator.errorString();
        const QString output = QString::fromLocal8Bit(validator.readAll());
        return validator.exitCode() == 0 && output.isEmpty() ? QString() : output + QStringLiteral(" (failed)");
    }

    // What earlier versions wrote into the machine-wide folder.
    static QByteArray earlierEntry(const QByteArray& exec)
    {
        return "[Desktop Entry]\nType=Application\nVersion=1.5\nName=Quaylet\nExec=" + exec + "\nTerminal=false\n";
    }

    ProgramDir user;
    ProgramDir home;
    ProgramDir machine;
    const QString entry = QStringLiteral("autostart/Quaylet.desktop");

private:
    EnvironmentVariable configHome_{"XDG_CONFIG_HOME"};
    EnvironmentVariable home_{"HOME"};
    EnvironmentVariable configDirs_{"XDG_CONFIG_DIRS"};
    // The executable's path needs a running application.
    int argc_ = 1;
    char name_[19] = "quaylet_unit_tests";
    char* argv_[2] = {name_, nullptr};
    QCoreApplication app_{argc_, argv_};
};

TEST_F(XdgAutostartTest, AddReplaceAndRemoveTheUsersOwnEntry)
{
    EXPECT_TRUE(startAtLogon(false).ok) << "nothing to remove is no failure";
    EXPECT_FALSE(QFileInfo::exists(user.file(QStringLiteral("autostart")))) << "removing creates nothing";

    ASSERT_TRUE(add(QStringLiteral("/opt/old/quaylet")));
    user.write(QStringLiteral("autostart/x-other.desktop"), "[Desktop Entry]\n");
    ASSERT_TRUE(startAtLogon(true).ok);
    EXPECT_EQ(user.read(entry), "[Desktop Entry]\nType=Application\nVersion=1.4\nName=Quaylet\nExec="
                                    + QFile::encodeName(QCoreApplication::applicationFilePath()) + "\nTerminal=false\n")
        << "(a build directory with blanks would need quoting here)";
    EXPECT_EQ(validation(user, entry).toStdString(), "");
    EXPECT_EQ(contents(user), (QStringList{QStringLiteral("Quaylet.desktop"), QStringLiteral("x-other.desktop")}));
    EXPECT_TRUE(contents(machine).isEmpty()) << "the machine-wide folder is not written";

    EXPECT_TRUE(startAtLogon(false).ok);
    EXPECT_TRUE(startAtLogon(false).ok);
    EXPECT_EQ(contents(user), QStringList{QStringLiteral("x-other.desktop")});
}

TEST_F(XdgAutostartTest, WithoutAnAbsoluteConfigHomeTheEntryGoesUnderTheHomeFolder)
{
    const QStringList expected{QStringLiteral("Quaylet.desktop")};
    const EnvironmentVariable configHome("XDG_CONFIG_HOME");
    configHome.unset();
    ASSERT_TRUE(add(QStringLiteral("/q")));
    EXPECT_EQ(contents(home, QStringLiteral(".config/autostart")), expected);

    QDir(home.file(QStringLiteral(".config/autostart"))).removeRecursively();
    configHome.set(QStringLiteral("relative/config"));  // invalid: relative
    ASSERT_TRUE(add(QStringLiteral("/q")));
    EXPECT_EQ(contents(home, QStringLiteral(".config/autostart")), expected);
    EXPECT_TRUE(contents(user).isEmpty());
}

TEST_F(XdgAutostartTest, ExecLineQuotesThePathAndTheValidatorAccepts)
{
    // As written in the file: escaped for the Exec parser, then backslashes doubled for the string value.
    const std::pair<QString, QByteArray> cases[] = {
        {QStringLiteral("/usr/bin/quaylet"), "Exec=/usr/bin/quaylet"},
        {QStringLiteral("/opt/My Games/quaylet"), "Exec=\"/opt/My Games/quaylet\""},
        {QStringLiteral("/opt/say \"hi\"/q"), "Exec=\"/opt/say \\\\\"hi\\\\\"/q\""},
        {QStringLiteral("/opt/$HOME/q"), "Exec=\"/opt/\\\\$HOME/q\""},
        {QStringLiteral("/opt/back\\slash/q"), "Exec=\"/opt/back\\\\\\\\slash/q\""},
        {QStringLiteral("/opt/`id`/q"), "Exec=\"/opt/\\\\`id\\\\`/q\""},
        {QStringLiteral("/opt/it's/q"), "Exec=\"/opt/it's/q\""},
        {QStringLiteral("/opt/100%/q"), "Exec=/opt/100%%/q"},
        {QStringLiteral("/opt/tab\there/q"), "Exec=\"/opt/tab\\there/q\""},
        {QStringLiteral("/opt/대항해시대/q"), "Exec=/opt/대항해시대/q"},
    };
    for (const auto& [path, line] : cases) {
        QString error;
        ASSERT_TRUE(add(path, &error)) << error.toStdString();
        EXPECT_EQ(user.read(entry).split('\n').value(4), line) << path.toStdString();
        EXPECT_EQ(validation(user, entry).toStdString(), "") << path.toStdString();
    }
}

TEST_F(XdgAutostartTest, ClearingRemovesAnEarlierMachineWideEntryOrHidesItForTheUser)
{
    const QString machineEntry = entry;
    machine.write(QStringLiteral("autostart/Quaylet.desktop"), earlierEntry("\"/opt/My Games/quaylet\""));
    EXPECT_TRUE(startAtLogon(false).ok);
    EXPECT_TRUE(contents(machine).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(user.file(QStringLiteral("autostart")))) << "nothing left to hide";

    // Without the right to remove it, a hidden entry of the user's own switches it off at this user's logon.
    machine.write(machineEntry, earlierEntry("/usr/bin/quaylet"));
    ::chmod(QFile::encodeName(user.path()), 0777);  // stands for the user's own folder when the guard becomes "nobody"
    {
        WithoutWriteAccess guard(machine.file(QStringLiteral("autostart")));
        EXPECT_TRUE(startAtLogon(false).ok);
    }
    EXPECT_EQ(machine.read(machineEntry), earlierEntry("/usr/bin/quaylet"));
    EXPECT_EQ(user.read(entry), "[Desktop Entry]\nType=Application\nVersion=1.4\nName=Quaylet\nHidden=true\n");
    EXPECT_EQ(validation(user, entry).toStdString(), "");
    ASSERT_TRUE(startAtLogon(true).ok);
    EXPECT_TRUE(user.read(entry).contains("\nExec=")) << "ticked again, the user's entry starts it";
}

TEST_F(XdgAutostartTest, AMachineWideEntryOfAnyOtherMakingIsLeftAlone)
{
    for (const QByteArray& other : {QByteArray("[Desktop Entry]\nType=Application\nName=Quaylet\nExec=/usr/bin/q\n"),
                                    earlierEntry("/q") + "X-Added=by hand\n",
                                    earlierEntry("/q\nHidden=true")}) {
        machine.write(entry, other);
        EXPECT_TRUE(startAtLogon(false).ok);
        EXPECT_EQ(machine.read(entry), other);
        EXPECT_FALSE(QFileInfo::exists(user.file(entry)));
    }
}

TEST_F(XdgAutostartTest, WithoutRightsNothingChangesAndTheReasonComesBack)
{
    ASSERT_TRUE(add(QStringLiteral("/old")));
    const QByteArray before = user.read(entry);
    {
        WithoutWriteAccess guard(user.file(QStringLiteral("autostart")));
        const storage::SaveResult added = startAtLogon(true);
        EXPECT_FALSE(added.ok || added.error.isEmpty());
        const storage::SaveResult removed = startAtLogon(false);
        EXPECT_FALSE(removed.ok || removed.error.isEmpty());
    }
    EXPECT_EQ(user.read(entry), before) << "the previous entry stays whole";
    EXPECT_EQ(contents(user), QStringList{QStringLiteral("Quaylet.desktop")});
}

}  // namespace
