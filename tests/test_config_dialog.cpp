#include "core/Twips.h"
#include "dialogs/ConfigDialog.h"
#include "storage/UserFile.h"
#include "support/Fakes.h"
#include "support/PlatformFakes.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

// Throws on a missing control, so a wrong name fails the test instead of crashing it.
QAbstractButton* control(const QWidget& form, const char* name)
{
    auto* found = form.findChild<QAbstractButton*>(QString::fromLatin1(name));
    return found ? found : throw std::runtime_error(std::string("no control ") + name);
}

void click(const QWidget& form, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        control(form, name)->click();
}

// ID, password, automatic login as e.g. "ticked | cleared | cleared disabled".
QString linked(const QWidget& form)
{
    QStringList parts;
    for (const char* name : {"chkIDSave", "chkPWDSave", "chkAutoLogin"}) {
        const QAbstractButton* b = control(form, name);
        parts.append(QString::fromLatin1(b->isChecked() ? "ticked" : "cleared") + (b->isEnabled() ? "" : " disabled"));
    }
    return parts.join(QStringLiteral(" | "));
}

QString settings(const AppState& s)
{
    const ConfigState& c = s.Config;
    return QStringLiteral("%1 %2 %3 %4 %5 GSA %6 portal %7").arg(c.WindowRun).arg(c.IDSave).arg(c.PWDSave)
        .arg(c.AutoLogin).arg(c.AutoRun).arg(int(c.GSA)).arg(int(s.Temp.DHOPortal));
}

const QByteArray oldUsers("45:7=3\r\n45:7=3\r\n");

class ConfigDialogTest : public ::testing::Test {
protected:
    ProgramDir dir;
    AppState state;
    FakeMessageBox messages;
    FakeAutostart autostart;
    storage::UserFile users{state, dir.path(), messages};

    std::unique_ptr<dialogs::ConfigDialog> open()
    {
        auto dialog = std::make_unique<dialogs::ConfigDialog>(state, dir.path(), users, autostart, messages);
        dialog->show();
        return dialog;
    }

    // What the next program start would read back from User.ini.
    QString storedCredentials()
    {
        AppState reader{{}, state.Config};
        storage::UserFile(reader, dir.path(), messages).AutoLoginF();
        return reader.Temp.UserID + QLatin1Char('/') + reader.Temp.UserPWD;
    }
};

TEST_F(ConfigDialogTest, LayoutSpotCheckAndTabOrder)
{
    auto dialog = open();
    EXPECT_EQ(control(*dialog, "chkPWDSave")->geometry(), twipsRect(480, 1080, 2775, 255)) << "indented under ID";

    QStringList order;
    QWidget* w = control(*dialog, "optDHONet");
    for (int i = 0; i < 40 && order.size() < 11; ++i, w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && dialog->isAncestorOf(w))
            order.append(w->objectName());
    EXPECT_EQ(order, QStringList({"optDHONet", "optDHODaum", "chkWindowRun", "chkIDSave", "chkPWDSave",
                                  "chkAutoLogin", "chkAutoRun", "optGSANone", "optGSAWindow", "optGSAQuit",
                                  "cmdSumit"})) << "frames take no focus";
}

TEST_F(ConfigDialogTest, DependencyRuleCascadesAndNeverTicks)
{
    state.Config = {0, 1, 1, 1, 0, AfterStart(0)};
    auto dialog = open();
    auto tap = [&](const char* name) {
        QTest::mouseClick(control(*dialog, name), Qt::LeftButton);
        return linked(*dialog);
    };
    EXPECT_EQ(linked(*dialog), "ticked | ticked | ticked");
    EXPECT_EQ(tap("chkIDSave"), "cleared | cleared disabled | cleared disabled");
    EXPECT_EQ(tap("chkPWDSave"), "cleared | cleared disabled | cleared disabled") << "disabled: cannot be ticked";
    EXPECT_EQ(tap("chkIDSave"), "ticked | cleared | cleared disabled") << "enabling never ticks";
    EXPECT_EQ(tap("chkPWDSave"), "ticked | ticked | cleared");
    EXPECT_EQ(tap("chkAutoLogin"), "ticked | ticked | ticked");
    EXPECT_EQ(tap("chkPWDSave"), "ticked | cleared | cleared disabled");
}

TEST_F(ConfigDialogTest, InconsistentSettingsAreShownAndSavedCorrected)
{
    state.Config = {0, 0, 1, 1, 0, AfterStart(0)};  // a hand-edited config.ini
    auto dialog = open();
    EXPECT_EQ(linked(*dialog), "cleared | cleared disabled | cleared disabled");
    click(*dialog, {"cmdSumit"});
    EXPECT_EQ(dir.read("config.ini"), QByteArray(" 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\nNetmarble\r\n"));
    EXPECT_EQ(settings(state), "0 0 0 0 0 GSA 0 portal 0");
}

TEST_F(ConfigDialogTest, SaveWritesEverythingAndRegistersThenUndoes)
{
    state.Temp.UserID = QStringLiteral("captain");
    state.Temp.UserPWD = QStringLiteral("s3cret");
    auto dialog = open();
    click(*dialog, {"chkWindowRun", "chkIDSave", "chkPWDSave", "chkAutoRun", "optGSAQuit", "optDHODaum", "cmdSumit"});
    EXPECT_EQ(dir.read("config.ini"), QByteArray(" 1 \r\n 1 \r\n 1 \r\n 0 \r\n 1 \r\n 2 \r\nDaum\r\n"));
    EXPECT_EQ(settings(state), "1 1 1 0 1 GSA 2 portal 1") << "in force at once";
    EXPECT_EQ(autostart.calls, QStringList{"add Quaylet"});
    EXPECT_EQ(storedCredentials(), "captain/s3cret");
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);

    // Reopened it shows what was saved; turning ID saving and start at logon off undoes both.
    auto again = open();
    EXPECT_EQ(linked(*again), "ticked | ticked | cleared");
    EXPECT_TRUE(control(*again, "optDHODaum")->isChecked());
    click(*again, {"chkWindowRun", "chkIDSave", "cmdSumit"});
    EXPECT_EQ(dir.read("config.ini"), QByteArray(" 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n 2 \r\nDaum\r\n"));
    EXPECT_EQ(autostart.calls, QStringList({"add Quaylet", "remove Quaylet"}));
    EXPECT_TRUE(dir.exists("User.ini") && dir.read("User.ini").isEmpty()) << "rewritten, no ID or password kept";
}

TEST_F(ConfigDialogTest, SavedCredentialsSurviveASaveInARunThatNeverReadThem)
{
    // Automatic login off: nothing has read User.ini, memory holds empty values.
    state.Config = {0, 1, 1, 0, 0, AfterStart(0)};
    const QByteArray saved("47:6>058:6=94I\r\n57::=1\r\n");  // captain / sea
    dir.write("User.ini", saved);
    auto dialog = open();
    click(*dialog, {"optGSAWindow", "cmdSumit"});
    EXPECT_EQ(dir.read("User.ini"), saved);

    click(*open(), {"chkPWDSave", "cmdSumit"});
    EXPECT_EQ(storedCredentials(), "captain/") << "a cleared box still clears the password";
    click(*open(), {"chkIDSave", "cmdSumit"});
    EXPECT_TRUE(dir.read("User.ini").isEmpty());
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(ConfigDialogTest, CloseBoxDiscardsEverything)
{
    state.Config = {1, 1, 1, 0, 0, AfterStart(1)};
    const QByteArray config(" 1 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\n 1 \r\nNetmarble\r\n");
    dir.write("config.ini", config);
    dir.write("User.ini", oldUsers);
    auto dialog = open();
    click(*dialog, {"chkWindowRun", "chkIDSave", "optDHODaum"});
    dialog->close();
    EXPECT_EQ(dir.read("config.ini"), config);
    EXPECT_EQ(dir.read("User.ini"), oldUsers);
    EXPECT_EQ(settings(state), "1 1 1 0 0 GSA 1 portal 0");
    EXPECT_TRUE(autostart.calls.isEmpty());
}

TEST_F(ConfigDialogTest, UnwritableDirectoryIsReportedOnceAndTheOtherStepsStillRun)
{
    const QByteArray config(" 0 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\nNetmarble\r\n");
    dir.write("config.ini", config);
    dir.write("User.ini", oldUsers);
    state.Config = {0, 1, 1, 0, 0, AfterStart(0)};
    auto dialog = open();
    click(*dialog, {"chkWindowRun", "optGSAWindow"});
    auto readOnly = std::make_unique<WithoutWriteAccess>(dir.path());
    click(*dialog, {"cmdSumit"});
    readOnly.reset();  // write access back before the files are read
    EXPECT_EQ(dir.read("config.ini"), config) << "the previous file stays whole";
    EXPECT_EQ(dir.read("User.ini"), oldUsers);
    EXPECT_EQ(settings(state), "1 1 1 0 0 GSA 1 portal 0") << "the running program still takes the settings";
    EXPECT_EQ(autostart.calls, QStringList{"add Quaylet"});
    ASSERT_EQ(messages.shown.size(), 1) << "one message for the whole save";
    const QString& text = messages.shown[0].text;
    EXPECT_TRUE(text.contains("config.ini") && text.contains("User.ini") && text.contains("저장하지 못했습니다"))
        << text.toStdString();
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(ConfigDialogTest, RegistrationFailureIsReportedAndUserFileStillWritten)
{
    state.Temp.UserID = QStringLiteral("captain");
    state.Config = {0, 1, 0, 0, 0, AfterStart(0)};
    autostart.failWith = QStringLiteral("Access is denied.");
    auto dialog = open();
    click(*dialog, {"chkWindowRun", "cmdSumit"});
    ASSERT_EQ(messages.shown.size(), 1);
    const QString& text = messages.shown[0].text;
    EXPECT_TRUE(text.contains("등록하지 못했습니다") && text.contains("Access is denied.")) << text.toStdString();
    EXPECT_FALSE(text.contains("config.ini"));
    EXPECT_EQ(dir.read("config.ini"), QByteArray(" 1 \r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\nNetmarble\r\n"));
    EXPECT_EQ(storedCredentials(), "captain/");
}

TEST_F(ConfigDialogTest, EnterSavesOnlyOnTheFocusedSaveButton)
{
    auto dialog = open();
    QApplication::setActiveWindow(dialog.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get(), 5000));
    control(*dialog, "chkWindowRun")->setFocus();
    QTest::keyClick(control(*dialog, "chkWindowRun"), Qt::Key_Return);
    QTest::qWait(300);
    EXPECT_FALSE(dir.exists("config.ini"));
    control(*dialog, "cmdSumit")->setFocus();
    QTest::keyClick(control(*dialog, "cmdSumit"), Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dir.exists("config.ini"); }, 2000));
}

}  // namespace
