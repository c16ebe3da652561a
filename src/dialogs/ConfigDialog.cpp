#include "dialogs/ConfigDialog.h"

#include "core/Texts.h"
#include "core/Twips.h"
#include "dialogs/EnterClicks.h"
#include "platform/MessageBox.h"
#include "storage/ConfigFile.h"
#include "storage/Registration.h"
#include "storage/UserFile.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>

#include <iterator>
#include <utility>

namespace dialogs {

namespace {

QGroupBox* addFrame(QWidget* form, const char* name, const QString& caption, int left, int top, int width,
                    int height)
{
    auto* frame = new QGroupBox(caption, form);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setGeometry(twipsRect(left, top, width, height));
    return frame;
}

template <typename Button>
Button* addChoice(QGroupBox* frame, const char* name, const QString& caption, int left, int top, int width)
{
    auto* button = new Button(caption, frame);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(twipsRect(left, top, width, 255));
    return button;
}

std::uint8_t valueOf(const QCheckBox* box)
{
    return box->isChecked() ? 1 : 0;
}

}  // namespace

ConfigDialog::ConfigDialog(AppState& state, storage::SettingsFolder settings, storage::UserFile& userFile,
                           platform::Autostart& autostart, platform::MessageBox& messages, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint),
      state_(state),
      settings_(std::move(settings)),
      userFile_(userFile),
      autostart_(autostart),
      messages_(messages)
{
    setObjectName(QStringLiteral("frmConfig"));
    setWindowTitle(text::ConfigWindowTitle);
    setFixedSize(twipsSize(3945, 5640));

    QGroupBox* frame3 = addFrame(this, "Frame3", text::PortalFrame, 120, 120, 3735, 855);
    optDHONet_ = addChoice<QRadioButton>(frame3, "optDHONet", text::NetmarbleChoice, 240, 360, 975);
    optDHODaum_ = addChoice<QRadioButton>(frame3, "optDHODaum", text::DaumChoice, 1440, 360, 1095);

    QGroupBox* frame1 = addFrame(this, "Frame1", text::AutomaticFrame, 120, 1080, 3735, 2295);
    chkWindowRun_ = addChoice<QCheckBox>(frame1, "chkWindowRun", text::StartAtLogonChoice, 240, 360, 3135);
    chkIDSave_ = addChoice<QCheckBox>(frame1, "chkIDSave", text::SaveIdChoice, 240, 720, 1095);
    chkPWDSave_ = addChoice<QCheckBox>(frame1, "chkPWDSave", text::SavePasswordChoice, 480, 1080, 2775);
    chkAutoLogin_ = addChoice<QCheckBox>(frame1, "chkAutoLogin", text::AutoLoginChoice, 720, 1440, 2775);
    chkAutoRun_ = addChoice<QCheckBox>(frame1, "chkAutoRun", text::AutoStartGameChoice, 240, 1800, 3375);

    QGroupBox* frame2 = addFrame(this, "Frame2", text::AfterStartFrame, 120, 3480, 3735, 1575);
    optGSANone_ = addChoice<QRadioButton>(frame2, "optGSANone", text::AfterStartNothingChoice, 240, 360, 1935);
    optGSAWindow_ = addChoice<QRadioButton>(frame2, "optGSAWindow", text::AfterStartMinimiseChoice, 240, 720, 1815);
    optGSAQuit_ = addChoice<QRadioButton>(frame2, "optGSAQuit", text::AfterStartQuitChoice, 240, 1080, 2055);

    cmdSumit_ = new QPushButton(text::SaveCaption, this);
    cmdSumit_->setObjectName(QStringLiteral("cmdSumit"));
    cmdSumit_->setGeometry(twipsRect(2880, 5160, 975, 375));
    // Enter saves only on the focused button.
    cmdSumit_->setAutoDefault(false);

    QWidget* const tabOrder[] = {optDHONet_,  optDHODaum_,   chkWindowRun_, chkIDSave_,
                                 chkPWDSave_, chkAutoLogin_, chkAutoRun_,   optGSANone_,
                                 optGSAWindow_, optGSAQuit_, cmdSumit_};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    connect(chkIDSave_, &QCheckBox::toggled, this, &ConfigDialog::ChkBox);
    connect(chkPWDSave_, &QCheckBox::toggled, this, &ConfigDialog::ChkBox);
    connect(cmdSumit_, &QPushButton::clicked, this, &ConfigDialog::cmdSumit_Click);
    enterClicksFocusedButtons(this);

    Form_Load();
}

void ConfigDialog::Form_Load()
{
    // Setting the linked boxes runs ChkBox early, on half-loaded values; the
    // last run below settles the state, since the rule is idempotent.
    const ConfigState& config = state_.Config;
    chkWindowRun_->setChecked(config.WindowRun == 1);
    chkIDSave_->setChecked(config.IDSave == 1);
    chkPWDSave_->setChecked(config.PWDSave == 1);
    chkAutoLogin_->setChecked(config.AutoLogin == 1);
    chkAutoRun_->setChecked(config.AutoRun == 1);

    QRadioButton* const actions[] = {optGSANone_, optGSAWindow_, optGSAQuit_};
    if (const auto action = std::size_t(config.GSA); action < std::size(actions))
        actions[action]->setChecked(true);

    if (state_.Temp.DHOPortal == Portal::Netmarble)
        optDHONet_->setChecked(true);
    else
        optDHODaum_->setChecked(true);

    ChkBox();
}

void ConfigDialog::ChkBox()
{
    // Clearing a linked box runs this again from inside; that inner run
    // reaches the same result, so the outer one simply goes on.
    chkPWDSave_->setEnabled(chkIDSave_->isChecked());
    if (!chkIDSave_->isChecked())
        chkPWDSave_->setChecked(false);
    chkAutoLogin_->setEnabled(chkPWDSave_->isChecked());
    if (!chkPWDSave_->isChecked())
        chkAutoLogin_->setChecked(false);
}

void ConfigDialog::cmdSumit_Click()
{
    const AfterStart action = optGSAWindow_->isChecked() ? AfterStart::Minimise
                              : optGSAQuit_->isChecked() ? AfterStart::Quit
                                                         : AfterStart::Nothing;
    std::optional<Portal> portal;
    if (optDHONet_->isChecked())
        portal = Portal::Netmarble;
    else if (optDHODaum_->isChecked())
        portal = Portal::Daum;
    const storage::ConfigValues values{{valueOf(chkWindowRun_), valueOf(chkIDSave_), valueOf(chkPWDSave_),
                                        valueOf(chkAutoLogin_), valueOf(chkAutoRun_), action},
                                       portal};

    // A step that fails leaves its previous file or entry as it was and the
    // later steps still run; the user hears of every failure once, at the end.
    QStringList failures;
    if (const storage::SaveResult saved = storage::ConfigSave(settings_, values); !saved.ok)
        failures.append(text::withReason(
            text::ConfigNotSaved.arg(QDir::toNativeSeparators(settings_.fileToSave(storage::ConfigFileName))),
            saved.error));

    state_.Config = values.settings;
    if (values.portal)
        state_.Temp.DHOPortal = *values.portal;

    const bool startAtLogon = chkWindowRun_->isChecked();
    if (const storage::SaveResult registered = storage::updateStartAtLogon(autostart_, startAtLogon);
        !registered.ok)
        failures.append(text::withReason(
            startAtLogon ? text::StartAtLogonNotAdded : text::StartAtLogonNotRemoved, registered.error));

    if (const storage::SaveResult saved = userFile_.UserSave(); !saved.ok)
        failures.append(
            text::withReason(text::UserFileNotSaved.arg(QDir::toNativeSeparators(userFile_.path())), saved.error));

    if (!failures.isEmpty())
        messages_.show(failures.join(QStringLiteral("\n\n")), platform::MessageBox::Icon::Exclamation,
                       platform::MessageBox::Buttons::Ok);
    accept();
}

}  // namespace dialogs
