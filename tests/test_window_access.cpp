// Every window of the program as a screen reader reads it and as the keyboard alone works it.

#include "app/MainWindow.h"
#include "core/Texts.h"
#include "dialogs/ConfigDialog.h"
#include "dialogs/InfoBox.h"
#include "dialogs/LoginDialog.h"
#include "dialogs/WebDialog.h"
#include "platform/qt/QtMessageBox.h"
#include "portal/PortalSession.h"
#include "storage/UserFile.h"
#include "support/AccessTree.h"
#include "support/Fakes.h"
#include "support/PlatformFakes.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using platform::MessageBox;

namespace {

class WindowAccessTest : public ::testing::Test {
protected:
    ProgramDir dir;
    AppState state;
    const Addresses addresses{Endpoints::builtIn()};
    FakeBrowser web;
    FakeSessionUi ui;
    FakeMessageBox messages;
    FakeAutostart autostart;
    FakeProcessStarter processes;
    RecordingHost host;
    storage::UserFile users{state, storage::SettingsFolder(dir.path()), messages};
    portal::PortalSession session{state, addresses, web, ui, messages};

    static void showActive(QWidget* window)
    {
        window->show();
        QApplication::setActiveWindow(window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window, 5000)) << window->objectName().toStdString();
    }
};

// Each window: every control named, a text box by its label, Tab in reading
// order; the rows pin the names that are not a control's own caption.
TEST_F(WindowAccessTest, EveryControlOfEveryWindowHasItsNameAndTabFollowsTheLayout)
{
    struct Named {
        const char* control;
        QString name;
        QString description;
    };
    const struct {
        std::function<QWidget*()> open;
        QList<Named> named;
    } windows[] = {
        {[&] { return new dialogs::LoginDialog(state, users, session, messages); },
         {{"txtID", text::IdLabel, {}}, {"txtPassword", text::PasswordLabel, {}}}},
        {[&] { return new MainWindow(host); }, {{"Image1", text::SitesPictureName, text::SitesTooltip}}},
        {[&] {
             return new dialogs::ConfigDialog(state, storage::SettingsFolder(dir.path()), users, autostart,
                                              messages);
         },
         {}},
        {[&] { return new dialogs::WebDialog(addresses, processes, messages); }, {}},
        {[] { return new dialogs::InfoBox; }, {}},
    };
    for (const auto& [open, named] : windows) {
        const std::unique_ptr<QWidget> window(open());
        showActive(window.get());
        const std::string shown = window->objectName().toStdString();
        EXPECT_EQ(accessible::faults(window.get()), "") << shown;
        for (const auto& [control, name, description] : named) {
            QWidget* widget = window->findChild<QWidget*>(control);
            ASSERT_NE(widget, nullptr) << shown << " " << control;
            EXPECT_EQ(accessible::textOf(widget), name.toStdString()) << shown << " " << control;
            EXPECT_EQ(accessible::textOf(widget, QAccessible::Description), description.toStdString()) << control;
        }
    }
}

// The picture, the fan sites and the About box answer keys as they answer clicks.
TEST_F(WindowAccessTest, KeysDoWhatClicksDo)
{
    MainWindow main(host);
    showActive(&main);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), main.findChild<QWidget*>("Image1")) << "before the login button";
    EXPECT_TRUE(main.findChild<QWidget*>("Image1Focus")->isVisible()) << "the focus is seen on the picture";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(host.opened, QStringList({"web", "web"}));

    dialogs::WebDialog sites(addresses, processes, messages);
    showActive(&sites);
    sites.findChild<QWidget*>("cmdWebOpen")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !sites.isVisible(); }, 2000)) << "Enter on its button";
    showActive(&sites);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(sites.isVisible());
    EXPECT_TRUE(processes.started.isEmpty());

    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        dialogs::InfoBox about;
        showActive(&about);
        QTest::keyClick(&about, key);
        EXPECT_FALSE(about.isVisible()) << key;
    }
}

// The question to open another program's address and a page's question
// included: Enter takes the default and Esc the refusal, never the grant.
TEST_F(WindowAccessTest, MessageBoxesAreReadInKoreanAndEnterAndEscGiveTheirAnswers)
{
    QWidget mainWindow;
    platform::QtMessageBox boxes;
    boxes.setParentWindow(&mainWindow);
    const struct {
        MessageBox::Buttons buttons;
        const char* read;  // window, then its buttons in Tab order
        MessageBox::Answer enter;
        MessageBox::Answer escape;
    } rows[] = {
        {MessageBox::Buttons::Ok, "Quaylet alone: 확인", MessageBox::Answer::Ok, MessageBox::Answer::Ok},
        {MessageBox::Buttons::YesNo, "Quaylet over: 예 아니요", MessageBox::Answer::Yes, MessageBox::Answer::No},
        {MessageBox::Buttons::OkCancel, "Quaylet over: 확인 취소", MessageBox::Answer::Ok,
         MessageBox::Answer::Cancel},
        {MessageBox::Buttons::OpenCancel, "Quaylet over: 열기(O) 취소", MessageBox::Answer::Cancel,
         MessageBox::Answer::Cancel},
    };
    for (const auto& [buttons, read, enter, escape] : rows) {
        for (const auto& [key, answer] : {std::pair{Qt::Key_Return, enter}, {Qt::Key_Escape, escape}}) {
            std::string seen;
            QTimer::singleShot(0, [&, key = key] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                ASSERT_NE(box, nullptr);
                if (!QTest::qWaitForWindowActive(box, 5000)) {
                    ADD_FAILURE() << "never active";
                    box->reject();
                    return;
                }
                EXPECT_EQ(box->textFormat(), Qt::PlainText) << "a page's text is never laid out as markup";
                EXPECT_EQ(accessible::faults(box), "") << read;
                seen = accessible::textOf(box) + (box->parent() ? " over:" : " alone:");
                for (QWidget* control : accessible::tabChain(box))
                    seen.append(" ").append(accessible::textOf(control));
                QTest::keyClick(QApplication::focusWidget(), key);
            });
            EXPECT_EQ(boxes.show("본문", MessageBox::Icon::Question, buttons), answer) << read << " " << key;
            EXPECT_EQ(seen, read);
        }
        mainWindow.show();  // a hidden main window cannot carry the first box
    }
}

}  // namespace
