#include "app/WindowManager.h"
#include "platform/qt/BrowserProfile.h"
#include "storage/UserFile.h"
#include "support/Fakes.h"
#include "support/LoopbackServer.h"
#include "support/PlatformFakes.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <gtest/gtest.h>

namespace {

int openWindows(const QString& name)
{
    int count = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        count += window->isVisible() && window->objectName() == name;
    return count;
}

QWidget* openWindow(const QString& name)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->objectName() == name)
            return window;
    }
    return nullptr;
}

class WindowManagerTest : public ::testing::Test {
protected:
    LoopbackServer server{[](const LoopbackServer::Request&) {
        return LoopbackServer::Response{200, "<p>locked</p>", {}};
    }};
    AppState state;
    const Addresses addresses{Endpoints::builtIn()};
    FakeMessageBox messages;
    FakeAutostart autostart;
    FakeProcessStarter processes;
    FakeBrowser mainBrowser;
    platform::BrowserProfile profile;
    storage::UserFile users{state, QDir::tempPath(), messages};
    WindowManager windows{
        {state, addresses, QDir::tempPath(), users, messages, autostart, processes, profile, mainBrowser}};
};

TEST_F(WindowManagerTest, AModelessWindowThatIsOpenOnlyComesToTheFront)
{
    windows.showInfoBox();
    windows.showInfoBox();
    EXPECT_EQ(openWindows("frmInfo"), 1);

    windows.showWebDialog();
    ASSERT_NE(openWindow("frmWeb"), nullptr);
    openWindow("frmWeb")->findChild<QCheckBox*>("chkWeb2")->setChecked(true);
    windows.showWebDialog();
    EXPECT_EQ(openWindows("frmWeb"), 1);
    EXPECT_TRUE(openWindow("frmWeb")->findChild<QCheckBox*>("chkWeb2")->isChecked()) << "its ticks are kept";
}

TEST_F(WindowManagerTest, TheUnlockWindowLoadsOnlyWhenItIsCreated)
{
    state.Temp.IDLockURL = server.origin() + "/lock?first";
    windows.showUnlockWindow();
    ASSERT_TRUE(waitUntil([&] { return server.requests.size() == 1; }));
    state.Temp.IDLockURL = server.origin() + "/lock?second";
    windows.showUnlockWindow();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 500);
    EXPECT_EQ(openWindows("frmIDLock"), 1);
    EXPECT_EQ(server.requests.size(), 1) << "an open window keeps its page";

    openWindow("frmIDLock")->close();
    ASSERT_TRUE(waitUntil([&] { return openWindows("frmIDLock") == 0; }));
    windows.showUnlockWindow();
    ASSERT_TRUE(waitUntil([&] { return server.requests.size() == 2; }));
    EXPECT_EQ(server.requests.last().target, "/lock?second");
}

}  // namespace
