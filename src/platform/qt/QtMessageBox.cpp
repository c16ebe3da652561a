#include "platform/qt/QtMessageBox.h"

#include "app/Texts.h"

#include <QMessageBox>

namespace platform {

MessageBox::Answer QtMessageBox::show(const QString& text, Icon icon, Buttons buttons)
{
    const QMessageBox::Icon boxIcon = icon == Icon::Information   ? QMessageBox::Information
                                      : icon == Icon::Exclamation ? QMessageBox::Warning
                                                                  : QMessageBox::Question;
    QMessageBox box(boxIcon, text::AppTitle, text,
                    buttons == Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
    box.setDefaultButton(buttons == Buttons::YesNo ? QMessageBox::Yes : QMessageBox::Ok);
    box.setObjectName(QStringLiteral("QuayletMessageBox"));
    const int answer = box.exec();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return answer == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

}  // namespace platform
