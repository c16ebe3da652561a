#include "platform/Autostart.h"
#include "platform/Files.h"
#include "platform/win32/ProgramPath.h"
#include "storage/Registration.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>


#include <utility>

namespace {

// Records what the registration asks of the list, and can refuse it.
class RecordingAutostart : public platform::Autostart {
public:
    bool add(const QString& name, const QString& command, QString* error) override
    {
        calls.append(QStringLiteral("add %1 %2").arg(name, command));
        return answer(error);
    }
    bool remove(const QString& name, QString* error) override
    {
        calls.append(QStringLiteral("remove ") + name);
        return answer(error);
    }

    QStringList calls;
    QString refusal;

private:
    bool answer(QString* error) const
    {
        if (refusal.isEmpty())
            return true;
        *error = refusal;
        return false;
    }
};

// The executable's path needs a running application.
class WithApplication {
protected:
    int argc = 1;
    char name[19] = "quaylet_unit_tests";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
};

class RegistrationTest : public ::testing::Test, protected WithApplication {
protected:
    RecordingAutostart autostart;
};

TEST_F(RegistrationTest, TickedAddsQuayletStartingThisExecutable)
{
    const QString executable = QString::fromStdU16String(platform::executablePath());
    ASSERT_FALSE(executable.isEmpty());
    EXPECT_EQ(executable, QCoreApplication::applicationFilePath());

    const storage::SaveResult result = storage::updateStartAtLogon(autostart, true);
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.error.isEmpty());
    EXPECT_EQ(autostart.calls, QStringList{QStringLiteral("add Quaylet ") + executable});
}

TEST_F(RegistrationTest, ClearedRemovesQuaylet)
{
    EXPECT_TRUE(storage::updateStartAtLogon(autostart, false).ok);
    EXPECT_EQ(autostart.calls, QStringList{QStringLiteral("remove Quaylet")});
}

TEST_F(RegistrationTest, FailuresComeBackWithTheSystemsReason)
{
    autostart.refusal = QStringLiteral("Access is denied.");
    storage::SaveResult result = storage::updateStartAtLogon(autostart, true);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, QStringLiteral("Access is denied."));

    result = storage::updateStartAtLogon(autostart, false);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, QStringLiteral("Access is denied."));
}

TEST(RegistrationWindowsPath, DirectoryBackslashNameAndExe)
{
    using platform::win32::executableInDirectory;
    EXPECT_EQ(executableInDirectory(u"C:\\Games\\X", u"X"), u"C:\\Games\\X\\X.exe");
    EXPECT_EQ(executableInDirectory(u"D:\\", u"X"), u"D:\\X.exe") << "a drive's root gets no second backslash";
    EXPECT_EQ(executableInDirectory(u"C:\\Program Files\\My Game", u"My Game"),
              u"C:\\Program Files\\My Game\\My Game.exe")
        << "blanks stay, without quotation marks";
}

TEST(RegistrationWindowsPath, DirectoryAndNameOfTheModulePath)
{
    using platform::win32::baseNameOf;
    using platform::win32::directoryOf;
    EXPECT_EQ(directoryOf(u"C:\\Games\\X\\X.exe"), u"C:\\Games\\X");
    EXPECT_EQ(directoryOf(u"D:\\X.exe"), u"D:\\");
    EXPECT_EQ(directoryOf(u"\\\\server\\share\\X.exe"), u"\\\\server\\share");
    EXPECT_EQ(baseNameOf(u"C:\\Games\\X\\X.EXE"), u"X");
    EXPECT_EQ(baseNameOf(u"C:\\Old.Games\\my.game.exe"), u"my.game");
    EXPECT_EQ(baseNameOf(u"C:\\Old.Games\\X"), u"X");
}

// A system configuration directory of the test's own, first in XDG_CONFIG_DIRS.
class XdgAutostartTest : public ::testing::Test {
protected:
    XdgAutostartTest()
        : hadDirectories_(qEnvironmentVariableIsSet("XDG_CONFIG_DIRS")), directories_(qgetenv("XDG_CONFIG_DIRS"))
    {
        QFile::setPermissions(config.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                 | QFile::ReadOther | QFile::ExeOther);
        useDirectories(QFile::encodeName(config.path()) + ":/etc/xdg");
    }
    ~XdgAutostartTest() override
    {
        if (hadDirectories_)
            qputenv("XDG_CONFIG_DIRS", directories_);
        else
            qunsetenv("XDG_CONFIG_DIRS");
    }

    static void useDirectories(const QByteArray& value) { qputenv("XDG_CONFIG_DIRS", value); }

    QString folder() const { return config.file(QStringLiteral("autostart")); }
    QByteArray entry() const { return config.read(QStringLiteral("autostart/Quaylet.desktop")); }
    QStringList folderContents() const
    {
        return QDir(folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
    QByteArray execLine() const
    {
        for (const QByteArray& line : entry().split('\n')) {
            if (line.startsWith("Exec="))
                return line;
        }
        return {};
    }

    ProgramDir config;

private:
    bool hadDirectories_;
    QByteArray directories_;
};

TEST_F(XdgAutostartTest, AddWritesADesktopEntryInTheFirstDirectory)
{
    const auto autostart = platform::systemAutostart();
    QString error;
    ASSERT_TRUE(autostart->add(QStringLiteral("Quaylet"), QStringLiteral("/usr/local/bin/quaylet"), &error))
        << error.toStdString();
    EXPECT_EQ(entry(), QByteArray("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Version=1.5\n"
                                  "Name=Quaylet\n"
                                  "Exec=/usr/local/bin/quaylet\n"
                                  "Terminal=false\n"));
    EXPECT_TRUE(QFileInfo(config.file(QStringLiteral("autostart/Quaylet.desktop"))).permissions()
                & QFile::ReadOther)
        << "every user's session reads it";
}

TEST_F(XdgAutostartTest, SkipsRelativeDirectories)
{
    useDirectories("relative/xdg::" + QFile::encodeName(config.path()));
    QString error;
    ASSERT_TRUE(platform::systemAutostart()->add(QStringLiteral("Quaylet"), QStringLiteral("/q"), &error));
    EXPECT_EQ(execLine(), QByteArray("Exec=/q"));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("relative/xdg")));
}

TEST_F(XdgAutostartTest, AddingTwiceLeavesOneEntry)
{
    const auto autostart = platform::systemAutostart();
    QString error;
    ASSERT_TRUE(autostart->add(QStringLiteral("Quaylet"), QStringLiteral("/opt/old/quaylet"), &error));
    ASSERT_TRUE(autostart->add(QStringLiteral("Quaylet"), QStringLiteral("/opt/new/quaylet"), &error));
    EXPECT_EQ(folderContents(), QStringList{QStringLiteral("Quaylet.desktop")});
    EXPECT_EQ(execLine(), QByteArray("Exec=/opt/new/quaylet"));
}

TEST_F(XdgAutostartTest, RemoveDeletesTheEntryAndMissingEntriesAreNoFailure)
{
    const auto autostart = platform::systemAutostart();
    QString error;
    EXPECT_TRUE(autostart->remove(QStringLiteral("Quaylet"), &error)) << "no folder yet";
    EXPECT_FALSE(QFileInfo::exists(folder())) << "removing creates nothing";

    ASSERT_TRUE(autostart->add(QStringLiteral("Quaylet"), QStringLiteral("/q"), &error));
    config.write(QStringLiteral("autostart/other.desktop"), "[Desktop Entry]\n");
    EXPECT_TRUE(autostart->remove(QStringLiteral("Quaylet"), &error));
    EXPECT_EQ(folderContents(), QStringList{QStringLiteral("other.desktop")});

    EXPECT_TRUE(autostart->remove(QStringLiteral("Quaylet"), &error));
    EXPECT_EQ(folderContents(), QStringList{QStringLiteral("other.desktop")});
    EXPECT_TRUE(error.isEmpty());
}

TEST_F(XdgAutostartTest, ExecLineQuotesThePathAsDesktopEntriesRequire)
{
    // The path, then the Exec line as it stands in the file: quoted and escaped
    // for the Exec parser, then backslashes doubled again for the string value.
    const std::pair<QString, QByteArray> cases[] = {
        {QStringLiteral("/usr/bin/quaylet"), "Exec=/usr/bin/quaylet"},
        {QStringLiteral("/opt/My Games/quaylet"), "Exec=\"/opt/My Games/quaylet\""},
        {QStringLiteral("/opt/say \"hi\"/q"), "Exec=\"/opt/say \\\\\"hi\\\\\"/q\""},
        {QStringLiteral("/opt/$HOME/q"), "Exec=\"/opt/\\\\$HOME/q\""},
        {QStringLiteral("/opt/back\\slash/q"), "Exec=\"/opt/back\\\\\\\\slash/q\""},
        {QStringLiteral("/opt/`id`/q"), "Exec=\"/opt/\\\\`id\\\\`/q\""},
        {QStringLiteral("/opt/it's/q"), "Exec=\"/opt/it's/q\""},
        {QStringLiteral("/opt/a&b;c/q"), "Exec=\"/opt/a&b;c/q\""},
        {QStringLiteral("/opt/100%/q"), "Exec=/opt/100%%/q"},
        {QStringLiteral("/opt/tab\there/q"), "Exec=\"/opt/tab\\there/q\""},
        {QStringLiteral("/opt/대항해시대/q"), "Exec=/opt/대항해시대/q"},
    };
    const auto autostart = platform::systemAutostart();
    for (const auto& [path, line] : cases) {
        QString error;
        ASSERT_TRUE(autostart->add(QStringLiteral("Quaylet"), path, &error)) << error.toStdString();
        EXPECT_EQ(execLine(), line) << path.toStdString();
    }
}

TEST_F(XdgAutostartTest, WithoutRightsNothingChangesAndTheReasonComesBack)
{
    const auto autostart = platform::systemAutostart();
    QString error;
    {
        WithoutWriteAccess guard(config.path());
        EXPECT_FALSE(autostart->add(QStringLiteral("Quaylet"), QStringLiteral("/q"), &error));
    }
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder())) << "no folder without rights";

    ASSERT_TRUE(autostart->add(QStringLiteral("Quaylet"), QStringLiteral("/old"), &error));
    const QByteArray before = entry();
    bool added = true;
    bool removed = true;
    QString addError;
    QString removeError;
    {
        WithoutWriteAccess guard(folder());
        added = autostart->add(QStringLiteral("Quaylet"), QStringLiteral("/new"), &addError);
        removed = autostart->remove(QStringLiteral("Quaylet"), &removeError);
    }
    EXPECT_FALSE(added);
    EXPECT_FALSE(addError.isEmpty());
    EXPECT_FALSE(removed);
    EXPECT_FALSE(removeError.isEmpty());
    EXPECT_EQ(entry(), before) << "the previous entry stays whole";
    EXPECT_EQ(folderContents(), QStringList{QStringLiteral("Quaylet.desktop")});
}

class RegistrationXdgTest : public XdgAutostartTest, protected WithApplication {};

TEST_F(RegistrationXdgTest, SavingTwiceThenClearingLeavesNoEntry)
{
    const auto autostart = platform::systemAutostart();
    ASSERT_TRUE(storage::updateStartAtLogon(*autostart, true).ok);
    ASSERT_TRUE(storage::updateStartAtLogon(*autostart, true).ok);
    EXPECT_EQ(folderContents(), QStringList{QStringLiteral("Quaylet.desktop")});
    const QString executable = QCoreApplication::applicationFilePath();
    ASSERT_FALSE(executable.contains(u' ')) << "the build directory needs no quoting here";
    EXPECT_EQ(execLine(), "Exec=" + QFile::encodeName(executable));

    EXPECT_TRUE(storage::updateStartAtLogon(*autostart, false).ok);
    EXPECT_TRUE(folderContents().isEmpty());
    EXPECT_TRUE(storage::updateStartAtLogon(*autostart, false).ok);
}

}  // namespace
