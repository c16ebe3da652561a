// The system's URL opener as the game's launch uses it: the launcher it
// starts holds nothing of this program's (no pipe, no session), so that it
// lives on, writing as it likes, after the hand-off and the engine are gone.

#include "platform/UrlOpener.h"
#include "support/EnvironmentPatch.h"
#include "support/LoopbackServer.h"
#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// Debian's xdg-open with no desktop named runs the user's handler, as
// xdg-mime names it, and waits for it. An opener that ends at once, as a
// desktop's own does, is the end-to-end launch's Wine start; the launcher's
// address and standard streams are the end-to-end desktop handler's.
TEST(SystemUrlOpener, TheLauncherHoldsNothingOfOursAndOutlivesTheHandOff)
{
    if (::access("/usr/bin/xdg-mime", X_OK) != 0)
        GTEST_SKIP() << "xdg-utils is not installed";
    ProgramDir dir;
    // The launcher notes its session, then writes to its output a second
    // later and notes that it lived to.
    dir.write("launcher", "#!/bin/sh\nhere=$(dirname \"$0\")\n"
                          "cut -d' ' -f6 /proc/$$/stat > \"$here/session\"\necho $PPID > \"$here/opener\"\n"
                          "sleep 1; echo out; echo err >&2; echo \"$1\" > \"$here/lived\"\n");
    QFile(dir.file("launcher")).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    dir.write("data/applications/quaylet-test-launcher.desktop",
              "[Desktop Entry]\nType=Application\nName=Launcher\nExec=" + dir.file("launcher").toUtf8()
                  + " %u\nMimeType=x-scheme-handler/dho-test;\n");
    dir.write("config/mimeapps.list", "[Default Applications]\nx-scheme-handler/dho-test=quaylet-test-launcher.desktop\n");
    EnvironmentPatch environment;
    environment.set("XDG_CONFIG_HOME", dir.file("config").toUtf8());
    environment.set("XDG_DATA_HOME", dir.file("data").toUtf8());
    for (const char* desktop : {"XDG_CURRENT_DESKTOP", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                                "MATE_DESKTOP_SESSION_ID", "DESKTOP_SESSION", "BROWSER"})
        environment.set(desktop, QByteArray());
    environment.set("DISPLAY", ":99");

    std::optional<std::optional<QString>> told;
    platform::systemUrlOpener()->open("dho-test://launch?user=captain",
                                      [&](const std::optional<QString>& failure) { told = failure; });
    ASSERT_TRUE(waitUntil([&] { return told.has_value(); }, 10000));
    EXPECT_EQ(*told, std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return dir.exists("lived"); }, 10000)) << "the launcher died";
    EXPECT_NE(dir.read("session").trimmed().toLong(), long(::getsid(0)));
    // xdg-open waited for the launcher, its parent: it is done with once it has ended.
    const QString opener = "/proc/" + QString::fromLatin1(dir.read("opener").trimmed());
    EXPECT_TRUE(waitUntil([&] { return !QFile::exists(opener); }, 5000));
    runEventsFor(100);
}

}  // namespace
