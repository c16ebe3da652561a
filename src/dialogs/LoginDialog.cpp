#include "dialogs/LoginDialog.h"

#include "core/Texts.h"
#include "core/Twips.h"
#include "dialogs/EnterClicks.h"
#include "platform/MessageBox.h"
#include "portal/PortalSession.h"
#include "storage/UserFile.h"

#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>

namespace dialogs {

namespace {

// Title bar and borders of the design: its outer heights less its client height.
constexpr int DesignNonClientHeight = LoginDialog::ShortOuterHeight - 1590;
constexpr int ClientWidth = 4140;

// Password boxes show every character as "*".
class AsteriskStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QFont designFont(const QString& family, qreal points, bool bold = false)
{
    QFont f(family);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QLabel* addLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    return label;
}

bool isEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

}  // namespace

LoginDialog::LoginDialog(AppState& state, storage::UserFile& userFile, portal::PortalSession& session,
                         platform::MessageBox& messages, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      state_(state),
      userFile_(userFile),
      session_(session),
      messages_(messages)
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(text::LoginWindowTitle);

    const QFont dotum = designFont(QStringLiteral("돋움"), 9.75);
    const QFont warningFont = designFont(QStringLiteral("굴림"), 9.75, true);
    QPalette red = palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));

    QLabel* idLabel = addLabel(this, "Label1", text::IdLabel, twipsRect(120, 240, 765, 195));
    QLabel* passwordLabel = addLabel(this, "Label2", text::PasswordLabel, twipsRect(120, 720, 900, 195));
    for (QLabel* label : {idLabel, passwordLabel}) {
        label->setFont(dotum);
        label->adjustSize();
    }

    txtID_ = addTextBox("txtID", 210);
    txtPassword_ = addTextBox("txtPassword", 675);
    // A screen reader names each box by the label beside it.
    idLabel->setBuddy(txtID_);
    passwordLabel->setBuddy(txtPassword_);
    txtPassword_->setEchoMode(QLineEdit::Password);
    auto* asterisks = new AsteriskStyle;
    asterisks->setParent(txtPassword_);
    txtPassword_->setStyle(asterisks);

    optDHONetmarble_ = new QRadioButton(text::NetmarbleChoice, this);
    optDHONetmarble_->setObjectName(QStringLiteral("optDHONetmarble"));
    optDHONetmarble_->setGeometry(twipsRect(1080, 1200, 975, 255));
    optDHODaum_ = new QRadioButton(text::DaumChoice, this);
    optDHODaum_->setObjectName(QStringLiteral("optDHODaum"));
    optDHODaum_->setGeometry(twipsRect(2040, 1200, 735, 255));

    cmdLogin_ = new QPushButton(text::LoginCaption, this);
    cmdLogin_->setObjectName(QStringLiteral("cmdLogin"));
    cmdLogin_->setGeometry(twipsRect(2880, 210, 1095, 1230));
    cmdLogin_->setFont(designFont(QStringLiteral("돋움"), 11.25));
    // Enter and Esc belong to the text boxes: no default button.
    cmdLogin_->setAutoDefault(false);
    cmdLogin_->setDefault(false);
    connect(cmdLogin_, &QPushButton::clicked, this, &LoginDialog::NLogin);
    enterClicksFocusedButtons(this);

    label3_ = addLabel(this, "Label3", text::PasswordSavedWarning, twipsRect(120, 1680, 3825, 195));
    label3_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label4_ = addLabel(this, "Label4", text::PublicPlaceAdvice, twipsRect(120, 2040, 3975, 1095));
    label4_->setWordWrap(true);
    label4_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (QLabel* warning : {label3_, label4_}) {
        warning->setFont(warningFont);
        warning->setPalette(red);
    }
    // Sized to its text in the font it is shown in, which may be taller than
    // the design's; it stays centred where the design centres it.
    const int warningCentre = label3_->geometry().center().x();
    label3_->adjustSize();
    label3_->move(std::max(0, warningCentre - label3_->width() / 2), label3_->y());

    setTabOrder(txtID_, txtPassword_);
    setTabOrder(txtPassword_, optDHONetmarble_);
    setTabOrder(optDHONetmarble_, optDHODaum_);
    setTabOrder(optDHODaum_, cmdLogin_);

    Form_Load();
    txtID_->setFocus();
}

QLineEdit* LoginDialog::addTextBox(const char* name, int top)
{
    auto* box = new QLineEdit(this);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(twipsRect(1080, top, 1695, 270));
    box->setFont(designFont(QStringLiteral("굴림"), 9.75));
    box->setMaxLength(MaxEntryLength);
    box->installEventFilter(this);
    return box;
}

void LoginDialog::Form_Load()
{
    userFile_.AutoLoginF();
    txtID_->setText(state_.Temp.UserID);
    txtPassword_->setText(state_.Temp.UserPWD);

    const bool tall = state_.Config.PWDSave == 1;
    const int outerHeight = tall ? TallOuterHeight : ShortOuterHeight;
    setFixedSize(twips(ClientWidth), twips(outerHeight - DesignNonClientHeight));
    label3_->setVisible(tall);
    label4_->setVisible(tall);

    if (state_.Temp.DHOPortal == Portal::Netmarble)
        optDHONetmarble_->setChecked(true);
    else
        optDHODaum_->setChecked(true);
}

void LoginDialog::NLogin()
{
    const QString id = txtID_->text();
    const QString password = txtPassword_->text();
    if (id.isEmpty() || password.isEmpty()) {
        messages_.show(text::MissingCredentials, platform::MessageBox::Icon::Exclamation,
                       platform::MessageBox::Buttons::Ok);
        (id.isEmpty() ? txtID_ : txtPassword_)->setFocus();
        return;
    }
    state_.Temp.UserID = id;
    state_.Temp.UserPWD = password;
    userFile_.noteTyped();
    hide();
    if (optDHONetmarble_->isChecked())
        state_.Temp.DHOPortal = Portal::Netmarble;
    else if (optDHODaum_->isChecked())
        state_.Temp.DHOPortal = Portal::Daum;
    session_.PortalLogin();
    const storage::SaveResult saved = userFile_.UserSave();
    if (!saved.ok) {
        messages_.show(
            text::withReason(text::UserFileNotSaved.arg(QDir::toNativeSeparators(userFile_.path())), saved.error),
            platform::MessageBox::Icon::Exclamation, platform::MessageBox::Buttons::Ok);
    }
    accept();
}

bool LoginDialog::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && event->type() == QEvent::FocusIn) {
        // Deferred, so that a mouse click placing the caret does not undo it.
        QTimer::singleShot(0, box, &QLineEdit::selectAll);
    } else if (box && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            reject();
            return true;
        }
        if (isEnter(key)) {
            if (box == txtID_)
                txtPassword_->setFocus();
            else
                NLogin();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void LoginDialog::keyPressEvent(QKeyEvent* event)
{
    // Outside the text boxes Enter and Esc do nothing.
    if (isEnter(event) || event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace dialogs
