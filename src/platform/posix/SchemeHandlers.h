#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform {

// Where a launcher's scheme is registered on Linux, apart from the desktop:
// a Windows game installed under Wine registers its launcher in the Wine
// prefix's registry, which Wine does not tell the desktop about.

// The most of a registry file that is read; a prefix's system.reg is under
// 2 MB when new.
constexpr qint64 WineRegistryBound = 32 * 1024 * 1024;

// Whether the text of a Wine registry file (system.reg, user.reg) has the
// key Software\Classes\<scheme>\shell\open\command, the command the shell runs
// for the scheme's addresses; key names are compared without case.
bool wineRegistryRegisters(const QByteArray& registry, const QString& scheme);

// The first of the prefixes whose system.reg or user.reg (at most bound bytes
// of each) registers the scheme; empty when none does.
QString winePrefixRegistering(const QString& scheme, const QStringList& prefixes,
                              qint64 bound = WineRegistryBound);

// The prefixes looked at, in order: $WINEPREFIX, then ~/.wine.
QStringList winePrefixes();

// Whether the desktop entry that xdg-mime names is installed where xdg-open
// looks for it: applications/ (or a folder under it) of XDG_DATA_HOME and
// XDG_DATA_DIRS, as the entry's name or with its first '-' as a folder.
bool desktopEntryInstalled(const QString& entry);

}  // namespace platform
