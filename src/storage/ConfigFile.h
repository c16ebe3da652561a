#pragma once

#include "core/AppState.h"
#include "platform/SafeSave.h"
#include "storage/SettingsFolder.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace storage {

inline const QString ConfigFileName = QStringLiteral("config.ini");

// What a save writes: the six settings in file order, then the portal, if
// one is chosen.
struct ConfigValues {
    ConfigState settings;
    std::optional<Portal> portal;
};

// Reads config.ini into the shared settings and DHOPortal. Never fails:
// anything missing or unusable keeps its default 0.
void ConfigLoad(const SettingsFolder& folder, AppState& state);

// Sets the settings and DHOPortal from the values of a config.ini, as
// ConfigLoad does once it has read the file.
void loadConfigValues(const QStringList& values, AppState& state);

// Rewrites config.ini: six number lines " n " and the portal word, each
// ended by CR LF; no portal line when no portal is chosen.
SaveResult ConfigSave(const SettingsFolder& folder, const ConfigValues& values);

QByteArray configFileBytes(const ConfigValues& values);

}  // namespace storage
