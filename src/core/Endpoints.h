#pragma once

#include <QString>
#include <QStringList>

// Host (or host:port) of every web endpoint the program talks to.
struct Endpoints {
    QString NetmarbleLogin;
    QString NetmarbleGame;
    QString NetmarbleHome;
    QString DaumLogin;
    QString DaumSecureLogin;
    QString DaumHome;
    QString DaumUser;
    QString DaumGame;
    QString ZavivSite;
    QString GuideSite;

    // The values chosen when the program was built (QUAYLET_HOST_* in CMake).
    static Endpoints builtIn();
    // The game launcher's URL schemes, chosen with them (QUAYLET_LAUNCH_SCHEMES).
    static QStringList launcherSchemes();
};
