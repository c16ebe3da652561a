// The Debian package (a scratch one around the end-to-end build, made twice to
// the same bytes), unpacked, never installed, and run by a user who may not
// write its program directory: the settings and the saved login go to
// ~/.config/Quaylet, the next start logs in with them, a start beside it only
// brings it forward. Without a display it says so; as root it logs in
// nowhere; a purge takes what root's runs left in the program directory.

#include "core/Texts.h"
#include "e2e/Driver.h"
#include "support/TempDir.h"

#include <QFileInfo>
#include <gtest/gtest.h>

#include <optional>

#include <unistd.h>

namespace {

constexpr uid_t Nobody = 65534;

// A folder for the user running the test alone.
QString ownedByMe(const QString& path)
{
    QDir().mkpath(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// As root, gives the file or folder to nobody, the user the program runs as.
QString giveToRunner(const QString& path)
{
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
    // Made again, later: file times are the changelog's, not the clock's.
    for (const char* output : {"deb", "again"}) {
        const int packaged =
            run(PACKAGE_SCRIPT, {"--program", QUAYLET_E2E_EXECUTABLE, "--output", work.file(output), BUILD_DIR},
                120000, &said);
        if (packaged == 77)
            GTEST_SKIP() << said.toStdString();
        ASSERT_EQ(packaged, 0) << said.toStdString();
    }
    const QStringList made = QDir(work.file("deb")).entryList({"quaylet_*.deb"});
    ASSERT_EQ(made.size(), 1) << said.toStdString();
    const QString package = work.file("deb/" + made[0]);
    EXPECT_TRUE(work.read("deb/" + made[0]) == work.read("again/" + made[0])) << "two packages of one build differ";
    const QString root = work.file("root");
    ASSERT_EQ(run("dpkg-deb", {"-x", package, root}, 30000), 0) << package.toStdString();
    ASSERT_EQ(run("dpkg-deb", {"-e", package, work.file("control-files")}, 30000), 0);
    const QString programDirectory = root + "/usr/lib/quaylet";
    const QString command = root + "/usr/bin/quaylet";
    ASSERT_EQ(QFileInfo(command).canonicalFilePath(), programDirectory + "/quaylet");

    // Without a display: the two options answer, anything else is one line and status 1.
    QProcessEnvironment headless = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        headless.remove(name);
    headless.insert("XDG_RUNTIME_DIR", ownedByMe(work.file("headless")));
    const std::tuple<QString, int, QString> answers[] = {
        {"--version", 0, "quaylet 1.01\n"},
        {"--help", 0, "Usage: quaylet [--help | --version]\n"},
        {"", 1, "quaylet: no display could be opened (DISPLAY is not set); Quaylet needs a graphical desktop\n"},
    };
    for (const auto& [option, status, begins] : answers) {
        EXPECT_EQ(run(command, option.isEmpty() ? QStringList() : QStringList{option}, 10000, &said, headless), status)
            << option.toStdString();
        EXPECT_TRUE(said.startsWith(begins) && (status == 0 || said == begins)) << said.toStdString();
    }

    const QString home = giveToRunner(ownedByMe(work.file("home")));
    const QString control = giveToRunner(ownedByMe(work.file("control")));
    // The display's key sits in a folder of root's own.
    const QString authority = control + "/Xauthority";
    QFile::copy(qEnvironmentVariable("XAUTHORITY"), authority);
    giveToRunner(authority);
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
    // What the program and its engine print is kept, to be read below.
    QString program = "/bin/sh";
    QStringList arguments{"-c", "exec \"$0\" 2>>\"$1\"", command, control + "/stderr"};
    std::optional<WithoutWriteAccess> readOnly;
    if (::geteuid() == 0) {
        arguments = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "--", program} + arguments;
        program = "setpriv";
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

    // The next start logs in by itself with what the user's folder holds;
    // one more meanwhile only knocks at its door and ends.
    {
        Quaylet quaylet(program, arguments, environment);
        ASSERT_TRUE(quaylet.connected()) << "the program did not start again";
        QProcess another;
        another.setProcessEnvironment(environment);
        another.setProcessChannelMode(QProcess::MergedChannels);
        another.start(program, arguments);
        EXPECT_TRUE(another.waitForFinished(10000) && another.exitStatus() == QProcess::NormalExit
                    && another.exitCode() == 0);
        ASSERT_TRUE(quaylet.waitForCaption(Daum.caption("로그인 완료")));
        EXPECT_EQ(sandbox.requests("event", "login-ok").size(), 2) << "the saved login was not read";
    }
    // Nothing else reached standard error: neither the engine's Chromium and
    // GL reports without the log switch nor a knock that went unanswered.
    for (const QByteArray& line : work.read("control/stderr").split('\n'))
        EXPECT_TRUE(line.isEmpty() || line == "Sandboxing disabled by user.") << line.toStdString();

    // Root's files live in the program directory, which it may write. As root
    // without Chromium's sandbox, no login starts an engine: a box says why.
    readOnly.reset();
    const QStringList rootsFiles{"config.ini", "User.ini", "LaunchSchemes.ini"};
    QFile::copy(work.file("home/.config/Quaylet/config.ini"), programDirectory + "/config.ini");
    QFile::copy(work.file("home/.config/Quaylet/User.ini"), programDirectory + "/User.ini");
    work.write("root/usr/lib/quaylet/LaunchSchemes.ini", "dho-sandbox\n");
    if (::geteuid() == 0) {
        QProcessEnvironment asRoot = environment;
        asRoot.remove("QTWEBENGINE_DISABLE_SANDBOX");
        asRoot.insert("XAUTHORITY", qEnvironmentVariable("XAUTHORITY"));
        asRoot.insert("XDG_RUNTIME_DIR", ownedByMe(work.file("root-runtime")));
        asRoot.insert("QUAYLET_CONTROL_SOCKET", work.file("root-runtime/quaylet-control"));
        const qsizetype requests = sandbox.requests("method", "GET").size();
        Quaylet quaylet(command, {}, asRoot);
        ASSERT_TRUE(quaylet.connected()) << "the program did not start as root";
        for (int attempt = 0; attempt < 2; ++attempt) {
            EXPECT_EQ(quaylet.waitForMessage(), text::RootLoginRefused) << attempt;
            EXPECT_EQ(quaylet.state()["engine"].toInteger(), 0);
            quaylet.answer(QMessageBox::Ok);
            EXPECT_TRUE(eventually([&] { return !quaylet.state()["message"].isObject(); }));
            // The login button asks the same.
            quaylet.click("frmMain", "cmdLogin");
        }
        EXPECT_EQ(sandbox.requests("method", "GET").size(), requests) << "nothing went to the portal";
    }

    // Purging the package, not removing it, takes those files and then the folder.
    for (const char* file : {"quaylet", "quaylet-engine"})
        QFile::remove(programDirectory + '/' + file);
    QProcessEnvironment dpkg = QProcessEnvironment::systemEnvironment();
    dpkg.insert("DPKG_ROOT", root);
    const QString postrm = work.file("control-files/postrm");
    ASSERT_EQ(run(postrm, {"remove"}, 10000, &said, dpkg), 0) << said.toStdString();
    EXPECT_EQ(work.entries("root/usr/lib/quaylet").size(), rootsFiles.size());
    ASSERT_EQ(run(postrm, {"purge"}, 10000, &said, dpkg), 0) << said.toStdString();
    EXPECT_FALSE(QFileInfo::exists(programDirectory)) << work.entries("root/usr/lib/quaylet").join(' ').toStdString();
}

}  // namespace
