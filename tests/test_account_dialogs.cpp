// The login and settings dialogs: what they take from the user, what they
// save in User.ini and config.ini, and how they tell of a failure.

#include "core/Texts.h"
#include "core/Twips.h"
#include "dialogs/ConfigDialog.h"
#include "dialogs/LoginDialog.h"
#include "portal/PortalSession.h"
#include "storage/UserFile.h"
#include "support/Fakes.h"
#include "support/PlatformFakes.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

class AccountDialogTest : public ::testing::Test {
protected:
    ProgramDir dir;
    AppState state;
    const Addresses addresses{Endpoints::builtIn()};
    FakeBrowser web;
    FakeSessionUi ui;
    FakeMessageBox messages;
    FakeAutostart autostart;
    storage::UserFile users{state, dir.path(), messages};
    portal::PortalSession session{state, addresses, web, ui, messages};
    std::unique_ptr<QDialog> dialog;

    void openLogin() { show(std::make_unique<dialogs::LoginDialog>(state, users, session, messages)); }
    void openSettings()
    {
        show(std::make_unique<dialogs::ConfigDialog>(state, dir.path(), users, autostart, messages));
    }

    void show(std::unique_ptr<QDialog> opened)
    {
        dialog = std::move(opened);
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get(), 5000));
    }

    // Throws on a missing control, so a wrong name fails the test instead of crashing it.
    template <typename Widget = QAbstractButton> Widget* child(const char* name)
    {
        auto* found = dialog->findChild<Widget*>(name);
        return found ? found : throw std::runtime_error(std::string("no control ") + name);
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

    // What the next program start would read back from User.ini.
    QString storedCredentials()
    {
        AppState reader{{}, state.Config};
        storage::UserFile(reader, dir.path(), messages).AutoLoginF();
        return reader.Temp.UserID + "/" + reader.Temp.UserPWD;
    }
};

TEST_F(AccountDialogTest, SavingThePasswordMakesTheLoginTallWithTheWarningShownWhole)
{
    openLogin();
    EXPECT_EQ(dialog->size(), QSize(276, 106)) << "outer 2040 twips less the title bar";
    EXPECT_FALSE(child<QLabel>("Label3")->isVisible());

    state.Config.PWDSave = 1;
    openLogin();
    EXPECT_EQ(dialog->size(), QSize(276, 208)) << "outer 3570 twips less the title bar";
    const QLabel* warning = child<QLabel>("Label3");
    const QRect shown = warning->geometry();
    EXPECT_TRUE(warning->isVisible());
    EXPECT_GE(shown.height(), warning->sizeHint().height()) << "not cut off at the bottom";
    EXPECT_GE(shown.width(), warning->sizeHint().width());
    EXPECT_LE(shown.bottom(), child<QLabel>("Label4")->y()) << "clear of the advice below it";
    EXPECT_NEAR(shown.center().x(), twipsRect(120, 1680, 3825, 195).center().x(), 1);
}

TEST_F(AccountDialogTest, LoginOpensFilledWithTheIdSelectedAndEscapeInABoxClosesIt)
{
    state.Config = {0, 1, 1, 0, 0, AfterStart::Nothing};
    state.Temp.UserPWD = "from the last login";
    state.Temp.DHOPortal = Portal::Daum;
    dir.write("User.ini", "45:7=3\r\n");
    openLogin();
    EXPECT_EQ(box("txtPassword")->text(), "from the last login");
    EXPECT_TRUE(child("optDHODaum")->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), box("txtID"));
    QTest::qWait(20);
    EXPECT_EQ(box("txtID")->selectedText(), "abc") << "the whole text is selected on focus";
    QTest::keyClick(box("txtID"), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), box("txtPassword")) << "Enter in the ID box never validates";

    QTest::keyClick(child("optDHODaum"), Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible()) << "Esc belongs to the text boxes";
    QTest::keyClick(box("txtPassword"), Qt::Key_Escape);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(messages.shown.isEmpty() && web.navigations.isEmpty() && state.Temp.IsLogin == 0);
}

TEST_F(AccountDialogTest, LoginRefusesAnEmptyBoxWithTheFocusOnTheFirstEmptyOne)
{
    state.Temp.IsLoginFail = 1;
    openLogin();
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
    EXPECT_EQ(messages.shown[3].icon, platform::MessageBox::Icon::Exclamation);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(state.Temp.IsLoginFail, 1);
    EXPECT_TRUE(web.navigations.isEmpty());
    EXPECT_FALSE(dir.exists("User.ini"));
}

TEST_F(AccountDialogTest, TypedCredentialsAreWhatALaterSettingsSaveKeeps)
{
    dir.write("User.ini", "47:6>058:6=94I\r\n57::=1\r\n");  // captain / sea, not read with IDSave 0
    openLogin();
    box("txtID")->setText("abc");
    box("txtPassword")->setText("abc");
    {
        WithoutWriteAccess readOnly(dir.path());
        click({"cmdLogin"});
    }
    ASSERT_EQ(messages.shown.size(), 1) << "the login's own save failed; the old file is still there";
    EXPECT_FALSE(dir.exists("config.ini")) << "a login does not save the portal choice";

    openSettings();
    click({"chkIDSave", "chkPWDSave", "cmdSumit"});
    EXPECT_EQ(dir.read("User.ini"), QByteArray("45:7=3\r\n45:7=3\r\n")) << "the typed account, not the old one";
}

TEST_F(AccountDialogTest, ClearingALinkedSettingClearsAndDisablesTheNextButEnablingNeverTicks)
{
    state.Config = {0, 0, 1, 1, 0, AfterStart::Nothing};  // a hand-edited config.ini
    openSettings();
    EXPECT_EQ(linked(), "cleared | cleared disabled | cleared disabled");
    for (const auto& [name, after] : {std::pair{"chkPWDSave", "cleared | cleared disabled | cleared disabled"},
                                      {"chkIDSave", "ticked | cleared | cleared disabled"},
                                      {"chkPWDSave", "ticked | ticked | cleared"},
                                      {"chkAutoLogin", "ticked | ticked | ticked"},
                                      {"chkIDSave", "cleared | cleared disabled | cleared disabled"}}) {
        QTest::mouseClick(child(name), Qt::LeftButton);
        EXPECT_EQ(linked(), after) << "after " << name;
    }
    click({"cmdSumit"});
    EXPECT_EQ(dir.read("config.ini"), QByteArray(" 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\nNetmarble\r\n"));
}

TEST_F(AccountDialogTest, SettingsSaveWritesRegistersAndIsInForceAtOnceWhileClosingDiscards)
{
    state.Temp.UserID = "captain";
    state.Temp.UserPWD = "s3cret";
    const auto change = [&] {
        click({"chkWindowRun", "chkIDSave", "chkPWDSave", "chkAutoRun", "optGSAQuit", "optDHODaum"});
    };
    openSettings();
    change();
    dialog->close();
    EXPECT_FALSE(dir.exists("config.ini") || dir.exists("User.ini") || state.Config.WindowRun);

    openSettings();
    change();
    click({"cmdSumit"});
    EXPECT_EQ(dir.read("config.ini"), QByteArray(" 1 \r\n 1 \r\n 1 \r\n 0 \r\n 1 \r\n 2 \r\nDaum\r\n"));
    EXPECT_TRUE(state.Config.AutoRun && state.Config.GSA == AfterStart::Quit
                && state.Temp.DHOPortal == Portal::Daum);
    EXPECT_EQ(storedCredentials(), "captain/s3cret");

    // Reopened it shows what was saved; turning ID saving and start at logon off undoes both.
    openSettings();
    EXPECT_EQ(linked(), "ticked | ticked | cleared");
    click({"chkWindowRun", "chkIDSave", "cmdSumit"});
    EXPECT_EQ(dir.read("config.ini"), QByteArray(" 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n 2 \r\nDaum\r\n"));
    EXPECT_EQ(autostart.calls, QStringList({"add Quaylet", "remove Quaylet"}));
    EXPECT_TRUE(dir.exists("User.ini") && dir.read("User.ini").isEmpty()) << "rewritten, no ID or password kept";
}

TEST_F(AccountDialogTest, SavedCredentialsSurviveASettingsSaveInARunThatNeverReadThem)
{
    // Automatic login off: nothing has read User.ini, memory holds empty values.
    state.Config = {0, 1, 1, 0, 0, AfterStart::Nothing};
    const QByteArray saved("47:6>058:6=94I\r\n57::=1\r\n");  // captain / sea
    dir.write("User.ini", saved);
    openSettings();
    click({"optGSAWindow", "cmdSumit"});
    EXPECT_EQ(dir.read("User.ini"), saved);
    openSettings();
    click({"chkPWDSave", "cmdSumit"});
    EXPECT_EQ(storedCredentials(), "captain/") << "a cleared box still clears the password";
    openSettings();
    click({"chkIDSave", "cmdSumit"});
    EXPECT_TRUE(dir.read("User.ini").isEmpty());
}

TEST_F(AccountDialogTest, AFailedStartAtLogonEntryIsToldAndBothFilesAreStillSaved)
{
    state.Temp.UserID = "captain";
    state.Config.IDSave = 1;
    autostart.failWith = "Access is denied.";
    openSettings();
    click({"chkWindowRun", "cmdSumit"});
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, text::withReason(text::StartAtLogonNotAdded, "Access is denied."));
    EXPECT_EQ(dir.read("config.ini"), QByteArray(" 1 \r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\nNetmarble\r\n"));
    EXPECT_EQ(storedCredentials(), "captain/");
}

TEST_F(AccountDialogTest, EnterSavesTheSettingsOnlyOnTheFocusedSaveButton)
{
    openSettings();
    child("chkWindowRun")->setFocus();
    QTest::keyClick(child("chkWindowRun"), Qt::Key_Return);
    QTest::qWait(300);
    EXPECT_FALSE(dir.exists("config.ini"));
    child("cmdSumit")->setFocus();
    QTest::keyClick(child("cmdSumit"), Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dir.exists("config.ini"); }, 2000));
}

}  // namespace
