#include "app/Addresses.h"
#include "app/Twips.h"
#include "dialogs/WebDialog.h"
#include "platform/ProcessStarter.h"
#include "support/Fakes.h"
#include "support/PlatformFakes.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using dialogs::WebDialog;

namespace {

const QString OpenCaption = QStringLiteral("선택한 웹페이지 열기");
const QString CloseCaption = QStringLiteral("닫기");

Endpoints testEndpoints()
{
    return Endpoints{"login.nm.test", "dho.nm.test", "www.nm.test", "login.dm.test", "logins.dm.test",
                     "www.dm.test",   "user.dm.test", "dho.dm.test", "zaviv.test",    "guide.test:8080"};
}

class WebDialogTest : public ::testing::Test {
protected:
    const Addresses addresses{testEndpoints()};
    FakeProcessStarter processes;
    FakeMessageBox messages;
    std::unique_ptr<WebDialog> dialog = std::make_unique<WebDialog>(addresses, processes, messages);

    void SetUp() override { dialog->show(); }

    QCheckBox* site(int number) const
    {
        return dialog->findChild<QCheckBox*>(QStringLiteral("chkWeb%1").arg(number));
    }
    QPushButton* button() const { return dialog->findChild<QPushButton*>(QStringLiteral("cmdWebOpen")); }

    static QString commandLine(const QString& address) { return platform::webBrowserProgram() + " " + address; }
};

TEST_F(WebDialogTest, LayoutCaptionsAndTabOrder)
{
    EXPECT_EQ(dialog->objectName(), "frmWeb");
    EXPECT_EQ(dialog->windowTitle(), "연결할 웹페이지");
    EXPECT_TRUE(dialog->isWindow());
    EXPECT_EQ(dialog->minimumSize(), twipsSize(2535, 3180));
    EXPECT_EQ(dialog->maximumSize(), twipsSize(2535, 3180));
    EXPECT_FALSE(dialog->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowCloseButtonHint);

    const auto* frame = dialog->findChild<QGroupBox*>(QStringLiteral("Frame1"));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->title(), "");
    EXPECT_EQ(frame->geometry(), twipsRect(120, 120, 2295, 2295));

    const QStringList captions{"넷마블 대항해시대", "다음 대항해시대", "대항해시대 인벤", "대항해시대 미르"};
    const int tops[] = {360, 840, 1320, 1800};
    const int widths[] = {1815, 1695, 1695, 1695};
    for (int i = 0; i < 4; ++i) {
        QCheckBox* box = site(i + 1);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), captions[i]);
        EXPECT_EQ(box->parentWidget(), frame);
        EXPECT_EQ(box->geometry(), twipsRect(240, tops[i], widths[i], 255));
        EXPECT_FALSE(box->isChecked());
    }
    ASSERT_NE(button(), nullptr);
    EXPECT_EQ(button()->text(), CloseCaption);
    EXPECT_EQ(button()->geometry(), twipsRect(120, 2520, 2295, 495));

    EXPECT_EQ(site(1)->nextInFocusChain(), site(2));
    EXPECT_EQ(site(2)->nextInFocusChain(), site(3));
    EXPECT_EQ(site(3)->nextInFocusChain(), site(4));
    EXPECT_EQ(site(4)->nextInFocusChain(), button());
}

TEST_F(WebDialogTest, ButtonSaysWhetherItWillOpenAnything)
{
    QTest::mouseClick(site(3), Qt::LeftButton);
    EXPECT_EQ(button()->text(), OpenCaption);
    QTest::mouseClick(site(1), Qt::LeftButton);
    QTest::mouseClick(site(3), Qt::LeftButton);
    EXPECT_EQ(button()->text(), OpenCaption) << "one box is still ticked";
    QTest::mouseClick(site(1), Qt::LeftButton);
    EXPECT_EQ(button()->text(), CloseCaption);
}

TEST_F(WebDialogTest, OpensEveryTickedSiteInOrderThenCloses)
{
    for (int i = 4; i >= 1; --i)
        site(i)->click();
    button()->click();
    EXPECT_EQ(processes.started, QStringList({commandLine("http://dho.nm.test/main.asp"),
                                              commandLine("http://dho.dm.test/main.asp"),
                                              commandLine("http://zaviv.test/"),
                                              commandLine("http://guide.test:8080/")}));
    EXPECT_FALSE(dialog->isVisible());

    auto other = std::make_unique<WebDialog>(addresses, processes, messages);
    other->findChild<QCheckBox*>(QStringLiteral("chkWeb3"))->click();
    other->findChild<QPushButton*>(QStringLiteral("cmdWebOpen"))->click();
    EXPECT_EQ(processes.started.size(), 5);
    EXPECT_EQ(processes.started.last(), commandLine("http://zaviv.test/"));
}

TEST_F(WebDialogTest, NothingTickedOnlyCloses)
{
    button()->click();
    EXPECT_TRUE(processes.started.isEmpty());
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(WebDialogTest, CloseBoxOpensNothing)
{
    site(1)->click();
    site(2)->click();
    EXPECT_TRUE(dialog->close());
    EXPECT_TRUE(processes.started.isEmpty());
}

TEST_F(WebDialogTest, AFailedStartDoesNotStopTheOthers)
{
    processes.failing = {"http://dho.nm.test/main.asp", "http://zaviv.test/"};
    for (int i = 1; i <= 4; ++i)
        site(i)->click();
    button()->click();
    EXPECT_EQ(processes.started.size(), 4);
    EXPECT_EQ(processes.started.last(), commandLine("http://guide.test:8080/"));
    EXPECT_FALSE(dialog->isVisible());
    ASSERT_EQ(messages.shown.size(), 1) << "one message for all the sites that did not open";
    EXPECT_EQ(messages.shown[0].text, "다음 웹페이지를 열지 못했습니다.\nhttp://dho.nm.test/main.asp\nhttp://zaviv.test/");
}

TEST(SystemProcessStarter, StartsProgramsWithOneArgumentAndNoShell)
{
    const std::unique_ptr<platform::ProcessStarter> starter = platform::systemProcessStarter();
    ASSERT_NE(starter, nullptr);
    EXPECT_EQ(platform::webBrowserProgram(), "xdg-open");
    EXPECT_TRUE(starter->start(QStringLiteral("/bin/true"), QStringLiteral("http://site.test/main.asp")));
    EXPECT_FALSE(starter->start(QStringLiteral("/nonexistent/browser"), QStringLiteral("http://site.test/")));

    // Characters a shell would act on reach the program as one plain argument.
    const QString touch = QStandardPaths::findExecutable(QStringLiteral("touch"));
    if (touch.isEmpty())
        GTEST_SKIP() << "no touch program";
    ProgramDir dir;
    const QString name = dir.file(QStringLiteral("a b;c $(d) 'e'"));
    ASSERT_TRUE(starter->start(touch, name));
    const QDeadlineTimer deadline(5000);
    while (!QFile::exists(name) && !deadline.hasExpired())
        QTest::qWait(20);
    EXPECT_TRUE(QFile::exists(name));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 1);
}

}  // namespace
