#pragma once

#include "core/Addresses.h"
#include "core/AppState.h"
#include "portal/PortalSession.h"
#include "storage/SettingsFolder.h"
#include "storage/UserFile.h"
#include "support/Fakes.h"
#include "support/PlatformFakes.h"
#include "support/TempDir.h"

// What the program's dialogs work on: a settings folder of their own, the
// shared state, a session on a browser that only records, and boxes that
// only record.
struct DialogWorld {
    ProgramDir dir;
    AppState state;
    const Addresses addresses{Endpoints::builtIn()};
    FakeBrowser web;
    FakeSessionUi ui;
    FakeMessageBox messages;
    FakeAutostart autostart;
    storage::UserFile users{state, storage::SettingsFolder(dir.path()), messages};
    portal::PortalSession session{state, addresses, web, ui, messages};
};
