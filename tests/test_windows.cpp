// The program's windows: the login and settings dialogs (what they take, save
// in User.ini and config.ini, and tell of failures), the main window and the
// small windows around it (the fan sites, the info box), and every window as a
// screen reader reads it and as the keyboard alone works it.

#include "app/MainWindow.h"
#include "core/Texts.h"
#include "dialogs/ConfigDialog.h"
#include "dialogs/InfoBox.h"
#include "dialogs/LoginDialog.h"
#include "dialogs/WebDialog.h"
#include "platform/ProcessStarter.h"
#include "platform/qt/QtMessageBox.h"
#include "support/AccessTree.h"
#include "support/DialogWorld.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <memory>

using platform::MessageBox;

namespace {

class WindowTest : public ::testing::Test, protected DialogWorld {
protected:
    std::unique_ptr<QDialog> dialog;

    void openLogin() { show(std::make_unique<dialogs::LoginDialog>(state, users, session, messages)); }
    void openConfig()
    {
        show(std::make_unique<dialogs::ConfigDialog>(state, storage::SettingsFolder(dir.path()), users, autostart,
                                                     messages));
    }

    void show(std::unique_ptr<QDialog> opened)
    {
        dialog = std::move(opened);
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get(), 5000));
    }

    template <typename Widget = QAbstractButton> Widget* child(const char* name)
    {
        return dialog->findChild<Widget*>(name);
    }
    QLineEdit* box(const char* name) { return child<QLineEdit>(name); }

    void click(std::initializer_list<const char*> names)
    {
        for (const char* name : names)
            child(name)->click();
    }

    // The settings dialog's ID, password and automatic login, e.g. "ticked | cleared | cleared disabled".
    QString linked()
    {
        QStringList shown;
        for (const QAbstractButton* b : {child("chkIDSave"), child("chkPWDSave"), child("chkAutoLogin")})
            shown.append(QString(b->isChecked() ? "ticked" : "cleared") + (b->isEnabled() ? "" : " disabled"));
        return shown.join(" | ");
    }
};

// Enter in the ID box moves on, never validates; Esc belongs to the text boxes.
TEST_F(WindowTest, ASavedAccountFillsTheTallLoginWhoseFocusStartsInTheIdBoxAndTheShortOneRefusesAnEmptyBox)
{
    state.Config = {0, 1, 1, 0, 0, AfterStart::Nothing};
    state.Temp.UserPWD = "from the last login";
    state.Temp.DHOPortal = Portal::Daum;
    dir.write("User.ini", "45:7=3\r\n");
    openLogin();
    EXPECT_EQ(box("txtID")->text(), "abc");
    EXPECT_EQ(box("txtPassword")->text(), "from the last login");
    EXPECT_TRUE(child("optDHODaum")->isChecked());
    const QLabel* warning = child<QLabel>("Label3");
    EXPECT_TRUE(warning->isVisible());
    EXPECT_GE(warning->height(), warning->sizeHint().height()) << "not cut off at the bottom";
    EXPECT_LE(warning->geometry().bottom(), child<QLabel>("Label4")->y()) << "clear of the advice below it";
    EXPECT_GT(dialog->height(), child<QLabel>("Label4")->y()) << "tall enough to show the advice";

    EXPECT_EQ(QApplication::focusWidget(), box("txtID"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return box("txtID")->selectedText() == "abc"; }, 1000));
    QTest::keyClick(box("txtID"), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), box("txtPassword"));
    QTest::keyClick(child("optDHODaum"), Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible());
    QTest::keyClick(box("txtPassword"), Qt::Key_Escape);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(messages.shown.isEmpty() && web.navigations.isEmpty());

    // The short login refuses an empty box with the focus on the first empty one.
    state.Config.PWDSave = 0;
    openLogin();
    EXPECT_FALSE(child<QLabel>("Label3")->isVisible()) << "no password saved: no warning";
    for (const auto& [id, password, focus] :
         {std::tuple{"", "", "txtID"}, {"captain", "", "txtPassword"}, {"", "pw", "txtID"}}) {
        box("txtID")->setText(id);
        box("txtPassword")->setText(password);
        QTest::keyClick(box("txtPassword"), Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), box(focus)) << id << "/" << password;
    }
    child("cmdLogin")->setFocus();
    QTest::keyClick(child("cmdLogin"), Qt::Key_Return);  // Enter on the focused button clicks it
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages.shown.size() == 4; }, 2000));
    EXPECT_EQ(messages.shown[3].text, text::MissingCredentials);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(web.navigations.isEmpty());
    EXPECT_EQ(dir.read("User.ini"), "45:7=3\r\n");
}

// Clearing a linked setting clears and disables the next; Enter saves only on
// the save button. What is saved is in force at once and shown when the
// dialog opens again; a settings save keeps the saved account that this run
// never read, though a cleared box still clears its value; a start-at-logon
// entry that cannot be removed is told, once, and the files are still saved.
TEST_F(WindowTest, SavesKeepTheUnreadAccountAreInForceAtOnceAndAFailedStartAtLogonChangeIsToldOnce)
{
    state.Config = {0, 0, 1, 1, 0, AfterStart::Nothing};  // a hand-edited config.ini
    openConfig();
    EXPECT_EQ(linked(), "cleared | cleared disabled | cleared disabled");
    for (const auto& [name, after] : {std::pair{"chkPWDSave", "cleared | cleared disabled | cleared disabled"},
                                      {"chkIDSave", "ticked | cleared | cleared disabled"},
                                      {"chkPWDSave", "ticked | ticked | cleared"},
                                      {"chkAutoLogin", "ticked | ticked | ticked"},
                                      {"chkIDSave", "cleared | cleared disabled | cleared disabled"}}) {
        QTest::mouseClick(child(name), Qt::LeftButton);
        EXPECT_EQ(linked(), after) << "after " << name;
    }
    const QByteArray before = dir.read("config.ini");
    child("chkWindowRun")->setFocus();
    QTest::keyClick(child("chkWindowRun"), Qt::Key_Return);
    QTest::qWait(300);
    EXPECT_EQ(dir.read("config.ini"), before);
    child("cmdSumit")->setFocus();
    QTest::keyClick(child("cmdSumit"), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dir.read("config.ini") != before; }, 2000));
    EXPECT_EQ(dir.read("config.ini"), QByteArray(" 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\nNetmarble\r\n"));

    dir.write("User.ini", "47:6>058:6=94I\r\n57::=1\r\n");  // captain / sea, unread
    autostart.calls.clear();
    openConfig();
    click({"chkWindowRun", "chkIDSave", "chkPWDSave", "chkAutoRun", "optGSAQuit", "optDHODaum", "cmdSumit"});
    EXPECT_EQ(dir.read("config.ini"), QByteArray(" 1 \r\n 1 \r\n 1 \r\n 0 \r\n 1 \r\n 2 \r\nDaum\r\n"));
    EXPECT_TRUE(state.Config.AutoRun && state.Config.GSA == AfterStart::Quit
                && state.Temp.DHOPortal == Portal::Daum);

    autostart.failWith = "Access is denied.";
    openConfig();
    EXPECT_EQ(linked(), "ticked | ticked | cleared");
    click({"chkWindowRun", "chkPWDSave", "cmdSumit"});
    EXPECT_EQ(autostart.calls, QStringList({"add Quaylet", "remove Quaylet"}));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, text::withReason(text::StartAtLogonNotRemoved, "Access is denied."));
    EXPECT_EQ(dir.read("config.ini"), QByteArray(" 0 \r\n 1 \r\n 0 \r\n 0 \r\n 1 \r\n 2 \r\nDaum\r\n"));
    EXPECT_EQ(dir.read("User.ini"), QByteArray("47:6>058:6=94I\r\n")) << "captain, no password";
}

TEST(MainWindow, FocusStartsOnLoginEnterClicksTheFocusedButtonAndThePictureOpensTheSitesByMouseOrKey)
{
    RecordingHost host;
    MainWindow window(host);
    const auto button = [&](const char* name) { return window.findChild<QPushButton*>(name); };
    const auto picture = [&](const char* name) { return window.findChild<QLabel*>(name); };
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 5000));
    EXPECT_EQ(QApplication::focusWidget(), button("cmdLogin"));
    button("cmdInfo")->setFocus();
    QTest::keyClick(button("cmdInfo"), Qt::Key_Enter);
    EXPECT_TRUE(QTest::qWaitFor([&] { return host.opened == QStringList{"info"}; }, 2000));

    // The buttons lie in front of the pictures, which are drawn at the size they are shown.
    for (const QLabel* drawn : {picture("Image1"), picture("Image2")})
        EXPECT_EQ(drawn->pixmap().deviceIndependentSize(), QSizeF(drawn->size())) << "sharp at any pixel ratio";
    EXPECT_EQ(window.childAt(button("cmdLogin")->geometry().center()), button("cmdLogin"));
    QTest::mouseClick(picture("Image1"), Qt::RightButton);
    QTest::mouseClick(picture("Image1"), Qt::LeftButton);
    EXPECT_EQ(host.opened, QStringList({"info", "web"})) << "the picture takes a left click only";
    QTest::mousePress(button("cmdLogin"), Qt::LeftButton);
    EXPECT_EQ(host.browserCalls, 1) << "the browser is not asked for as the login button goes down";
    QTest::mouseRelease(button("cmdLogin"), Qt::LeftButton);

    // Shift+Tab from the login button reaches the picture, which shows the focus and takes keys as clicks.
    QTest::keyClick(button("cmdLogin"), Qt::Key_Backtab);
    EXPECT_TRUE(picture("Image1")->hasFocus() && window.findChild<QWidget*>("Image1Focus")->isVisible());
    QTest::keyClick(picture("Image1"), Qt::Key_Return);
    QTest::keyClick(picture("Image1"), Qt::Key_Space);
    EXPECT_EQ(host.opened, QStringList({"info", "web", "web", "web"}));
}

TEST(WebDialog, OpensEveryTickedSiteInBoxOrderTellsOnceOfThoseThatFailedAndEscCloses)
{
    const Addresses addresses{Endpoints{"login.nm.test", "dho.nm.test", "www.nm.test", "login.dm.test",
                                        "logins.dm.test", "www.dm.test", "user.dm.test", "dho.dm.test",
                                        "zaviv.test", "guide.test:8080"}};
    FakeProcessStarter processes;
    FakeMessageBox messages;
    dialogs::WebDialog dialog(addresses, processes, messages);
    const auto site = [&](int number) {
        return dialog.findChild<QCheckBox*>(QStringLiteral("chkWeb%1").arg(number));
    };
    auto* button = dialog.findChild<QPushButton*>("cmdWebOpen");
    dialog.show();
    QTest::keyClick(button, Qt::Key_Return);  // Enter on the focused button clicks it
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, 2000));
    EXPECT_TRUE(processes.started.isEmpty()) << "nothing ticked: it only closes";

    dialog.show();
    processes.failing = {"http://dho.nm.test/main.asp", "http://zaviv.test/"};
    for (int i = 4; i >= 1; --i)  // ticking order must not matter
        site(i)->click();
    button->click();
    QStringList expected;
    for (const char* address : {"http://dho.nm.test/main.asp", "http://dho.dm.test/main.asp", "http://zaviv.test/",
                                "http://guide.test:8080/"})
        expected.append(platform::webBrowserProgram() + " " + address);
    EXPECT_EQ(processes.started, expected) << "a failed start does not stop the others";
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, text::SitesNotOpened + "\nhttp://dho.nm.test/main.asp\nhttp://zaviv.test/");
    dialog.show();
    QTest::keyClick(site(1), Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible()) << "Esc closes it";
}

TEST(SystemProcessStarter, StartsProgramsWithOneArgumentAndNoShell)
{
    const auto starter = platform::systemProcessStarter();
    EXPECT_FALSE(starter->start("/nonexistent/browser", "http://site.test/"));

    // Characters a shell would act on must reach the program as one plain argument.
    ProgramDir dir;
    const QString name = dir.file("a b;c $(d) 'e'");
    ASSERT_TRUE(starter->start(QStandardPaths::findExecutable("touch"), name));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(name); }, 5000));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    // The process object goes once the event loop has seen its program end;
    // left behind at exit, it would be a leak.
    const auto childless = [] {
        QFile children(QStringLiteral("/proc/self/task/%1/children").arg(QCoreApplication::applicationPid()));
        return children.open(QIODevice::ReadOnly) && children.readAll().trimmed().isEmpty();
    };
    EXPECT_TRUE(QTest::qWaitFor(childless, 5000));
    QTest::qWait(100);
}

TEST(InfoBox, ALeftClickOnALineOrEnterOrEscCloses)
{
    dialogs::InfoBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    // Through the window, as the system delivers a click: the line must not swallow it.
    const QPoint line = box.findChild<QLabel*>("Label2")->geometry().center();
    QTest::mouseClick(box.windowHandle(), Qt::RightButton, Qt::NoModifier, line);
    EXPECT_TRUE(box.isVisible());
    QTest::mouseClick(box.windowHandle(), Qt::LeftButton, Qt::NoModifier, line);
    EXPECT_FALSE(box.isVisible());
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        box.show();
        QTest::keyClick(&box, key);
        EXPECT_FALSE(box.isVisible()) << "closed by key " << key;
    }
}

// Each window: every control named, a text box by its label, Tab in reading
// order; the fan sites' picture, which has no caption, is named and described.
TEST_F(WindowTest, EveryControlOfEveryWindowHasItsNameAndTabFollowsTheLayout)
{
    FakeProcessStarter processes;
    RecordingHost host;
    const std::unique_ptr<QWidget> windows[] = {
        std::make_unique<dialogs::LoginDialog>(state, users, session, messages),
        std::make_unique<MainWindow>(host),
        std::make_unique<dialogs::ConfigDialog>(state, storage::SettingsFolder(dir.path()), users, autostart,
                                                messages),
        std::make_unique<dialogs::WebDialog>(addresses, processes, messages),
        std::make_unique<dialogs::InfoBox>(),
    };
    for (const auto& window : windows) {
        window->show();
        EXPECT_EQ(accessible::faults(window.get()), "") << window->objectName().toStdString();
    }
    EXPECT_EQ(accessible::textOf(windows[1]->findChild<QWidget*>("Image1"), QAccessible::Description),
              text::SitesTooltip.toStdString());
}

// The question to open another program's address and a page's question
// included: Enter takes the default and Esc the refusal, never the grant.
TEST_F(WindowTest, MessageBoxesAreReadInKoreanAndEnterAndEscGiveTheirAnswers)
{
    QWidget mainWindow;
    platform::QtMessageBox boxes;
    boxes.setParentWindow(&mainWindow);
    using Answer = MessageBox::Answer;
    const struct {
        MessageBox::Buttons buttons;
        const char* read;  // window, then its buttons in Tab order
        Answer enter;
        Answer escape;
    } rows[] = {
        {MessageBox::Buttons::Ok, "Quaylet alone: 확인", Answer::Ok, Answer::Ok},
        {MessageBox::Buttons::YesNo, "Quaylet over: 예 아니요", Answer::Yes, Answer::No},
        {MessageBox::Buttons::OkCancel, "Quaylet over: 확인 취소", Answer::Ok, Answer::Cancel},
        {MessageBox::Buttons::OpenCancel, "Quaylet over: 열기(O) 취소", Answer::Cancel, Answer::Cancel},
    };
    for (const auto& [buttons, read, enter, escape] : rows) {
        for (const auto& [key, answer] : {std::pair{Qt::Key_Return, enter}, {Qt::Key_Escape, escape}}) {
            std::string seen;
            MessageBox::Dismissal unanswered;
            QTimer::singleShot(0, [&, key = key] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box || !QTest::qWaitForWindowActive(box, 5000))
                    return unanswered.dismiss();
                EXPECT_EQ(box->textFormat(), Qt::PlainText) << "a page's text is never laid out as markup";
                EXPECT_EQ(accessible::faults(box), "") << read;
                seen = accessible::textOf(box) + (box->parent() ? " over:" : " alone:");
                for (QWidget* control : accessible::tabChain(box))
                    seen.append(" ").append(accessible::textOf(control));
                QTest::keyClick(QApplication::focusWidget(), key);
            });
            EXPECT_EQ(boxes.show("본문", MessageBox::Icon::Question, buttons, &unanswered), answer) << read << key;
            EXPECT_EQ(seen, read);
        }
        mainWindow.show();  // a hidden main window cannot carry the first box
    }
}

}  // namespace
