#include "core/Addresses.h"
#include "core/Texts.h"
#include "core/Twips.h"
#include "dialogs/ConfigDialog.h"
#include "dialogs/LoginDialog.h"
#include "portal/PortalSession.h"
#include "storage/UserFile.h"
#include "support/Fakes.h"
#include "support/PlatformFakes.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

using dialogs::LoginDialog;

namespace {

class LoginDialogTest : public ::testing::Test {
protected:
    ProgramDir dir;
    AppState state;
    const Addresses addresses{Endpoints::builtIn()};
    FakeBrowser web;
    FakeSessionUi ui;
    FakeMessageBox messages;
    storage::UserFile users{state, dir.path(), messages};
    portal::PortalSession session{state, addresses, web, ui, messages};
    std::unique_ptr<LoginDialog> dialog;

    void open()
    {
        dialog = std::make_unique<LoginDialog>(state, users, session, messages);
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get(), 5000));
    }

    QLineEdit* box(const char* name) { return dialog->findChild<QLineEdit*>(name); }
    QRadioButton* option(const char* name) { return dialog->findChild<QRadioButton*>(name); }
    QLabel* label(const char* name) { return dialog->findChild<QLabel*>(name); }
};

TEST_F(LoginDialogTest, OpensShortOrTallWithTheWarnings)
{
    open();
    EXPECT_EQ(dialog->windowTitle(), "Login");
    EXPECT_EQ(dialog->size(), QSize(276, 106)) << "outer 2040 twips less the title bar";
    EXPECT_FALSE(label("Label3")->isVisible());
    EXPECT_FALSE(label("Label4")->isVisible());
    EXPECT_FALSE(dialog->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

    state.Config.PWDSave = 1;
    open();
    EXPECT_EQ(dialog->size(), QSize(276, 208)) << "outer 3570 twips less the title bar";
    EXPECT_TRUE(label("Label3")->isVisible());
    EXPECT_TRUE(label("Label4")->isVisible());
    EXPECT_EQ(label("Label3")->text(), "주의!  비밀번호가 컴퓨터에 저장됩니다.");
    EXPECT_TRUE(label("Label4")->text().contains("사용시          비밀번호"));
    EXPECT_EQ(label("Label3")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_TRUE(label("Label4")->font().bold());

    EXPECT_EQ(box("txtID")->geometry(), QRect(72, 14, 113, 18));
    EXPECT_EQ(box("txtPassword")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog->findChild<QPushButton*>("cmdLogin")->geometry(), QRect(192, 14, 73, 82));
}

TEST_F(LoginDialogTest, TheWarningLineIsShownWholeAndCentred)
{
    state.Config.PWDSave = 1;
    open();
    const QLabel* warning = label("Label3");
    const QRect shown = warning->geometry();
    EXPECT_GE(shown.height(), warning->sizeHint().height()) << "not cut off at the bottom";
    EXPECT_GE(shown.width(), warning->sizeHint().width());
    EXPECT_TRUE(dialog->rect().contains(shown));
    EXPECT_LE(shown.bottom(), label("Label4")->y()) << "clear of the advice below it";
    EXPECT_NEAR(shown.center().x(), twipsRect(120, 1680, 3825, 195).center().x(), 1);
}

TEST_F(LoginDialogTest, FillsTheBoxesFromTheSavedFileAndPreselectsThePortal)
{
    state.Config.IDSave = 1;
    state.Config.PWDSave = 1;
    state.Temp.UserPWD = "from the last login";
    state.Temp.DHOPortal = Portal::Daum;
    dir.write("User.ini", "45:7=3\r\n");
    open();
    EXPECT_EQ(box("txtID")->text(), "abc");
    EXPECT_EQ(box("txtPassword")->text(), "from the last login");
    EXPECT_TRUE(option("optDHODaum")->isChecked());
    EXPECT_FALSE(option("optDHONetmarble")->isChecked());
}

TEST_F(LoginDialogTest, FocusStartsInTheIdBoxAndEnterMovesOn)
{
    state.Temp.UserID = "captain";
    open();
    EXPECT_EQ(QApplication::focusWidget(), box("txtID"));
    QTest::qWait(20);
    EXPECT_EQ(box("txtID")->selectedText(), "captain") << "the whole text is selected on focus";

    QTest::keyClick(box("txtID"), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), box("txtPassword"));
    EXPECT_TRUE(messages.shown.isEmpty()) << "Enter in the ID box never validates";

    QTest::keyClick(box("txtPassword"), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "optDHONetmarble");
}

TEST_F(LoginDialogTest, EmptyFieldsAreRefusedWithTheFocusOnTheFirstEmptyBox)
{
    state.Temp.IsLoginFail = 1;
    open();
    QTest::keyClick(box("txtPassword"), Qt::Key_Return);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, "아이디와 비밀번호를 모두 입력하세요.");
    EXPECT_EQ(messages.shown[0].icon, platform::MessageBox::Icon::Exclamation);
    EXPECT_EQ(QApplication::focusWidget(), box("txtID"));

    box("txtID")->setText("captain");
    dialog->findChild<QPushButton*>("cmdLogin")->click();
    EXPECT_EQ(QApplication::focusWidget(), box("txtPassword"));

    box("txtID")->clear();
    box("txtPassword")->setText("pw");
    dialog->NLogin();
    EXPECT_EQ(QApplication::focusWidget(), box("txtID"));

    EXPECT_EQ(messages.shown.size(), 3);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(state.Temp.IsLoginFail, 1);
    EXPECT_TRUE(web.navigations.isEmpty());
    EXPECT_FALSE(dir.exists("User.ini"));
}

TEST_F(LoginDialogTest, EscapeClosesWithoutEffect)
{
    open();
    box("txtID")->setText("typed");
    QTest::keyClick(box("txtID"), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(state.Temp.UserID.isEmpty());
    EXPECT_TRUE(web.navigations.isEmpty());

    open();
    option("optDHODaum")->setFocus();
    QTest::keyClick(option("optDHODaum"), Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible()) << "Esc belongs to the text boxes";
}

TEST_F(LoginDialogTest, LoginSetsTheAccountHidesStartsAndSavesInOrder)
{
    state.Config.IDSave = 1;
    state.Temp.DHOPortal = Portal::Netmarble;
    open();
    box("txtID")->setText(" captain ");
    box("txtPassword")->setText("a\"b");
    option("optDHODaum")->setChecked(true);
    bool hiddenWhenLoginStarted = false;
    web.log.clear();
    // The dialog is hidden before the session navigates.
    ui.onLoginDialog = nullptr;
    const auto before = ui.log.size();
    QTest::keyClick(box("txtPassword"), Qt::Key_Return);
    hiddenWhenLoginStarted = !dialog->isVisible();
    EXPECT_TRUE(hiddenWhenLoginStarted);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(state.Temp.UserID, " captain ") << "taken exactly as typed";
    EXPECT_EQ(state.Temp.UserPWD, "a\"b");
    EXPECT_EQ(state.Temp.DHOPortal, Portal::Daum);
    EXPECT_EQ(ui.log.mid(before), (QStringList{"login button 로그인 취소", "caption Quaylet - 다음 로그인 중.."}));
    EXPECT_EQ(web.navigations, QStringList{addresses.DaumLogoutAddress});
    EXPECT_EQ(dir.read("User.ini").count("\r\n"), 1) << "IDSave 1, PWDSave 0: the ID line only";
    EXPECT_FALSE(dir.exists("config.ini")) << "the portal choice is not written to the settings";
}

TEST_F(LoginDialogTest, TypedCredentialsAreWhatALaterSettingsSaveKeeps)
{
    dir.write("User.ini", "47:6>058:6=94I\r\n57::=1\r\n");  // captain / sea, not read with IDSave 0
    open();
    box("txtID")->setText("abc");
    box("txtPassword")->setText("abc");
    {
        WithoutWriteAccess readOnly(dir.path());
        dialog->NLogin();
    }
    ASSERT_EQ(messages.shown.size(), 1) << "the login's own save failed; the old file is still there";

    FakeAutostart autostart;
    dialogs::ConfigDialog settings(state, dir.path(), users, autostart, messages);
    settings.findChild<QCheckBox*>("chkIDSave")->click();
    settings.findChild<QCheckBox*>("chkPWDSave")->click();
    settings.findChild<QPushButton*>("cmdSumit")->click();
    EXPECT_EQ(dir.read("User.ini"), QByteArray("45:7=3\r\n45:7=3\r\n")) << "the typed account, not the old one";
}

TEST_F(LoginDialogTest, EntriesAreLimitedToWhatTheFileCanCarry)
{
    open();
    QTest::keyClicks(box("txtID"), QString(130, 'x'));
    EXPECT_EQ(box("txtID")->text().size(), LoginDialog::MaxEntryLength);
    box("txtPassword")->setText(QString(200, 'y'));
    EXPECT_EQ(box("txtPassword")->text().size(), LoginDialog::MaxEntryLength);
}

TEST_F(LoginDialogTest, EnterOnTheFocusedLoginButtonClicksIt)
{
    open();
    dialog->findChild<QPushButton*>("cmdLogin")->setFocus();
    QTest::keyClick(dialog->findChild<QPushButton*>("cmdLogin"), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.shown.isEmpty(); }, 2000));
    EXPECT_EQ(messages.shown.first().text, text::MissingCredentials);
    EXPECT_TRUE(dialog->isVisible());
}

}  // namespace
