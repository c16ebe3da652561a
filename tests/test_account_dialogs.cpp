// The login and settings dialogs: what they take, save in User.ini and config.ini, and tell of failures.

#include "core/Texts.h"
#include "dialogs/ConfigDialog.h"
#include "dialogs/LoginDialog.h"
#include "support/DialogWorld.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

class AccountDialogTest : public ::testing::Test, protected DialogWorld {
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
TEST_F(AccountDialogTest, ASavedAccountFillsTheTallLoginWhoseFocusStartsInTheIdBox)
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
    const QRect shown = warning->geometry();
    EXPECT_TRUE(warning->isVisible());
    EXPECT_GE(shown.height(), warning->sizeHint().height()) << "not cut off at the bottom";
    EXPECT_LE(shown.bottom(), child<QLabel>("Label4")->y()) << "clear of the advice below it";
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
}

TEST_F(AccountDialogTest, TheShortLoginRefusesAnEmptyBoxWithTheFocusOnTheFirstEmptyOne)
{
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
    EXPECT_FALSE(dir.exists("User.ini"));
}

// A settings save keeps the saved account that this run never read, though a
// cleared box still clears its value. Clearing a linked setting clears and
// disables the next; Enter saves only on the save button. What is saved is in
// force at once and shown when the dialog opens again; a start-at-logon entry
// that cannot be removed is told, once, and the files are still saved.
TEST_F(AccountDialogTest, SavesKeepTheUnreadAccountAreInForceAtOnceAndAFailedStartAtLogonChangeIsToldOnce)
{
    state.Config = {0, 1, 1, 0, 0, AfterStart::Nothing};     // automatic login off: User.ini unread, memory empty
    const QByteArray saved("47:6>058:6=94I\r\n57::=1\r\n");  // captain / sea
    dir.write("User.ini", saved);
    openConfig();
    click({"optGSAWindow", "cmdSumit"});
    EXPECT_EQ(dir.read("User.ini"), saved);

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

    state.Temp.UserID = "captain";
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

}  // namespace
