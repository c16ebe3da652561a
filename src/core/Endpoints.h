#pragma once

#include <QString>

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
};
