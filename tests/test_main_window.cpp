#include "app/MainWindow.h"
#include "app/WindowHost.h"
#include "core/Addresses.h"
#include "core/Texts.h"
#include "portal/PortalSession.h"
#include "support/Fakes.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class RecordingHost : public WindowHost {
public:
    void showLoginDialog() override { opened.append("login"); }
    void showConfigDialog() override { opened.append("config"); }
    void showInfoBox() override { opened.append("info"); }
    void showWebDialog() override { opened.append("web"); }
    void showUnlockWindow() override { opened.append("unlock"); }
    QStringList opened;
};

class MainWindowTest : public ::testing::Test {
protected:
    RecordingHost host;
    MainWindow window{host};
    AppState state;
    const Addresses addresses{Endpoints::builtIn()};
    FakeBrowser web;
    FakeMessageBox messages;
    portal::PortalSession session{state, addresses, web, window, messages};

    void SetUp() override { window.setSession(&session); }

    QPushButton* button(const char* name) { return window.findChild<QPushButton*>(name); }
    QLabel* picture(const char* name) { return window.findChild<QLabel*>(name); }
};

TEST_F(MainWindowTest, LayoutInLogicalPixels)
{
    EXPECT_EQ(window.windowTitle(), "Quaylet");
    EXPECT_EQ(window.size(), QSize(457, 150));
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "fixed border";
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);

    struct Expected {
        const char* name;
        const char* caption;
        QRect geometry;
    };
    for (const Expected& e : {Expected{"cmdLogin", "로그인", {368, 16, 81, 25}},
                              Expected{"cmdGameStart", "게임시작", {368, 48, 81, 25}},
                              Expected{"cmdConfig", "설정", {368, 80, 81, 25}},
                              Expected{"cmdInfo", "정보", {368, 112, 81, 25}}}) {
        QPushButton* b = button(e.name);
        ASSERT_NE(b, nullptr) << e.name;
        EXPECT_EQ(b->text(), QString::fromUtf8(e.caption));
        EXPECT_EQ(b->geometry(), e.geometry) << e.name;
    }
    EXPECT_FALSE(button("cmdGameStart")->isEnabled());
    EXPECT_TRUE(button("cmdLogin")->isEnabled());

    EXPECT_EQ(picture("Image1")->geometry(), QRect(0, 0, 360, 150));
    EXPECT_EQ(picture("Image2")->geometry(), QRect(360, 0, 96, 150));
    EXPECT_EQ(picture("Image1")->toolTip(), "대항해시대 온라인 관련 사이트 열기");
    EXPECT_EQ(picture("Image1")->pixmap().deviceIndependentSize(), QSizeF(360, 150));
    EXPECT_EQ(picture("Image2")->pixmap().deviceIndependentSize(), QSizeF(96, 150));

    // The buttons lie in front of the pictures.
    EXPECT_EQ(window.childAt(370, 20), button("cmdLogin"));
    EXPECT_EQ(window.childAt(362, 5), picture("Image2"));
}

TEST_F(MainWindowTest, FocusStartsOnTheLoginButtonAndFollowsTheTabOrder)
{
    button("cmdGameStart")->setEnabled(true);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 5000));
    EXPECT_EQ(QApplication::focusWidget(), button("cmdLogin"));
    QStringList order;
    for (int i = 0; i < 4; ++i) {
        order.append(QApplication::focusWidget()->objectName());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, (QStringList{"cmdLogin", "cmdGameStart", "cmdConfig", "cmdInfo"}));

    const QString shots = QDir(QCoreApplication::applicationDirPath()).filePath("screenshots");
    QDir().mkpath(shots);
    window.grab().save(shots + "/main-window.png");
}

TEST_F(MainWindowTest, ButtonsAndPictureOpenTheirWindows)
{
    button("cmdConfig")->click();
    button("cmdInfo")->click();
    QTest::mouseClick(picture("Image1"), Qt::RightButton);
    QTest::mouseClick(picture("Image1"), Qt::LeftButton);
    button("cmdLogin")->click();
    EXPECT_EQ(host.opened, (QStringList{"config", "info", "web", "login"}));
}

TEST_F(MainWindowTest, MinimiseKeepsTheWindowLoaded)
{
    window.show();
    window.minimise();
    EXPECT_TRUE(window.windowState() & Qt::WindowMinimized);
    window.minimise();
    EXPECT_TRUE(window.windowState() & Qt::WindowMinimized);
}

TEST_F(MainWindowTest, EnterOnAFocusedButtonClicksIt)
{
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 5000));
    button("cmdInfo")->setFocus();
    QTest::keyClick(button("cmdInfo"), Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return host.opened == QStringList{"info"}; }, 2000));
    button("cmdConfig")->setFocus();
    QTest::keyClick(button("cmdConfig"), Qt::Key_Enter);
    EXPECT_TRUE(QTest::qWaitFor([&] { return host.opened.size() == 2; }, 2000));
    EXPECT_EQ(host.opened.last(), "config");
}

}  // namespace
