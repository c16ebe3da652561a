#include "core/Addresses.h"
#include "dialogs/WebDialog.h"
#include "platform/ProcessStarter.h"
#include "support/Fakes.h"
#include "support/PlatformFakes.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

class WebDialogTest : public ::testing::Test {
protected:
    const Addresses addresses{Endpoints{"login.nm.test", "dho.nm.test", "www.nm.test", "login.dm.test",
                                        "logins.dm.test", "www.dm.test", "user.dm.test", "dho.dm.test",
                                        "zaviv.test", "guide.test:8080"}};
    FakeProcessStarter processes;
    FakeMessageBox messages;
    std::unique_ptr<dialogs::WebDialog> dialog = std::make_unique<dialogs::WebDialog>(addresses, processes, messages);

    void SetUp() override { dialog->show(); }

    QCheckBox* site(int number) const { return dialog->findChild<QCheckBox*>(QStringLiteral("chkWeb%1").arg(number)); }
    QPushButton* button() const { return dialog->findChild<QPushButton*>(QStringLiteral("cmdWebOpen")); }
    static QString commandLine(const QString& address) { return platform::webBrowserProgram() + " " + address; }
};

TEST_F(WebDialogTest, ButtonSaysWhetherItWillOpenAnything)
{
    ASSERT_NE(button(), nullptr);
    EXPECT_EQ(button()->text(), "닫기");
    QTest::mouseClick(site(3), Qt::LeftButton);
    EXPECT_EQ(button()->text(), "선택한 웹페이지 열기");
    QTest::mouseClick(site(1), Qt::LeftButton);
    QTest::mouseClick(site(3), Qt::LeftButton);
    EXPECT_EQ(button()->text(), "선택한 웹페이지 열기") << "one box is still ticked";
    QTest::mouseClick(site(1), Qt::LeftButton);
    EXPECT_EQ(button()->text(), "닫기");
}

TEST_F(WebDialogTest, OpensEveryTickedSiteInBoxOrderThenCloses)
{
    for (int i = 4; i >= 1; --i)  // ticking order must not matter
        site(i)->click();
    button()->click();
    EXPECT_EQ(processes.started, QStringList({commandLine("http://dho.nm.test/main.asp"),
                                              commandLine("http://dho.dm.test/main.asp"),
                                              commandLine("http://zaviv.test/"),
                                              commandLine("http://guide.test:8080/")}));
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(WebDialogTest, NothingTickedOrCloseBoxOpensNothing)
{
    button()->click();
    EXPECT_FALSE(dialog->isVisible());
    dialog->show();
    site(1)->click();
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

    // Characters a shell would act on must reach the program as one plain argument.
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
