#include "platform/qt/QtMessageBox.h"

#include "core/Texts.h"

#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {

QMessageBox::Icon boxIcon(MessageBox::Icon icon)
{
    switch (icon) {
    case MessageBox::Icon::Information: return QMessageBox::Information;
    case MessageBox::Icon::Exclamation: return QMessageBox::Warning;
    case MessageBox::Icon::Question: return QMessageBox::Question;
    case MessageBox::Icon::Critical: break;
    }
    return QMessageBox::Critical;
}

}  // namespace

void QtMessageBox::setParentWindow(QWidget* window)
{
    parent_ = window;
}

MessageBox::Answer QtMessageBox::show(const QString& text, Icon icon, Buttons buttons, Dismissal* dismissal)
{
    if (dismissal && dismissal->dismissed())
        return refusal(buttons);
    // A hidden or minimised parent would leave the box nowhere to be seen.
    QWidget* parent = parent_ && parent_->isVisible() && !parent_->isMinimized() ? parent_.data() : nullptr;
    QMessageBox box(boxIcon(icon), text::AppTitle, text, QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("QuayletMessageBox"));
    // Texts may come from a web page: never laid out as markup.
    box.setTextFormat(Qt::PlainText);
    // The buttons read as the system's own would on a Korean desktop.
    const auto add = [&box](QMessageBox::StandardButton button, const QString& caption) {
        box.addButton(button)->setText(caption);
    };
    switch (buttons) {
    case Buttons::Ok:
        add(QMessageBox::Ok, text::OkButton);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case Buttons::YesNo:
        add(QMessageBox::Yes, text::YesButton);
        add(QMessageBox::No, text::NoButton);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case Buttons::OkCancel:
        add(QMessageBox::Ok, text::OkButton);
        add(QMessageBox::Cancel, text::CancelButton);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case Buttons::OpenCancel:
    case Buttons::ContinueCancel:
        add(QMessageBox::Ok, buttons == Buttons::OpenCancel ? text::OpenButton : text::ContinueButton);
        add(QMessageBox::Cancel, text::CancelButton);
        box.setDefaultButton(QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    if (dismissal)
        dismissal->setClose([&box] { box.reject(); });
    const int answer = box.exec();
    if (dismissal) {
        dismissal->setClose({});
        if (dismissal->dismissed())
            return refusal(buttons);
    }
    switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::YesNo: return answer == QMessageBox::Yes ? Answer::Yes : Answer::No;
    case Buttons::OkCancel:
    case Buttons::OpenCancel:
    case Buttons::ContinueCancel: break;
    }
    return answer == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

}  // namespace platform
