// The Debian package, unpacked into a folder of its own and never installed,
// run by a user who may not write its program directory: the settings and
// the saved login go to that user's ~/.config/Quaylet, and the next start
// logs in with them. The package is a scratch one made by scripts/package
// around the end-to-end build of the program, whose endpoints are the
// sandbox's; the real package differs from it in the program alone.

#include "e2e/Driver.h"
#include "support/TempDir.h"

#include <QFileInfo>
#include <gtest/gtest.h>

#include <optional>

#include <unistd.h>

namespace {

constexpr uid_t Nobody = 65534;

// Runs a tool to its end within the time: its exit code, -1 when it did not
// end by itself (the process is killed as it goes).
int run(const QString& program, const QStringList& arguments, int timeoutMs, QString* output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ended = process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return ended ? process.exitCode() : -1;
}

// A folder the user running the program owns; as root that is nobody.
QString ownedFolder(const QString& path)
{
    QDir().mkpath(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (::geteuid() == 0)
        (void)::chown(QFile::encodeName(path).constData(), Nobody, Nobody);
    return path;
}

TEST(Package, TheUnpackedProgramKeepsItsFilesInTheUsersFolder)
{
    ProgramDir work;
    // Everything below must be within the reach of the user the program runs as.
    QFile::setPermissions(work.path(), QFile::Permissions(0x7555));
    QString said;
    const int packaged =
        run(PACKAGE_SCRIPT, {"--program", QUAYLET_E2E_EXECUTABLE, "--output", work.file("deb"), BUILD_DIR}, 120000,
            &said);
    if (packaged == 77)
        GTEST_SKIP() << said.toStdString();
    ASSERT_EQ(packaged, 0) << said.toStdString();
    const QStringList made = QDir(work.file("deb")).entryList({"quaylet_*.deb"});
    ASSERT_EQ(made.size(), 1) << said.toStdString();
    const QString package = work.file("deb/" + made[0]);
    const QString root = work.file("root");
    ASSERT_EQ(run("dpkg-deb", {"-x", package, root}, 30000), 0) << package.toStdString();
    const QString programDirectory = root + "/usr/lib/quaylet";
    const QString command = root + "/usr/bin/quaylet";
    ASSERT_EQ(QFileInfo(command).canonicalFilePath(), programDirectory + "/quaylet");

    const QString home = ownedFolder(work.file("home"));
    const QString control = ownedFolder(work.file("control"));
    // The display's key sits in a folder of root's own.
    const QString authority = control + "/Xauthority";
    QFile::copy(qEnvironmentVariable("XAUTHORITY"), authority);
    if (::geteuid() == 0)
        (void)::chown(QFile::encodeName(authority).constData(), Nobody, Nobody);
    QProcessEnvironment environment;
    for (const char* name :
         {"DISPLAY", "QT_QPA_PLATFORM", "QTWEBENGINE_DISABLE_SANDBOX", "QTWEBENGINE_CHROMIUM_FLAGS"})
        environment.insert(name, qEnvironmentVariable(name));
    environment.insert("PATH", "/usr/bin:/bin");
    environment.insert("HOME", home);
    environment.insert("XAUTHORITY", authority);
    environment.insert("XDG_RUNTIME_DIR", control);
    environment.insert("QUAYLET_CONTROL_SOCKET", control + "/quaylet-control");
    // Root runs it as nobody; anyone else as themselves, from a program
    // directory they may not write for the while.
    QString program = command;
    QStringList arguments;
    std::optional<WithoutWriteAccess> readOnly;
    if (::geteuid() == 0) {
        program = "setpriv";
        arguments = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "--", command};
    } else {
        readOnly.emplace(programDirectory);
    }

    Sandbox sandbox(work.file("portal.log"));
    ASSERT_TRUE(sandbox.ready()) << "the sandbox did not start";
    {
        Quaylet quaylet(program, arguments, environment);
        ASSERT_TRUE(quaylet.connected()) << "the program did not start";
        quaylet.click("frmMain", "cmdConfig");
        ASSERT_TRUE(quaylet.waitForWindow("frmConfig"));
        for (const char* choice : {"chkIDSave", "chkPWDSave", "chkAutoLogin", "optDHODaum", "cmdSumit"})
            quaylet.click("frmConfig", choice);
        // A message of a failed save would keep the dialog open.
        ASSERT_TRUE(eventually([&] { return !quaylet.windowOpen("frmConfig"); }))
            << quaylet.state()["message"]["text"].toString().toStdString();
        quaylet.logInThroughDialog("captain", "sea", Daum.option);
        ASSERT_TRUE(quaylet.waitForCaption(Daum.caption("로그인 완료")));
    }
    EXPECT_EQ(work.read("home/.config/Quaylet/config.ini"), " 0 \r\n 1 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\nDaum\r\n");
    EXPECT_EQ(work.entries("root/usr/lib/quaylet"), (QStringList{"quaylet", "quaylet-engine"}));

    // The next start logs in by itself with what the user's folder holds.
    Quaylet quaylet(program, arguments, environment);
    ASSERT_TRUE(quaylet.connected()) << "the program did not start again";
    ASSERT_TRUE(quaylet.waitForCaption(Daum.caption("로그인 완료")));
    const QList<QJsonObject> logins = sandbox.requests("event", "login-ok");
    ASSERT_EQ(logins.size(), 2);
    EXPECT_EQ(logins[1]["user"], "captain");
}

}  // namespace
