#pragma once

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

// quaylet.launch: what went to the system, or was refused, by scheme only.
Q_DECLARE_LOGGING_CATEGORY(lcLaunch)

// What a game start may hand to the system: an address of another program's
// scheme (the game launcher's) from the channel page, its frames or its
// pop-ups. The channel pages are plain http, so anyone on the network path
// can change what they ask for: only the launcher's own schemes go at once,
// schemes no launcher uses never go, and any other is the user's to allow.
namespace launch {

// The longest address handed to the system; a longer one is refused.
constexpr qsizetype LongestAddress = 2048;
// The most pop-ups one game start may open.
constexpr int MostPopups = 4;

enum class Verdict { HandOff, Refuse, Ask };

// launcherSchemes: the game launcher's (Endpoints::launcherSchemes()).
Verdict verdictFor(const QString& scheme, const QStringList& launcherSchemes);

}  // namespace launch
