#include "dialogs/WebDialog.h"

#include "core/Texts.h"
#include "core/Twips.h"
#include "dialogs/EnterClicks.h"
#include "dialogs/Placement.h"
#include "platform/MessageBox.h"
#include "platform/ProcessStarter.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>

namespace dialogs {

WebDialog::WebDialog(const Addresses& addresses, platform::ProcessStarter& processes,
                     platform::MessageBox& messages, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint),
      processes_(processes),
      messages_(messages),
      sites_{addresses.NetmarbleMainPage, addresses.DaumMainPage, addresses.ZavivSitePage,
             addresses.GuideSitePage}
{
    setObjectName(QStringLiteral("frmWeb"));
    setWindowTitle(text::WebWindowTitle);
    setFixedSize(twipsSize(2535, 3180));

    auto* frame1 = new QGroupBox(this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame1->setGeometry(twipsRect(120, 120, 2295, 2295));

    const struct {
        const char* name;
        QString caption;
        int top;
        int width;
    } boxes[] = {
        {"chkWeb1", text::NetmarbleGameSite, 360, 1815},
        {"chkWeb2", text::DaumGameSite, 840, 1695},
        {"chkWeb3", text::ZavivSite, 1320, 1695},
        {"chkWeb4", text::GuideSite, 1800, 1695},
    };
    for (std::size_t i = 0; i < chkWeb_.size(); ++i) {
        chkWeb_[i] = new QCheckBox(boxes[i].caption, frame1);
        chkWeb_[i]->setObjectName(QString::fromLatin1(boxes[i].name));
        chkWeb_[i]->setGeometry(twipsRect(240, boxes[i].top, boxes[i].width, 255));
        connect(chkWeb_[i], &QCheckBox::toggled, this, &WebDialog::OpenCaption);
    }

    cmdWebOpen_ = new QPushButton(text::CloseCaption, this);
    cmdWebOpen_->setObjectName(QStringLiteral("cmdWebOpen"));
    cmdWebOpen_->setGeometry(twipsRect(120, 2520, 2295, 495));
    connect(cmdWebOpen_, &QPushButton::clicked, this, &WebDialog::cmdWebOpen_Click);
    enterClicksFocusedButtons(this);

    setTabOrder(chkWeb_[0], chkWeb_[1]);
    setTabOrder(chkWeb_[1], chkWeb_[2]);
    setTabOrder(chkWeb_[2], chkWeb_[3]);
    setTabOrder(chkWeb_[3], cmdWebOpen_);

    centreOnActiveWindow(this);
}

void WebDialog::OpenCaption()
{
    const bool anyTicked = std::any_of(chkWeb_.begin(), chkWeb_.end(), [](const QCheckBox* box) {
        return box->isChecked();
    });
    cmdWebOpen_->setText(anyTicked ? text::OpenSelectedCaption : text::CloseCaption);
}

void WebDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void WebDialog::cmdWebOpen_Click()
{
    // A browser that fails to start for one site does not keep the others
    // from opening; the user hears once which sites could not be opened.
    QStringList notOpened;
    for (std::size_t i = 0; i < chkWeb_.size(); ++i) {
        if (chkWeb_[i]->isChecked() && !processes_.start(platform::webBrowserProgram(), sites_[i]))
            notOpened.append(sites_[i]);
    }
    close();
    if (!notOpened.isEmpty()) {
        messages_.show(text::SitesNotOpened + u'\n' + notOpened.join(u'\n'),
                       platform::MessageBox::Icon::Exclamation, platform::MessageBox::Buttons::Ok);
    }
}

}  // namespace dialogs
