#pragma once

#include "storage/SettingsFolder.h"

#include <QString>
#include <QStringList>

namespace platform {
class MessageBox;
}

namespace storage {

inline const QString LaunchApprovalsFileName = QStringLiteral("LaunchSchemes.ini");

// LaunchSchemes.ini: the URL schemes the user allowed a channel page to hand
// to another program, one a line, each ended by CR LF. A scheme is asked
// about once; once allowed, never again.
class LaunchApprovals {
public:
    LaunchApprovals(SettingsFolder folder, platform::MessageBox& messages);

    // Whether the page of host may hand an address of scheme to the system:
    // allowed before, or now, in a question whose default is no. An
    // allowance is remembered; a save that fails only forgets it.
    bool allows(const QString& host, const QString& scheme);

    QStringList remembered() const;

private:
    SettingsFolder folder_;
    platform::MessageBox& messages_;
};

}  // namespace storage
