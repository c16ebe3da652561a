// bench-setup: makes a program directory log in by itself, writing config.ini
// and User.ini with the program's own code so the files are exactly what the
// program reads.
//
//   bench-setup DIRECTORY Netmarble|Daum ID PASSWORD [--game-start | --through-dialog]
//
// With --game-start the program also starts the game once logged in; with
// --through-dialog it does not log in by itself, and its login dialog comes
// up filled in.

#include "platform/MessageBox.h"
#include "storage/ConfigFile.h"
#include "storage/UserFile.h"

#include <QString>

#include <cstdio>
#include <cstring>

namespace {

// Nobody is there to answer: any question is reported and refused.
class NoMessages : public platform::MessageBox {
public:
    Answer show(const QString& text, Icon, Buttons buttons, Dismissal* = nullptr) override
    {
        std::fprintf(stderr, "bench-setup: %s\n", text.toLocal8Bit().constData());
        return refusal(buttons);
    }
};

}  // namespace

int main(int argc, char* argv[])
{
    const bool gameStart = argc == 6 && std::strcmp(argv[5], "--game-start") == 0;
    const bool throughDialog = argc == 6 && std::strcmp(argv[5], "--through-dialog") == 0;
    if ((argc != 5 && !gameStart && !throughDialog)
        || (std::strcmp(argv[2], "Netmarble") != 0 && std::strcmp(argv[2], "Daum") != 0)) {
        std::fprintf(stderr,
                     "usage: bench-setup DIRECTORY Netmarble|Daum ID PASSWORD [--game-start | --through-dialog]\n");
        return 2;
    }
    const storage::SettingsFolder directory(QString::fromLocal8Bit(argv[1]));

    storage::ConfigValues config;
    config.settings.IDSave = 1;
    config.settings.PWDSave = 1;
    config.settings.AutoLogin = throughDialog ? 0 : 1;
    config.settings.AutoRun = gameStart ? 1 : 0;
    config.portal = std::strcmp(argv[2], "Daum") == 0 ? Portal::Daum : Portal::Netmarble;
    storage::SaveResult saved = storage::ConfigSave(directory, config);
    if (!saved.ok) {
        std::fprintf(stderr, "bench-setup: config.ini: %s\n", saved.error.toLocal8Bit().constData());
        return 1;
    }

    AppState state;
    state.Config.IDSave = 1;
    state.Config.PWDSave = 1;
    state.Temp.UserID = QString::fromLocal8Bit(argv[3]);
    state.Temp.UserPWD = QString::fromLocal8Bit(argv[4]);
    NoMessages messages;
    storage::UserFile userFile(state, directory, messages);
    saved = userFile.UserSave();
    if (!saved.ok) {
        std::fprintf(stderr, "bench-setup: User.ini: %s\n", saved.error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
