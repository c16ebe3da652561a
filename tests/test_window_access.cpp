// Every window of the program as a screen reader reads it and as the keyboard alone works it.

#include "app/MainWindow.h"
#include "core/Texts.h"
#include "dialogs/ConfigDialog.h"
#include "dialogs/InfoBox.h"
#include "dialogs/LoginDialog.h"
#include "dialogs/WebDialog.h"
#include "platform/qt/QtMessageBox.h"
#include "support/AccessTree.h"
#include "support/DialogWorld.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

using platform::MessageBox;

namespace {

class WindowAccess : public ::testing::Test, protected DialogWorld {};

// Each window: every control named, a text box by its label, Tab in reading
// order; the rows pin the names that are not a control's own caption.
TEST_F(WindowAccess, EveryControlOfEveryWindowHasItsNameAndTabFollowsTheLayout)
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
    const struct {
        const QWidget* window;
        const char* control;
        QString name;
        QString description;
    } rows[] = {
        {windows[0].get(), "txtID", text::IdLabel, {}},
        {windows[0].get(), "txtPassword", text::PasswordLabel, {}},
        {windows[1].get(), "Image1", text::SitesPictureName, text::SitesTooltip},
    };
    for (const auto& [window, control, name, description] : rows) {
        QWidget* widget = window->findChild<QWidget*>(control);
        ASSERT_NE(widget, nullptr) << control;
        EXPECT_EQ(accessible::textOf(widget), name.toStdString()) << control;
        EXPECT_EQ(accessible::textOf(widget, QAccessible::Description), description.toStdString()) << control;
    }
}

// The question to open another program's address and a page's question
// included: Enter takes the default and Esc the refusal, never the grant.
TEST_F(WindowAccess, MessageBoxesAreReadInKoreanAndEnterAndEscGiveTheirAnswers)
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
