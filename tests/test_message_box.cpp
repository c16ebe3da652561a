#include "platform/qt/QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using platform::MessageBox;

namespace {

struct Seen {
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    bool yesIsDefault = false;
};

// Shows a box, looks at it while it is open, and answers with the given button.
MessageBox::Answer showAndAnswer(MessageBox::Icon icon, MessageBox::Buttons buttons,
                                 QMessageBox::StandardButton press, Seen& seen)
{
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.title = box->windowTitle();
        seen.icon = box->icon();
        seen.buttons = int(box->buttons().size());
        seen.yesIsDefault = box->defaultButton() && box->defaultButton() == box->button(QMessageBox::Yes);
        box->button(press)->click();
    });
    platform::QtMessageBox messages;
    return messages.show(QStringLiteral("본문"), icon, buttons);
}

TEST(QtMessageBox, TitledQuayletWithTheIconAndButtonsAsked)
{
    Seen question;
    EXPECT_EQ(showAndAnswer(MessageBox::Icon::Question, MessageBox::Buttons::YesNo, QMessageBox::No, question),
              MessageBox::Answer::No);
    EXPECT_EQ(question.title, "Quaylet");
    EXPECT_EQ(question.icon, QMessageBox::Question);
    EXPECT_EQ(question.buttons, 2);
    EXPECT_TRUE(question.yesIsDefault);

    Seen notice;
    EXPECT_EQ(showAndAnswer(MessageBox::Icon::Exclamation, MessageBox::Buttons::Ok, QMessageBox::Ok, notice),
              MessageBox::Answer::Ok);
    EXPECT_EQ(notice.title, "Quaylet");
    EXPECT_EQ(notice.icon, QMessageBox::Warning);
    EXPECT_EQ(notice.buttons, 1);
}

}  // namespace
