// The game's launch on Linux with the real xdg-utils and Wine: the desktop's
// handler of the launcher's scheme first, else the Wine prefix whose registry
// names the launcher, else a box; never a web browser. The launcher holds
// nothing of the engine's, which leaves no process behind it.

#include "e2e/Driver.h"
#include "support/TempDir.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

#include <memory>

namespace {

QStringList launch(const Portal& portal)
{
    return {"dho-sandbox://launch?portal=" + QString(portal.name).toLower() + "&user=captain"};
}

// The program in a home of its own with nothing registered and stand-in web
// browsers first on its PATH, logged in by itself as captain. The run's Wine
// prefix, made once (its first start takes a while), registers a launcher
// built with MinGW for the sandbox's scheme, as the game's installer does.
class GameOnLinux : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        prefix = new QTemporaryDir;
        const QString wine = QStandardPaths::findExecutable("wine");
        const QString mingw = QStandardPaths::findExecutable("x86_64-w64-mingw32-gcc");
        if (wine.isEmpty() || mingw.isEmpty()) {
            noWine = "wine or MinGW-w64 is not installed (Debian: wine, gcc-mingw-w64-x86-64)";
            return;
        }
        // No display, no offers to install Mono or Gecko, no menu entries;
        // the registry reaches its files as the server ends.
        QProcessEnvironment environment = wineEnvironment();
        environment.remove("DISPLAY");
        environment.insert("WINEDLLOVERRIDES", "mscoree,mshtml,winemenubuilder.exe=");
        QDir().mkpath(launcher(""));
        const auto runs = [&](const QString& program, const QStringList& arguments, int timeoutMs) {
            return run(program, arguments, timeoutMs, nullptr, environment) == 0;
        };
        if (!runs(mingw, {"-O2", "-o", launcher("launcher.exe"), WINE_LAUNCHER_SOURCE}, 60000)
            || !runs(wine, {"wineboot", "--init"}, 180000)
            || !runs(wine,
                     {"reg", "add", "HKCR\\dho-sandbox\\shell\\open\\command", "/ve", "/d",
                      "\"C:\\launcher\\launcher.exe\" \"%1\"", "/f"},
                     60000)
            || !runs("wineserver", {"-w"}, 60000))
            noWine = "the Wine prefix could not be made";
    }

    static void TearDownTestSuite()
    {
        run("wineserver", {"-k"}, 30000, nullptr, wineEnvironment());
        delete std::exchange(prefix, nullptr);
    }

    static QProcessEnvironment wineEnvironment()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("WINEPREFIX", prefix->path());
        environment.insert("WINEDEBUG", "-all");
        return environment;
    }
    static QString launcher(const QString& file) { return prefix->filePath("drive_c/launcher/" + file); }

    GameOnLinux()
    {
        for (const char* name :
             {"XDG_CURRENT_DESKTOP", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID",
              "DESKTOP_SESSION", "BROWSER", "WINEPREFIX", "XDG_DATA_DIRS"})
            environment.remove(name);
        environment.insert("HOME", dir.file("home"));
        environment.insert("XDG_CONFIG_HOME", dir.file("home/.config"));
        environment.insert("XDG_DATA_HOME", dir.file("home/.local/share"));
        environment.insert("QUAYLET_CONTROL_SOCKET", dir.file("quaylet-control"));
        environment.insert("QUAYLET_E2E_RUN", QUuid::createUuid().toString());
        for (const QString browser : {"x-www-browser", "www-browser", "firefox"})
            writeFile(dir.file("bin/" + browser),
                      "#!/bin/sh\necho \"$0 $*\" >> \"$(dirname \"$0\")/../browsed\"\n", true);
        environment.insert("PATH", dir.file("bin") + ':' + environment.value("PATH"));
        for (const char* note : {"launched", "outlived"})
            QFile::remove(launcher(note));
    }

    // After the game start the program does nothing more, or closes itself.
    // The channel page launches the game as the sandbox's --launch says.
    void startGame(const Portal& portal, bool closeAfterStart, const QString& launchMode = "href")
    {
        QFile::copy(QUAYLET_E2E_EXECUTABLE, dir.file("quaylet"));
        // Unless the test put a stand-in there.
        QFile::copy(QUAYLET_E2E_ENGINE, dir.file("quaylet-engine"));
        saveAutoLogin(dir.path(), portal, closeAfterStart ? 2 : 0);
        sandbox = std::make_unique<Sandbox>(dir.file("portal.log"), QStringList{"--launch", launchMode});
        ASSERT_TRUE(sandbox->ready()) << "the sandbox did not start";
        quaylet = std::make_unique<Quaylet>(dir.file("quaylet"), QStringList{}, environment);
        ASSERT_TRUE(quaylet->waitForCaption(portal.caption("로그인 완료"), 30000));
        ASSERT_TRUE(quaylet->waitForIdleBrowser());
        quaylet->click("frmMain", "cmdGameStart");
    }

    static inline QTemporaryDir* prefix = nullptr;
    static inline QString noWine;
    ProgramDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    std::unique_ptr<Sandbox> sandbox;
    std::unique_ptr<Quaylet> quaylet;
};

// No desktop handler: the prefix's launcher gets exactly the channel page's
// address, once, and lives on after the program closed itself.
TEST_F(GameOnLinux, TheLauncherOfThePrefixStartsTheGameAndOutlivesTheProgram)
{
    if (!noWine.isEmpty())
        GTEST_SKIP() << noWine.toStdString();
    environment.insert("WINEPREFIX", prefix->path());
    ASSERT_NO_FATAL_FAILURE(startGame(Netmarble, true));
    ASSERT_TRUE(quaylet->waitForExit(30000)) << "the program should end by itself";
    EXPECT_TRUE(eventually([&] { return linesOf(launcher("outlived")) == launch(Netmarble); }, 15000))
        << "the launcher died: " << linesOf(launcher("launched")).join(' ').toStdString();
    EXPECT_EQ(linesOf(launcher("launched")), launch(Netmarble));
    EXPECT_TRUE(linesOf(dir.file("browsed")).isEmpty());
}

// Neither the desktop nor a prefix knows the scheme: a box says so, and the
// address goes nowhere, least of all to a web browser.
TEST_F(GameOnLinux, NothingRegisteredTellsTheUserAndStartsNoBrowser)
{
    ASSERT_NO_FATAL_FAILURE(startGame(Netmarble, false));
    const QString told = quaylet->waitForMessage();
    EXPECT_TRUE(told.startsWith("게임을 실행할 수 없습니다.\n") && told.contains("'dho-sandbox'"))
        << told.toStdString();
    // The opener has ended by the time its failure is told, and whatever it started with it.
    EXPECT_EQ(linesOf(dir.file("browsed")).join('\n').toStdString(), "");
    quaylet->answer(QMessageBox::Ok);
    EXPECT_EQ(quaylet->mainWindow(), Netmarble.caption("대항해시대 온라인 실행") + " | 로그아웃 | game start");
}

// A desktop entry the user registered wins over a prefix that registers the
// scheme too. Its launcher gets descriptors 0-2 only and none of the engine's
// variables, and outlives every process of the engine. The program closes
// itself only once the launch went to the system, however late the channel
// page launches or the engine starts.
TEST_F(GameOnLinux, TheDesktopsHandlerWinsAndHoldsNothingOfTheEngine)
{
    environment.insert("WINEPREFIX", prefix->path());
    writeFile(dir.file("launcher"),
              "#!/bin/sh\nhere=$(dirname \"$0\")\necho \"$1\" >> \"$here/launched\"\n"
              "(find /proc/$$/fd -mindepth 1 -printf '%f %l\\n' > \"$here/fds\")\n"
              "tr '\\0' '\\n' < /proc/$$/environ > \"$here/environment\"\n"
              "sleep 10; echo \"$1\" >> \"$here/outlived\"\n",
              true);
    writeFile(dir.file("quaylet-engine"), "#!/bin/sh\nsleep 6\nexec '" QUAYLET_E2E_ENGINE "' \"$@\"\n", true);
    dir.write("home/.local/share/applications/quaylet-test-launcher.desktop",
              "[Desktop Entry]\nType=Application\nName=Launcher\nExec=" + dir.file("launcher").toUtf8() + " %u\n");
    dir.write("home/.config/mimeapps.list",
              "[Default Applications]\nx-scheme-handler/dho-sandbox=quaylet-test-launcher.desktop\n");
    ASSERT_NO_FATAL_FAILURE(startGame(Daum, true, "timer"));
    ASSERT_TRUE(quaylet->waitForExit(30000)) << "the program should end by itself";
    EXPECT_EQ(linesOf(dir.file("launched")), launch(Daum));

    QStringList fds = linesOf(dir.file("fds"));
    // The shell holds its own script open.
    fds.removeIf([&](const QString& fd) { return fd.endsWith(" " + dir.file("launcher")); });
    fds.sort();
    EXPECT_EQ(fds.join(", ").toStdString(), "0 /dev/null, 1 /dev/null, 2 /dev/null");
    // The program's own environment less the engine's; the shell sets PWD.
    const QStringList given = environment.toStringList();
    for (const QString& variable : linesOf(dir.file("environment")))
        EXPECT_TRUE(!variable.startsWith("QTWEBENGINE_")
                    && (given.contains(variable) || variable.startsWith("PWD=")))
            << "set by the engine: " << variable.toStdString();
    const QByteArray thisRun = "QUAYLET_E2E_RUN=" + environment.value("QUAYLET_E2E_RUN").toUtf8();
    const auto chromium = [&] {
        QStringList left;
        for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
            QFile variables("/proc/" + pid + "/environ");
            if (QFileInfo("/proc/" + pid + "/exe").symLinkTarget().endsWith("/QtWebEngineProcess")
                && variables.open(QIODevice::ReadOnly) && variables.readAll().split('\0').contains(thisRun))
                left.append(pid);
        }
        return left;
    };
    EXPECT_TRUE(eventually([&] { return chromium().isEmpty(); }, 5000)) << chromium().join(' ').toStdString();
    EXPECT_TRUE(linesOf(dir.file("outlived")).isEmpty()) << "the launcher ended too soon to tell";
    EXPECT_TRUE(eventually([&] { return linesOf(dir.file("outlived")) == launch(Daum); }, 15000))
        << "the launcher died";
    EXPECT_TRUE(linesOf(dir.file("browsed")).isEmpty());
    EXPECT_FALSE(QFile::exists(launcher("launched"))) << "the prefix's launcher ran as well";
}

}  // namespace
