// Saves that fail on the way to the disk, seen from the windows that make
// them: the settings dialog (config.ini and User.ini) and the login dialog
// (User.ini). Each failure keeps the previous files whole, leaves no
// temporary file, and is told in one message box titled "Quaylet".

#include "core/Addresses.h"
#include "dialogs/ConfigDialog.h"
#include "dialogs/LoginDialog.h"
#include "platform/qt/QtMessageBox.h"
#include "portal/PortalSession.h"
#include "storage/UserFile.h"
#include "support/FaultyFiles.h"
#include "support/Fakes.h"
#include "support/PlatformFakes.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

namespace {

using Fault = FaultyFiles::Fault;

const QByteArray OldConfig(" 0 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\nNetmarble\r\n");
const QByteArray OldUsers("47:6>058:6=94I\r\n57::=1\r\n");

struct Seen {
    QString title;
    QString text;
};

// Answers every message box that opens while it lives with OK, noting what it showed.
class MessageBoxes {
public:
    MessageBoxes()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            seen.append({box->windowTitle(), box->text()});
            box->button(QMessageBox::Ok)->click();
        });
        timer_.start();
    }

    QList<Seen> seen;

private:
    QTimer timer_;
};

class SaveFaultTest : public ::testing::Test {
protected:
    ProgramDir dir;
    AppState state;
    platform::QtMessageBox messages;
    FakeAutostart autostart;
    storage::UserFile users{state, dir.path(), messages};

    void SetUp() override
    {
        dir.write("config.ini", OldConfig);
        dir.write("User.ini", OldUsers);
        state.Config = {0, 1, 1, 0, 0, AfterStart(0)};
        state.Temp.UserID = QStringLiteral("captain");
        state.Temp.UserPWD = QStringLiteral("sea");
    }

    // Presses the settings dialog's save with other settings ticked, under
    // the given fault (none: the directory is not writable).
    QList<Seen> saveSettings(std::optional<Fault> fault)
    {
        dialogs::ConfigDialog dialog(state, dir.path(), users, autostart, messages);
        dialog.show();
        dialog.findChild<QAbstractButton*>("optGSAWindow")->click();
        dialog.findChild<QAbstractButton*>("optDHODaum")->click();
        return underFault(fault, [&] { dialog.findChild<QAbstractButton*>("cmdSumit")->click(); });
    }

    QList<Seen> logIn(std::optional<Fault> fault)
    {
        const Addresses addresses{Endpoints::builtIn()};
        FakeBrowser web;
        FakeSessionUi ui;
        portal::PortalSession session{state, addresses, web, ui, messages};
        dialogs::LoginDialog dialog(state, users, session, messages);
        dialog.show();
        dialog.findChild<QLineEdit*>("txtID")->setText("captain");
        dialog.findChild<QLineEdit*>("txtPassword")->setText("new password");
        return underFault(fault, [&] { dialog.findChild<QAbstractButton*>("cmdLogin")->click(); });
    }

    void expectNothingChanged()
    {
        EXPECT_EQ(dir.read("config.ini"), OldConfig);
        EXPECT_EQ(dir.read("User.ini"), OldUsers);
        QStringList names = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        names.sort();
        EXPECT_EQ(names, (QStringList{"User.ini", "config.ini"})) << "no temporary file is left";
    }

private:
    QList<Seen> underFault(std::optional<Fault> fault, const std::function<void()>& save)
    {
        MessageBoxes boxes;
        if (fault) {
            FaultyFiles files(*fault);
            save();
            EXPECT_GE(files.faults, 1);
        } else {
            WithoutWriteAccess readOnly(dir.path());
            save();
        }
        return boxes.seen;
    }
};

const Fault Faults[] = {Fault::DiskFullWhileWriting, Fault::DiskFullWhileFlushing, Fault::RenameRefused};

TEST_F(SaveFaultTest, SettingsSaveTellsOnceOfBothFilesAndKeepsThem)
{
    for (const std::optional<Fault> fault : {std::optional<Fault>(), std::optional(Faults[0]),
                                             std::optional(Faults[1]), std::optional(Faults[2])}) {
        SCOPED_TRACE(fault ? int(*fault) : -1);
        const QList<Seen> boxes = saveSettings(fault);
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(boxes[0].title, "Quaylet");
        EXPECT_TRUE(boxes[0].text.contains("config.ini") && boxes[0].text.contains("User.ini"))
            << boxes[0].text.toStdString();
        if (fault) {
            EXPECT_TRUE(boxes[0].text.contains(FaultyFiles::reason(*fault))) << boxes[0].text.toStdString();
        }
        expectNothingChanged();
        EXPECT_EQ(state.Config.GSA, AfterStart::Minimise) << "the running program still takes the new settings";
    }
}

TEST_F(SaveFaultTest, LoginTellsOnceOfTheCredentialsFileAndKeepsIt)
{
    for (const std::optional<Fault> fault : {std::optional<Fault>(), std::optional(Faults[0]),
                                             std::optional(Faults[1]), std::optional(Faults[2])}) {
        SCOPED_TRACE(fault ? int(*fault) : -1);
        const QList<Seen> boxes = logIn(fault);
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(boxes[0].title, "Quaylet");
        EXPECT_TRUE(boxes[0].text.contains("User.ini")) << boxes[0].text.toStdString();
        expectNothingChanged();
        EXPECT_EQ(state.Temp.UserPWD, "new password") << "the login itself goes on";
    }
}

}  // namespace
