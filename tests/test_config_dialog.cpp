#include "app/Twips.h"
#include "dialogs/ConfigDialog.h"
#include "storage/UserFile.h"
#include "support/Fakes.h"
#include "support/PlatformFakes.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>


#include <memory>

using dialogs::ConfigDialog;
using platform::MessageBox;

namespace {

template <typename T>
T* control(const QWidget& form, const char* name)
{
    T* found = form.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        ADD_FAILURE() << "no control " << name;
    return found;
}

QCheckBox* box(const QWidget& form, const char* name)
{
    return control<QCheckBox>(form, name);
}

QRadioButton* option(const QWidget& form, const char* name)
{
    return control<QRadioButton>(form, name);
}

// The three linked boxes ID, password, automatic login, e.g. "ticked | cleared | cleared disabled".
QString linked(const QWidget& form)
{
    QStringList parts;
    for (const char* name : {"chkIDSave", "chkPWDSave", "chkAutoLogin"}) {
        const QCheckBox* b = box(form, name);
        parts.append(QString::fromLatin1(b->isChecked() ? "ticked" : "cleared")
                     + QString::fromLatin1(b->isEnabled() ? "" : " disabled"));
    }
    return parts.join(QStringLiteral(" | "));
}

QString settings(const AppState& s)
{
    const ConfigState& c = s.Config;
    return QStringLiteral("%1 %2 %3 %4 %5 GSA %6 portal %7")
        .arg(c.WindowRun)
        .arg(c.IDSave)
        .arg(c.PWDSave)
        .arg(c.AutoLogin)
        .arg(c.AutoRun)
        .arg(c.GSA)
        .arg(s.Temp.DHOPortal);
}

class ConfigDialogTest : public ::testing::Test {
protected:
    ProgramDir dir;
    AppState state;
    FakeMessageBox messages;
    FakeAutostart autostart;
    storage::UserFile users{state, dir.path(), messages};

    void configure(int windowRun, int idSave, int pwdSave, int autoLogin, int autoRun, int gsa, int portal)
    {
        state.Config = {std::uint8_t(windowRun), std::uint8_t(idSave), std::uint8_t(pwdSave),
                        std::uint8_t(autoLogin), std::uint8_t(autoRun), std::uint8_t(gsa)};
        state.Temp.DHOPortal = std::uint8_t(portal);
    }

    std::unique_ptr<ConfigDialog> open(QWidget* parent = nullptr)
    {
        auto dialog = std::make_unique<ConfigDialog>(state, dir.path(), users, autostart, messages, parent);
        dialog->show();
        return dialog;
    }

    // What the next program start would read back from User.ini.
    QString storedCredentials()
    {
        AppState reader;
        reader.Config = state.Config;
        storage::UserFile file(reader, dir.path(), messages);
        file.AutoLoginF();
        return reader.Temp.UserID + QLatin1Char('/') + reader.Temp.UserPWD;
    }
};

TEST_F(ConfigDialogTest, LayoutCaptionsAndTabOrder)
{
    auto dialog = open();
    EXPECT_EQ(dialog->objectName(), "frmConfig");
    EXPECT_EQ(dialog->windowTitle(), "설정");
    EXPECT_EQ(dialog->minimumSize(), twipsSize(3945, 5640));
    EXPECT_EQ(dialog->maximumSize(), twipsSize(3945, 5640));
    const Qt::WindowFlags flags = dialog->windowFlags();
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint));
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);

    const struct {
        const char* name;
        const char* in;
        QString caption;
        QRect twipsGeometry;
    } layout[] = {
        {"Frame3", "frmConfig", "기본 서비스 회사 설정", {120, 120, 3735, 855}},
        {"optDHONet", "Frame3", "넷마블", {240, 360, 975, 255}},
        {"optDHODaum", "Frame3", "다음", {1440, 360, 1095, 255}},
        {"Frame1", "frmConfig", "자동 실행 설정", {120, 1080, 3735, 2295}},
        {"chkWindowRun", "Frame1", "윈도우 시작시 프로그램 자동 실행", {240, 360, 3135, 255}},
        {"chkIDSave", "Frame1", "ID저장", {240, 720, 1095, 255}},
        {"chkPWDSave", "Frame1", "비밀번호 저장", {480, 1080, 2775, 255}},
        {"chkAutoLogin", "Frame1", "프로그램 시작시 자동 로그인", {720, 1440, 2775, 255}},
        {"chkAutoRun", "Frame1", "로그인 완료시 게임 자동 실행", {240, 1800, 3375, 255}},
        {"Frame2", "frmConfig", "게임 실행시 프로그램 설정", {120, 3480, 3735, 1575}},
        {"optGSANone", "Frame2", "아무것도 하지 않음", {240, 360, 1935, 255}},
        {"optGSAWindow", "Frame2", "프로그램 최소화", {240, 720, 1815, 255}},
        {"optGSAQuit", "Frame2", "프로그램 종료", {240, 1080, 2055, 255}},
        {"cmdSumit", "frmConfig", "저장", {2880, 5160, 975, 375}},
    };
    for (const auto& c : layout) {
        const QWidget* w = control<QWidget>(*dialog, c.name);
        ASSERT_NE(w, nullptr);
        const auto* frame = qobject_cast<const QGroupBox*>(w);
        EXPECT_EQ(frame ? frame->title() : w->property("text").toString(), c.caption) << c.name;
        EXPECT_EQ(w->parentWidget()->objectName(), c.in) << c.name;
        const QRect& t = c.twipsGeometry;
        EXPECT_EQ(w->geometry(), twipsRect(t.x(), t.y(), t.width(), t.height())) << c.name;
    }

    QStringList order;
    QWidget* first = control<QWidget>(*dialog, "optDHONet");
    QWidget* w = first;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && dialog->isAncestorOf(w))
            order.append(w->objectName());
        w = w->nextInFocusChain();
    } while (w != first && order.size() < 20);
    EXPECT_EQ(order, QStringList({"optDHONet", "optDHODaum", "chkWindowRun", "chkIDSave", "chkPWDSave",
                                  "chkAutoLogin", "chkAutoRun", "optGSANone", "optGSAWindow", "optGSAQuit",
                                  "cmdSumit"}))
        << "frames take no focus";
}

TEST_F(ConfigDialogTest, OpensCentredOnTheMainWindow)
{
    QWidget mainWindow;
    mainWindow.setGeometry(200, 150, 460, 150);
    mainWindow.show();
    auto dialog = open(&mainWindow);
    const QPoint offset = dialog->frameGeometry().center() - mainWindow.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2);
}

TEST_F(ConfigDialogTest, ShowsTheSettingsInForce)
{
    configure(1, 1, 1, 1, 0, 2, portal::Daum);
    auto dialog = open();
    EXPECT_TRUE(box(*dialog, "chkWindowRun")->isChecked());
    EXPECT_EQ(linked(*dialog), "ticked | ticked | ticked");
    EXPECT_FALSE(box(*dialog, "chkAutoRun")->isChecked());
    EXPECT_TRUE(option(*dialog, "optGSAQuit")->isChecked());
    EXPECT_FALSE(option(*dialog, "optGSANone")->isChecked());
    EXPECT_TRUE(option(*dialog, "optDHODaum")->isChecked());
    EXPECT_FALSE(option(*dialog, "optDHONet")->isChecked());

    configure(0, 1, 0, 1, 1, 1, portal::Netmarble);
    auto again = open();
    EXPECT_EQ(linked(*again), "ticked | cleared | cleared disabled") << "the rule applied to the loaded values";
    EXPECT_TRUE(box(*again, "chkAutoRun")->isChecked());
    EXPECT_TRUE(option(*again, "optGSAWindow")->isChecked());
    EXPECT_TRUE(option(*again, "optDHONet")->isChecked());
}

TEST_F(ConfigDialogTest, InconsistentSettingsAreShownAndSavedCorrected)
{
    configure(0, 0, 1, 1, 0, 0, portal::Netmarble);  // a hand-edited config.ini
    auto dialog = open();
    EXPECT_EQ(linked(*dialog), "cleared | cleared disabled | cleared disabled");

    control<QPushButton>(*dialog, "cmdSumit")->click();
    EXPECT_EQ(dir.read("config.ini"), QByteArray(" 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\nNetmarble\r\n"));
    EXPECT_EQ(settings(state), "0 0 0 0 0 GSA 0 portal 0");
}

TEST_F(ConfigDialogTest, DependencyRuleCascadesAndNeverTicks)
{
    configure(0, 1, 1, 1, 0, 0, portal::Netmarble);
    auto dialog = open();
    QCheckBox* id = box(*dialog, "chkIDSave");
    QCheckBox* pwd = box(*dialog, "chkPWDSave");
    QCheckBox* autoLogin = box(*dialog, "chkAutoLogin");
    EXPECT_EQ(linked(*dialog), "ticked | ticked | ticked");

    QTest::mouseClick(id, Qt::LeftButton);
    EXPECT_EQ(linked(*dialog), "cleared | cleared disabled | cleared disabled");
    QTest::mouseClick(pwd, Qt::LeftButton);
    EXPECT_EQ(linked(*dialog), "cleared | cleared disabled | cleared disabled") << "a disabled box cannot be ticked";

    QTest::mouseClick(id, Qt::LeftButton);
    EXPECT_EQ(linked(*dialog), "ticked | cleared | cleared disabled") << "enabling never ticks";
    QTest::mouseClick(pwd, Qt::LeftButton);
    EXPECT_EQ(linked(*dialog), "ticked | ticked | cleared");
    QTest::mouseClick(autoLogin, Qt::LeftButton);
    EXPECT_EQ(linked(*dialog), "ticked | ticked | ticked");

    QTest::mouseClick(pwd, Qt::LeftButton);
    EXPECT_EQ(linked(*dialog), "ticked | cleared | cleared disabled");

    pwd->click();
    autoLogin->click();
    id->setChecked(false);  // a change made by code runs the rule as well
    EXPECT_EQ(linked(*dialog), "cleared | cleared disabled | cleared disabled");

    for (bool idTicked : {false, true}) {
        id->setChecked(idTicked);
        const QString once = linked(*dialog);
        dialog->ChkBox();
        dialog->ChkBox();
        EXPECT_EQ(linked(*dialog), once) << "idempotent";
    }
}

TEST_F(ConfigDialogTest, SaveWritesEverythingInOrderAndCloses)
{
    state.Temp.UserID = QStringLiteral("captain");
    state.Temp.UserPWD = QStringLiteral("s3cret");
    auto dialog = open();
    box(*dialog, "chkWindowRun")->click();
    box(*dialog, "chkIDSave")->click();
    box(*dialog, "chkPWDSave")->click();
    box(*dialog, "chkAutoRun")->click();
    option(*dialog, "optGSAQuit")->click();
    option(*dialog, "optDHODaum")->click();

    const QByteArray expected(" 1 \r\n 1 \r\n 1 \r\n 0 \r\n 1 \r\n 2 \r\nDaum\r\n");
    QString seenAtRegistration;
    autostart.onCall = [&] {
        seenAtRegistration = QStringLiteral("config %1, state %2, User.ini %3")
                                 .arg(dir.read("config.ini") == expected ? "new" : "old", settings(state),
                                      dir.exists("User.ini") ? "written" : "absent");
    };
    control<QPushButton>(*dialog, "cmdSumit")->click();

    EXPECT_EQ(dir.read("config.ini"), expected);
    EXPECT_EQ(settings(state), "1 1 1 0 1 GSA 2 portal 1") << "in force at once";
    EXPECT_EQ(autostart.calls, QStringList{"add Quaylet"});
    EXPECT_FALSE(autostart.lastCommand.isEmpty());
    EXPECT_EQ(seenAtRegistration, "config new, state 1 1 1 0 1 GSA 2 portal 1, User.ini absent");
    EXPECT_EQ(storedCredentials(), "captain/s3cret");
    EXPECT_TRUE(messages.shown.isEmpty()) << "no message on success";
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog->isVisible());

    // Turning ID saving and the start at logon off again.
    auto again = open();
    box(*again, "chkWindowRun")->click();
    box(*again, "chkIDSave")->click();
    control<QPushButton>(*again, "cmdSumit")->click();
    EXPECT_EQ(dir.read("config.ini"), QByteArray(" 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n 2 \r\nDaum\r\n"));
    EXPECT_EQ(autostart.calls, QStringList({"add Quaylet", "remove Quaylet"}));
    EXPECT_TRUE(dir.exists("User.ini"));
    EXPECT_EQ(dir.read("User.ini"), QByteArray()) << "no ID or password kept";
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(ConfigDialogTest, OddSharedValuesLeaveTheOptionsOff)
{
    configure(0, 0, 0, 0, 0, 7, 9);
    auto dialog = open();
    for (const char* name : {"optGSANone", "optGSAWindow", "optGSAQuit", "optDHONet", "optDHODaum"})
        EXPECT_FALSE(option(*dialog, name)->isChecked()) << name;

    control<QPushButton>(*dialog, "cmdSumit")->click();
    EXPECT_EQ(dir.read("config.ini"), QByteArray(" 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n")) << "no portal line";
    EXPECT_EQ(state.Config.GSA, 0);
    EXPECT_EQ(state.Temp.DHOPortal, 9) << "no portal chosen: unchanged";
}

TEST_F(ConfigDialogTest, CloseBoxAndEscapeDiscardEverything)
{
    configure(1, 1, 1, 0, 0, 1, portal::Netmarble);
    dir.write("config.ini", " 1 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\n 1 \r\nNetmarble\r\n");
    dir.write("User.ini", "45:7=3\r\n45:7=3\r\n");
    const QString before = settings(state);

    auto closed = open();
    box(*closed, "chkWindowRun")->click();
    box(*closed, "chkIDSave")->click();
    option(*closed, "optDHODaum")->click();
    option(*closed, "optGSAQuit")->click();
    closed->close();
    EXPECT_EQ(closed->result(), QDialog::Rejected);

    auto escaped = open();
    box(*escaped, "chkAutoRun")->click();
    QTest::keyClick(escaped.get(), Qt::Key_Escape);
    EXPECT_FALSE(escaped->isVisible());
    EXPECT_EQ(escaped->result(), QDialog::Rejected);

    EXPECT_EQ(dir.read("config.ini"), QByteArray(" 1 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\n 1 \r\nNetmarble\r\n"));
    EXPECT_EQ(dir.read("User.ini"), QByteArray("45:7=3\r\n45:7=3\r\n"));
    EXPECT_EQ(settings(state), before);
    EXPECT_TRUE(autostart.calls.isEmpty());
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(ConfigDialogTest, UnwritableDirectoryIsReportedAndTheOtherStepsStillRun)
{
    const QByteArray oldConfig(" 0 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\nNetmarble\r\n");
    dir.write("config.ini", oldConfig);
    dir.write("User.ini", "45:7=3\r\n45:7=3\r\n");
    configure(0, 1, 1, 0, 0, 0, portal::Netmarble);
    auto dialog = open();
    box(*dialog, "chkWindowRun")->click();
    option(*dialog, "optGSAWindow")->click();
    {
        WithoutWriteAccess guard(dir.path());
        control<QPushButton>(*dialog, "cmdSumit")->click();
    }

    EXPECT_EQ(dir.read("config.ini"), oldConfig) << "the previous file stays whole";
    EXPECT_EQ(dir.read("User.ini"), QByteArray("45:7=3\r\n45:7=3\r\n"));
    EXPECT_EQ(settings(state), "1 1 1 0 0 GSA 1 portal 0") << "the running program still takes the settings";
    EXPECT_EQ(autostart.calls, QStringList{"add Quaylet"});
    ASSERT_EQ(messages.shown.size(), 1) << "one message for the whole save";
    const FakeMessageBox::Shown& shown = messages.shown.front();
    EXPECT_EQ(shown.icon, MessageBox::Icon::Exclamation);
    EXPECT_EQ(shown.buttons, MessageBox::Buttons::Ok);
    EXPECT_TRUE(shown.text.contains("config.ini")) << shown.text.toStdString();
    EXPECT_TRUE(shown.text.contains("User.ini")) << shown.text.toStdString();
    EXPECT_TRUE(shown.text.contains("저장하지 못했습니다")) << shown.text.toStdString();
    EXPECT_TRUE(shown.text.contains("Permission denied", Qt::CaseInsensitive)) << shown.text.toStdString();
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(ConfigDialogTest, RegistrationFailureIsReportedAndUserFileStillWritten)
{
    state.Temp.UserID = QStringLiteral("captain");
    configure(0, 1, 0, 0, 0, 0, portal::Netmarble);
    autostart.failWith = QStringLiteral("Access is denied.");

    auto adding = open();
    box(*adding, "chkWindowRun")->click();
    control<QPushButton>(*adding, "cmdSumit")->click();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].text.contains("등록하지 못했습니다")) << messages.shown[0].text.toStdString();
    EXPECT_TRUE(messages.shown[0].text.contains("Access is denied."));
    EXPECT_FALSE(messages.shown[0].text.contains("config.ini"));
    EXPECT_EQ(dir.read("config.ini"), QByteArray(" 1 \r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\nNetmarble\r\n"));
    EXPECT_EQ(storedCredentials(), "captain/");

    auto removing = open();
    box(*removing, "chkWindowRun")->click();
    control<QPushButton>(*removing, "cmdSumit")->click();
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_TRUE(messages.shown[1].text.contains("해제하지 못했습니다")) << messages.shown[1].text.toStdString();
    EXPECT_EQ(autostart.calls, QStringList({"add Quaylet", "remove Quaylet"}));
}

}  // namespace
