// The main window and the small windows around it: the fan sites, the info
// box and the message boxes.

#include "app/MainWindow.h"
#include "app/WindowHost.h"
#include "core/Texts.h"
#include "dialogs/InfoBox.h"
#include "dialogs/WebDialog.h"
#include "platform/ProcessStarter.h"
#include "platform/qt/QtMessageBox.h"
#include "portal/PortalSession.h"
#include "support/Fakes.h"
#include "support/PlatformFakes.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

using platform::MessageBox;

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
    QPushButton* button(const char* name) { return window.findChild<QPushButton*>(name); }
    QLabel* picture(const char* name) { return window.findChild<QLabel*>(name); }
};

TEST_F(MainWindowTest, ThePictureBehindTheButtonsOpensTheSitesOnALeftClick)
{
    for (const QLabel* drawn : {picture("Image1"), picture("Image2")})
        EXPECT_EQ(drawn->pixmap().deviceIndependentSize(), QSizeF(drawn->size())) << "sharp at any pixel ratio";
    EXPECT_EQ(window.childAt(370, 20), button("cmdLogin"));
    EXPECT_EQ(window.childAt(362, 5), picture("Image2"));
    QTest::mouseClick(picture("Image1"), Qt::RightButton);
    EXPECT_TRUE(host.opened.isEmpty());
    QTest::mouseClick(picture("Image1"), Qt::LeftButton);
    EXPECT_EQ(host.opened, QStringList{"web"});
}

TEST_F(MainWindowTest, FocusStartsOnLoginAndEnterClicksTheFocusedButton)
{
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 5000));
    EXPECT_EQ(QApplication::focusWidget(), button("cmdLogin"));
    for (const auto& [name, key, opens] :
         {std::tuple{"cmdInfo", Qt::Key_Return, "info"}, std::tuple{"cmdConfig", Qt::Key_Enter, "config"}}) {
        host.opened.clear();
        button(name)->setFocus();
        QTest::keyClick(button(name), key);
        EXPECT_TRUE(QTest::qWaitFor([&] { return host.opened == QStringList{opens}; }, 2000)) << name;
    }
}

class WebDialogTest : public ::testing::Test {
protected:
    const Addresses addresses{Endpoints{"login.nm.test", "dho.nm.test", "www.nm.test", "login.dm.test",
                                        "logins.dm.test", "www.dm.test", "user.dm.test", "dho.dm.test",
                                        "zaviv.test", "guide.test:8080"}};
    FakeProcessStarter processes;
    FakeMessageBox messages;
    dialogs::WebDialog dialog{addresses, processes, messages};
    QCheckBox* site(int number) { return dialog.findChild<QCheckBox*>(QStringLiteral("chkWeb%1").arg(number)); }
    QPushButton* button() { return dialog.findChild<QPushButton*>("cmdWebOpen"); }
};

TEST_F(WebDialogTest, TheButtonOpensWhileAnyBoxIsTickedAndOtherwiseOnlyCloses)
{
    dialog.show();
    for (const auto& [number, caption] : {std::pair{3, text::OpenSelectedCaption},
                                          {1, text::OpenSelectedCaption},
                                          {3, text::OpenSelectedCaption},
                                          {1, text::CloseCaption}}) {
        QTest::mouseClick(site(number), Qt::LeftButton);
        EXPECT_EQ(button()->text(), caption);
    }
    button()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(processes.started.isEmpty());
}

TEST_F(WebDialogTest, OpensEveryTickedSiteInBoxOrderAndTellsOnceOfThoseThatFailed)
{
    dialog.show();
    processes.failing = {"http://dho.nm.test/main.asp", "http://zaviv.test/"};
    for (int i = 4; i >= 1; --i)  // ticking order must not matter
        site(i)->click();
    button()->click();
    QStringList expected;
    for (const char* site : {"http://dho.nm.test/main.asp", "http://dho.dm.test/main.asp", "http://zaviv.test/",
                             "http://guide.test:8080/"})
        expected.append(platform::webBrowserProgram() + " " + site);
    EXPECT_EQ(processes.started, expected) << "a failed start does not stop the others";
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, text::SitesNotOpened + "\nhttp://dho.nm.test/main.asp\nhttp://zaviv.test/");
}

TEST(SystemProcessStarter, StartsProgramsWithOneArgumentAndNoShell)
{
    const auto starter = platform::systemProcessStarter();
    EXPECT_TRUE(starter->start("/bin/true", "http://site.test/main.asp"));
    EXPECT_FALSE(starter->start("/nonexistent/browser", "http://site.test/"));

    // Characters a shell would act on must reach the program as one plain argument.
    ProgramDir dir;
    const QString name = dir.file("a b;c $(d) 'e'");
    ASSERT_TRUE(starter->start(QStandardPaths::findExecutable("touch"), name));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(name); }, 5000));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

TEST(InfoBox, ShowsOnlyItsOwnWordsAndALeftClickAnywhereCloses)
{
    for (const auto& [line, button, closes] :
         {std::tuple{"", Qt::RightButton, false}, {"", Qt::LeftButton, true}, {"Label2", Qt::LeftButton, true}}) {
        dialogs::InfoBox box;
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
        for (const QLabel* shown : box.findChildren<QLabel*>()) {
            EXPECT_TRUE(box.rect().contains(shown->geometry())) << shown->text().toStdString();
            EXPECT_FALSE(shown->text().contains("@") || shown->text().contains("://")) << "no made-up address";
        }
        const QLabel* clicked = box.findChild<QLabel*>(line);
        const QPoint point = clicked ? clicked->geometry().center() : QPoint(box.width() - 3, box.height() - 3);
        // Through the window, as the system delivers a click: a line must not swallow it.
        QTest::mouseClick(box.windowHandle(), button, Qt::NoModifier, point);
        EXPECT_EQ(box.isVisible(), !closes) << line;
    }
}

// Shows a box, notes its title, icon, parent and buttons (the default in brackets), and presses one.
MessageBox::Answer showAndPress(platform::QtMessageBox& messages, MessageBox::Icon icon,
                                MessageBox::Buttons buttons, QMessageBox::StandardButton press, QString& seen)
{
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = QStringLiteral("%1 %2 %3:")
                   .arg(box->windowTitle())
                   .arg(box->icon())
                   .arg(box->parent() ? "over" : "alone");
        for (const QAbstractButton* b : box->buttons())
            seen += " " + (b == box->defaultButton() ? "[" + b->text() + "]" : b->text());
        box->button(press)->click();
    });
    return messages.show("본문", icon, buttons);
}

TEST(QtMessageBox, KoreanButtonsModalOverTheMainWindowWhileItIsShown)
{
    QWidget mainWindow;
    platform::QtMessageBox messages;
    messages.setParentWindow(&mainWindow);
    QString seen;
    EXPECT_EQ(
        showAndPress(messages, MessageBox::Icon::Question, MessageBox::Buttons::YesNo, QMessageBox::No, seen),
        MessageBox::Answer::No);
    EXPECT_EQ(seen, "Quaylet 4 alone: [예] 아니요") << "a hidden main window cannot carry it";
    mainWindow.show();
    EXPECT_EQ(
        showAndPress(messages, MessageBox::Icon::Exclamation, MessageBox::Buttons::Ok, QMessageBox::Ok, seen),
        MessageBox::Answer::Ok);
    EXPECT_EQ(seen, "Quaylet 2 over: [확인]");
    EXPECT_EQ(showAndPress(messages, MessageBox::Icon::Information, MessageBox::Buttons::OkCancel,
                           QMessageBox::Cancel, seen),
              MessageBox::Answer::Cancel);
    EXPECT_EQ(seen, "Quaylet 1 over: [확인] 취소");
}

}  // namespace
