#include "platform/Autostart.h"
#include "platform/win32/ProgramPath.h"
#include "storage/Registration.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
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

// A system configuration directory of the test's own, first in XDG_CONFIG_DIRS.
class XdgAutostartTest : public ::testing::Test {
protected:
    XdgAutostartTest()
    {
        ::chmod(QFile::encodeName(config.path()), 0705);  // WithoutWriteAccess's "nobody" must get through
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(config.path()) + ":/etc/xdg");
    }
    ~XdgAutostartTest() override { hadDirs_ ? qputenv("XDG_CONFIG_DIRS", dirs_) : qunsetenv("XDG_CONFIG_DIRS"); }

    // The list is looked up anew, after the test has set XDG_CONFIG_DIRS.
    static bool add(const QString& command, QString* error = nullptr)
    {
        return platform::systemAutostart()->add(QStringLiteral("Quaylet"), command, error);
    }
    static auto startAtLogon(bool on) { return storage::updateStartAtLogon(*platform::systemAutostart(), on); }
    QString folder() const { return config.file(QStringLiteral("autostart")); }
    QByteArray entry() const { return config.read(QStringLiteral("autostart/Quaylet.desktop")); }
    QStringList folderContents() const { return QDir(folder()).entryList(QDir::Files | QDir::Hidden); }

    ProgramDir config;

private:
    bool hadDirs_ = qEnvironmentVariableIsSet("XDG_CONFIG_DIRS");
    QByteArray dirs_ = qgetenv("XDG_CONFIG_DIRS");
    // The executable's path needs a running application.
    int argc_ = 1;
    char name_[19] = "quaylet_unit_tests";
    char* argv_[2] = {name_, nullptr};
    QCoreApplication app_{argc_, argv_};
};

TEST_F(XdgAutostartTest, AddReplaceAndRemoveTheOneEntry)
{
    EXPECT_TRUE(startAtLogon(false).ok) << "nothing to remove is no failure";
    EXPECT_FALSE(QFileInfo::exists(folder())) << "removing creates nothing";

    ASSERT_TRUE(add(QStringLiteral("/opt/old/quaylet")));
    config.write(QStringLiteral("autostart/x-other.desktop"), "[Desktop Entry]\n");
    ASSERT_TRUE(startAtLogon(true).ok);
    EXPECT_EQ(entry(), "[Desktop Entry]\nType=Application\nVersion=1.5\nName=Quaylet\nExec="
                           + QFile::encodeName(QCoreApplication::applicationFilePath()) + "\nTerminal=false\n")
        << "(a build directory with blanks would need quoting here)";
    EXPECT_TRUE(QFileInfo(folder() + QStringLiteral("/Quaylet.desktop")).permissions() & QFile::ReadOther)
        << "every user's session reads it";
    EXPECT_EQ(folderContents(), (QStringList{QStringLiteral("Quaylet.desktop"), QStringLiteral("x-other.desktop")}));

    EXPECT_TRUE(startAtLogon(false).ok);
    EXPECT_TRUE(startAtLogon(false).ok);
    EXPECT_EQ(folderContents(), QStringList{QStringLiteral("x-other.desktop")});
}

TEST_F(XdgAutostartTest, ExecLineQuotesThePathAsDesktopEntriesRequire)
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
        EXPECT_EQ(entry().split('\n').value(4), line) << path.toStdString();
    }
}

TEST_F(XdgAutostartTest, WithoutRightsNothingChangesAndTheReasonComesBack)
{
    ASSERT_TRUE(add(QStringLiteral("/old")));
    const QByteArray before = entry();
    {
        WithoutWriteAccess guard(folder());
        const storage::SaveResult added = startAtLogon(true);
        EXPECT_FALSE(added.ok || added.error.isEmpty());
        const storage::SaveResult removed = startAtLogon(false);
        EXPECT_FALSE(removed.ok || removed.error.isEmpty());
    }
    EXPECT_EQ(entry(), before) << "the previous entry stays whole";
    EXPECT_EQ(folderContents(), QStringList{QStringLiteral("Quaylet.desktop")});
}

TEST_F(XdgAutostartTest, TheFirstAbsoluteDirectoryElseEtcXdg)
{
    // Relative entries are invalid, even when they name a real directory.
    const QByteArray relative = QFile::encodeName(QDir::current().relativeFilePath(config.path()));
    ProgramDir other;
    qputenv("XDG_CONFIG_DIRS", relative + "::" + QFile::encodeName(other.path()));
    ASSERT_TRUE(add(QStringLiteral("/q")));
    EXPECT_TRUE(other.exists(QStringLiteral("autostart/Quaylet.desktop")));
    EXPECT_FALSE(QFileInfo::exists(folder()));

    // With none absolute the entry belongs in /etc/xdg, closed to the guard's
    // user, and not in the relative one's autostart folder open to all.
    qputenv("XDG_CONFIG_DIRS", relative);
    ASSERT_TRUE(QDir(config.path()).mkdir(QStringLiteral("autostart")));
    ::chmod(QFile::encodeName(folder()), 0777);
    {
        WithoutWriteAccess guard(config.path());
        EXPECT_FALSE(add(QStringLiteral("/q")));
    }
    EXPECT_TRUE(folderContents().isEmpty());
}

}  // namespace
